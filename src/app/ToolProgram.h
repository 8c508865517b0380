#pragma once
// The program's start-up and its windows for the whole run: the link thread, the main
// window and the windows created at start-up, composed and started in their order.
// main() runs one over the system's adapters; tests run one over an in-memory backend.

#include "app/MainForm.h"
#include "app/UsbSelectForm.h"
#include "app/UsbThreadLink.h"
#include "link/UsbThread.h"

#include <QString>

#include <memory>

namespace relvane {

class AdapterBackend;
class Dialogs;

struct StartOptions {
    QString settingsPath;      // the program settings file
    QString currentDirectory;  // default of the last configuration path
    // The splash window's stay; the start-up benchmark sets it to 0.
    int splashWaitMs = 1500;
    bool showSplash = true;
};

class ToolProgram {
public:
    ToolProgram(Dialogs& dialogs, AdapterBackend& backend, StartOptions options);
    // Stops the link loop before anything waits for it, then takes the windows down.
    ~ToolProgram();
    ToolProgram(const ToolProgram&) = delete;
    ToolProgram& operator=(const ToolProgram&) = delete;

    // Splash, the start-up windows in their order, AllFormsCreated; then shows the main
    // window. The caller runs the message loop.
    void Start();

    TMainForm& MainForm() { return *mainForm_; }
    TUSB_SelectForm& UsbSelectForm() { return *usbSelectForm_; }
    UsbThread& Link() { return usbThread_; }
    // How long the splash window stayed, in ms (0 when none was shown).
    qint64 SplashShownMs() const { return splashShownMs_; }

private:
    void CreateStartupWindows();
    void Compose();

    Dialogs& dialogs_;
    StartOptions options_;
    UsbThread usbThread_;
    UsbThreadLink link_;
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<TUSB_SelectForm> usbSelectForm_;
    qint64 splashShownMs_ = 0;
};

} // namespace relvane
