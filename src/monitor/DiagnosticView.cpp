#include "monitor/DiagnosticView.h"

#include "config/Cp1252.h"

namespace relvane {

namespace {

DiagnosticCell CountCell(int count)
{
    return {DiagnosticCountText(count), true, count != 0 ? DiagnosticInk::Red : DiagnosticInk::Black};
}

DiagnosticCell NameCell(int channel, const ConfigModel& model)
{
    return {DiagnosticChannelText(channel, Cp1252ToString(model.Output(channel).NAME)), false,
            DiagnosticInk::Black};
}

}  // namespace

QList<DiagnosticColumn> HighPowerColumns()
{
    return {
        {130, QStringLiteral("Channel Name"), QString()},
        {100, QStringLiteral("Error Count"), QStringLiteral("Short Circuit")},
        {100, QStringLiteral("Error Count"), QStringLiteral("Trip Level")},
        {130, QStringLiteral("Trip Level"), QStringLiteral("Current Draw")},
        {100, QStringLiteral("Error Count"), QStringLiteral("Low Current")},
    };
}

QList<DiagnosticColumn> LowPowerColumns()
{
    return {
        {130, QStringLiteral("Channel Name"), QString()},
        {100, QStringLiteral("Error Count"), QStringLiteral("Short Circuit")},
    };
}

QString DiagnosticCountText(int count)
{
    if (count == 15)
        return QStringLiteral("> 15");
    return QString::number(count);
}

QString TripCurrentText(std::uint8_t level)
{
    if (level == 0)
        return QStringLiteral("0");
    return QString::asprintf("%2.1f", level * 0.4);
}

QString DiagnosticChannelText(int channel, const QString& name)
{
    return QStringLiteral("%1: %2").arg(channel).arg(name);
}

DiagnosticTable HighPowerTable(const DiagnosticHigh& log, const ConfigModel& model)
{
    DiagnosticTable table;
    table.columns = HighPowerColumns();
    for (int i = 0; i < kHighPowerOutputCount; ++i) {
        const auto u = std::size_t(i);
        const DiagnosticCell trip = CountCell(log.tripCount[u] & 0x0F);
        table.rows.append({
            NameCell(i + 1, model),
            CountCell(log.shortCircuitCount[u] & 0x0F),
            trip,
            {TripCurrentText(log.tripLevel[u]), true, trip.ink},
            CountCell(log.lowCurrentCount[u] & 0x0F),
        });
    }
    return table;
}

DiagnosticTable LowPowerTable(const DiagnosticLow& log, const ConfigModel& model)
{
    DiagnosticTable table;
    table.columns = LowPowerColumns();
    for (int i = 0; i < kOutputCount - kHighPowerOutputCount; ++i) {
        const int channel = kHighPowerOutputCount + 1 + i;
        table.rows.append({NameCell(channel, model), CountCell(log.shortCircuitCount[std::size_t(i)] & 0x0F)});
    }
    return table;
}

int ColumnLeft(const QList<DiagnosticColumn>& columns, int k)
{
    int x = 1;
    for (int i = 0; i < k && i < columns.size(); ++i)
        x += columns.at(i).width;
    return x;
}

int ColumnRight(const QList<DiagnosticColumn>& columns, int k)
{
    return ColumnLeft(columns, k) + (k >= 0 && k < columns.size() ? columns.at(k).width : 0);
}

int CentredLeft(const QList<DiagnosticColumn>& columns, int k, int textWidth)
{
    const int width = k >= 0 && k < columns.size() ? columns.at(k).width : 0;
    return ColumnLeft(columns, k) + 1 + width / 2 - textWidth / 2;
}

QString NotConnectedMessage() { return QStringLiteral("Is not connected to target, please connect USB"); }
QString DiagnosticClearedMessage() { return QStringLiteral("Diagnostic log cleared"); }

DiagnosticView::DiagnosticView(MonitorHost& host, Dialogs& dialogs, const ConfigModel& model)
    : host_(host), dialogs_(dialogs), model_(model)
{
}

void DiagnosticView::PageSelected()
{
    if (host_.Connected() && !Busy())
        SendFrame(host_.TxQueue(), BuildDiagnosticReadRequest());
}

void DiagnosticView::BtnClearDiagnosticClick()
{
    if (!host_.Connected()) {
        dialogs_.ShowMessage(NotConnectedMessage());
        return;
    }
    if (Busy())
        return;
    SendFrame(host_.TxQueue(), BuildDiagnosticClearRequest());
}

void DiagnosticView::OnDiagnosticHigh(const DiagnosticHigh& log)
{
    if (display_)
        display_->PaintHighPower(HighPowerTable(log, model_));
    SendFrame(host_.TxQueue(), BuildDiagnosticAckRequest());
}

void DiagnosticView::OnDiagnosticLow(const DiagnosticLow& log)
{
    if (display_)
        display_->PaintLowPower(LowPowerTable(log, model_));
}

void DiagnosticView::OnDiagnosticCleared()
{
    if (!Busy())
        SendFrame(host_.TxQueue(), BuildDiagnosticReadRequest());
    dialogs_.ShowMessage(DiagnosticClearedMessage());
}

}  // namespace relvane
