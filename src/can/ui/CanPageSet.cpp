#include "can/ui/CanPageSet.h"

namespace relvane {

CanPageSet::CanPageSet(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, MonitorHost& host,
                       Dispatcher& dispatcher)
    : dispatcher_(dispatcher),
      diagnostic_(new TDiagnosticPage(host, dialogs, model)),
      canInputs_(new TCanInputPage(model, lists, dialogs, host.TxQueue())),
      virtualInputs_(new TVirtualInputPage(model, lists)),
      canExport_(new TCanExportPage(model, lists, dialogs))
{
    dispatcher_.AddHandler(&diagnostic_->View());
    dispatcher_.AddHandler(&canInputs_->Monitor());
}

CanPageSet::~CanPageSet()
{
    if (diagnostic_)
        dispatcher_.RemoveHandler(&diagnostic_->View());
    if (canInputs_)
        dispatcher_.RemoveHandler(&canInputs_->Monitor());
}

void CanPageSet::PageSelected(int index)
{
    switch (index) {
    case DIAGNOSTIC_PAGE:
        if (diagnostic_)
            diagnostic_->PageSelected();
        break;
    case CAN_INPUTS_PAGE:
        if (canInputs_)
            canInputs_->PageSelected();
        break;
    case VIRTUAL_INPUTS_PAGE:
        if (virtualInputs_)
            virtualInputs_->PageSelected();
        break;
    default: break;
    }
}

bool CanPageSet::ResetMonitorForTransfer()
{
    if (!canInputs_ || canInputs_->MonitorSelection() == kMonitorOff)
        return false;
    canInputs_->ResetMonitorSelection();
    return true;
}

}  // namespace relvane
