// Live status, test modes and manual switching, and the console commands that
// change what the module measures.

#include "sim/LiveState.h"
#include "sim/MessageCodes.h"
#include "sim/Module.h"

#include <algorithm>
#include <cmath>

namespace relvane::sim {

namespace {

constexpr std::uint8_t kSwitchOn = 0xF0;
constexpr std::uint8_t kSwitchOff = 0x0F;
constexpr std::uint8_t kAllChannels = 0xFF;
// "Operating mode set": the calibration window waits for it before it asks for data.
constexpr std::uint8_t kModeSet = 0xA3;
constexpr int kModeSetLength = 4;
constexpr int kTriggerLevelOpen = 16;

// Input codes of inputs 1 to 11, in input order.
constexpr std::uint8_t kInputCode[11] = {0xC0, 0xC1, 0xC2, 0xD1, 0xC4, 0xC5, 0xC6, 0xC7, 0xC3, 0xD2, 0xD3};

int InputOfCode(std::uint8_t code) {
    for (int i = 0; i < 11; ++i)
        if (kInputCode[i] == code) return i + 1;
    return 0;
}

}  // namespace

LiveState::LiveState() {
    // Plausible loads: a few amperes on the high-power channels, a fraction on the rest.
    for (int n = 1; n <= OUTPUT_COUNT; ++n) channel(n).load = n <= HIGH_POWER_COUNT ? 25 + n : 3;
}

void LiveState::Reset() {
    mode = MODE_AUTOMATIC;
    for (SimChannel& c : channels_) c.manualOn = false;
}

bool LiveState::TriggeredOn(int n, const ConfigStore& config) const {
    const QByteArray block = config.Block(BlockKind::Output, n - 1);
    if (block.size() < 6) return false;
    const auto code = static_cast<std::uint8_t>(block[4]);   // frame byte 8
    const int level = static_cast<std::uint8_t>(block[5]);   // frame byte 9
    if (code == 0) return false;
    if (code == 255) return true;
    if (const int input = InputOfCode(code)) {
        const bool active = InputActive(input);
        return level == kTriggerLevelOpen ? !active : active;
    }
    if (code >= 1 && code <= 32) return CanInputActive(code);
    return false;  // virtual inputs and the wiper are not simulated
}

bool LiveState::IsOn(int n, const ConfigStore& config) const {
    const SimChannel& c = channel(n);
    if (c.fault == FAULT_SHORT_TO_GROUND || c.fault == FAULT_OVERLOAD) return false;
    return mode == MODE_AUTOMATIC ? TriggeredOn(n, config) : c.manualOn;
}

std::uint16_t LiveState::Current(int n, const ConfigStore& config) const {
    const SimChannel& c = channel(n);
    if (!IsOn(n, config) || c.fault == FAULT_OPEN_LOAD || c.fault == FAULT_SHORT_TO_SUPPLY) return 0;
    return c.load;
}

bool LiveState::Highlighted(int n, const ConfigStore& config) const {
    return mode != MODE_AUTOMATIC && channel(n).manualOn != TriggeredOn(n, config);
}

namespace {

void SendChannelState(Module& m, int n) {
    const LiveState& live = m.live;
    Frame f(FRAME_TYPE_COMMAND, CHANNEL_STATE_CFM, CHANNEL_STATE_CFM_LENGTH);
    f[4] = static_cast<std::uint8_t>(n);
    f[5] = live.IsOn(n, m.config) ? kSwitchOn : kSwitchOff;
    f[6] = live.channel(n).fault;
    const std::uint16_t current = live.Current(n, m.config);
    f[7] = static_cast<std::uint8_t>(current >> 8);
    f[8] = static_cast<std::uint8_t>(current);
    f[9] = live.Highlighted(n, m.config) ? 1 : 0;
    m.Send(f.Seal());
}

void AnswerStatusSum(Module& m, const Request&) {
    int highFaults = 0, lowFaults = 0, total = 0;
    for (int n = 1; n <= OUTPUT_COUNT; ++n) {
        if (m.live.channel(n).fault != FAULT_NONE) ++(n <= HIGH_POWER_COUNT ? highFaults : lowFaults);
        total += m.live.Current(n, m.config);
    }
    total = std::min(total, 0xFFFF);
    // The statistics keep the highest values seen.
    m.statistics.maxCurrent = std::max<std::uint16_t>(m.statistics.maxCurrent, static_cast<std::uint16_t>(total));
    m.statistics.maxTemperature = std::max(m.statistics.maxTemperature, m.live.temperature);

    Frame f(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, STATUS_SUM_CFM_LENGTH);
    f[4] = static_cast<std::uint8_t>(highFaults);
    f[5] = static_cast<std::uint8_t>(lowFaults);
    f[6] = static_cast<std::uint8_t>(total >> 8);
    f[7] = static_cast<std::uint8_t>(total);
    f[8] = m.live.supplyVoltage;
    f[9] = m.live.temperature;
    m.Send(f.Seal());
}

void AnswerInputState(Module& m, const Request&) {
    Frame f(FRAME_TYPE_COMMAND, INPUT_STATE_CFM, INPUT_STATE_CFM_LENGTH);
    f[4] = static_cast<std::uint8_t>(m.live.inputs & 0xFF);
    f[5] = static_cast<std::uint8_t>((m.live.inputs >> 8) & 0x07);
    for (int k = 0; k < 4; ++k) f[6 + k] = static_cast<std::uint8_t>(m.live.canInputs >> (8 * k));
    m.Send(f.Seal());
}

void AnswerChannelState(Module& m, const Request& r) {
    const std::uint8_t which = r.at(4);
    if (which == kAllChannels) {
        for (int n = 1; n <= OUTPUT_COUNT; ++n) SendChannelState(m, n);
    } else if (which >= 1 && which <= OUTPUT_COUNT) {
        SendChannelState(m, which);
    }
}

void HandleMode(Module& m, const Request& r) {
    const std::uint8_t mode = r.at(4);
    if (mode > MODE_CALIBRATION) {
        m.Print(QStringLiteral("mode %1 ignored").arg(mode));
        return;
    }
    if (mode != m.live.mode) {
        // Entering or leaving a test mode starts with every manual switch off.
        for (int n = 1; n <= OUTPUT_COUNT; ++n) m.live.channel(n).manualOn = false;
    }
    m.live.mode = mode;
    m.Send(Frame(FRAME_TYPE_COMMAND, kModeSet, kModeSetLength).Seal());
    static const char* const names[] = {"automatic", "manual test", "calibration"};
    m.Print(QStringLiteral("mode: %1").arg(QLatin1String(names[mode])));
}

void HandleSwitch(Module& m, const Request& r) {
    const int n = r.at(4);
    const std::uint8_t how = r.at(5);
    if (m.live.mode != MODE_MANUAL_TEST || n < 1 || n > OUTPUT_COUNT || (how != kSwitchOn && how != kSwitchOff))
        return;
    m.live.channel(n).manualOn = how == kSwitchOn;
}

// Console argument helpers.
bool ParseChannel(const QString& text, int* n) {
    bool ok = false;
    *n = text.toInt(&ok);
    return ok && *n >= 1 && *n <= OUTPUT_COUNT;
}

bool ParseTenthsArg(const QString& text, int max, int* out) {
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || v < 0 || std::lround(v * 10) > max) return false;
    *out = static_cast<int>(std::lround(v * 10));
    return true;
}

bool ParseOnOff(const QString& text, bool* on) {
    if (text == QLatin1String("on") || text == QLatin1String("1")) *on = true;
    else if (text == QLatin1String("off") || text == QLatin1String("0")) *on = false;
    else return false;
    return true;
}

}  // namespace

