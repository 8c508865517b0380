#include "protocol/ui/TransferWindows.h"

#include "monitor/ui/VersionForm.h"

#include <QTimer>

#include <memory>

namespace relvane {

TransferWindows::TransferWindows(Dialogs& dialogs, Dispatcher& dispatcher, QWidget* parent)
    : dispatcher_(dispatcher), parent_(parent), updateForm_(new TUpdateForm(dialogs, parent))
{
}

TransferWindows::~TransferWindows()
{
    // With a parent the main window deletes it; without one it is ours.
    if (updateForm_ && !updateForm_->parent())
        delete updateForm_.data();
}

VersionCheckResult TransferWindows::RunVersionCheck()
{
    auto form = std::make_unique<TVersionForm>(&dispatcher_, parent_);
    // The window closes 500 ms after the first answer. The heartbeat asks again every
    // 400 ms and the check's own delay starts afresh with each answer, so on its own
    // the window would stay open as long as the module answers.
    QTimer closeDelay;
    closeDelay.setSingleShot(true);
    closeDelay.setInterval(VersionCheck::CLOSE_DELAY_MS);
    QObject::connect(&closeDelay, &QTimer::timeout, form.get(), &QDialog::close);
    QObject::connect(&form->Check(), &VersionCheck::versionShown, &closeDelay, [&closeDelay] {
        if (!closeDelay.isActive())
            closeDelay.start();
    });
    if (versionHook_)
        versionHook_(form.get());
    form->exec();
    const bool accepted = form->Accepted();
    const bool timedOut = form->TimedOut();
    form.reset();  // unregisters from the dispatcher
    if (accepted)
        return VersionCheckResult::Accepted;
    return timedOut ? VersionCheckResult::TimedOut : VersionCheckResult::WrongVersion;
}

ProgressEnd TransferWindows::RunProgress(const std::function<void()>& cancel)
{
    if (!updateForm_)
        return ProgressEnd::Finished;
    return updateForm_->Run(cancel);
}

void TransferWindows::CloseProgress()
{
    if (updateForm_)
        updateForm_->TransferEnded();
}

}  // namespace relvane
