#pragma once
// What the firmware windows need from the main window, which implements it;
// tests use a fake that records every call.

#include "config/Dialogs.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "protocol/Dispatcher.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace relvane {

class FirmwareHost {
public:
    virtual ~FirmwareHost() = default;

    // The link's transmit queue: frames of the compare, raw strings of the update.
    virtual TxSink& TxQueue() = 0;

    // The link's receive mode (RX_MODE_FRAMES or RX_MODE_RAW); true when a device
    // is open. In raw mode every received byte goes to the raw byte handler.
    virtual bool SetRxMode(int mode) = 0;
    // nullptr: no handler (raw bytes are dropped).
    virtual void SetRawByteHandler(RawByteHandler* handler) = 0;

    // The main window's firmware-busy flag: its polling sends nothing while set.
    virtual void SetFirmwareBusy(bool busy) = 0;
    virtual void StopStatusPolling() = 0;
    virtual void ResumeStatusPolling() = 0;
    virtual void ResetLiveDisplay() = 0;
    // Blocks the user-interface thread for ms milliseconds.
    virtual void PauseMs(int ms) = 0;

    // The firmware compare's place among the open tool windows; nullptr empties it.
    virtual void RegisterFirmwareCompare(ToolFrameListener* listener) = 0;

    // The program settings file (sections "FIRMWARE" and "FIA", key "PATH").
    virtual QString ReadSetting(const QString& section, const QString& key) = 0;
    virtual void WriteSetting(const QString& section, const QString& key, const QString& value) = 0;

    virtual Dialogs& Boxes() = 0;
    // The general error display, for an error a handler does not deal with
    // itself (a HEX file that cannot be read).
    virtual void ShowError(const std::exception& error) = 0;

    // The module's software version text as last received (Windows-1252 bytes;
    // empty when none came).
    virtual QByteArray SoftwareVersionText() const = 0;

    // Program was pressed: the module's configuration is about to be at risk (the main window
    // keeps it as a restore point).
    virtual void BeforeProgram() {}
};

}  // namespace relvane
