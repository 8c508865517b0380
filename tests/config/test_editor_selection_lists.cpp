// The shared entry lists: start-up fill, the lists built from the model's names, renaming in
// place (positions and selections stay), the request flag and its serving.

#include "config/ConfigModel.h"
#include "config/SelectionLists.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QtTest>

using namespace relvane;

class TestSelectionLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startFill_data();
    void startFill();
    void startFillClearsRequest();
    void builtLists_data();
    void builtLists();
    void renameInPlaceKeepsRowsAndSelection();
    void renameGrowsAndShrinksAtTheEnd();
    void propagationShowsNewNames_data();
    void propagationShowsNewNames();
    void nameChangeRequestsOnlyWhileIdle();
    void serveRunsOncePerRequest();
    void flashNameDoesNotRequest();
};

void TestSelectionLists::startFill_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("base first") << "base" << 65 << 0 << "DISABLED";
    QTest::newRow("base +30") << "base" << 65 << 1 << "+30";
    QTest::newRow("base input 3") << "base" << 65 << 4 << "CH 3";
    QTest::newRow("base CAN 32") << "base" << 65 << 44 << "CAN 32";
    QTest::newRow("base virtual 20") << "base" << 65 << 64 << "Virtual 20";
    QTest::newRow("extended slow") << "extended" << 67 << 65 << "Wiper Slow";
    QTest::newRow("extended fast") << "extended" << 67 << 66 << "Wiper Fast";
    QTest::newRow("inputs") << "inputs" << 11 << 10 << "CH 11";
    QTest::newRow("operands first") << "operands" << 13 << 0 << "Not Used";
    QTest::newRow("operands input 11") << "operands" << 13 << 12 << "CH 11";
    QTest::newRow("export 1") << "export1" << 19 << 18 << "CH 18";
    QTest::newRow("export bits output") << "bits" << 47 << 1 << "";
    QTest::newRow("export bits input 1") << "bits" << 47 << 35 << "CH 1";
    QTest::newRow("export bits error") << "bits" << 47 << 46 << "Output error";
    QTest::newRow("CAN names") << "can" << 32 << 31 << "CAN 32";
    QTest::newRow("virtual names") << "virtual" << 20 << 0 << "Virtual 1";
    QTest::newRow("monitor") << "monitor" << 35 << 2 << "All Messages";
    QTest::newRow("monitor CAN 1") << "monitor" << 35 << 3 << "CAN 1";
}

static QStringListModel* ListByName(SelectionLists& l, const QString& name)
{
    if (name == QLatin1String("base")) return l.TriggerSourceBaseList();
    if (name == QLatin1String("extended")) return l.TriggerSourceList();
    if (name == QLatin1String("inputs")) return l.InputNameList();
    if (name == QLatin1String("operands")) return l.VirtualOperandList();
    if (name == QLatin1String("export1")) return l.Export1ChannelList();
    if (name == QLatin1String("bits")) return l.ExportBitSourceList();
    if (name == QLatin1String("can")) return l.CanInputNameList();
    if (name == QLatin1String("virtual")) return l.VirtualInputNameList();
    if (name == QLatin1String("monitor")) return l.MonitorEntryList();
    if (name == QLatin1String("outputs")) return l.OutputNameList();
    return nullptr;
}

void TestSelectionLists::startFill()
{
    QFETCH(QString, list);
    QFETCH(int, count);
    QFETCH(int, position);
    QFETCH(QString, text);
    ConfigModel model;
    SelectionLists lists(model);
    lists.FillSelectionLists();
    QStringListModel* m = ListByName(lists, list);
    QVERIFY(m);
    QCOMPARE(m->rowCount(), count);
    QCOMPARE(m->stringList().at(position), text);
}

void TestSelectionLists::startFillClearsRequest()
{
    ConfigModel model;
    SelectionLists lists(model);
    lists.RequestNamePropagation();
    lists.FillSelectionLists();
    QVERIFY(!lists.NamePropagationRequested());
}

void TestSelectionLists::builtLists_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("operand output 1") << "operands" << 99 << 45 << "Out 1";
    QTest::newRow("operand output 34") << "operands" << 99 << 78 << "Out 34";
    QTest::newRow("operand virtual 1") << "operands" << 99 << 79 << "Virtual 1";
    QTest::newRow("operand CAN 1") << "operands" << 99 << 13 << "CAN 1";
    QTest::newRow("export 1 output 18") << "export1" << 19 << 18 << "Out 18";
    QTest::newRow("bits output 34") << "bits" << 47 << 34 << "Out 34";
    QTest::newRow("bits input 11") << "bits" << 47 << 45 << "CH 11";
    QTest::newRow("monitor CAN 32") << "monitor" << 35 << 34 << "CAN 32";
    QTest::newRow("extended virtual 20") << "extended" << 67 << 64 << "Virtual 20";
}

