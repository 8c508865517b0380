#pragma once
// The main window: menus, the notebook with its twelve pages, the status bar, the
// program settings file and the connection state. It is wiring: each page is its own
// class, and the commands of other areas are attached to its menu entries.

#include "app/MainCommands.h"
#include "app/ProgramSettings.h"
#include "config/ConfigModel.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "monitor/MonitorHost.h"

#include <QMainWindow>
#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QTimer;
class QUndoStack;
class QToolButton;

namespace relvane {

class TActivityLamps;
class ConnectionLink;
class Dialogs;

// Notebook page indices, as the page-change handler receives them.
enum NotebookPage : int {
    PAGE_GENERAL = 0,
    PAGE_DIAGNOSTIC,
    PAGE_INPUTS,
    PAGE_CAN_INPUTS,
    PAGE_VIRTUAL_INPUTS,
    PAGE_CAN_EXPORT,
    PAGE_OUTPUTS,
    PAGE_FLASH_WIPER,
    PAGE_LOW_BATTERY,
    PAGE_START_KILL,
    PAGE_LOW_CURRENT,
    PAGE_SOCKET_INFO,
    PAGE_COUNT
};

// Captions of the pages, by index.
QStringList NotebookPageCaptions();

inline constexpr int MAIN_FORM_HEIGHT = 914;
inline constexpr int MAIN_FORM_MIN_WIDTH = 300;
// The width the window is designed for (the settings file's default), and where the first of
// the three activity lamps stands on the notebook at that width.
inline constexpr int MAIN_FORM_DESIGN_WIDTH = 990;
inline constexpr int ACTIVITY_LAMPS_X = 880;

// Status texts of the first status bar panel.
QString StatusUsbConnected();     // "USB CONNECTED"
QString StatusNotConnected();     // "NOT CONNECTED"
QString StatusUsbDisconnected();  // "USB DISCONNECTED"
QString StatusNotUploaded();      // "Not uploaded", at the status bar's right

// A page the issue that fills it has not built yet: present with its caption, empty.
class TEmptyPage final : public QWidget {
    Q_OBJECT
public:
    TEmptyPage(const QString& objectName, QWidget* parent = nullptr);
};

class TMainForm final : public QMainWindow, public MonitorHost, public LinkObserver {
    Q_OBJECT
public:
    // settingsPath: the program settings file; currentDirectory: the default of the
    // last configuration path. Construction runs FormCreate.
    TMainForm(Dialogs& dialogs, ConnectionLink& link, QString settingsPath,
              QString currentDirectory, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up work that needs the other start-up windows; called once after they exist.
    void AllFormsCreated();
    // Functions the start-up work runs in its order (selection lists, link thread,
    // version timer); each area adds its own.
    void AddStartupStep(std::function<void()> step);
    bool AllFormsCreatedDone() const { return allFormsCreated_; }

    // Composition.
    void SetCommands(MainCommands commands);
    const MainCommands& Commands() const { return commands_; }
    void SetLiveViewHooks(LiveViewHooks hooks) { live_ = std::move(hooks); }
    // Replaces the page at index (its caption stays); the notebook owns the page.
    void SetPage(int index, QWidget* page);
    // Work a page does when it is selected (pages 1 to 11; the live view handles page 0).
    void SetPageSelectedWork(int index, std::function<void()> work);
    QWidget* Page(int index) const;
    // The device selection dialog created at start-up, shown by "&USB".
    void SetUsbSelectForm(QDialog* form) { usbSelectForm_ = form; }
    void SetAboutForm(QWidget* form) { aboutForm_ = form; }
    void SetCalibrationWindowExists(bool exists) { calibrationExists_ = exists; }
    void SetCalibrationWindowVisible(bool visible) { calibrationVisible_ = visible; }
    void SetTransferBusy(bool busy) { transferBusy_ = busy; }
    void SetFirmwareBusy(bool busy) { firmwareBusy_ = busy; }
    // The "Problems" panel: docked below the pages, shown and hidden with Tools -> "Problems"
    // and by a click on its count in the status bar.
    void SetProblemsPanel(QDockWidget* panel);
    // The count in the status bar ("2 errors, 1 warning"), red while there are errors.
    void ShowProblemCount(const QString& text, int errors);
    QString ProblemCountText() const;

    // Connection management.
    void ConnectDevice(const QString& description);
    void OnLinkLost() override;
    void OnLinkRestored() override;
    void TimerSerialTimer();
    QString StatusText() const;
    QTimer* TimerSerial() const { return timerSerial_; }
    // "Not uploaded" at the status bar's right, or nothing.
    void SetNotUploaded(bool notUploaded);
    QString UploadStatusText() const;

    // The "&Edit" menu's "&Undo" and "&Redo" over the configuration's steps.
    void SetUndoStack(QUndoStack* stack);
    // Asked before the window closes (bySignal: SIGTERM or SIGINT, which ask nothing); false
    // keeps it open.
    void SetCloseGuard(std::function<bool(bool bySignal)> guard) { closeGuard_ = std::move(guard); }

    // The configuration shown and edited, one copy for the whole run.
    ConfigModel& Model() { return model_; }

    // Menu handlers.
    void USB1Click();
    void Close1Click();
    void About1Click();

    // Settings as read at FormCreate; the last configuration path is the one Open and Save use.
    const ProgramSettings& StartSettings() const { return startSettings_; }
    QString LastConfigPath() const { return lastConfigPath_; }
    void SetLastConfigPath(const QString& path) { lastConfigPath_ = path; }
    QString SettingsPath() const { return settingsPath_; }

    // The frame receiver the link feeds; its frames go to the sink (the dispatcher).
    SlipReceiver& Receiver() { return receiver_; }
    void SetFrameSink(FrameSink* sink) { receiver_.SetSink(sink); }

    // The module's software version text (empty: none).
    QByteArray SoftwareVersion() const { return module_.versionText; }

    Dialogs& DialogBoxes() { return dialogs_; }
    QTabWidget* Notebook() const { return notebook_; }

    // MonitorHost.
    bool Connected() const override { return connected_; }
    bool TransferBusy() const override { return transferBusy_; }
    bool FirmwareBusy() const override { return firmwareBusy_; }
    TxSink& TxQueue() override;
    bool CalibrationWindowExists() const override;
    bool CalibrationWindowVisible() const override;
    QString CurrentPageCaption() const override;
    void OnOtherPageSelected(int index) override;
    bool AboutWindowExists() const override { return !aboutForm_.isNull(); }
    ModuleInfo& Module() override { return module_; }
    void UpdateTitle() override;
    void ServeNamePropagation() override;
    void ShowActivityLamps(int lit) override;
    void RevealProductionMenu() override;
    void PauseMs(int ms) override;

public Q_SLOTS:
    // The transfer commands, for every control that runs them (the pages' Read, Upload
    // and Default settings buttons); the menu entries, F8, F9 and TimerSerial run the
    // same commands.
    void BtnLoadClick()
    {
        if (commands_.read)
            commands_.read();
    }
    void BtnSaveClick()
    {
        if (commands_.upload)
            commands_.upload();
    }
    void BtnDefaultValueClick()
    {
        if (commands_.defaults)
            commands_.defaults();
    }
    void OpenClick()
    {
        if (commands_.open)
            commands_.open();
    }
    void SaveClick()
    {
        if (commands_.save)
            commands_.save();
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildNotebook();
    void BuildStatusBar();
    void FormCreate();
    void FormClose();
    // True when the key was taken (the window sees keys before its controls).
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void TabbedNotebook1Change(int index);
    void RefreshCommandStates();
    void SetStatusText(const QString& text);
    QAction* AddEntry(QMenu* menu, const QString& name, const QString& text,
                      std::function<void()> MainCommands::*command);

    Dialogs& dialogs_;
    ConnectionLink& link_;
    QString settingsPath_;
    QString currentDirectory_;

    MainCommands commands_;
    LiveViewHooks live_;
    std::vector<std::pair<QAction*, std::function<void()> MainCommands::*>> commandEntries_;
    std::vector<std::function<void()>> startupSteps_;
    std::vector<std::function<void()>> pageWork_;

    QTabWidget* notebook_ = nullptr;
    TActivityLamps* lamps_ = nullptr;
    QStatusBar* statusBar1_ = nullptr;
    QLabel* statusPanel0_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QMenu* production1_ = nullptr;
    QMenu* edit1_ = nullptr;
    QAction* undo1_ = nullptr;
    QAction* redo1_ = nullptr;
    QLabel* statusUpload_ = nullptr;
    std::function<bool(bool)> closeGuard_;
    QMenu* tools1_ = nullptr;
    QToolButton* statusProblems_ = nullptr;
    QTimer* timerSerial_ = nullptr;

    QPointer<QDialog> usbSelectForm_;
    QPointer<QWidget> aboutForm_;
    bool calibrationExists_ = false;
    bool calibrationVisible_ = false;

    ProgramSettings startSettings_;
    QString lastConfigPath_;
    QString titleFileName_;
    ModuleInfo module_;
    ConfigModel model_;
    SlipReceiver receiver_;
    bool connected_ = false;
    bool transferBusy_ = false;
    bool firmwareBusy_ = false;
    bool allFormsCreated_ = false;
    bool closed_ = false;
};

} // namespace relvane
