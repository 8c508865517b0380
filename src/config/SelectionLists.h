#pragma once
// The shared entry lists of the selectors that pick an input, output or trigger source by its
// place in a fixed catalogue. Each list is one QStringListModel that every selector showing it
// binds to (QComboBox::setModel / QListView::setModel). Names come from the ConfigModel; a
// propagation renames the entries in place (and appends entries a list does not have yet), so
// every selector keeps its current position and a selector without a selection stays without one.
//
// Use:
//   SelectionLists lists(model);
//   lists.FillSelectionLists();                 // once at start-up, before the link thread runs
//   combo->setModel(lists.TriggerSourceList());  // extended list, 67 entries
//   lists.SetTransferBusyQuery([&] { return sequencer.Busy(); });
//   // version-timer tick:
//   lists.ServeNamePropagation();                // runs PropagateNames when one was requested
//   connect(&lists, &SelectionLists::NamesPropagated, page, &Page::AfterNamePropagation);
//
// Name edits reach the lists through the model: every ConfigModel::NameChanged asks for a
// propagation unless the transfer-busy query says a device transfer runs; the sequencer calls
// RequestNamePropagation itself when a complete read ends, and the file Open after a load.

#include "config/ConfigModel.h"

#include <QObject>
#include <QStringList>
#include <QStringListModel>

#include <functional>

namespace relvane {

// Positions in the trigger source lists.
inline constexpr int kTriggerPosDisabled = 0;
inline constexpr int kTriggerPosPlus30 = 1;
inline constexpr int kTriggerPosFirstInput = 2;          // inputs 1 to 11: 2 to 12
inline constexpr int kTriggerPosFirstCanInput = 13;      // CAN inputs 1 to 32: 13 to 44
inline constexpr int kTriggerPosFirstVirtualInput = 45;  // virtual inputs 1 to 20: 45 to 64
inline constexpr int kTriggerPosWiperSlow = 65;
inline constexpr int kTriggerPosWiperFast = 66;

// Positions in the virtual operand list (99 entries after the first propagation, 13 before).
inline constexpr int kOperandListSize = 99;
inline constexpr int kOperandListStartSize = 13;
inline constexpr int kOperandPosFirstInput = 2;
inline constexpr int kOperandPosFirstCanInput = 13;
inline constexpr int kOperandPosFirstOutput = 45;
inline constexpr int kOperandPosFirstVirtualInput = 79;

// CAN export lists.
inline constexpr int kExport1ListSize = 19;         // "DISABLED", outputs 1 to 18
inline constexpr int kExportBitListSize = 47;       // "DISABLED", outputs 1-34, inputs 1-11, "Output error"
inline constexpr int kExportBitPosFirstOutput = 1;
inline constexpr int kExportBitPosFirstInput = 35;
inline constexpr int kExportBitPosOutputError = 46;

// CAN monitor selector: three fixed entries, then the CAN input names (positions 3 to 34).
inline constexpr int kMonitorListSize = 35;
inline constexpr int kMonitorPosFirstCanInput = 3;

// The texts of the shared lists built from a model's names (plain functions, for tests and for
// the lists below).
QStringList BuildTriggerSourceBaseEntries(const ConfigModel& model);  // 65
QStringList BuildTriggerSourceEntries(const ConfigModel& model);      // 67
QStringList BuildInputNameEntries(const ConfigModel& model);          // 11
QStringList BuildVirtualOperandEntries(const ConfigModel& model);     // 99
QStringList BuildExport1ChannelEntries(const ConfigModel& model);     // 19
QStringList BuildExportBitSourceEntries(const ConfigModel& model);    // 47
QStringList BuildMonitorEntries(const ConfigModel& model);            // 35

// Makes list hold entries, renaming rows in place; rows are appended or removed at the end only,
// so the position of every existing row stays. Returns whether any text changed.
bool RenameEntriesInPlace(QStringListModel& list, const QStringList& entries);

class SelectionLists : public QObject {
    Q_OBJECT
public:
    explicit SelectionLists(ConfigModel& model, QObject* parent = nullptr);

    ConfigModel& Model() { return model_; }

    // Shared lists (owned here, alive as long as this object).
    QStringListModel* TriggerSourceBaseList() { return &triggerBase_; }  // wiper selectors
    QStringListModel* TriggerSourceList() { return &triggerExtended_; }  // outputs, flash, start, kill
    QStringListModel* InputNameList() { return &inputNames_; }            // ComboBoxInputTrigCAN_Input
    QStringListModel* VirtualOperandList() { return &virtualOperands_; }  // ComboBoxVirtuel_1_Channel_1..3
    QStringListModel* Export1ChannelList() { return &export1Channels_; }  // CAN export 1 data bytes
    QStringListModel* ExportBitSourceList() { return &exportBits_; }      // CAN export 2 to 4 bits
    // Name lists of the list boxes and check lists (same renaming in place).
    QStringListModel* CanInputNameList() { return &canInputNames_; }          // ListBoxCAN_INPUT
    QStringListModel* VirtualInputNameList() { return &virtualInputNames_; }  // ListBoxVIRTUAL_INPUT
    QStringListModel* OutputNameList() { return &outputNames_; }              // the output check lists
    QStringListModel* MonitorEntryList() { return &monitorEntries_; }         // CANmonitorEnableComboBox

    // The start-up fill: clears the request flag and fills every list with the start texts
    // (the operand list with its first 13 entries only; the export bit list with the output
    // names as they stand).
    void FillSelectionLists();

    // Asks for one propagation at the next serving tick.
    void RequestNamePropagation() { namesChanged_ = true; }
    bool NamePropagationRequested() const { return namesChanged_; }

    // While the query answers true (a device transfer runs), name changes of the model do not
    // ask for a propagation. Without a query none is assumed to run.
    void SetTransferBusyQuery(std::function<bool()> busy) { transferBusy_ = std::move(busy); }

    // For the version-timer tick: when a propagation was requested, clears the flag and runs
    // PropagateNames. Returns whether it ran.
    bool ServeNamePropagation();

    // The rebuild: every list takes the model's current names in place, then NamesPropagated
    // lets each page bring its own dependent state in line (trigger-level choices and input-pin
    // labels, check lists, flash editor, CAN and virtual input editors, monitor selector).
    void PropagateNames();

    int PropagationCount() const { return propagations_; }

Q_SIGNALS:
    // After every list has taken the new names. Pages react in the order they connected.
    void NamesPropagated();

private:
    void OnModelNameChanged();

    ConfigModel& model_;
    QStringListModel triggerBase_;
    QStringListModel triggerExtended_;
    QStringListModel inputNames_;
    QStringListModel virtualOperands_;
    QStringListModel export1Channels_;
    QStringListModel exportBits_;
    QStringListModel canInputNames_;
    QStringListModel virtualInputNames_;
    QStringListModel outputNames_;
    QStringListModel monitorEntries_;
    std::function<bool()> transferBusy_;
    bool namesChanged_ = false;
    int propagations_ = 0;
};

}  // namespace relvane
