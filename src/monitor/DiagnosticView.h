#pragma once
// The diagnostic view's logic: what its two tables hold (texts, colours, column widths and
// bands), where the texts go, and when the diagnostic messages are sent. It paints through a
// DiagnosticDisplay (the "Diagnostic" page), so the rules are tested without widgets.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "monitor/MonitorHost.h"
#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace relvane {

inline constexpr int kDiagnosticHeaderHeight = 44;
inline constexpr int kDiagnosticRowHeight = 22;
inline constexpr int kDiagnosticSecondLineOffset = 16;
inline constexpr int kDiagnosticNameLeft = 5;
inline constexpr int kHighPowerImageWidth = 561;
inline constexpr int kHighPowerImageHeight = 441;
inline constexpr int kLowPowerImageWidth = 233;
inline constexpr int kLowPowerImageHeight = 441;

// Grid colour (192, 192, 192) and the red of non-zero counts (255, 0, 0).
inline constexpr unsigned kDiagnosticGridRgb = 0xC0C0C0;
inline constexpr unsigned kDiagnosticRedRgb = 0xFF0000;

struct DiagnosticColumn {
    int width = 0;
    QString header1;
    QString header2;  // empty for a one-line header
};

enum class DiagnosticInk { Black, Red };

struct DiagnosticCell {
    QString text;
    bool bold = false;
    DiagnosticInk ink = DiagnosticInk::Black;
    friend bool operator==(const DiagnosticCell&, const DiagnosticCell&) = default;
};

struct DiagnosticTable {
    QList<DiagnosticColumn> columns;
    QList<QList<DiagnosticCell>> rows;  // one per channel, one cell per column
};

QList<DiagnosticColumn> HighPowerColumns();  // 130, 100, 100, 130, 100
QList<DiagnosticColumn> LowPowerColumns();   // 130, 100

// A count as shown: 15 (which stands for 15 or more) as "> 15".
QString DiagnosticCountText(int count);
// The trip-level current of a byte in steps of 0.4 A: "0" for 0, else "%2.1f".
QString TripCurrentText(std::uint8_t level);
// "<channel>: <output name>".
QString DiagnosticChannelText(int channel, const QString& name);

DiagnosticTable HighPowerTable(const DiagnosticHigh& log, const ConfigModel& model);
DiagnosticTable LowPowerTable(const DiagnosticLow& log, const ConfigModel& model);

// Geometry. Column k (0-based) spans from ColumnLeft to ColumnRight, which is the next
// column's left, so neighbouring cells share their border line.
int ColumnLeft(const QList<DiagnosticColumn>& columns, int k);
int ColumnRight(const QList<DiagnosticColumn>& columns, int k);
inline int RowTop(int row) { return kDiagnosticHeaderHeight + kDiagnosticRowHeight * row; }
inline int RowBottom(int row) { return RowTop(row) + kDiagnosticRowHeight; }
// The top of a text line of height t in a 22-high band starting at bandTop.
inline int LineTop(int bandTop, int textHeight) { return bandTop + (kDiagnosticRowHeight - textHeight) / 2; }
// The left edge of a text of width w centred in column k.
int CentredLeft(const QList<DiagnosticColumn>& columns, int k, int textWidth);

// Texts shown by the view.
QString NotConnectedMessage();     // "Is not connected to target, please connect USB"
QString DiagnosticClearedMessage();  // "Diagnostic log cleared"

class DiagnosticDisplay {
public:
    virtual ~DiagnosticDisplay() = default;
    virtual void PaintHighPower(const DiagnosticTable& table) = 0;
    virtual void PaintLowPower(const DiagnosticTable& table) = 0;
};

// Also a dispatcher handler: add it with Dispatcher::AddHandler.
class DiagnosticView : public MainFrameHandler {
public:
    DiagnosticView(MonitorHost& host, Dialogs& dialogs, const ConfigModel& model);

    void SetDisplay(DiagnosticDisplay* display) { display_ = display; }

    // The page-selection branch of page 1: the request, when connected and not busy.
    void PageSelected();
    // "Reset log".
    void BtnClearDiagnosticClick();

    // MainFrameHandler
    void OnDiagnosticHigh(const DiagnosticHigh& log) override;
    void OnDiagnosticLow(const DiagnosticLow& log) override;
    void OnDiagnosticCleared() override;

private:
    bool Busy() const { return host_.TransferBusy() || host_.FirmwareBusy(); }

    MonitorHost& host_;
    Dialogs& dialogs_;
    const ConfigModel& model_;
    DiagnosticDisplay* display_ = nullptr;
};

}  // namespace relvane
