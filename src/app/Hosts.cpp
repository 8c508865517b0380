#include "app/Hosts.h"

#include "app/ErrorDisplay.h"
#include "app/MainForm.h"
#include "config/IniFile.h"
#include "link/UsbThread.h"

#include <QApplication>

namespace relvane {

TxSink& MainToolHost::TxQueue() { return main_.TxQueue(); }
Dialogs& MainToolHost::Boxes() { return main_.DialogBoxes(); }
bool MainToolHost::Connected() const { return main_.Connected(); }
QByteArray MainToolHost::SoftwareVersionText() const { return main_.SoftwareVersion(); }
void MainToolHost::Beep() { QApplication::beep(); }
void MainToolHost::RegisterToolWindow(ToolSlot slot, ToolFrameListener* window)
{
    dispatcher_.RegisterToolWindow(slot, window);
}
void MainToolHost::UnregisterToolWindow(ToolSlot slot, ToolFrameListener* window)
{
    dispatcher_.UnregisterToolWindow(slot, window);
}
void MainToolHost::SetCalibrationWindowVisible(bool visible) { main_.SetCalibrationWindowVisible(visible); }
void MainToolHost::SetCalibrationWindowExists(bool exists) { main_.SetCalibrationWindowExists(exists); }

TxSink& MainFirmwareHost::TxQueue() { return main_.TxQueue(); }
bool MainFirmwareHost::SetRxMode(int mode) { return link_.SetRxMode(mode); }
void MainFirmwareHost::SetRawByteHandler(RawByteHandler* handler) { link_.SetRawByteHandler(handler); }
void MainFirmwareHost::SetFirmwareBusy(bool busy) { main_.SetFirmwareBusy(busy); }
void MainFirmwareHost::StopStatusPolling()
{
    if (live_)
        live_->StopStatusPolling();
}
void MainFirmwareHost::ResumeStatusPolling()
{
    if (live_)
        live_->ResumeStatusPolling();
}
void MainFirmwareHost::ResetLiveDisplay()
{
    if (live_)
        live_->ResetLiveDisplay();
}
void MainFirmwareHost::PauseMs(int ms) { main_.PauseMs(ms); }
void MainFirmwareHost::RegisterFirmwareCompare(ToolFrameListener* listener)
{
    if (listener)
        dispatcher_.RegisterToolWindow(ToolSlot::FirmwareCompare, listener);
    else
        dispatcher_.ClearToolWindow(ToolSlot::FirmwareCompare);
}
QString MainFirmwareHost::ReadSetting(const QString& section, const QString& key)
{
    IniFile ini;
    if (!ini.Load(main_.SettingsPath()))
        return {};
    return ini.ReadString(section, key);
}
void MainFirmwareHost::WriteSetting(const QString& section, const QString& key, const QString& value)
{
    IniFile ini;
    // A file that cannot be read is left alone rather than replaced by this one key.
    if (!ini.Load(main_.SettingsPath()))
        return;
    ini.WriteString(section, key, value);
    ini.Save(main_.SettingsPath());
}
Dialogs& MainFirmwareHost::Boxes() { return main_.DialogBoxes(); }
void MainFirmwareHost::ShowError(const std::exception& error) { errors_.Show(error); }
QByteArray MainFirmwareHost::SoftwareVersionText() const { return main_.SoftwareVersion(); }

} // namespace relvane
