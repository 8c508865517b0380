#pragma once
// "Tools" -> "Compare configuration…" in the main window: one compare window at a time, its
// module reads through the transfer commands, and the way from one of its rows to the control
// on the notebook page (page, channel selected in the page's selector, focus).

#include "config/ConfigCompare.h"

#include <QPointer>

#include <functional>

namespace relvane {

class CanPageSet;
class Dialogs;
class TCompareForm;
class TMainForm;
class TransferCommands;

class CompareCommand {
public:
    CompareCommand(TMainForm& main, TransferCommands& transfer, CanPageSet& canPages, Dialogs& dialogs);
    ~CompareCommand();
    CompareCommand(const CompareCommand&) = delete;
    CompareCommand& operator=(const CompareCommand&) = delete;

    // The menu entry: shows the window (created on first use, non-modal) and brings it to the front.
    void Open();
    // The window while it exists, else nullptr.
    TCompareForm* Window() const;
    // Shows the control of location in the main window; false when the page has no such control.
    bool GoTo(const FieldLocation& location);
    // How the window's Apply becomes one undoable step.
    void SetStep(std::function<void(const QString&, const std::function<void()>&)> step) { step_ = std::move(step); }

private:
    TMainForm& main_;
    TransferCommands& transfer_;
    CanPageSet& canPages_;
    Dialogs& dialogs_;
    QPointer<TCompareForm> window_;
    std::function<void(const QString&, const std::function<void()>&)> step_;
};

}  // namespace relvane
