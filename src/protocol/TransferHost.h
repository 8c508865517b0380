#pragma once
// What the transfer commands need from the main window or a headless front end: connection
// flags, the transmit queue, the version check, the progress window and message boxes.

#include "link/FrameCodec.h"
#include "protocol/TransferProgress.h"

#include <QString>

#include <functional>

namespace relvane {

enum class VersionCheckResult { Accepted, TimedOut, WrongVersion };

enum class TransferKind { Read, Upload, FactoryDefault };

class ConfigModel;

// What the commands need from the main window (or a headless front end).
class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual bool Connected() const = 0;
    virtual bool FirmwareBusy() const = 0;
    virtual TxSink& TxQueue() = 0;

    // Sets the CAN monitor selection to its first entry without telling the
    // module; true when it was elsewhere (the command then pauses 200 ms).
    virtual bool ResetMonitorSelection() = 0;
    // Blocks for ms milliseconds.
    virtual void PauseMs(int ms) = 0;

    // Shows the version check modally and discards it once it has closed.
    virtual VersionCheckResult RunVersionCheck() = 0;

    // Shows the progress window modally; returns when it has closed. cancel is
    // called at the moment the user cancels, before the window closes.
    virtual ProgressEnd RunProgress(const std::function<void()>& cancel) = 0;
    // Closes the progress window if one is open; nothing otherwise.
    virtual void CloseProgress() = 0;

    // The main window's transfer-busy flag, which holds back polling, version and
    // diagnostic requests and name-propagation requests while set.
    virtual void SetTransferBusy(bool busy) = 0;
    // The names-changed flag of the selection lists.
    virtual void RequestNamePropagation() = 0;
    // The window title now tells the module's box name.
    virtual void SetTitleSourceModule() = 0;

    // A message box with one acknowledgement button.
    virtual void ShowMessage(const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;

    // A command's checks and questions have passed; its first message goes out next. (Restore
    // points are written here.)
    virtual void TransferStarting(TransferKind kind) { (void)kind; }
    // A read ended with every block. The model takes it unless the host holds it back (and
    // returns false): a read that ended after its progress window timed out must not replace
    // edits made since. Runs inside the link's hand-off: no window may be shown here.
    virtual bool TakeRead(ConfigModel& model, const ConfigModel& read, bool afterTimeOut);
    // An upload ended with its last block acknowledged.
    virtual void UploadCompleted() {}
};

}  // namespace relvane
