#include "monitor/LivePainting.h"

namespace relvane {

namespace {

QString FaultText(std::uint8_t fault)
{
    switch (fault) {
    case FAULT_SHORT_TO_GROUND: return QStringLiteral("-SHORT");
    case FAULT_SHORT_TO_SUPPLY: return QStringLiteral("+SHORT");
    case FAULT_OPEN_LOAD: return QStringLiteral("OPEN");
    case FAULT_OVERLOAD: return QStringLiteral("OVERLOAD");
    default: return QString();
    }
}

LiveColour HighlightOr(bool highlight, LiveColour otherwise)
{
    return highlight ? LiveColour::Yellow : otherwise;
}

}  // namespace

QString TenthsText(int tenths, const QString& unit)
{
    return QStringLiteral("%1.%2 %3").arg(tenths / 10).arg(tenths % 10).arg(unit);
}

StatusTexts StatusSummaryTexts(const StatusSummary& summary)
{
    StatusTexts t;
    t.current = CurrentText(summary.currentTenths);
    t.voltage = TenthsText(summary.voltageTenths, QStringLiteral("V"));
    t.temperature = QStringLiteral("%1 ").arg(summary.temperature) + QChar(0x00B0) + QLatin1Char('C');
    t.errors = QString::number(summary.errorCount);
    return t;
}

HighPowerLook HighPowerChannelLook(const ChannelState& state)
{
    const QString fault = FaultText(state.fault);
    if (!fault.isEmpty())
        return {{fault, LiveColour::Red}, {QStringLiteral("fail"), LiveColour::Red}};
    if (state.on) {
        const LiveColour c = HighlightOr(state.highlight, LiveColour::Green);
        return {{CurrentText(state.currentTenths), c}, {QStringLiteral("On"), c}};
    }
    return {{QStringLiteral("--"), LiveColour::White},
            {QStringLiteral("Off"), HighlightOr(state.highlight, LiveColour::Neutral)}};
}

LiveLook LowPowerChannelLook(const ChannelState& state)
{
    if (state.on) {
        if (state.fault == FAULT_SHORT_TO_GROUND || state.fault == FAULT_SHORT_TO_SUPPLY
            || state.fault == FAULT_OPEN_LOAD)
            return {QStringLiteral("fail"), LiveColour::Red};
        return {QStringLiteral("On"), HighlightOr(state.highlight, LiveColour::Green)};
    }
    return {QStringLiteral("Off"), HighlightOr(state.highlight, LiveColour::Neutral)};
}

LiveLook InputLook(bool active)
{
    return active ? LiveLook{QStringLiteral("On"), LiveColour::Green}
                  : LiveLook{QStringLiteral("Off"), LiveColour::Neutral};
}

LiveLook IdleStatusLook() { return {QStringLiteral("--"), LiveColour::Neutral}; }
LiveLook IdleHighPowerStateLook() { return {QStringLiteral("--"), LiveColour::White}; }
LiveLook IdleButtonLook() { return {QStringLiteral("Off"), LiveColour::Neutral}; }

}  // namespace relvane
