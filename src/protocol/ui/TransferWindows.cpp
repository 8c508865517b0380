#include "protocol/ui/TransferWindows.h"

namespace relvane {

TransferWindows::TransferWindows(Dialogs& dialogs, QWidget* parent)
    : updateForm_(new TUpdateForm(dialogs, parent))
{
}

TransferWindows::~TransferWindows()
{
    // With a parent the main window deletes it; without one it is ours.
    if (updateForm_ && !updateForm_->parent())
        delete updateForm_.data();
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
