#pragma once
// The program's start-up and its windows for the whole run: the link thread, the main
// window and the windows created at start-up, composed and started in their order.
// main() runs one over the system's adapters; tests run one over an in-memory backend.

#include "app/MainForm.h"
#include "app/UsbSelectForm.h"
#include "app/UsbThreadLink.h"
#include "app/Hosts.h"
#include "app/TransferCommands.h"
#include "can/ui/CanPageSet.h"
#include "config/SelectionLists.h"
#include "link/UsbThread.h"
#include "monitor/ServiceConsoles.h"
#include "protocol/Dispatcher.h"

#include <QString>

#include <memory>

namespace relvane {

class AdapterBackend;
class CompareCommand;
class ConfigKeeper;
class TTrendForm;
class TStationForm;
class Dialogs;
class ErrorDisplay;
class TAboutForm;
class TGeneralPage;
class TProblemsPanel;
class TRunTimeErrorForm;

struct StartOptions {
    QString settingsPath;      // the program settings file
    QString currentDirectory;  // default of the last configuration path
    // The splash window's stay; the start-up benchmark sets it to 0.
    int splashWaitMs = 1500;
    bool showSplash = true;
    // Where restore points (history/) and the recovery file (recovery/) go; the program uses
    // the user's data folder, tests a folder of their own or none (empty: neither is kept).
    QString dataFolder;
    // The recovery file's interval while there are unsaved changes.
    int recoveryIntervalMs = 30000;
};

class ToolProgram {
public:
    ToolProgram(Dialogs& dialogs, ErrorDisplay& errors, AdapterBackend& backend,
                StartOptions options);
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
    Dispatcher& FrameDispatcher() { return dispatcher_; }
    TGeneralPage& GeneralPage() { return *generalPage_; }
    TAboutForm& AboutForm() { return *aboutForm_; }
    TransferCommands& Transfer() { return *transfer_; }
    CompareCommand& Compare() { return *compare_; }
    // Undo, unsaved changes, restore points and recovery.
    ConfigKeeper& Keeper() { return *keeper_; }
    TProblemsPanel& ProblemsPanel() { return *problems_; }
    // "Trend…": created on its first opening, then shown again; nullptr before.
    TTrendForm* TrendWindow() { return trend_.get(); }
    void TrendClick();
    // "Station…" of the production menu: one window, made on its first opening.
    TStationForm* StationWindow() { return station_.get(); }
    void StationClick();

    // Menu commands, public so tests run them as the menu does.
    void PingTest1Click();
    void Systemsetup1Click();
    void Calibration1Click();
    void Runtimeerror1Click();
    void EepromClick();
    // How long the splash window stayed, in ms (0 when none was shown).
    qint64 SplashShownMs() const { return splashShownMs_; }

private:
    void CreateStartupWindows();
    void Compose();
    void ComposeEditorPages();

    Dialogs& dialogs_;
    ErrorDisplay& errors_;
    StartOptions options_;
    AdapterBackend& backend_;
    UsbThread usbThread_;
    UsbThreadLink link_;
    Dispatcher dispatcher_;
    std::unique_ptr<TMainForm> mainForm_;
    TGeneralPage* generalPage_ = nullptr;  // owned by the notebook
    std::unique_ptr<TransferCommands> transfer_;  // with the progress window
    std::unique_ptr<SelectionLists> selectionLists_;  // shared entry lists of the selectors
    std::unique_ptr<QObject> nameLabels_;  // the General page labels that show names
    // The CAN and diagnostic pages; destroyed before the main window, which owns the widgets.
    std::unique_ptr<CanPageSet> canPages_;
    // "Compare configuration…"; its window goes before the pages it takes the user to.
    std::unique_ptr<CompareCommand> compare_;
    // Over the model, the transfers and the compare window; goes before them.
    std::unique_ptr<ConfigKeeper> keeper_;
    // The "Problems" dock, owned by the main window; its rows lead through compare_.
    TProblemsPanel* problems_ = nullptr;
    // Listens to the dispatcher from its first opening; goes before the dispatcher does.
    std::unique_ptr<TTrendForm> trend_;
    // The station runs its own links; it goes before the main window's link.
    std::unique_ptr<TStationForm> station_;
    std::unique_ptr<MainToolHost> toolHost_;
    std::unique_ptr<MainFirmwareHost> firmwareHost_;
    std::unique_ptr<TAboutForm> aboutForm_;
    std::unique_ptr<TUSB_SelectForm> usbSelectForm_;
    std::unique_ptr<TRunTimeErrorForm> runTimeErrorForm_;  // the hidden start-up instance
    PingState pingState_;  // kept from one opening of the ping window to the next
    qint64 splashShownMs_ = 0;
    int historyLimit_ = 200;  // [HISTORY] LIMIT of the settings file
};

} // namespace relvane
