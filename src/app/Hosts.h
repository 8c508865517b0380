#pragma once
// The main window's side towards the tool windows, the firmware windows and the received
// frames: thin adapters over TMainForm, the link thread, the dispatcher and the settings file.

#include "firmware/FirmwareHost.h"
#include "monitor/LiveMonitor.h"
#include "protocol/Dispatcher.h"
#include "tools/ToolHost.h"

#include <functional>

namespace relvane {

class ErrorDisplay;
class TMainForm;
class UsbThread;

class MainToolHost final : public ToolHost {
public:
    MainToolHost(TMainForm& main, Dispatcher& dispatcher) : main_(main), dispatcher_(dispatcher) {}
    TxSink& TxQueue() override;
    Dialogs& Boxes() override;
    bool Connected() const override;
    QByteArray SoftwareVersionText() const override;
    void Beep() override;
    void RegisterToolWindow(ToolSlot slot, ToolFrameListener* window) override;
    void UnregisterToolWindow(ToolSlot slot, ToolFrameListener* window) override;
    void SetCalibrationWindowVisible(bool visible) override;
    void SetCalibrationWindowExists(bool exists) override;

private:
    TMainForm& main_;
    Dispatcher& dispatcher_;
};

class MainFirmwareHost final : public FirmwareHost {
public:
    MainFirmwareHost(TMainForm& main, UsbThread& link, Dispatcher& dispatcher,
                     ErrorDisplay& errors, LiveMonitor* live)
        : main_(main), link_(link), dispatcher_(dispatcher), errors_(errors), live_(live) {}
    TxSink& TxQueue() override;
    bool SetRxMode(int mode) override;
    void SetRawByteHandler(RawByteHandler* handler) override;
    void SetFirmwareBusy(bool busy) override;
    void StopStatusPolling() override;
    void ResumeStatusPolling() override;
    void ResetLiveDisplay() override;
    void PauseMs(int ms) override;
    void RegisterFirmwareCompare(ToolFrameListener* listener) override;
    QString ReadSetting(const QString& section, const QString& key) override;
    void WriteSetting(const QString& section, const QString& key, const QString& value) override;
    Dialogs& Boxes() override;
    void ShowError(const std::exception& error) override;
    QByteArray SoftwareVersionText() const override;
    void BeforeProgram() override
    {
        if (beforeProgram_)
            beforeProgram_();
    }
    void SetBeforeProgram(std::function<void()> work) { beforeProgram_ = std::move(work); }

private:
    std::function<void()> beforeProgram_;
    TMainForm& main_;
    UsbThread& link_;
    Dispatcher& dispatcher_;
    ErrorDisplay& errors_;
    LiveMonitor* live_;
};

} // namespace relvane
