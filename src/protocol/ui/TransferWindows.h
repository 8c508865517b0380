#pragma once
// The progress window a transfer command shows. A main window's TransferHost hands the
// progress calls here; the version check before a Read or an Upload is the live view's
// window (RunVersionCheckWindow), which the host calls itself.

#include "config/Dialogs.h"
#include "protocol/TransferSequencer.h"
#include "protocol/ui/UpdateForm.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace relvane {

class TransferWindows {
public:
    // parent: the main window, over which the progress window is shown. It is created
    // here and lives as long as this object.
    explicit TransferWindows(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TransferWindows();
    TransferWindows(const TransferWindows&) = delete;
    TransferWindows& operator=(const TransferWindows&) = delete;

    ProgressEnd RunProgress(const std::function<void()>& cancel);
    void CloseProgress();

    TUpdateForm& UpdateForm() { return *updateForm_; }

private:
    QPointer<TUpdateForm> updateForm_;
};

}  // namespace relvane
