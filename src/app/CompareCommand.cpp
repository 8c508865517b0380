#include "app/CompareCommand.h"

#include "app/MainForm.h"
#include "app/TransferCommands.h"
#include "can/ui/CanPageSet.h"
#include "config/ui/CompareForm.h"

#include <QListWidget>
#include <QTabWidget>

namespace relvane {

static_assert(ComparePage::Diagnostic == PAGE_DIAGNOSTIC && ComparePage::Inputs == PAGE_INPUTS
              && ComparePage::CanInputs == PAGE_CAN_INPUTS && ComparePage::VirtualInputs == PAGE_VIRTUAL_INPUTS
              && ComparePage::CanExport == PAGE_CAN_EXPORT && ComparePage::Outputs == PAGE_OUTPUTS
              && ComparePage::FlashWiper == PAGE_FLASH_WIPER && ComparePage::LowBattery == PAGE_LOW_BATTERY
              && ComparePage::StartKill == PAGE_START_KILL && ComparePage::LowCurrent == PAGE_LOW_CURRENT,
              "the compare's page numbers are the notebook's");

CompareCommand::CompareCommand(TMainForm& main, TransferCommands& transfer, CanPageSet& canPages, Dialogs& dialogs)
    : main_(main), transfer_(transfer), canPages_(canPages), dialogs_(dialogs)
{
}

CompareCommand::~CompareCommand()
{
    delete window_.data();
}

TCompareForm* CompareCommand::Window() const { return window_.data(); }

void CompareCommand::Open()
{
    if (!window_) {
        TCompareForm::Hooks hooks;
        hooks.readModule = [this](ConfigModel& scratch) { return transfer_.ReadModuleInto(scratch); };
        hooks.goTo = [this](const FieldLocation& where) { GoTo(where); };
        hooks.lastConfigPath = [this] { return main_.LastConfigPath(); };
        hooks.step = step_;
        window_ = new TCompareForm(main_.Model(), dialogs_, NotebookPageCaptions(), std::move(hooks), &main_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool CompareCommand::GoTo(const FieldLocation& where)
{
    if (where.page < 0 || where.page >= PAGE_COUNT)
        return false;
    // The page change runs the page's own selection work first (the CAN pages select their
    // first entry when none is), then the row's channel is selected as a click would.
    main_.Notebook()->setCurrentIndex(where.page);
    QWidget* page = main_.Page(where.page);
    if (where.selectorRow >= 0) {
        if (where.page == PAGE_CAN_INPUTS) {
            canPages_.CanInputs()->SelectCanInput(where.selectorRow);
        } else if (where.page == PAGE_VIRTUAL_INPUTS) {
            canPages_.VirtualInputs()->SelectVirtualInput(where.selectorRow);
        } else if (auto* list = page ? page->findChild<QListWidget*>(where.selector) : nullptr) {
            if (where.selectorRow < list->count())
                list->setCurrentRow(where.selectorRow);
        }
    }
    const bool shown = RevealControl(page, where.control, where.controlRow);
    main_.activateWindow();
    return shown;
}

}  // namespace relvane
