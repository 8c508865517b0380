#include "config/SelectionLists.h"

#include "config/Cp1252.h"

#include <QSignalBlocker>

#include <algorithm>

namespace relvane {

namespace {

QString Text(const ChannelName& name) { return Cp1252ToString(name); }

void AppendInputNames(QStringList& out, const ConfigModel& m)
{
    for (int n = 1; n <= kInputCount; ++n) out << Text(m.Input(n).NAME);
}
void AppendCanInputNames(QStringList& out, const ConfigModel& m)
{
    for (int n = 1; n <= kCanInputCount; ++n) out << Text(m.CanInput(n).CAN_NAME);
}
void AppendVirtualInputNames(QStringList& out, const ConfigModel& m)
{
    for (int n = 1; n <= kVirtualInputCount; ++n) out << Text(m.VirtualInput(n).VIRTUAL_NAME);
}
void AppendOutputNames(QStringList& out, const ConfigModel& m, int count)
{
    for (int n = 1; n <= count; ++n) out << Text(m.Output(n).NAME);
}

QStringList Numbered(const QString& prefix, int count)
{
    QStringList out;
    out.reserve(count);
    for (int n = 1; n <= count; ++n) out << prefix + QString::number(n);
    return out;
}

}  // namespace

QStringList BuildTriggerSourceBaseEntries(const ConfigModel& model)
{
    QStringList out;
    out.reserve(kTriggerListSize);
    out << QStringLiteral("DISABLED") << QStringLiteral("+30");
    AppendInputNames(out, model);
    AppendCanInputNames(out, model);
    AppendVirtualInputNames(out, model);
    return out;
}

QStringList BuildTriggerSourceEntries(const ConfigModel& model)
{
    QStringList out = BuildTriggerSourceBaseEntries(model);
    out << QStringLiteral("Wiper Slow") << QStringLiteral("Wiper Fast");
    return out;
}

QStringList BuildInputNameEntries(const ConfigModel& model)
{
    QStringList out;
    AppendInputNames(out, model);
    return out;
}

QStringList BuildVirtualOperandEntries(const ConfigModel& model)
{
    QStringList out;
    out.reserve(kOperandListSize);
    out << QStringLiteral("Not Used") << QStringLiteral("+30");
    AppendInputNames(out, model);
    AppendCanInputNames(out, model);
    AppendOutputNames(out, model, kOutputCount);
    AppendVirtualInputNames(out, model);
    return out;
}

QStringList BuildExport1ChannelEntries(const ConfigModel& model)
{
    QStringList out;
    out << QStringLiteral("DISABLED");
    AppendOutputNames(out, model, kHighPowerOutputCount);
    return out;
}

QStringList BuildExportBitSourceEntries(const ConfigModel& model)
{
    QStringList out;
    out.reserve(kExportBitListSize);
    out << QStringLiteral("DISABLED");
    AppendOutputNames(out, model, kOutputCount);
    AppendInputNames(out, model);
    out << QStringLiteral("Output error");
    return out;
}

QStringList BuildMonitorEntries(const ConfigModel& model)
{
    QStringList out;
    out << QStringLiteral("Off") << QStringLiteral("Active messages") << QStringLiteral("All Messages");
    AppendCanInputNames(out, model);
    return out;
}

bool RenameEntriesInPlace(QStringListModel& list, const QStringList& entries)
{
    bool changed = false;
    const int have = list.rowCount();
    const int want = static_cast<int>(entries.size());
    if (have > want) {
        list.removeRows(want, have - want);
        changed = true;
    }
    // Only rows whose text differs are written, and the views hear of them once for the whole
    // range, so a propagation repaints each selector once however many names changed; the
    // rows stay, so each selector's current row stays where it is.
    const int common = std::min(have, want);
    int first = -1, last = -1;
    {
        const QSignalBlocker quiet(&list);
        for (int row = 0; row < common; ++row) {
            const QModelIndex index = list.index(row, 0);
            if (list.data(index, Qt::DisplayRole).toString() != entries.at(row)) {
                list.setData(index, entries.at(row), Qt::DisplayRole);
                if (first < 0)
                    first = row;
                last = row;
            }
        }
    }
    if (first >= 0) {
        Q_EMIT list.dataChanged(list.index(first, 0), list.index(last, 0), {Qt::DisplayRole, Qt::EditRole});
        changed = true;
    }
    if (want > have) {
        list.insertRows(have, want - have);
        for (int row = have; row < want; ++row) list.setData(list.index(row, 0), entries.at(row));
        changed = true;
    }
    return changed;
}

SelectionLists::SelectionLists(ConfigModel& model, QObject* parent) : QObject(parent), model_(model)
{
    connect(&model_, &ConfigModel::NameChanged, this, &SelectionLists::OnModelNameChanged);
}

void SelectionLists::OnModelNameChanged()
{
    if (transferBusy_ && transferBusy_()) return;  // the read asks once when it ends
    RequestNamePropagation();
}

void SelectionLists::FillSelectionLists()
{
    namesChanged_ = false;
    inputNames_.setStringList(Numbered(QStringLiteral("CH "), kInputCount));

    QStringList trigger;
    trigger << QStringLiteral("DISABLED") << QStringLiteral("+30");
    trigger << Numbered(QStringLiteral("CH "), kInputCount);
    trigger << Numbered(QStringLiteral("CAN "), kCanInputCount);
    trigger << Numbered(QStringLiteral("Virtual "), kVirtualInputCount);
    triggerBase_.setStringList(trigger);
    trigger << QStringLiteral("Wiper Slow") << QStringLiteral("Wiper Fast");
    triggerExtended_.setStringList(trigger);

    QStringList operands;
    operands << QStringLiteral("Not Used") << QStringLiteral("+30") << Numbered(QStringLiteral("CH "), kInputCount);
    virtualOperands_.setStringList(operands);

    QStringList export1;
    export1 << QStringLiteral("DISABLED") << Numbered(QStringLiteral("CH "), kHighPowerOutputCount);
    export1Channels_.setStringList(export1);

    exportBits_.setStringList(BuildExportBitSourceEntries(model_));

    canInputNames_.setStringList(Numbered(QStringLiteral("CAN "), kCanInputCount));
    virtualInputNames_.setStringList(Numbered(QStringLiteral("Virtual "), kVirtualInputCount));
    QStringList outputs;
    AppendOutputNames(outputs, model_, kOutputCount);
    outputNames_.setStringList(outputs);
    QStringList monitor;
    monitor << QStringLiteral("Off") << QStringLiteral("Active messages") << QStringLiteral("All Messages")
            << Numbered(QStringLiteral("CAN "), kCanInputCount);
    monitorEntries_.setStringList(monitor);
}

bool SelectionLists::ServeNamePropagation()
{
    if (!namesChanged_) return false;
    namesChanged_ = false;
    PropagateNames();
    return true;
}

void SelectionLists::PropagateNames()
{
    RenameEntriesInPlace(triggerBase_, BuildTriggerSourceBaseEntries(model_));
    RenameEntriesInPlace(triggerExtended_, BuildTriggerSourceEntries(model_));
    RenameEntriesInPlace(inputNames_, BuildInputNameEntries(model_));
    QStringList canNames;
    AppendCanInputNames(canNames, model_);
    RenameEntriesInPlace(canInputNames_, canNames);
    QStringList virtualNames;
    AppendVirtualInputNames(virtualNames, model_);
    RenameEntriesInPlace(virtualInputNames_, virtualNames);
    RenameEntriesInPlace(virtualOperands_, BuildVirtualOperandEntries(model_));
    QStringList outputs;
    AppendOutputNames(outputs, model_, kOutputCount);
    RenameEntriesInPlace(outputNames_, outputs);
    RenameEntriesInPlace(export1Channels_, BuildExport1ChannelEntries(model_));
    RenameEntriesInPlace(exportBits_, BuildExportBitSourceEntries(model_));
    RenameEntriesInPlace(monitorEntries_, BuildMonitorEntries(model_));
    ++propagations_;
    Q_EMIT NamesPropagated();
}

}  // namespace relvane
