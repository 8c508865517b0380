#pragma once
// The main window's configuration commands: Read, Upload (which asks first when the
// configuration has errors) and Default settings through the transfer sequencer, File Open,
// Save and Export sheet, and the window title that tells where the configuration shown came
// from. This is the main window's TransferHost: the sequencer reaches the windows, flags and
// message boxes through it.

#include "config/ConfigCompare.h"
#include "protocol/TransferSequencer.h"
#include "protocol/ui/TransferWindows.h"

#include <QString>

#include <functional>

namespace relvane {

class TVersionForm;

class ConfigModel;
class Dialogs;
class Dispatcher;
class TMainForm;

// Where the configuration shown came from.
enum class TitleSource { None, File, Module };

// "Relvane Tool - [ name ]" for the source; empty for TitleSource::None (the window
// keeps its title).
QString MainTitleText(TitleSource source, const QByteArray& boxName, const QString& fileName);

// The file filter of both file dialogs.
QString ConfigFileFilter();  // "config files (*.cfg)|*.CFG"
// "File already exists: '<path>'\nOverwrite ?"
QString OverwriteQuestionText(const QString& path);
// The file filter of "Export sheet…".
QString SheetFileFilter();

// What the keeper of the configuration learns of the transfers: restore points, and what the
// module holds.
struct TransferHooks {
    std::function<void(TransferKind)> starting;
    // Decides whether a complete read replaces the configuration shown (see TransferHost).
    std::function<bool(ConfigModel& model, const ConfigModel& read, bool afterTimeOut)> takeRead;
    std::function<void()> uploadCompleted;
    // The compare window's read of the module came whole.
    std::function<void(const ConfigModel&)> moduleRead;
};

class TransferCommands final : public TransferHost {
public:
    // Registers the sequencer with the dispatcher; the progress window is a child of
    // the main window.
    TransferCommands(TMainForm& main, ConfigModel& model, Dispatcher& dispatcher, Dialogs& dialogs);
    ~TransferCommands() override;
    TransferCommands(const TransferCommands&) = delete;
    TransferCommands& operator=(const TransferCommands&) = delete;

    // The three transfer commands.
    void BtnLoadClick();
    void BtnSaveClick();
    void BtnDefaultValueClick();
    // File menu. True when a file was loaded / written.
    bool OpenClick();
    bool SaveClick();
    // File -> "Export sheet…": the configuration sheet as PDF (on the locale's paper) or HTML.
    void ExportSheetClick();
    // Heartbeat: the window title from the title source, with Qt's modified mark "[*]" while
    // the configuration has unsaved changes.
    void UpdateTitle();
    void SetTitleModified(bool modified);

    // Reads the module's whole configuration into scratch, with the version check, the
    // progress window and the request chain of Read, leaving the configuration shown, the
    // title source and the selection lists as they were. Not while another transfer runs.
    ModuleReadResult ReadModuleInto(ConfigModel& scratch);

    // Hooks of areas built elsewhere. The CAN monitor's: put its selection back to the
    // first entry without telling the module, true when it was elsewhere (none: nothing
    // to reset). The selection lists': ask for a name propagation.
    void SetMonitorReset(std::function<bool()> reset) { monitorReset_ = std::move(reset); }
    void SetNamePropagationRequest(std::function<void()> request) { namesRequest_ = std::move(request); }
    void SetTransferHooks(TransferHooks hooks) { hooks_ = std::move(hooks); }
    // Runs on each version check window just before it is shown (tests lengthen its wait).
    void SetVersionFormHook(std::function<void(TVersionForm&)> hook) { versionHook_ = std::move(hook); }

    TransferSequencer& Sequencer() { return sequencer_; }
    TransferWindows& Windows() { return windows_; }
    TitleSource Source() const { return source_; }
    QString TitleFileName() const { return titleFileName_; }

    // TransferHost.
    bool Connected() const override;
    bool FirmwareBusy() const override;
    TxSink& TxQueue() override;
    bool ResetMonitorSelection() override;
    void PauseMs(int ms) override;
    VersionCheckResult RunVersionCheck() override;
    ProgressEnd RunProgress(const std::function<void()>& cancel) override;
    void CloseProgress() override;
    void SetTransferBusy(bool busy) override;
    void RequestNamePropagation() override;
    void SetTitleSourceModule() override;
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void TransferStarting(TransferKind kind) override;
    bool TakeRead(ConfigModel& model, const ConfigModel& read, bool afterTimeOut) override;
    void UploadCompleted() override;

private:
    TMainForm& main_;
    ConfigModel& model_;
    Dispatcher& dispatcher_;
    Dialogs& dialogs_;
    TransferWindows windows_;
    std::function<void(TVersionForm&)> versionHook_;
    TransferSequencer sequencer_;
    std::function<bool()> monitorReset_;
    std::function<void()> namesRequest_;
    TransferHooks hooks_;
    bool titleModified_ = false;
    TitleSource source_ = TitleSource::None;
    QString titleFileName_;
    QString openName_;  // the name chosen at the previous Open
};

}  // namespace relvane
