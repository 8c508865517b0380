#pragma once
// What the production tool windows need from the main window. TMainForm
// implements it; tests use a fake that records every call.

#include "config/Dialogs.h"
#include "link/FrameCodec.h"

#include <QByteArray>

#include <cstdint>

namespace relvane {

// A tool window's frame hook: the dispatcher offers it every received frame,
// whatever its checksum, before its own handling. The tool tests the frame itself.
class ToolFrameReceiver {
public:
    virtual ~ToolFrameReceiver() = default;
    virtual void OnToolFrame(const std::uint8_t* frame, int count) = 0;
};

// The dispatcher offers frames to the open tool windows in this order.
enum class ToolWindow {
    SystemSetup,
    Calibration,
    RuntimeError,
    Eeprom,
};

class ToolHost {
public:
    virtual ~ToolHost() = default;

    // The link's transmit queue; every frame of the tool windows goes there.
    virtual TxSink& TxQueue() = 0;
    // Message boxes and file dialogs.
    virtual Dialogs& Boxes() = 0;
    // The main window's connection flag (read only).
    virtual bool Connected() const = 0;
    // The module's software version text as last received (Windows-1252 bytes).
    virtual QByteArray SoftwareVersionText() const = 0;
    // The system beep.
    virtual void Beep() = 0;

    // Registers the window that receives frames for a slot, replacing the one
    // registered before; nullptr unregisters. A window unregisters itself only
    // when it is still the registered one (the runtime error window's menu
    // instance replaces the hidden start-up instance).
    virtual void RegisterToolWindow(ToolWindow slot, ToolFrameReceiver* receiver) = 0;
    virtual ToolFrameReceiver* RegisteredToolWindow(ToolWindow slot) const = 0;

    // The calibration window takes the link over while it is visible: the live
    // polling and the heartbeat hold back. Called with true when it is shown
    // and false when it is hidden.
    virtual void SetCalibrationWindowVisible(bool visible) = 0;
    // Whether the calibration window exists at all (the link watchdog leaves the
    // live view alone while it does).
    virtual void SetCalibrationWindowExists(bool exists) = 0;
};

}  // namespace relvane
