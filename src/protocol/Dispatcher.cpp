#include "protocol/Dispatcher.h"

#include <algorithm>

namespace relvane {

bool IsConfigReadConfirm(std::uint8_t command) {
    switch (command) {
    case OUTPUT_READ_CFM:
    case INPUT_READ_CFM:
    case PWM_READ_CFM:
    case CAN_SETUP_READ_CFM:
    case LOW_BATTERY_READ_CFM:
    case START_KILL_READ_CFM:
    case CAN_INPUT_READ_CFM:
    case VIRTUAL_INPUT_READ_CFM:
    case CAN_EXPORT1_READ_CFM:
    case FLASH_READ_CFM:
    case CAN_EXPORT_READ_CFM:
    case NAME_READ_CFM:
    case CAN_INPUT_ENABLE_READ_CFM:
    case WIPER_READ_CFM:
        return true;
    default:
        return false;
    }
}

bool IsConfigWriteConfirm(std::uint8_t command) {
    switch (command) {
    case OUTPUT_WRITE_CFM:
    case INPUT_WRITE_CFM:
    case PWM_WRITE_CFM:
    case CAN_SETUP_WRITE_CFM:
    case LOW_BATTERY_WRITE_CFM:
    case START_KILL_WRITE_CFM:
    case CAN_INPUT_WRITE_CFM:
    case VIRTUAL_INPUT_WRITE_CFM:
    case CAN_EXPORT1_WRITE_CFM:
    case FLASH_WRITE_CFM:
    case CAN_EXPORT_WRITE_CFM:
    case NAME_WRITE_CFM:
    case CAN_INPUT_ENABLE_WRITE_CFM:
    case WIPER_WRITE_CFM:
        return true;
    default:
        return false;
    }
}

bool WriteConfirmCarriesIndex(std::uint8_t command) {
    return command == CAN_INPUT_WRITE_CFM || command == VIRTUAL_INPUT_WRITE_CFM ||
           command == FLASH_WRITE_CFM || command == CAN_EXPORT_WRITE_CFM;
}

void Dispatcher::RegisterToolWindow(ToolSlot slot, ToolFrameListener* window) {
    const int i = static_cast<int>(slot);
    if (i < 0 || i >= TOOL_SLOT_COUNT) return;
    tools_[static_cast<std::size_t>(i)] = window;
}

void Dispatcher::UnregisterToolWindow(ToolSlot slot, ToolFrameListener* window) {
    const int i = static_cast<int>(slot);
    if (i < 0 || i >= TOOL_SLOT_COUNT) return;
    auto& held = tools_[static_cast<std::size_t>(i)];
    if (held == window) held = nullptr;
}

void Dispatcher::ClearToolWindow(ToolSlot slot) {
    RegisterToolWindow(slot, nullptr);
}

ToolFrameListener* Dispatcher::ToolWindow(ToolSlot slot) const {
    const int i = static_cast<int>(slot);
    if (i < 0 || i >= TOOL_SLOT_COUNT) return nullptr;
    return tools_[static_cast<std::size_t>(i)];
}

bool Dispatcher::AddHandler(MainFrameHandler* handler) {
    if (handler == nullptr || handlerCount_ >= MAX_HANDLERS) return false;
    const auto end = handlers_.begin() + handlerCount_;
    if (std::find(handlers_.begin(), end, handler) != end) return false;
    handlers_[static_cast<std::size_t>(handlerCount_++)] = handler;
    return true;
}

void Dispatcher::RemoveHandler(MainFrameHandler* handler) {
    const auto end = handlers_.begin() + handlerCount_;
    const auto it = std::find(handlers_.begin(), end, handler);
    if (it == end) return;
    std::copy(it + 1, end, it);
    handlers_[static_cast<std::size_t>(--handlerCount_)] = nullptr;
}

template <typename Call>
void Dispatcher::EachHandler(Call call) {
    // Work from a snapshot so a handler may add or remove handlers; one that
    // was removed meanwhile is skipped, one that was added waits for the next frame.
    const auto snapshot = handlers_;
    const int n = handlerCount_;
    for (int i = 0; i < n; ++i) {
        MainFrameHandler* h = snapshot[static_cast<std::size_t>(i)];
        const auto end = handlers_.begin() + handlerCount_;
        if (std::find(handlers_.begin(), end, h) == end) continue;
        call(*h);
    }
}

void Dispatcher::DispatchFrame(const std::uint8_t* frame, int count) {
    if (frame == nullptr || count <= 0) return;
    count = std::min(count, SLIP_RECEIVE_BUFFER);

    // 1. Every open tool window, in the fixed order, whatever the checksum.
    const auto snapshot = tools_;
    for (int i = 0; i < TOOL_SLOT_COUNT; ++i) {
        ToolFrameListener* w = snapshot[static_cast<std::size_t>(i)];
        if (w == nullptr) continue;
        // Skip a window that an earlier one closed (or replaced) meanwhile.
        if (tools_[static_cast<std::size_t>(i)] != w) continue;
        w->OnToolFrame(frame, count);
    }

    // 2. A bad checksum ends it; nothing is reported to the module.
    if (!FrameChecksumValid(frame, count)) return;

    const std::uint8_t type = frame[FRAME_TYPE];
    const std::uint8_t command = frame[FRAME_COMMAND];

    // 3. The module's resend request; nothing else lives in type 0 here.
    if (type == FRAME_TYPE_SERVICE) {
        if (command == SVC_RESEND_IND && link_ != nullptr) link_->ResendLastFrame();
        return;
    }

    // 4. The main command space.
    if (type == FRAME_TYPE_COMMAND) RouteCommand(frame, count);
}

void Dispatcher::RouteCommand(const std::uint8_t* frame, int count) {
    const std::uint8_t command = frame[FRAME_COMMAND];

    if (IsConfigReadConfirm(command)) {
        EachHandler([&](MainFrameHandler& h) { h.OnConfigBlockRead(command, frame, count); });
        return;
    }
    if (IsConfigWriteConfirm(command)) {
        // An index the frame does not carry reads as 0, as a short frame's fields do.
        const int index = WriteConfirmCarriesIndex(command)
                              ? (count > FRAME_PAYLOAD ? frame[FRAME_PAYLOAD] : 0)
                              : -1;
        EachHandler([&](MainFrameHandler& h) { h.OnConfigBlockWritten(command, index); });
        return;
    }

    switch (command) {
    case CAN_MONITOR_IND: {
        const CanMonitorMessage m = ReadCanMonitor(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnCanMonitor(m); });
        break;
    }
    case FACTORY_DEFAULT_CFM:
        EachHandler([](MainFrameHandler& h) { h.OnFactoryDefaultConfirmed(); });
        break;
    case VERSION_CFM: {
        const VersionInfo v = ReadVersion(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnVersion(v); });
        break;
    }
    case REBOOT_CFM:
        EachHandler([](MainFrameHandler& h) { h.OnRebootConfirmed(); });
        break;
    case STATUS_SUM_CFM: {
        const StatusSummary s = ReadStatusSummary(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnStatusSum(s); });
        break;
    }
    case INPUT_STATE_CFM: {
        const InputStates s = ReadInputStates(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnInputState(s); });
        break;
    }
    case CHANNEL_STATE_CFM: {
        const ChannelState s = ReadChannelState(frame, count);
        if (!s.valid) break;
        EachHandler([&](MainFrameHandler& h) { h.OnChannelState(s); });
        break;
    }
    case DIAGNOSTIC_HIGH_IND: {
        const DiagnosticHigh d = ReadDiagnosticHigh(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnDiagnosticHigh(d); });
        break;
    }
    case DIAGNOSTIC_CLEAR_CFM:
        EachHandler([](MainFrameHandler& h) { h.OnDiagnosticCleared(); });
        break;
    case CAN_MONITOR_MODE_CFM:
        EachHandler([](MainFrameHandler& h) { h.OnMonitorModeConfirmed(); });
        break;
    case DIAGNOSTIC_LOW_IND: {
        const DiagnosticLow d = ReadDiagnosticLow(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnDiagnosticLow(d); });
        break;
    }
    case STATISTICS_CFM: {
        const Statistics s = ReadStatistics(frame, count);
        EachHandler([&](MainFrameHandler& h) { h.OnStatistics(s); });
        break;
    }
    default:
        break;  // not a message the main window handles
    }
}

}  // namespace relvane