void RegisterLiveHandlers(Module& module) {
    module.RegisterHandler(FRAME_TYPE_COMMAND, STATUS_SUM_REQ, AnswerStatusSum);
    module.RegisterHandler(FRAME_TYPE_COMMAND, INPUT_STATE_REQ, AnswerInputState);
    module.RegisterHandler(FRAME_TYPE_COMMAND, CHANNEL_STATE_REQ, AnswerChannelState);
    module.RegisterHandler(FRAME_TYPE_COMMAND, MODE_REQ, HandleMode);
    module.RegisterHandler(FRAME_TYPE_COMMAND, CHANNEL_SWITCH_REQ, HandleSwitch);

    module.RegisterConsoleCommand(
        {QStringLiteral("fault"), QStringLiteral("fault CH none|gnd|supply|open|overload"),
         QStringLiteral("set a channel's fault (overload on channels 1-18 only)"),
         [](Module& m, const QStringList& a) {
             static const QLatin1String usage("usage: fault CH none|gnd|supply|open|overload");
             int n = 0;
             if (a.size() != 2 || !ParseChannel(a[0], &n)) return QString(usage);
             std::uint8_t code = 0;
             if (a[1] == QLatin1String("none")) code = FAULT_NONE;
             else if (a[1] == QLatin1String("gnd")) code = FAULT_SHORT_TO_GROUND;
             else if (a[1] == QLatin1String("supply")) code = FAULT_SHORT_TO_SUPPLY;
             else if (a[1] == QLatin1String("open")) code = FAULT_OPEN_LOAD;
             else if (a[1] == QLatin1String("overload") && n <= HIGH_POWER_COUNT) code = FAULT_OVERLOAD;
             else return QString(usage);
             m.live.channel(n).fault = code;
             return QStringLiteral("channel %1 fault: %2").arg(n).arg(a[1]);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("current"), QStringLiteral("current CH A"),
         QStringLiteral("set the current a channel's load draws when on, in amperes"),
         [](Module& m, const QStringList& a) {
             int n = 0, tenths = 0;
             if (a.size() != 2 || !ParseChannel(a[0], &n) || !ParseTenthsArg(a[1], 0xFFFF, &tenths))
                 return QStringLiteral("usage: current CH A (e.g. current 3 12.5)");
             m.live.channel(n).load = static_cast<std::uint16_t>(tenths);
             return QStringLiteral("channel %1 load: %2.%3 A").arg(n).arg(tenths / 10).arg(tenths % 10);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("input"), QStringLiteral("input N on|off"),
         QStringLiteral("set hardwired input N (1-11)"),
         [](Module& m, const QStringList& a) {
             bool ok = false, on = false;
             const int n = a.value(0).toInt(&ok);
             if (a.size() != 2 || !ok || n < 1 || n > INPUT_COUNT || !ParseOnOff(a[1], &on))
                 return QStringLiteral("usage: input N on|off (N 1 to 11)");
             if (on) m.live.inputs |= static_cast<std::uint16_t>(1u << (n - 1));
             else m.live.inputs &= static_cast<std::uint16_t>(~(1u << (n - 1)));
             return QStringLiteral("input %1 %2").arg(n).arg(on ? QLatin1String("on") : QLatin1String("off"));
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("can"), QStringLiteral("can N on|off"), QStringLiteral("set CAN input N (1-32)"),
         [](Module& m, const QStringList& a) {
             bool ok = false, on = false;
             const int n = a.value(0).toInt(&ok);
             if (a.size() != 2 || !ok || n < 1 || n > CAN_INPUT_COUNT || !ParseOnOff(a[1], &on))
                 return QStringLiteral("usage: can N on|off (N 1 to 32)");
             if (on) m.live.canInputs |= 1u << (n - 1);
             else m.live.canInputs &= ~(1u << (n - 1));
             return QStringLiteral("CAN input %1 %2").arg(n).arg(on ? QLatin1String("on") : QLatin1String("off"));
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("supply"), QStringLiteral("supply V"), QStringLiteral("set the supply voltage in volts"),
         [](Module& m, const QStringList& a) {
             int tenths = 0;
             if (a.size() != 1 || !ParseTenthsArg(a[0], 255, &tenths))
                 return QStringLiteral("usage: supply V (0.0 to 25.5)");
             m.live.supplyVoltage = static_cast<std::uint8_t>(tenths);
             return QStringLiteral("supply: %1.%2 V").arg(tenths / 10).arg(tenths % 10);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("temp"), QStringLiteral("temp C"),
         QStringLiteral("set the power-stage temperature in degrees Celsius"),
         [](Module& m, const QStringList& a) {
             bool ok = false;
             const int t = a.value(0).toInt(&ok);
             if (a.size() != 1 || !ok || t < 0 || t > 255) return QStringLiteral("usage: temp C (0 to 255)");
             m.live.temperature = static_cast<std::uint8_t>(t);
             return QStringLiteral("temperature: %1 C").arg(t);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("status"), QStringLiteral("status"),
         QStringLiteral("show the mode and every channel that is on or has a fault"),
         [](Module& m, const QStringList&) {
             static const char* const names[] = {"automatic", "manual test", "calibration"};
             QStringList parts;
             for (int n = 1; n <= OUTPUT_COUNT; ++n) {
                 const bool on = m.live.IsOn(n, m.config);
                 const std::uint8_t fault = m.live.channel(n).fault;
                 if (!on && fault == FAULT_NONE) continue;
                 QString s = QStringLiteral("%1:%2").arg(n).arg(on ? QLatin1String("on") : QLatin1String("off"));
                 if (fault != FAULT_NONE) s += QStringLiteral("(fault %1)").arg(fault);
                 parts << s;
             }
             return QStringLiteral("mode %1; supply %2.%3 V; %4 C; channels: %5")
                 .arg(QLatin1String(names[m.live.mode < 3 ? m.live.mode : 0]))
                 .arg(m.live.supplyVoltage / 10)
                 .arg(m.live.supplyVoltage % 10)
                 .arg(m.live.temperature)
                 .arg(parts.isEmpty() ? QStringLiteral("all off") : parts.join(QLatin1Char(' ')));
         }});
}

}  // namespace relvane::sim
