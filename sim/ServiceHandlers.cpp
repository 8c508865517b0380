// Version, statistics and ping: the messages every module answers whatever it does.

#include "sim/MessageCodes.h"
#include "sim/Module.h"

#include <cmath>

namespace relvane::sim {

namespace {

// The version text ends before the uptime field at byte 17.
constexpr int kVersionTextFirst = 4;
constexpr int kVersionTextMax = 13;

void AnswerVersion(Module& m, const Request&) {
    Frame f(FRAME_TYPE_COMMAND, VERSION_CFM, VERSION_CFM_LENGTH);
    const QByteArray text = m.version.toLatin1().left(kVersionTextMax);
    for (int i = 0; i < text.size(); ++i) f[kVersionTextFirst + i] = static_cast<std::uint8_t>(text[i]);
    const std::uint32_t up = m.UptimeSeconds() & 0xFFFFFFu;  // 24 bits on the wire
    f[17] = static_cast<std::uint8_t>(up >> 16);
    f[18] = static_cast<std::uint8_t>(up >> 8);
    f[19] = static_cast<std::uint8_t>(up);
    m.Send(f.Seal());
}

void AnswerStatistics(Module& m, const Request&) {
    Frame f(FRAME_TYPE_COMMAND, STATISTICS_CFM, STATISTICS_CFM_LENGTH);
    f[4] = static_cast<std::uint8_t>(m.statistics.maxCurrent & 0xFF);
    f[5] = static_cast<std::uint8_t>(m.statistics.maxCurrent >> 8);
    f[6] = m.statistics.maxTemperature;
    f[7] = m.statistics.watchdogCount;
    m.Send(f.Seal());
}

// The echo carries the request's payload unchanged: byte 4 the count, then the bytes.
void AnswerPing(Module& m, const Request& r) {
    Frame f(FRAME_TYPE_SERVICE, PING_CFM, r.length());
    for (int i = FRAME_PAYLOAD; i < r.length(); ++i) f[i] = r.at(i);
    m.Send(f.Seal());
}

bool ParseTenths(const QString& text, int max, int* out) {
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || v < 0 || v * 10 > max) return false;
    *out = static_cast<int>(std::lround(v * 10));
    return true;
}

bool ParseInt(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max) return false;
    *out = v;
    return true;
}

}  // namespace

void RegisterServiceHandlers(Module& module) {
    module.RegisterHandler(FRAME_TYPE_COMMAND, VERSION_REQ, AnswerVersion);
    module.RegisterHandler(FRAME_TYPE_COMMAND, STATISTICS_REQ, AnswerStatistics);
    module.RegisterHandler(FRAME_TYPE_SERVICE, PING_REQ, AnswerPing);

    module.RegisterConsoleCommand(
        {QStringLiteral("version"), QStringLiteral("version TEXT"),
         QStringLiteral("set the version text VERSION_CFM reports"),
         [](Module& m, const QStringList& args) {
             if (args.size() != 1 || args[0].size() > kVersionTextMax)
                 return QStringLiteral("usage: version TEXT (at most %1 characters)").arg(kVersionTextMax);
             m.version = args[0];
             return QStringLiteral("version text is now %1").arg(m.version);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("uptime"), QStringLiteral("uptime SECONDS"),
         QStringLiteral("set the seconds since power-up"),
         [](Module& m, const QStringList& args) {
             int s = 0;
             if (args.size() != 1 || !ParseInt(args[0], 0, 0xFFFFFF, &s))
                 return QStringLiteral("usage: uptime SECONDS (0 to 16777215)");
             m.SetUptime(static_cast<std::uint32_t>(s));
             return QStringLiteral("uptime set to %1 s").arg(s);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("stats"), QStringLiteral("stats MAX_A MAX_C WATCHDOG"),
         QStringLiteral("set the statistics: maximum current (A), maximum temperature (C), watchdog count"),
         [](Module& m, const QStringList& args) {
             int current = 0, temp = 0, wd = 0;
             if (args.size() != 3 || !ParseTenths(args[0], 0xFFFF, &current) ||
                 !ParseInt(args[1], 0, 255, &temp) || !ParseInt(args[2], 0, 255, &wd))
                 return QStringLiteral("usage: stats MAX_A MAX_C WATCHDOG (e.g. stats 25.3 47 0)");
             m.statistics.maxCurrent = static_cast<std::uint16_t>(current);
             m.statistics.maxTemperature = static_cast<std::uint8_t>(temp);
             m.statistics.watchdogCount = static_cast<std::uint8_t>(wd);
             return QStringLiteral("statistics: max %1.%2 A, max %3 C, watchdog %4")
                 .arg(current / 10).arg(current % 10).arg(temp).arg(wd);
         }});
}

}  // namespace relvane::sim
