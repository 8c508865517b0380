#include "protocol/MessageCatalogue.h"

#include <algorithm>

namespace relvane {

namespace {

// The receiver's buffer holds at most SLIP_RECEIVE_BUFFER bytes; a count
// beyond it (or below 0) never widens what a reader looks at.
int Received(int count) {
    return std::clamp(count, 0, SLIP_RECEIVE_BUFFER);
}

// A byte at a fixed offset, or 0 when it was not received.
std::uint8_t At(const std::uint8_t* frame, int count, int i) {
    return (frame != nullptr && i >= 0 && i < Received(count)) ? frame[i] : 0;
}

int Be16(const std::uint8_t* frame, int count, int i) {
    return (At(frame, count, i) << 8) | At(frame, count, i + 1);
}

int Le16(const std::uint8_t* frame, int count, int i) {
    return At(frame, count, i) | (At(frame, count, i + 1) << 8);
}

}  // namespace

Frame BuildRequest(std::uint8_t command) {
    Frame f(FRAME_TYPE_COMMAND, command, FRAME_HEADER_LENGTH);
    return f.Seal();
}

Frame BuildIndexedRequest(std::uint8_t command, std::uint8_t index) {
    Frame f(FRAME_TYPE_COMMAND, command, FRAME_HEADER_LENGTH + 1);
    f[FRAME_PAYLOAD] = index;
    return f.Seal();
}

Frame BuildOutputReadRequest() { return BuildIndexedRequest(OUTPUT_READ_REQ, READ_ALL); }
Frame BuildInputReadRequest() { return BuildIndexedRequest(INPUT_READ_REQ, READ_ALL); }
Frame BuildFactoryDefaultRequest() { return BuildRequest(FACTORY_DEFAULT_REQ); }
Frame BuildVersionRequest() { return BuildRequest(VERSION_REQ); }
Frame BuildRebootRequest() { return BuildRequest(REBOOT_REQ); }
Frame BuildPwmReadRequest() { return BuildRequest(PWM_READ_REQ); }
Frame BuildStatusSumRequest() { return BuildRequest(STATUS_SUM_REQ); }
Frame BuildInputStateRequest() { return BuildRequest(INPUT_STATE_REQ); }
Frame BuildChannelStateRequest() { return BuildIndexedRequest(CHANNEL_STATE_REQ, READ_ALL); }
Frame BuildModeRequest(std::uint8_t mode) { return BuildIndexedRequest(MODE_REQ, mode); }

Frame BuildChannelSwitchRequest(int channel, bool on) {
    Frame f(FRAME_TYPE_COMMAND, CHANNEL_SWITCH_REQ, CHANNEL_SWITCH_REQ_LENGTH);
    f[4] = static_cast<std::uint8_t>(channel);
    f[5] = on ? CHANNEL_SWITCH_ON : CHANNEL_SWITCH_OFF;
    for (int i = 6; i < CHANNEL_SWITCH_REQ_LENGTH; ++i) f[i] = 0xFF;
    return f.Seal();
}

Frame BuildCanSetupReadRequest() { return BuildRequest(CAN_SETUP_READ_REQ); }
Frame BuildLowBatteryReadRequest() { return BuildRequest(LOW_BATTERY_READ_REQ); }
Frame BuildStartKillReadRequest() { return BuildRequest(START_KILL_READ_REQ); }
Frame BuildDiagnosticReadRequest() { return BuildRequest(DIAGNOSTIC_READ_REQ); }
Frame BuildDiagnosticClearRequest() { return BuildRequest(DIAGNOSTIC_CLEAR_REQ); }

Frame BuildCanInputReadRequest(int index) {
    return BuildIndexedRequest(CAN_INPUT_READ_REQ, static_cast<std::uint8_t>(index));
}
Frame BuildVirtualInputReadRequest(int index) {
    return BuildIndexedRequest(VIRTUAL_INPUT_READ_REQ, static_cast<std::uint8_t>(index));
}
Frame BuildCanExport1ReadRequest() { return BuildIndexedRequest(CAN_EXPORT1_READ_REQ, 0); }
Frame BuildFlashReadRequest(int index) {
    return BuildIndexedRequest(FLASH_READ_REQ, static_cast<std::uint8_t>(index));
}
Frame BuildCanExportReadRequest(int index) {
    return BuildIndexedRequest(CAN_EXPORT_READ_REQ, static_cast<std::uint8_t>(index));
}
Frame BuildDiagnosticAckRequest() { return BuildRequest(DIAGNOSTIC_ACK_REQ); }
Frame BuildStatisticsRequest() { return BuildRequest(STATISTICS_REQ); }
Frame BuildNameReadRequest() { return BuildRequest(NAME_READ_REQ); }
Frame BuildCanInputEnableReadRequest() { return BuildRequest(CAN_INPUT_ENABLE_READ_REQ); }
Frame BuildWiperReadRequest() { return BuildRequest(WIPER_READ_REQ); }

MonitorModeRequest BuildCanMonitorModeRequest(int selection) {
    Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_MODE_REQ, CAN_MONITOR_MODE_REQ_LENGTH);
    f.Seal();  // over bytes 1 to 3: the selection byte is not covered
    MonitorModeRequest r;
    for (int i = 0; i < FRAME_HEADER_LENGTH; ++i) r.bytes[static_cast<std::size_t>(i)] = f[i];
    r.bytes[FRAME_PAYLOAD] = static_cast<std::uint8_t>(selection);
    return r;
}

