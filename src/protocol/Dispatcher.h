#pragma once
// Routing of every received frame: first to the open tool windows, then, if the
// checksum holds, to the link's resend or to the main window's handlers.

#include "link/FrameCodec.h"
#include "protocol/MessageCatalogue.h"

#include <array>
#include <cstdint>

namespace relvane {

// A tool window that wants to see every received frame, good or bad; it applies
// its own tests (type, command, checksum).
class ToolFrameListener {
public:
    virtual ~ToolFrameListener() = default;
    virtual void OnToolFrame(const std::uint8_t* frame, int count) = 0;
};

// The tool windows in the order they are offered each frame. Registration is by
// slot, so the order never depends on when a window was opened.
enum class ToolSlot : int {
    Ping = 0,         // TPingForm
    SystemSetup,      // TSystemSetupForm
    Calibration,      // TCalibrationForm
    RunTimeError,     // TRunTimeErrorForm
    FirmwareCompare,  // TFIA_Form
    Eeprom,           // TEEPROMForm
    Version,          // TVersionForm
};
inline constexpr int TOOL_SLOT_COUNT = 7;

// The main window's side of the type-1 messages. Every function does nothing by
// default, so the main window, the transfer sequencer and the views override
// only what they handle. Status messages arrive already read; configuration
// blocks arrive as the frame, for DecodeConfigBlock and the sequencer.
class MainFrameHandler {
public:
    virtual ~MainFrameHandler() = default;

    // Live view, diagnostics, CAN monitor, About window.
    virtual void OnCanMonitor(const CanMonitorMessage&) {}
    virtual void OnVersion(const VersionInfo&) {}
    virtual void OnStatusSum(const StatusSummary&) {}
    virtual void OnInputState(const InputStates&) {}
    // Only for channels 1 to 34; other channel numbers are dropped.
    virtual void OnChannelState(const ChannelState&) {}
    // The receiver answers with DIAGNOSTIC_ACK_REQ once the table is painted.
    virtual void OnDiagnosticHigh(const DiagnosticHigh&) {}
    virtual void OnDiagnosticLow(const DiagnosticLow&) {}
    virtual void OnDiagnosticCleared() {}
    virtual void OnStatistics(const Statistics&) {}
    virtual void OnRebootConfirmed() {}
    virtual void OnMonitorModeConfirmed() {}
    virtual void OnFactoryDefaultConfirmed() {}

    // A configuration block the module sends back on a read request:
    // command is one of the *_READ_CFM codes.
    virtual void OnConfigBlockRead(std::uint8_t /*command*/, const std::uint8_t* /*frame*/,
                                   int /*count*/) {}
    // The module's acknowledgement of an uploaded block: command is one of the
    // *_WRITE_CFM codes; index is byte 4 for the confirmations that carry one
    // (CAN input, virtual input, flash, CAN export 2 to 4), else -1.
    virtual void OnConfigBlockWritten(std::uint8_t /*command*/, int /*index*/) {}
};

// True for the *_READ_CFM codes that carry a configuration block.
bool IsConfigReadConfirm(std::uint8_t command);
// True for the *_WRITE_CFM codes of an upload.
bool IsConfigWriteConfirm(std::uint8_t command);
// True for the write confirmations whose byte 4 is the block's index.
bool WriteConfirmCarriesIndex(std::uint8_t command);

// The dispatcher keeps no state but its registrations. A tool window or a
// handler may send frames, register or unregister tool windows and handlers
// while a frame is being dispatched: one removed before its turn is not called,
// one added during the dispatch first sees the next frame.
class Dispatcher : public FrameSink {
public:
    static constexpr int MAX_HANDLERS = 8;

    explicit Dispatcher(LinkControl* link = nullptr) : link_(link) {}

    void SetLinkControl(LinkControl* link) { link_ = link; }

    // Puts the window into its slot, replacing whichever window was there.
    void RegisterToolWindow(ToolSlot slot, ToolFrameListener* window);
    // Empties the slot if it still holds this window (a window closing never
    // removes the one that replaced it).
    void UnregisterToolWindow(ToolSlot slot, ToolFrameListener* window);
    // Empties the slot whatever it holds.
    void ClearToolWindow(ToolSlot slot);
    ToolFrameListener* ToolWindow(ToolSlot slot) const;

    // Handlers are called in the order they were added; false when the list is
    // full or the handler is already in it.
    bool AddHandler(MainFrameHandler* handler);
    void RemoveHandler(MainFrameHandler* handler);

    void DispatchFrame(const std::uint8_t* frame, int count) override;

private:
    void RouteCommand(const std::uint8_t* frame, int count);
    template <typename Call>
    void EachHandler(Call call);

    LinkControl* link_;
    std::array<ToolFrameListener*, TOOL_SLOT_COUNT> tools_{};
    std::array<MainFrameHandler*, MAX_HANDLERS> handlers_{};
    int handlerCount_ = 0;
};

}  // namespace relvane
