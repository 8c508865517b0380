#pragma once
// The About window: versions, build date, the module's statistics and the key
// sequence that reveals the production menu. Created at start-up, kept for the run.

#include "monitor/MonitorHost.h"
#include "monitor/ServiceConsoles.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QPushButton;

namespace relvane {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int STATISTICS_INTERVAL_MS = 300;
    static constexpr int OK_RIGHT_MARGIN = 15;

    // openUrl opens a web address in the default browser (replaced by tests).
    explicit TAboutForm(MonitorHost& host, QWidget* parent = nullptr,
                        std::function<void(const QString&)> openUrl = {});

    // About1Click: centres the window over mainWindow and shows it modally.
    int ShowCentredOver(const QWidget* mainWindow);

    // The web address shown by Label9.
    static QString WebAddress();

    void Timer1SecTickTimer();
    void WebSiteClick();
    const SuperUserSequence& Sequence() const { return sequence_; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Returns true when the key completed the access code (the window closes).
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void ShowModuleVersion();

    MonitorHost& host_;
    std::function<void(const QString&)> openUrl_;
    SuperUserSequence sequence_;
    QTimer timer1SecTick_;
    QLabel* labelPcmVersion_ = nullptr;
    QLabel* labelWeb_ = nullptr;
    QLabel* labelPowerUpTime_ = nullptr;
    QLabel* labelMaxTemp_ = nullptr;
    QLabel* labelMaxCurrent_ = nullptr;
    QLabel* labelWatchdogCount_ = nullptr;
    QPushButton* okBtn_ = nullptr;
};

}  // namespace relvane