VersionInfo ReadVersion(const std::uint8_t* frame, int count) {
    VersionInfo v{};
    for (int i = 4; i < 24; ++i) {
        const std::uint8_t c = At(frame, count, i);
        if (c == 0) break;
        v.text.append(static_cast<char>(c));
    }
    v.uptimeSeconds = (static_cast<std::uint32_t>(At(frame, count, 17)) << 16) |
                      (static_cast<std::uint32_t>(At(frame, count, 18)) << 8) |
                      At(frame, count, 19);
    return v;
}

StatusSummary ReadStatusSummary(const std::uint8_t* frame, int count) {
    StatusSummary s{};
    s.errorCount = At(frame, count, 4) + At(frame, count, 5);
    s.currentTenths = Be16(frame, count, 6);
    s.voltageTenths = At(frame, count, 8);
    s.temperature = At(frame, count, 9);
    return s;
}

InputStates ReadInputStates(const std::uint8_t* frame, int count) {
    InputStates s;
    const int low = At(frame, count, 4);
    const int high = At(frame, count, 5);
    for (int b = 0; b < 8; ++b) s.inputs[static_cast<std::size_t>(b)] = (low >> b) & 1;
    for (int b = 0; b < 3; ++b) s.inputs[static_cast<std::size_t>(8 + b)] = (high >> b) & 1;
    for (int k = 0; k < 4; ++k) {
        const int byte = At(frame, count, 6 + k);
        for (int b = 0; b < 8; ++b) s.canInputs[static_cast<std::size_t>(8 * k + b)] = (byte >> b) & 1;
    }
    return s;
}

ChannelState ReadChannelState(const std::uint8_t* frame, int count) {
    ChannelState s{};
    s.channel = At(frame, count, 4);
    s.valid = s.channel >= 1 && s.channel <= 34;
    s.on = At(frame, count, 5) == CHANNEL_SWITCH_ON;
    s.fault = At(frame, count, 6);
    s.currentTenths = Be16(frame, count, 7);
    s.highlight = At(frame, count, 9) != 0;
    return s;
}

CanMonitorMessage ReadCanMonitor(const std::uint8_t* frame, int count) {
    CanMonitorMessage m{};
    m.identifier = static_cast<std::uint16_t>(Le16(frame, count, 4));
    // The announced count is trusted only as far as bytes arrived, and a CAN
    // frame never has more than 8.
    const int announced = At(frame, count, 6);
    const int available = std::max(0, Received(count) - 7);
    m.dataCount = std::min({announced, available, 8});
    for (int i = 0; i < m.dataCount; ++i) m.data[static_cast<std::size_t>(i)] = frame[7 + i];
    return m;
}

DiagnosticHigh ReadDiagnosticHigh(const std::uint8_t* frame, int count) {
    DiagnosticHigh d;
    for (int c = 0; c < 18; ++c) {
        const auto k = static_cast<std::size_t>(c);
        const std::uint8_t errors = At(frame, count, 4 + c);
        d.shortCircuitCount[k] = errors & 0x0F;
        d.tripCount[k] = errors >> 4;
        d.tripLevel[k] = At(frame, count, 22 + c);
        d.lowCurrentCount[k] = At(frame, count, 40 + c) & 0x0F;
    }
    return d;
}

DiagnosticLow ReadDiagnosticLow(const std::uint8_t* frame, int count) {
    DiagnosticLow d;
    for (int c = 0; c < 16; ++c)
        d.shortCircuitCount[static_cast<std::size_t>(c)] = At(frame, count, 4 + c) & 0x0F;
    return d;
}

Statistics ReadStatistics(const std::uint8_t* frame, int count) {
    Statistics s{};
    s.maxCurrentTenths = Le16(frame, count, 4);
    s.maxTemperature = At(frame, count, 6);
    s.watchdogCount = At(frame, count, 7);
    return s;
}

}  // namespace relvane
