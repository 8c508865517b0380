#pragma once
// The CAN pages and the "Diagnostic" page as the main window composes them: created together,
// their dispatcher handlers registered for as long as they live, and the page-change work of
// pages 1, 3 and 4 and the transfer's monitor reset in one place.

#include "can/ui/CanExportPage.h"
#include "can/ui/CanInputPage.h"
#include "can/ui/VirtualInputPage.h"
#include "monitor/MonitorHost.h"
#include "monitor/ui/TDiagnosticPage.h"
#include "protocol/Dispatcher.h"

#include <QPointer>

namespace relvane {

class CanPageSet {
public:
    // Notebook indices of the pages.
    static constexpr int DIAGNOSTIC_PAGE = 1;
    static constexpr int CAN_INPUTS_PAGE = 3;
    static constexpr int VIRTUAL_INPUTS_PAGE = 4;
    static constexpr int CAN_EXPORT_PAGE = 5;

    // The pages are created without a parent; the notebook takes them over (SetPage).
    CanPageSet(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, MonitorHost& host, Dispatcher& dispatcher);
    ~CanPageSet();
    CanPageSet(const CanPageSet&) = delete;
    CanPageSet& operator=(const CanPageSet&) = delete;

    TDiagnosticPage* Diagnostic() const { return diagnostic_; }
    TCanInputPage* CanInputs() const { return canInputs_; }
    TVirtualInputPage* VirtualInputs() const { return virtualInputs_; }
    TCanExportPage* CanExport() const { return canExport_; }

    // The page-change work of pages 1, 3 and 4 (nothing for the others).
    void PageSelected(int index);
    // Before a transfer: shows "Off" without telling the module. True when the selection was
    // not "Off" already, so the caller pauses before it starts.
    bool ResetMonitorForTransfer();

private:
    Dispatcher& dispatcher_;
    QPointer<TDiagnosticPage> diagnostic_;
    QPointer<TCanInputPage> canInputs_;
    QPointer<TVirtualInputPage> virtualInputs_;
    QPointer<TCanExportPage> canExport_;
};

}  // namespace relvane
