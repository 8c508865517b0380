// "Tools" -> "Compare configuration…" in the composed program against the simulated module:
// comparing with the module lists only the fields changed in the window and leaves the
// configuration shown, its title source and the main read alone; a cancelled module read
// compares nothing and lets no late block into the configuration shown; comparing with files,
// good and bad; a double click takes the user to the page, the channel and the control.

#include "LiveRig.h"

#include "app/CompareCommand.h"
#include "config/ConfigFile.h"
#include "config/ui/CompareForm.h"
#include "protocol/MessageCatalogue.h"

#include <QAction>
#include <QListView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>

#include <memory>

using namespace relvane;
using relvane::e2e::LiveRig;
using relvane::e2e::ModalScript;

namespace {

QStringList Values(const ConfigModel& m)
{
    QStringList out;
    for (const ConfigField& f : ConfigFields(m))
        out << f.section + QLatin1Char(' ') + f.key + QLatin1Char('=') + f.value;
    out << QStringLiteral("box=") + QString::fromLatin1(m.BoxName());
    return out;
}

QStringList Keys(const QList<CompareGroup>& groups)
{
    QStringList keys;
    for (const CompareGroup& g : groups)
        for (const CompareRow& r : g.rows)
            keys << r.difference.field.section + QLatin1Char(' ') + r.difference.field.key;
    return keys;
}

// The fields the tests change in the window: a name, a trigger, a current limit, a CAN input
// and a CAN export bit.
void ChangeShown(ConfigModel& m)
{
    m.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Beam"; });
    m.ModifyOutput(3, [](OutputConfig& o) { o.TRIGGER = o.TRIGGER == 12 ? 13 : 12; });
    m.ModifyOutput(7, [](OutputConfig& o) { o.MAX_CURRENT = NumberOrZero(o.MAX_CURRENT) + 25; });
    m.ModifyCanInput(4, [](CanInputConfig& c) { c.CAN_ID_ON = c.CAN_ID_ON == 0x2A1 ? 0x2A2 : 0x2A1; });
    m.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[10] = e.CHANNEL_INDEX_[10] == 5 ? 6 : 5; });
}

const QStringList kChangedKeys = {QStringLiteral("CAN_INPUT CAN_ID_ON4"), QStringLiteral("CAN_EXPORT_2 CHANNEL_INDEX_10"),
                                  QStringLiteral("OUTPUT NAME5"), QStringLiteral("OUTPUT TRIGGER3"),
                                  QStringLiteral("OUTPUT MAX_CURRENT7")};

}  // namespace

class TestE2eCompare : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LiveRig> rig_;
    LiveRig& Rig() { return *rig_; }
    TMainForm& Main() { return Rig().Main(); }
    ConfigModel& Shown() { return Main().Model(); }

    TCompareForm* OpenWindow()
    {
        auto* entry = Main().findChild<QAction*>(QStringLiteral("CompareConfiguration1"));
        if (!entry || !entry->isEnabled())
            return nullptr;
        entry->trigger();
        return Rig().Program().Compare().Window();
    }

    // A file of the configuration shown with the test's changes.
    bool WriteChangedCopy(const QString& file)
    {
        ConfigModel copy;
        if (!SaveConfigFile(Shown(), file) || !LoadConfigFile(copy, file))
            return false;
        ChangeShown(copy);
        return SaveConfigFile(copy, file);
    }

    bool Connect()
    {
        const QString why = Rig().ConnectThroughDialog();
        if (!why.isEmpty()) {
            qWarning("connect: %s", qPrintable(why));
            return false;
        }
        // TimerSerial's 400 ms: the read it starts runs inside its tick, so once the timer
        // has stopped that read is under way or over.
        if (!QTest::qWaitFor([this] { return !Rig().Main().TimerSerial()->isActive(); }, 60000)) {
            qWarning("connect: the connection read never started");
            return false;
        }
        QElapsedTimer t;
        t.start();
        while (!Rig().Idle() && t.elapsed() < 60000)
            QTest::qWait(50);
        return Rig().Idle() && Rig().Program().Transfer().Sequencer().EndedTransfers() >= 1;
    }

