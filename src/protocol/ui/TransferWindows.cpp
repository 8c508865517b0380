#include "protocol/ui/TransferWindows.h"

#include "monitor/ui/VersionForm.h"

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