void TestSelectionLists::builtLists()
{
    QFETCH(QString, which);
    QFETCH(int, count);
    QFETCH(int, position);
    QFETCH(QString, text);
    ConfigModel model;
    for (int n = 1; n <= kOutputCount; ++n)
        model.ModifyOutput(n, [&](OutputConfig& o) { o.NAME = "Out " + QByteArray::number(n); });
    QStringList entries;
    if (which == QLatin1String("operands")) entries = BuildVirtualOperandEntries(model);
    if (which == QLatin1String("export1")) entries = BuildExport1ChannelEntries(model);
    if (which == QLatin1String("bits")) entries = BuildExportBitSourceEntries(model);
    if (which == QLatin1String("monitor")) entries = BuildMonitorEntries(model);
    if (which == QLatin1String("extended")) entries = BuildTriggerSourceEntries(model);
    QCOMPARE(entries.size(), count);
    QCOMPARE(entries.at(position), text);
}

void TestSelectionLists::renameInPlaceKeepsRowsAndSelection()
{
    QStringListModel list(QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QItemSelectionModel selection(&list);
    selection.setCurrentIndex(list.index(2, 0), QItemSelectionModel::ClearAndSelect);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QVERIFY(RenameEntriesInPlace(list, {QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("c")}));
    QCOMPARE(reset.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(changed.count(), 1);  // only the renamed row
    QCOMPARE(selection.currentIndex().row(), 2);
    QCOMPARE(list.stringList().at(1), QStringLiteral("B"));
    // Nothing new: nothing touched.
    QVERIFY(!RenameEntriesInPlace(list, {QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("c")}));
    QCOMPARE(changed.count(), 1);
}

void TestSelectionLists::renameGrowsAndShrinksAtTheEnd()
{
    QStringListModel list(QStringList{QStringLiteral("x"), QStringLiteral("y")});
    QItemSelectionModel selection(&list);
    selection.setCurrentIndex(list.index(1, 0), QItemSelectionModel::ClearAndSelect);
    RenameEntriesInPlace(list, {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"), QStringLiteral("w")});
    QCOMPARE(list.stringList(), (QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"),
                                             QStringLiteral("w")}));
    QCOMPARE(selection.currentIndex().row(), 1);
    RenameEntriesInPlace(list, {QStringLiteral("x")});
    QCOMPARE(list.rowCount(), 1);
}

void TestSelectionLists::propagationShowsNewNames_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("position");
    // A new name for input 3 at the positions every selector shows it.
    QTest::newRow("output triggers") << "extended" << 4;
    QTest::newRow("wiper selectors") << "base" << 4;
    QTest::newRow("virtual operands") << "operands" << 4;
    QTest::newRow("CAN input enable") << "inputs" << 2;
    QTest::newRow("export bits") << "bits" << 37;
}

void TestSelectionLists::propagationShowsNewNames()
{
    QFETCH(QString, list);
    QFETCH(int, position);
    ConfigModel model;
    SelectionLists lists(model);
    lists.FillSelectionLists();
    model.ModifyInput(3, [](InputConfig& r) { r.NAME = "Horn"; });
    QStringListModel* m = ListByName(lists, list);
    QVERIFY(m->stringList().at(position) != QStringLiteral("Horn"));  // not before the tick
    QSignalSpy done(&lists, &SelectionLists::NamesPropagated);
    QVERIFY(lists.ServeNamePropagation());
    QCOMPARE(done.count(), 1);
    QCOMPARE(m->stringList().at(position), QStringLiteral("Horn"));
    QCOMPARE(lists.VirtualOperandList()->rowCount(), kOperandListSize);
}

void TestSelectionLists::nameChangeRequestsOnlyWhileIdle()
{
    ConfigModel model;
    SelectionLists lists(model);
    lists.FillSelectionLists();
    bool busy = true;
    lists.SetTransferBusyQuery([&] { return busy; });
    model.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Pump"; });
    model.ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_NAME = "Door"; });
    QVERIFY(!lists.NamePropagationRequested());
    busy = false;
    model.ModifyVirtualInput(1, [](VirtualInputConfig& v) { v.VIRTUAL_NAME = "Both"; });
    QVERIFY(lists.NamePropagationRequested());
}

void TestSelectionLists::serveRunsOncePerRequest()
{
    ConfigModel model;
    SelectionLists lists(model);
    lists.FillSelectionLists();
    QSignalSpy done(&lists, &SelectionLists::NamesPropagated);
    QVERIFY(!lists.ServeNamePropagation());
    for (int n = 1; n <= kInputCount; ++n)
        model.ModifyInput(n, [&](InputConfig& r) { r.NAME = "In " + QByteArray::number(n); });
    QVERIFY(lists.ServeNamePropagation());
    QVERIFY(!lists.NamePropagationRequested());
    QVERIFY(!lists.ServeNamePropagation());
    QCOMPARE(done.count(), 1);
    QCOMPARE(lists.PropagationCount(), 1);
    QCOMPARE(lists.TriggerSourceList()->stringList().at(12), QStringLiteral("In 11"));
}

void TestSelectionLists::flashNameDoesNotRequest()
{
    ConfigModel model;
    SelectionLists lists(model);
    lists.FillSelectionLists();
    model.ModifyFlash(1, [](FlashConfig& f) { f.FLASH_NAME = "Hazard"; });
    model.SetBoxName("Truck");
    QVERIFY(!lists.NamePropagationRequested());
}

QTEST_GUILESS_MAIN(TestSelectionLists)
#include "test_editor_selection_lists.moc"
