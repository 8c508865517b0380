#include "cli/StatusTable.h"

#include "monitor/LivePainting.h"

namespace relvane::cli {

bool LiveSnapshot::Complete() const {
    if (!summary || !inputs) return false;
    for (const auto& c : channels)
        if (!c) return false;
    return true;
}

bool LiveSnapshot::Empty() const {
    if (summary || inputs) return false;
    for (const auto& c : channels)
        if (c) return false;
    return true;
}

QString FaultName(std::uint8_t fault) {
    if (fault == 0) return {};
    // The live view's own fault texts: a faulty high-power channel shows them on its label.
    ChannelState s{true, 1, false, fault, 0, false};
    const HighPowerLook look = HighPowerChannelLook(s);
    if (look.button.text == QLatin1String("fail")) return look.state.text;
    return QStringLiteral("fault %1").arg(fault);
}

namespace {
// "1 On  2 Off ..." for entries first to first + n - 1 (counted from 1).
QString Flags(const bool* flags, int first, int n) {
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QStringLiteral("%1 %2").arg(first + i).arg(flags[first + i - 1] ? QStringLiteral("On") : QStringLiteral("Off"));
    return parts.join(QStringLiteral("  "));
}
}  // namespace

QStringList StatusTable(const LiveSnapshot& snap) {
    const QString none = QStringLiteral("--");
    QStringList lines;
    lines << QStringLiteral("Output  State  Current  Fault");
    for (int n = 1; n <= CHANNEL_COUNT; ++n) {
        const auto& c = snap.channels[static_cast<std::size_t>(n - 1)];
        QString state = none, current = none, fault;
        if (c) {
            state = c->on ? QStringLiteral("On") : QStringLiteral("Off");
            // Only the high-power channels measure their current.
            current = n <= HIGH_POWER_CHANNELS ? CurrentText(c->currentTenths) : QStringLiteral("-");
            fault = FaultName(c->fault);
        }
        QString row = QStringLiteral("%1  %2  %3  %4").arg(n, 6).arg(state, -5).arg(current, 7).arg(fault);
        while (row.endsWith(QLatin1Char(' '))) row.chop(1);
        lines << row;
    }
    lines << QString();
    if (snap.inputs) {
        bool in[INPUT_COUNT], can[CAN_INPUT_COUNT];
        for (int i = 0; i < INPUT_COUNT; ++i) in[i] = snap.inputs->inputs[static_cast<std::size_t>(i)];
        for (int i = 0; i < CAN_INPUT_COUNT; ++i) can[i] = snap.inputs->canInputs[static_cast<std::size_t>(i)];
        lines << QStringLiteral("Inputs:      ") + Flags(in, 1, INPUT_COUNT);
        lines << QStringLiteral("CAN inputs:  ") + Flags(can, 1, 16);
        lines << QStringLiteral("             ") + Flags(can, 17, 16);
    } else {
        lines << QStringLiteral("Inputs:      ") + none;
        lines << QStringLiteral("CAN inputs:  ") + none;
    }
    lines << QString();
    if (snap.summary) {
        const StatusTexts t = StatusSummaryTexts(*snap.summary);
        lines << QStringLiteral("Total current:   ") + t.current;
        lines << QStringLiteral("Supply voltage:  ") + t.voltage;
        lines << QStringLiteral("Temperature:     ") + t.temperature;
        lines << QStringLiteral("Errors:          ") + t.errors;
    } else {
        for (const char* label : {"Total current:   ", "Supply voltage:  ", "Temperature:     ", "Errors:          "})
            lines << QLatin1String(label) + none;
    }
    return lines;
}

}  // namespace relvane::cli