private Q_SLOTS:
    void init()
    {
        rig_ = std::make_unique<LiveRig>();
        QString error;
        QVERIFY2(Rig().Start(&error), qPrintable(error));
        Rig().DialogBoxes().Clear();
    }
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("simulator console:\n%s", qPrintable(Rig().Console().join(QLatin1Char('\n'))));
        rig_.reset();
    }

    void menuEntryOpensOneWindow()
    {
        auto* entry = Main().findChild<QAction*>(QStringLiteral("CompareConfiguration1"));
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("Compare configuration") + QChar(0x2026));
        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&Main()));
        QCOMPARE(OpenWindow(), w);
        QVERIFY(!w->HasComparison());
    }

    void moduleNotConnected()
    {
        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        const QStringList before = Values(Shown());
        w->findChild<QPushButton*>(QStringLiteral("BtnCompareModule"))->click();
        QCOMPARE(Rig().DialogBoxes().Texts(), QStringList{NotConnectedText()});
        QVERIFY(!w->HasComparison());
        QCOMPARE(w->SummaryText(), TCompareForm::NothingComparedText());
        QCOMPARE(Values(Shown()), before);
    }

    void withModuleListsOnlyTheChangedFields()
    {
        QVERIFY(Connect());
        TransferCommands& transfer = Rig().Program().Transfer();
        // The configuration shown comes from a file: its title source must stay so.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shown.cfg"));
        QVERIFY(SaveConfigFile(Shown(), file));
        Rig().DialogBoxes().QueueFile(file);
        transfer.OpenClick();
        QCOMPARE(transfer.Source(), TitleSource::File);
        // Loading the file emptied the box name (a file holds none); the module keeps its own.
        Shown().SetBoxName("Bench 7");

        ChangeShown(Shown());
        const QStringList shownBefore = Values(Shown());
        const int mainReads = transfer.Sequencer().EndedTransfers();

        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        Rig().Simulator().ClearObservations();
        w->findChild<QPushButton*>(QStringLiteral("BtnCompareModule"))->click();
        QVERIFY2(w->HasComparison(), qPrintable(Rig().DialogBoxes().Texts().join(QLatin1Char('|'))));
        QCOMPARE(Rig().DialogBoxes().Unscripted(), 0);
        // The module was really asked: the whole request chain went out.
        QCOMPARE(Rig().Received(INPUT_READ_REQ).size(), 1);
        QCOMPARE(Rig().Received(CAN_EXPORT_READ_REQ).size(), 3);

        QStringList expected = kChangedKeys;
        expected << QStringLiteral(" Box name");  // the file had emptied it, the module has one
        QStringList got = Keys(w->Groups());
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
        QCOMPARE(w->SummaryText(), QStringLiteral("6 fields differ"));
        QCOMPARE(w->TreeDifferences()->topLevelItemCount(), 4);  // Inputs, CAN Inputs, CAN Export, Outputs
        QCOMPARE(w->TreeDifferences()->topLevelItem(0)->text(0), QStringLiteral("Inputs (1)"));
        QCOMPARE(w->TreeDifferences()->topLevelItem(3)->text(0), QStringLiteral("Outputs (3)"));
        QTreeWidgetItem* name = w->RowItem(QStringLiteral("OUTPUT"), QStringLiteral("NAME5"));
        QVERIFY(name);
        QCOMPARE(name->text(2), QStringLiteral("Beam"));
        QVERIFY(name->text(3) != QStringLiteral("Beam"));
        QVERIFY2(name->text(1).startsWith(QStringLiteral("Output 5 \"Beam\"")), qPrintable(name->text(1)));

        // Untouched: the configuration shown, its title source, and the main read, which
        // still works afterwards (its sequencer is back on the dispatcher).
        QCOMPARE(Values(Shown()), shownBefore);
        QCOMPARE(transfer.Source(), TitleSource::File);
        QCOMPARE(transfer.Sequencer().EndedTransfers(), mainReads);
        QVERIFY(!Main().TransferBusy());

        // Edits follow: putting a value back takes its row away.
        const QString other = w->RowItem(QStringLiteral("OUTPUT"), QStringLiteral("NAME5"))->text(3);
        Shown().ModifyOutput(5, [&](OutputConfig& o) { o.NAME = other.toLatin1(); });
        QTRY_VERIFY(!w->RowItem(QStringLiteral("OUTPUT"), QStringLiteral("NAME5")));
        QCOMPARE(w->SummaryText(), QStringLiteral("5 fields differ"));

        transfer.BtnLoadClick();
        QCOMPARE(transfer.Sequencer().EndedTransfers(), mainReads + 1);
        QCOMPARE(Shown().Output(5).NAME, other.toLatin1());
        QCOMPARE(transfer.Source(), TitleSource::Module);
        QTRY_COMPARE(w->SummaryText(), QStringLiteral("The configurations are the same"));
    }

    void cancelledModuleReadComparesNothing()
    {
        QVERIFY(Connect());
        // Differs from the module, so a late block reaching it would show.
        for (int n = 1; n <= kOutputCount; ++n)
            Shown().ModifyOutput(n, [n](OutputConfig& o) { o.NAME = "Mine " + QByteArray::number(n); });
        const QStringList before = Values(Shown());
        TCompareForm* w = OpenWindow();
        QVERIFY(w);

        // Cancel while the inputs and outputs still stream in.
        TUpdateForm& progress = Rig().Program().Transfer().Windows().UpdateForm();
        Rig().Simulator().ClearObservations();
        ModalScript script(
            &progress, [&] { return !Rig().Received(INPUT_READ_REQ).isEmpty(); },
            [&] { progress.BtnCancel()->click(); });
        w->findChild<QPushButton*>(QStringLiteral("BtnCompareModule"))->click();
        QVERIFY(!script.GaveUp());
        QVERIFY(!w->HasComparison());
        QCOMPARE(w->SummaryText(), TCompareForm::ModuleIncompleteText());
        QVERIFY(Rig().DialogBoxes().Texts().isEmpty());  // the cancel was the user's: no box
        QTest::qWait(1500);
        QCOMPARE(Values(Shown()), before);
        QVERIFY(!Main().TransferBusy());
        // Nothing went on asking the module after the cancel. What the link's queue still
        // held went out first (it has held entries for seconds on a loaded machine).
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Program().Link().Queue().WaitingCount(), 0, 15000);
        QTest::qWait(300);
        Rig().Simulator().ClearObservations();
        QTest::qWait(800);
        QCOMPARE(Rig().Received(CAN_INPUT_READ_REQ).size(), 0);
        QCOMPARE(Rig().Received(LOW_BATTERY_READ_REQ).size(), 0);
    }

    void withFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("other.cfg"));
        QVERIFY(WriteChangedCopy(file));
        const QStringList before = Values(Shown());

        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        Rig().DialogBoxes().QueueFile(file);
        w->findChild<QPushButton*>(QStringLiteral("BtnCompareFile"))->click();
        QVERIFY(w->HasComparison());
        QStringList got = Keys(w->Groups());
        QStringList expected = kChangedKeys;
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);  // a file holds no box name: not compared
        QVERIFY(w->SourceText().contains(QStringLiteral("other.cfg")));
        QCOMPARE(w->TreeDifferences()->headerItem()->text(3), QStringLiteral("File value"));
        QCOMPARE(Values(Shown()), before);
        QCOMPARE(Rig().Program().Transfer().Source(), TitleSource::None);
    }

    void badFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no such file") << "missing";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a pipe") << "fifo";
        QTest::newRow("no read permission") << "unreadable";
    }
    void badFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.cfg"));
        QString expected;
        if (kind == QLatin1String("missing")) {
            expected = TCompareForm::FileMissingText(path);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(path));
            expected = TCompareForm::NotAFileText(path);
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
            expected = TCompareForm::NotAFileText(path);
        } else {
            QVERIFY(SaveConfigFile(Shown(), path));
            QFile::setPermissions(path, QFileDevice::Permissions());
            QFile probe(path);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("permission bits do not stop this user from reading");
            expected = QStringLiteral("Unable to read ") + path;
        }
        // A good comparison first: a bad file must not leave it standing as if it were the file's.
        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        const QString good = dir.filePath(QStringLiteral("good.cfg"));
        QVERIFY(SaveConfigFile(Shown(), good));
        QVERIFY(w->CompareWithFile(good));
        QVERIFY(w->HasComparison());

        const QStringList before = Values(Shown());
        Rig().DialogBoxes().Clear();
        QVERIFY(!w->CompareWithFile(path));
        QCOMPARE(Rig().DialogBoxes().Count(), 1);
        QCOMPARE(Rig().DialogBoxes().Calls().first().messageKind, MessageKind::Error);
        QVERIFY2(Rig().DialogBoxes().LastText().startsWith(expected), qPrintable(Rig().DialogBoxes().LastText()));
        QVERIFY(!w->HasComparison());
        QCOMPARE(w->TreeDifferences()->topLevelItemCount(), 0);
        QCOMPARE(w->SummaryText(), TCompareForm::NothingComparedText());
        QCOMPARE(Values(Shown()), before);
    }

    void doubleClickGoesToTheControl_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("canInput");  // the CAN input selected, -1: not the CAN page
        QTest::addColumn<bool>("byKey");    // Enter on the row instead of a double click
        QTest::newRow("name") << "OUTPUT" << "NAME5" << int(PAGE_OUTPUTS) << "EditOutputName_ch5" << -1 << false;
        QTest::newRow("trigger") << "OUTPUT" << "TRIGGER3" << int(PAGE_OUTPUTS) << "ComboBoxInputTrigCH3" << -1 << false;
        QTest::newRow("current limit") << "OUTPUT" << "MAX_CURRENT7" << int(PAGE_OUTPUTS) << "EditMaxCurrentCH7" << -1 << false;
        QTest::newRow("CAN input") << "CAN_INPUT" << "CAN_ID_ON4" << int(PAGE_CAN_INPUTS) << "EditCAN_ID_ON_1" << 3 << false;
        QTest::newRow("export bit") << "CAN_EXPORT_2" << "CHANNEL_INDEX_10" << int(PAGE_CAN_EXPORT)
                                    << "ComboBox_CAN_Export2_DataByte1_Bit5" << -1 << false;
        QTest::newRow("trigger by Enter") << "OUTPUT" << "TRIGGER3" << int(PAGE_OUTPUTS) << "ComboBoxInputTrigCH3" << -1
                                          << true;
        QTest::newRow("CAN input by Enter") << "CAN_INPUT" << "CAN_ID_ON4" << int(PAGE_CAN_INPUTS) << "EditCAN_ID_ON_1"
                                            << 3 << true;
    }
    void doubleClickGoesToTheControl()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(int, canInput);
        QFETCH(bool, byKey);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("other.cfg"));
        QVERIFY(WriteChangedCopy(file));
        TCompareForm* w = OpenWindow();
        QVERIFY(w);
        QVERIFY(w->CompareWithFile(file));
        // Somewhere else first, so the page and the selection must really change.
        Main().Notebook()->setCurrentIndex(PAGE_GENERAL);
        if (canInput >= 0)
            Rig().Program().Compare().GoTo(LocateField({QStringLiteral("CAN_INPUT"), QStringLiteral("CAN_ID_ON20"),
                                                        QStringLiteral("CAN_ID_ON"), {}, {}, QStringLiteral("0")}));
        Main().Notebook()->setCurrentIndex(PAGE_GENERAL);

        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTreeWidgetItem* item = w->RowItem(section, key);
        QVERIFY(item);
        QTreeWidget* tree = w->TreeDifferences();
        tree->scrollToItem(item);
        const QRect r = tree->visualItemRect(item);
        QVERIFY(r.isValid());
        // The row is selected, then double clicked (the first press only makes it current when
        // the tree does not have the focus yet).
        if (byKey) {
            tree->setFocus();
            tree->setCurrentItem(item);
            QTest::keyClick(tree, Qt::Key_Return);
        } else {
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
        }

        QCOMPARE(Main().Notebook()->currentIndex(), page);
        QWidget* focused = Main().focusWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), control);
        QVERIFY(focused->isVisible());
        if (canInput >= 0)
            QCOMPARE(qobject_cast<TCanInputPage*>(Main().Page(PAGE_CAN_INPUTS))->SelectedCanInput(), canInput);
        QVERIFY(w->isVisible());  // non-modal: it stays open beside the main window
    }

    // Every field a file holds leads to a control that exists and can be seen, so a control
    // renamed on a page shows here.
    void everyLocationResolves()
    {
        ConfigModel m;
        int visited = 0;
        for (const ConfigField& f : ConfigFields(m)) {
            const FieldLocation where = LocateField(f, f.value);
            if (where.page == ComparePage::None)
                continue;
            const QString what = f.section + QLatin1Char(' ') + f.key;
            QVERIFY2(Rig().Program().Compare().GoTo(where), qPrintable(what));
            QCOMPARE(Main().Notebook()->currentIndex(), where.page);
            QWidget* control = Main().Page(where.page)->findChild<QWidget*>(where.control);
            QVERIFY2(control && control->isVisible(), qPrintable(what));
            ++visited;
        }
        QVERIFY(visited > 1000);
    }
};

QTEST_MAIN(TestE2eCompare)
#include "test_e2e_compare.moc"
