#include "sim/CanSim.h"

#include "link/FrameCodec.h"
#include "sim/ConfigStore.h"

#include <algorithm>

namespace relvane::sim {

namespace {

constexpr std::uint8_t CAN_MONITOR_MODE_REQ = 0x5C;
constexpr std::uint8_t CAN_MONITOR_IND = 0x5D;
constexpr std::uint8_t CAN_MONITOR_MODE_CFM = 0xDC;
constexpr int CAN_MONITOR_IND_HEADER = 7;  // frame bytes before the data bytes
constexpr int CAN_INPUTS = 32;
constexpr int MODE_OFF = 0;
constexpr int MODE_ACTIVE = 1;
constexpr int MODE_ALL = 2;
constexpr int MODE_FIRST_CAN_INPUT = 3;

// 38400 baud, a start bit, 8 data bits and 2 stop bits.
constexpr auto kByteTime = std::chrono::nanoseconds(11'000'000'000LL / 38400);

std::uint16_t Le16(const QByteArray& b, int at)
{
    if (at + 1 >= b.size())
        return 0;
    return std::uint16_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

// ON and OFF identifiers of a stored CAN input block (payload bytes 2-3 and 4-5).
std::pair<std::uint16_t, std::uint16_t> CanInputIds(const Module& module, int slot)
{
    const QByteArray block = module.config.Block(BlockKind::CanInput, slot);
    return {Le16(block, 2), Le16(block, 4)};
}

void AddUnique(std::vector<std::uint16_t>& ids, std::uint16_t id)
{
    if (id != 0 && std::find(ids.begin(), ids.end(), id) == ids.end())
        ids.push_back(id);
}

Frame IndFrame(std::uint16_t id, const std::vector<std::uint8_t>& data)
{
    const int n = int(std::min<std::size_t>(data.size(), 8));
    Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, CAN_MONITOR_IND_HEADER + n);
    f[4] = std::uint8_t(id & 0xFF);
    f[5] = std::uint8_t(id >> 8);
    f[6] = std::uint8_t(n);
    for (int i = 0; i < n; ++i)
        f[CAN_MONITOR_IND_HEADER + i] = data[std::size_t(i)];
    f.Seal();
    return f;
}

}  // namespace

std::vector<std::uint16_t> CanSim::Identifiers(const Module& module) const
{
    std::vector<std::uint16_t> ids;
    if (mode >= MODE_FIRST_CAN_INPUT && mode < MODE_FIRST_CAN_INPUT + CAN_INPUTS) {
        const auto [on, off] = CanInputIds(module, mode - MODE_FIRST_CAN_INPUT);
        AddUnique(ids, on);
        AddUnique(ids, off);
        return ids;
    }
    if (mode != MODE_ACTIVE && mode != MODE_ALL)
        return ids;
    for (int slot = 0; slot < CAN_INPUTS; ++slot) {
        const auto [on, off] = CanInputIds(module, slot);
        AddUnique(ids, on);
        AddUnique(ids, off);
    }
    // "Active messages" forwards what the CAN inputs listen to; with none configured the
    // example identifiers stand in, so there is always something to watch.
    if (mode == MODE_ALL || ids.empty())
        for (const std::uint16_t id : EXTRA_IDS)
            AddUnique(ids, id);
    return ids;
}

std::optional<CanSim::Clock::time_point> CanSim::NextDue() const
{
    if (mode == MODE_OFF)
        return std::nullopt;
    return next_;
}

void CanSim::Restart(Clock::time_point now)
{
    next_ = mode == MODE_OFF ? std::nullopt : std::optional<Clock::time_point>(now);
}

void CanSim::SendMessage(Module& module, std::uint16_t id, const std::vector<std::uint8_t>& data)
{
    module.Send(IndFrame(id, data));
    ++sent;
}

void CanSim::Pump(Module& module, Clock::time_point now)
{
    // Rate 0 forwards only what the console sends (tests that inject their own traffic).
    if (mode == MODE_OFF || !next_ || (rate == 0 && !burst))
        return;
    int guard = 0;
    while (*next_ <= now && guard++ < 64) {
        const std::vector<std::uint16_t> ids = Identifiers(module);
        if (ids.empty()) {
            next_ = now + std::chrono::milliseconds(1000);  // look again later
            return;
        }
        const std::uint16_t id = ids[cursor_++ % ids.size()];
        ++counter_;
        std::vector<std::uint8_t> data = {counter_, std::uint8_t(counter_ * 3), 0x00, 0x10,
                                          std::uint8_t(id & 0xFF), 0x55, 0xAA, std::uint8_t(~counter_)};
        data.resize(std::size_t(1 + (counter_ % 8)));
        const Frame frame = IndFrame(id, data);
        module.Send(frame);
        ++sent;
        if (burst) {
            // The next one as soon as the line has carried this one: the link's full rate.
            std::uint8_t wire[ENCODED_FRAME_MAX];
            const int n = EncodeFrame(frame.data(), frame.length(), wire);
            *next_ += kByteTime * std::max(n, 1);
        } else {
            *next_ += std::chrono::milliseconds(1000 / std::clamp(rate, 1, 1000));
        }
    }
    if (*next_ < now)
        next_ = now;  // fell behind (a paused simulator): do not catch up in a flood
}

void RegisterCanHandlers(Module& module, CanSim& can)
{
    module.RegisterHandler(FRAME_TYPE_COMMAND, CAN_MONITOR_MODE_REQ, [&can](Module& m, const Request& r) {
        // The length byte says 4 yet the selection travels in a fifth byte, beyond what the
        // length covers; it sits in the receive buffer right after the header.
        can.mode = r.data()[FRAME_PAYLOAD];
        can.Restart(CanSim::Clock::now());
        Frame cfm(FRAME_TYPE_COMMAND, CAN_MONITOR_MODE_CFM, 4);
        cfm.Seal();
        m.Send(cfm);
    });
    module.RegisterConsoleCommand(
        {QStringLiteral("canmon"), QStringLiteral("canmon burst on|off | rate N | send ID [BYTES..] | status"),
         QStringLiteral("CAN traffic the module forwards while the monitor is not Off"),
         [&can](Module& m, const QStringList& args) -> QString {
             const QString sub = args.value(0);
             if (sub == QLatin1String("burst") && (args.value(1) == QLatin1String("on") || args.value(1) == QLatin1String("off"))) {
                 can.burst = args.value(1) == QLatin1String("on");
                 can.Restart(CanSim::Clock::now());
                 return QStringLiteral("CAN burst %1").arg(args.value(1));
             }
             if (sub == QLatin1String("rate")) {
                 bool ok = false;
                 const int rate = args.value(1).toInt(&ok);
                 if (!ok || rate < 0 || rate > 1000)
                     return QStringLiteral("usage: canmon rate N (0 to 1000 messages a second)");
                 can.rate = rate;
                 can.Restart(CanSim::Clock::now());
                 return QStringLiteral("CAN rate %1 a second").arg(rate);
             }
             if (sub == QLatin1String("send")) {
                 bool ok = false;
                 const uint id = args.value(1).toUInt(&ok, 16);
                 if (!ok || id > 0xFFFF || args.size() > 10)
                     return QStringLiteral("usage: canmon send ID [BYTES..] (hexadecimal, at most 8 bytes)");
                 std::vector<std::uint8_t> data;
                 for (int i = 2; i < args.size(); ++i) {
                     const uint b = args.at(i).toUInt(&ok, 16);
                     if (!ok || b > 0xFF)
                         return QStringLiteral("usage: canmon send ID [BYTES..] (hexadecimal, at most 8 bytes)");
                     data.push_back(std::uint8_t(b));
                 }
                 can.SendMessage(m, std::uint16_t(id), data);
                 return QStringLiteral("CAN message %1 sent").arg(id, 3, 16, QLatin1Char('0'));
             }
             if (sub == QLatin1String("status") || sub.isEmpty())
                 return QStringLiteral("CAN monitor selection %1, %2, %3 sent")
                     .arg(can.mode)
                     .arg(can.burst ? QStringLiteral("burst") : QStringLiteral("%1 a second").arg(can.rate))
                     .arg(can.sent);
             return QStringLiteral("usage: canmon burst on|off | rate N | send ID [BYTES..] | status");
         }});
}

}  // namespace relvane::sim
