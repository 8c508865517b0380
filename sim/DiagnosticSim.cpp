#include "sim/DiagnosticSim.h"

#include <algorithm>
#include <cmath>

namespace relvane::sim {

namespace {

constexpr std::uint8_t DIAGNOSTIC_READ_REQ = 0x50;
constexpr std::uint8_t DIAGNOSTIC_CLEAR_REQ = 0x51;
constexpr std::uint8_t DIAGNOSTIC_ACK_REQ = 0x5F;
constexpr std::uint8_t DIAGNOSTIC_HIGH_IND = 0xD0;
constexpr std::uint8_t DIAGNOSTIC_CLEAR_CFM = 0xD1;
constexpr std::uint8_t DIAGNOSTIC_LOW_IND = 0xDE;
constexpr int DIAGNOSTIC_HIGH_IND_LENGTH = 58;
constexpr int DIAGNOSTIC_LOW_IND_LENGTH = 20;

const QString kUsage = QStringLiteral(
    "usage: diag short CH N | diag trip CH N AMPS | diag low CH N | diag fill | diag clear | diag status");

std::uint8_t Count(int n) { return std::uint8_t(std::clamp(n, 0, int(DiagnosticLog::MAX_COUNT))); }

}  // namespace

void DiagnosticLog::Clear()
{
    shortCircuit.fill(0);
    tripCount.fill(0);
    tripLevel.fill(0);
    lowCurrent.fill(0);
}

void DiagnosticLog::FillExample()
{
    Clear();
    shortCircuit[0] = 2;
    shortCircuit[4] = 15;
    tripCount[2] = 1;
    tripLevel[2] = 38;  // 15.2 A
    tripCount[7] = 15;
    tripLevel[7] = 63;  // 25.2 A
    lowCurrent[10] = 3;
    shortCircuit[20] = 1;
    shortCircuit[33] = 7;
}

void RegisterDiagnosticHandlers(Module& module, DiagnosticLog& log)
{
    module.RegisterHandler(FRAME_TYPE_COMMAND, DIAGNOSTIC_READ_REQ, [&log](Module& m, const Request&) {
        ++log.reads;
        Frame high(FRAME_TYPE_COMMAND, DIAGNOSTIC_HIGH_IND, DIAGNOSTIC_HIGH_IND_LENGTH);
        for (int c = 0; c < DiagnosticLog::HIGH_POWER; ++c) {
            const auto u = std::size_t(c);
            high[4 + c] = std::uint8_t((log.tripCount[u] << 4) | (log.shortCircuit[u] & 0x0F));
            high[22 + c] = log.tripLevel[u];
            high[40 + c] = std::uint8_t(log.lowCurrent[u] & 0x0F);
        }
        high.Seal();
        m.Send(high);
        Frame low(FRAME_TYPE_COMMAND, DIAGNOSTIC_LOW_IND, DIAGNOSTIC_LOW_IND_LENGTH);
        for (int c = 0; c < DiagnosticLog::CHANNELS - DiagnosticLog::HIGH_POWER; ++c)
            low[4 + c] = std::uint8_t(log.shortCircuit[std::size_t(DiagnosticLog::HIGH_POWER + c)] & 0x0F);
        low.Seal();
        m.Send(low);
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, DIAGNOSTIC_ACK_REQ, [&log](Module&, const Request&) { ++log.acks; });
    module.RegisterHandler(FRAME_TYPE_COMMAND, DIAGNOSTIC_CLEAR_REQ, [&log](Module& m, const Request&) {
        log.Clear();
        ++log.clears;
        Frame cfm(FRAME_TYPE_COMMAND, DIAGNOSTIC_CLEAR_CFM, 4);
        cfm.Seal();
        m.Send(cfm);
        m.Print(QStringLiteral("diagnostic log cleared by the tool"));
    });
    module.RegisterConsoleCommand(
        {QStringLiteral("diag"), QStringLiteral("diag short|trip|low CH N [AMPS] | fill | clear | status"),
         QStringLiteral("fill or clear the diagnostic log the tool reads"),
         [&log](Module&, const QStringList& args) -> QString {
             const QString sub = args.value(0);
             if (sub == QLatin1String("fill")) {
                 log.FillExample();
                 return QStringLiteral("diagnostic log filled");
             }
             if (sub == QLatin1String("clear")) {
                 log.Clear();
                 return QStringLiteral("diagnostic log cleared");
             }
             if (sub == QLatin1String("status") || sub.isEmpty()) {
                 int faults = 0;
                 for (int c = 0; c < DiagnosticLog::CHANNELS; ++c) {
                     const auto u = std::size_t(c);
                     faults += log.shortCircuit[u];
                     if (c < DiagnosticLog::HIGH_POWER)
                         faults += log.tripCount[u] + log.lowCurrent[u];
                 }
                 return QStringLiteral("diagnostic log: %1 faults counted, %2 reads, %3 clears")
                     .arg(faults).arg(log.reads).arg(log.clears);
             }
             bool okChannel = false;
             bool okCount = false;
             const int ch = args.value(1).toInt(&okChannel);
             const int n = args.value(2).toInt(&okCount);
             if (!okChannel || !okCount || n < 0)
                 return kUsage;
             const auto u = std::size_t(ch - 1);
             if (sub == QLatin1String("short") && ch >= 1 && ch <= DiagnosticLog::CHANNELS) {
                 log.shortCircuit[u] = Count(n);
                 return QStringLiteral("channel %1: %2 short circuits").arg(ch).arg(log.shortCircuit[u]);
             }
             if (sub == QLatin1String("trip") && ch >= 1 && ch <= DiagnosticLog::HIGH_POWER) {
                 bool okAmps = false;
                 const double amps = args.value(3).toDouble(&okAmps);
                 if (!okAmps || amps < 0 || amps > 102.0)
                     return kUsage;
                 log.tripCount[u] = Count(n);
                 log.tripLevel[u] = std::uint8_t(std::lround(amps / 0.4));
                 return QStringLiteral("channel %1: %2 trips at %3 A").arg(ch).arg(log.tripCount[u]).arg(log.tripLevel[u] * 0.4, 0, 'f', 1);
             }
             if (sub == QLatin1String("low") && ch >= 1 && ch <= DiagnosticLog::HIGH_POWER) {
                 log.lowCurrent[u] = Count(n);
                 return QStringLiteral("channel %1: %2 low-current faults").arg(ch).arg(log.lowCurrent[u]);
             }
             return kUsage;
         }});
}

}  // namespace relvane::sim
