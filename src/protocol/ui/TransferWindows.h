#pragma once
// The windows a transfer command shows: the version check before a Read or an
// Upload and the progress window. A main window's TransferHost hands these calls
// here and keeps the rest (flags, title, CAN monitor) to itself.

#include "config/Dialogs.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"
#include "protocol/ui/UpdateForm.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace relvane {

class TransferWindows {
public:
    // parent: the main window, over which both windows are shown. The progress
    // window is created here and lives as long as this object.
    TransferWindows(Dialogs& dialogs, Dispatcher& dispatcher, QWidget* parent = nullptr);
    ~TransferWindows();
    TransferWindows(const TransferWindows&) = delete;
    TransferWindows& operator=(const TransferWindows&) = delete;

    // Creates TVersionForm (registered with the dispatcher while it exists), shows
    // it modally and destroys it when it has closed.
    VersionCheckResult RunVersionCheck();
    ProgressEnd RunProgress(const std::function<void()>& cancel);
    void CloseProgress();

    TUpdateForm& UpdateForm() { return *updateForm_; }
    // Runs on each version window just before it is shown (tests watch it).
    void SetVersionFormHook(std::function<void(QWidget*)> hook) { versionHook_ = std::move(hook); }

private:
    Dispatcher& dispatcher_;
    QWidget* parent_;
    QPointer<TUpdateForm> updateForm_;
    std::function<void(QWidget*)> versionHook_;
};

}  // namespace relvane
