// Name propagation with every selector built, and a configuration file load shown by every
// page. Prints `NAME: VALUE UNIT (target TARGET)` lines.

#include "config/ConfigFile.h"
#include "config/SelectionLists.h"
#include "config/ui/FlashWiperPage.h"
#include "config/ui/InputsPage.h"
#include "config/ui/LoadPages.h"
#include "config/ui/OutputsPage.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListView>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace relvane;

namespace {

class NoDialogs final : public Dialogs {
public:
    MessageAnswer Message(MessageKind, const QString&, MessageButtons, const QString&) override
    {
        return MessageAnswer::Ok;
    }
    std::optional<QString> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<QString> SaveFile(const FileDialogOptions&) override { return std::nullopt; }
};

void Rename(ConfigModel& m, int round)
{
    const QByteArray tag = "r" + QByteArray::number(round) + " ";
    ConfigModel::UpdateBatch batch(m);
    for (int n = 1; n <= kOutputCount; ++n)
        m.ModifyOutput(n, [&](OutputConfig& o) { o.NAME = tag + "out " + QByteArray::number(n); });
    for (int n = 1; n <= kInputCount; ++n)
        m.ModifyInput(n, [&](InputConfig& o) { o.NAME = tag + "in " + QByteArray::number(n); });
    for (int n = 1; n <= kCanInputCount; ++n)
        m.ModifyCanInput(n, [&](CanInputConfig& o) { o.CAN_NAME = tag + "can " + QByteArray::number(n); });
    for (int n = 1; n <= kVirtualInputCount; ++n)
        m.ModifyVirtualInput(n, [&](VirtualInputConfig& o) { o.VIRTUAL_NAME = tag + "v " + QByteArray::number(n); });
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ConfigModel model;
    NoDialogs dialogs;
    SelectionLists lists(model);
    lists.FillSelectionLists();

    QTabWidget notebook;
    notebook.addTab(new TInputsPage(model, lists, dialogs), QStringLiteral("Inputs"));
    notebook.addTab(new TOutputsPage(model, lists, dialogs), QStringLiteral("Outputs"));
    notebook.addTab(new TFlashWiperPage(model, lists, dialogs), QStringLiteral("Flash / Wiper"));
    notebook.addTab(new TLowBatteryPage(model, lists, dialogs), QStringLiteral("Low Battery"));
    notebook.addTab(new TStartKillPage(model, lists, dialogs), QStringLiteral("Start / Kill Button"));
    notebook.addTab(new TLowCurrentPage(model, lists, dialogs), QStringLiteral("Low Current"));
    // The CAN pages' selectors on the same lists: 3 operands, CAN input enable, 18 + 132 export
    // selectors, the CAN and virtual input list boxes and the monitor selector.
    auto* can = new QWidget;
    std::vector<QComboBox*> extra;
    const auto add = [&](QAbstractItemModel* list, int count, int select) {
        for (int i = 0; i < count; ++i) {
            auto* box = new QComboBox(can);
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            box->setMinimumContentsLength(12);
            box->setModel(list);
            box->setCurrentIndex(select % list->rowCount());
            extra.push_back(box);
        }
    };
    add(lists.VirtualOperandList(), 3, 4);
    add(lists.InputNameList(), 1, 2);
    add(lists.Export1ChannelList(), 18, 3);
    add(lists.ExportBitSourceList(), 34 + 34 + 64, 37);
    add(lists.MonitorEntryList(), 1, 0);
    auto* canList = new QListView(can);
    canList->setModel(lists.CanInputNameList());
    auto* virtualList = new QListView(can);
    virtualList->setModel(lists.VirtualInputNameList());
    notebook.addTab(can, QStringLiteral("CAN"));
    notebook.resize(1280, 900);
    notebook.show();
    app.processEvents();

    std::vector<double> all, none;
    for (int round = 0; round < 15; ++round) {
        Rename(model, round);
        QElapsedTimer t;
        t.start();
        lists.PropagateNames();
        app.processEvents();
        all.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        lists.PropagateNames();
        app.processEvents();
        none.push_back(t.nsecsElapsed() / 1e6);
    }
    {
        // The lists' share: the same renames with the pages' follow-up steps left out.
        std::vector<double> listsOnly;
        for (int round = 20; round < 35; ++round) {
            Rename(model, round);
            const QSignalBlocker quiet(&lists);
            QElapsedTimer t;
            t.start();
            lists.PropagateNames();
            app.processEvents();
            listsOnly.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("editors_propagate_lists_only: %.2f ms (target 20 ms)\n", Median(listsOnly));
    }
    std::printf("editors_propagate_all_names_renamed: %.2f ms (target 20 ms)\n", Median(all));
    std::printf("editors_propagate_no_name_changed: %.2f ms (target 20 ms)\n", Median(none));

    // A file that differs from the model in every name and many numbers.
    QTemporaryDir dir;
    ConfigModel source;
    Rename(source, 99);
    for (int n = 1; n <= kOutputCount; ++n)
        source.ModifyOutput(n, [&](OutputConfig& o) {
            o.TRIGGER = PositionToTriggerCode(n * 3 % kTriggerListSize);
            o.DELAY = n;
            o.ON_TIME = n * 2;
            o.MAX_CURRENT = n * 10;
        });
    const QString pathA = dir.filePath(QStringLiteral("a.cfg"));
    SaveConfigFile(source, pathA);
    const QString pathB = dir.filePath(QStringLiteral("b.cfg"));
    ConfigModel other;
    Rename(other, 7);
    SaveConfigFile(other, pathB);
    std::vector<double> loads;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer t;
        t.start();
        LoadConfigFile(model, round % 2 ? pathB : pathA);
        lists.PropagateNames();  // Open asks for it; served on the next tick
        app.processEvents();
        loads.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("editors_file_load_shown: %.2f ms (target 50 ms)\n", Median(loads));
    return 0;
}
