#include "cli/CanLog.h"

#include "can/CanMonitor.h"
#include "config/Cp1252.h"

namespace relvane::cli {

namespace {
QString Hex(unsigned value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}
}  // namespace

QString CandumpLine(const CanMonitorMessage& message, qint64 us, const QString& interface) {
    QString line = QStringLiteral("(%1.%2) ").arg(us / 1000000).arg(us % 1000000, 6, 10, QLatin1Char('0'));
    line += interface + QLatin1Char(' ');
    line += Hex(message.identifier, message.identifier <= 0x7FF ? 3 : 8) + QLatin1Char('#');
    const int n = std::clamp(message.dataCount, 0, 8);
    for (int i = 0; i < n; ++i) line += Hex(message.data[static_cast<std::size_t>(i)], 2);
    return line;
}

QString MonitorTextLine(const CanMonitorMessage& message, const QTime& time, const ConfigModel* names,
                        const DbcDatabase* database) {
    QString line = QStringLiteral("%1:%2:%3.%4> ID=%5, Data=")
                       .arg(time.hour(), 2, 10, QLatin1Char('0'))
                       .arg(time.minute(), 2, 10, QLatin1Char('0'))
                       .arg(time.second(), 2, 10, QLatin1Char('0'))
                       .arg(time.msec(), 3, 10, QLatin1Char('0'))
                       .arg(QStringLiteral("%1").arg(message.identifier, 4, 16, QLatin1Char(' ')).toUpper());
    const int n = std::clamp(message.dataCount, 0, 8);
    for (int i = 0; i < n; ++i) line += QLatin1Char(' ') + Hex(message.data[static_cast<std::size_t>(i)], 2);
    for (const QString& name : CanInputNames(message, names)) line += QStringLiteral(", ") + name;
    if (database) line += CanMonitorDecoded(message, *database);
    return line;
}

QStringList CanInputNames(const CanMonitorMessage& message, const ConfigModel* names) {
    QStringList found;
    if (!names || message.identifier == 0) return found;
    for (int c = 1; c <= kCanInputCount; ++c) {
        const CanInputConfig& in = names->CanInput(c);
        if (in.CAN_ID_ON == message.identifier || in.CAN_ID_OFF == message.identifier) found << Cp1252ToString(in.CAN_NAME);
    }
    return found;
}

std::optional<int> MonitorSelection(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("off")) return 0;
    if (t == QLatin1String("active")) return 1;
    if (t == QLatin1String("all")) return 2;
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok && n >= 1 && n <= kCanInputCount) return n + 2;
    return std::nullopt;
}

}  // namespace relvane::cli
