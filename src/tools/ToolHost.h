#pragma once
// What the production tool windows need from the main window. TMainForm
// implements it; tests use a fake that records every call.

#include "config/Dialogs.h"
#include "link/FrameCodec.h"
#include "protocol/Dispatcher.h"

#include <QByteArray>

#include <cstdint>

namespace relvane {

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

    // The dispatcher's tool-window slots: a window registers while it exists.
    // Unregistering empties the slot only while it still holds that window (the
    // runtime error window's menu instance replaces the hidden start-up one).
    virtual void RegisterToolWindow(ToolSlot slot, ToolFrameListener* window) = 0;
    virtual void UnregisterToolWindow(ToolSlot slot, ToolFrameListener* window) = 0;

    // The calibration window takes the link over while it is visible: the live
    // polling and the heartbeat hold back. Called with true when it is shown
    // and false when it is hidden.
    virtual void SetCalibrationWindowVisible(bool visible) = 0;
    // Whether the calibration window exists at all (the link watchdog leaves the
    // live view alone while it does).
    virtual void SetCalibrationWindowExists(bool exists) = 0;
};

}  // namespace relvane
