#pragma once
// The "Diagnostic" notebook page: the painted high-power and low-power tables of the module's
// diagnostic log, "Reset log" and the auto-reset delay field. Thin: its DiagnosticView decides
// what is sent and what the tables hold; the page paints them.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "monitor/DiagnosticView.h"

#include <QFont>
#include <QImage>
#include <QWidget>

class QLineEdit;

namespace relvane {

// Paints a table onto an image as the diagnostic view lays it out.
void PaintDiagnosticTable(QImage& image, const DiagnosticTable& table, const QFont& font);

// A picture that keeps its last painting.
class TDiagnosticImage final : public QWidget {
    Q_OBJECT
public:
    TDiagnosticImage(const QString& objectName, int width, int height, QWidget* parent = nullptr);
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    int Paintings() const { return paintings_; }
    void Painted() { ++paintings_; update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    int paintings_ = 0;
};

class TDiagnosticPage : public QWidget, public DiagnosticDisplay {
    Q_OBJECT
public:
    TDiagnosticPage(MonitorHost& host, Dialogs& dialogs, ConfigModel& model, QWidget* parent = nullptr);

    // The dispatcher handler of the diagnostic messages (add it with Dispatcher::AddHandler).
    DiagnosticView& View() { return view_; }
    // The page-change branch of this page.
    void PageSelected() { view_.PageSelected(); }
    void BtnClearDiagnosticClick() { view_.BtnClearDiagnosticClick(); }

    // What was painted last (tables stay empty until a message arrives).
    const DiagnosticTable& LastHighPower() const { return lastHigh_; }
    const DiagnosticTable& LastLowPower() const { return lastLow_; }
    TDiagnosticImage* HighPowerImage() const { return high_; }
    TDiagnosticImage* LowPowerImage() const { return low_; }

    // DiagnosticDisplay
    void PaintHighPower(const DiagnosticTable& table) override;
    void PaintLowPower(const DiagnosticTable& table) override;

private:
    void ShowAutoReset();

    ConfigModel& model_;
    DiagnosticView view_;
    TDiagnosticImage* high_ = nullptr;
    TDiagnosticImage* low_ = nullptr;
    QLineEdit* autoReset_ = nullptr;
    DiagnosticTable lastHigh_;
    DiagnosticTable lastLow_;
    bool writing_ = false;
};

}  // namespace relvane
