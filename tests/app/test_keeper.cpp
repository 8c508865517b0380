// Never losing a configuration, in the composed program against the simulated module: undo of
// page edits and of a Read, the modified and "Not uploaded" marks, the Save/Discard/Cancel
// question, the question before the automatic Read, restore points and the recovery file.

#include "app/CompareCommand.h"
#include "app/ConfigKeeper.h"
#include "app/TransferCommands.h"
#include "config/ConfigDelta.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/RecoveryFile.h"
#include "support/KilledWriter.h"
#include "config/ui/CompareForm.h"
#include "config/ui/HistoryForm.h"
#include "e2e/LiveRig.h"

#include <QAction>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTest>


using namespace relvane;
using namespace relvane::e2e;

namespace {

using Field = std::function<QString(const ConfigModel&)>;

QString DelayOf5(const ConfigModel& m) { return QString::number(NumberOrZero(m.Output(5).DELAY)); }

void EditDelay5(ConfigModel& m, int v) { m.ModifyOutput(5, [v](OutputConfig& o) { o.DELAY = v; }); }

QString Plain(const QString& text) { return QString(text).remove(QLatin1Char('&')); }

}  // namespace

Q_DECLARE_METATYPE(Field)

class TestKeeper : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> data_;
    std::unique_ptr<LiveRig> rig_;

    LiveRig& Rig() { return *rig_; }
    TMainForm& Main() { return Rig().Main(); }
    ConfigModel& Model() { return Main().Model(); }
    ConfigKeeper& Keeper() { return Rig().Program().Keeper(); }
    ScriptedDialogs& Boxes() { return Rig().DialogBoxes(); }
    QAction* Action(const char* name) { return Main().findChild<QAction*>(QString::fromLatin1(name)); }
    QList<RestorePoint> Points() { return Keeper().History()->List().points; }

    void Start()
    {
        rig_ = std::make_unique<LiveRig>();
        rig_->dataFolder = data_->path();
        QString error;
        QVERIFY2(Rig().Start(&error), qPrintable(error));
    }
    // Connected, with the read that follows (or its question) over.
    void Connect()
    {
        const QString why = Rig().ConnectThroughDialog();
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QVERIFY(QTest::qWaitFor([this] { return !Main().TimerSerial()->isActive() && Rig().Idle(); }, 60000));
    }

private Q_SLOTS:
    void init()
    {
        data_ = std::make_unique<QTemporaryDir>();
        Start();
    }
    void cleanup()
    {
        rig_.reset();
        data_.reset();
    }

    // One control per page: edited, undone and redone from the Edit menu; the control follows.
    void pageEditsUndoAndRedo_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("step");
        QTest::addColumn<Field>("field");
        QTest::newRow("outputs") << int(PAGE_OUTPUTS) << "EditDelayCH5" << "1.2" << "Delay CH5" << Field(DelayOf5);
        QTest::newRow("inputs") << int(PAGE_INPUTS) << "EditInputName_ch3" << "Horn" << "Name Input 3"
                                << Field([](const ConfigModel& m) { return QString::fromLatin1(m.Input(3).NAME); });
        QTest::newRow("low battery") << int(PAGE_LOW_BATTERY) << "EditLowVoltageTrig" << "11.5" << "Low threshold"
                                     << Field([](const ConfigModel& m) { return m.LowBattery().LOW_TRIG; });
        QTest::newRow("kill button") << int(PAGE_START_KILL) << "KillInputDelayEdit" << "42" << "Kill input delay"
                                     << Field([](const ConfigModel& m) { return QString::number(m.KillButton().INPUT_DELAY); });
        QTest::newRow("low current") << int(PAGE_LOW_CURRENT) << "EditLowCurrentCH3" << "1.5" << "Min current CH3"
                                     << Field([](const ConfigModel& m) { return QString::number(NumberOrZero(m.Output(3).LOW_CURRENT)); });
    }
    void pageEditsUndoAndRedo()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, step);
        QFETCH(Field, field);
        auto* edit = Main().Page(page)->findChild<QLineEdit*>(control);
        QVERIFY(edit);
        const QString shownBefore = edit->text();
        const QString before = field(Model());
        QVERIFY(!Main().isWindowModified());
        edit->setText(text);
        const QString after = field(Model());
        QVERIFY(after != before);
        QVERIFY(Main().isWindowModified());
        QVERIFY2(Plain(Action("Undo1")->text()).startsWith(QStringLiteral("Undo ") + step),
                 qPrintable(Action("Undo1")->text()));
        Action("Undo1")->trigger();
        QCOMPARE(field(Model()), before);
        QCOMPARE(edit->text(), shownBefore);
        QVERIFY(!Main().isWindowModified());  // compared, not counted: undone is clean again
        Action("Redo1")->trigger();
        QCOMPARE(field(Model()), after);
        QCOMPARE(edit->text(), text);
    }

    // The question on Open and Exit while the mark is set; nothing is asked without edits.
    void saveDiscardCancel_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("proceeds");
        QTest::newRow("open, no edits") << "open" << "" << false << true;
        QTest::newRow("open, save") << "open" << "Save" << true << true;
        QTest::newRow("open, discard") << "open" << "Discard" << false << true;
        QTest::newRow("open, cancel") << "open" << "Cancel" << false << false;
        QTest::newRow("exit, save") << "exit" << "Save" << true << true;
        QTest::newRow("exit, discard") << "exit" << "Discard" << false << true;
        QTest::newRow("exit, cancel") << "exit" << "Cancel" << false << false;
        QTest::newRow("defaults, cancel") << "defaults" << "Cancel" << false << false;
    }
    void saveDiscardCancel()
    {
        QFETCH(QString, command);
        QFETCH(QString, answer);
        QFETCH(bool, saved);
        QFETCH(bool, proceeds);
        const QString savePath = data_->filePath(QStringLiteral("edits.cfg"));
        const QString openPath = data_->filePath(QStringLiteral("other.cfg"));
        ConfigModel other;
        EditDelay5(other, 99);
        QVERIFY(SaveConfigFile(other, openPath));
        if (!answer.isEmpty()) {
            EditDelay5(Model(), 7);
            Boxes().ChooseText(SaveChangesText(), answer);
        }
        if (saved)
            Boxes().QueueFile(savePath);
        if (command == QLatin1String("open")) {
            if (proceeds)
                Boxes().QueueFile(openPath);
            Main().OpenClick();
            QCOMPARE(DelayOf5(Model()), proceeds ? QStringLiteral("99") : QStringLiteral("7"));
        } else if (command == QLatin1String("exit")) {
            Main().close();
            QCOMPARE(Main().isVisible(), !proceeds);
        } else {
            Main().BtnDefaultValueClick();
        }
        QCOMPARE(Boxes().Texts().count(SaveChangesText()), answer.isEmpty() ? 0 : 1);
        QCOMPARE(QFileInfo::exists(savePath), saved);
        QCOMPARE(Boxes().Unscripted(), 0);
        QCOMPARE(Boxes().PendingAnswers(), 0);
        if (saved) {
            ConfigModel back;
            QVERIFY(LoadConfigFile(back, savePath));
            QCOMPARE(DelayOf5(back), QStringLiteral("7"));
        }
    }

    // The automatic Read after a connection: at once without edits, asked with them.
    void theReadAfterAConnection_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("no edits") << "";
        QTest::newRow("read") << "Read";
        QTest::newRow("keep") << "Keep";
        QTest::newRow("compare") << "Compare";
    }
    void theReadAfterAConnection()
    {
        QFETCH(QString, answer);
        if (!answer.isEmpty()) {
            EditDelay5(Model(), 77);
            Boxes().ChooseText(ReplaceEditsText(), answer);
        }
        const QString title = Main().windowTitle();
        Connect();
        QCOMPARE(Boxes().Unscripted(), 0);
        QCOMPARE(Boxes().Texts().contains(ReplaceEditsText()), !answer.isEmpty());
        const QList<RestorePoint> points = Points();
        if (answer == QLatin1String("Keep")) {
            QCOMPARE(DelayOf5(Model()), QStringLiteral("77"));
            QCOMPARE(Main().windowTitle(), title);  // the title does not claim the module
            QVERIFY(points.isEmpty());
            return;
        }
        if (answer == QLatin1String("Compare")) {
            QCOMPARE(DelayOf5(Model()), QStringLiteral("77"));
            QVERIFY(Rig().Program().Compare().Window() && Rig().Program().Compare().Window()->isVisible());
            QCOMPARE(points.size(), 1);  // the module as the compare window read it
            return;
        }
        // Read: the module's configuration, exactly as its restore point holds it.
        QVERIFY(DelayOf5(Model()) != QStringLiteral("77"));
        QVERIFY(!Main().isWindowModified());
        QCOMPARE(Plain(Action("Undo1")->text()), QStringLiteral("Undo Read"));
        QCOMPARE(points.size(), answer.isEmpty() ? 1 : 2);
        QCOMPARE(points.first().event, HistoryEvent::Read);
        ConfigModel read;
        QVERIFY(ReadRestorePointFile(points.first().file, &read, nullptr));
        QVERIFY(SameConfiguration(read, Model()));
        if (!answer.isEmpty()) {
            QCOMPARE(points.at(1).event, HistoryEvent::Edits);
            Action("Undo1")->trigger();  // the edits are one Undo away
            QCOMPARE(DelayOf5(Model()), QStringLiteral("77"));
            QCOMPARE(Main().UploadStatusText(), StatusNotUploaded());
        }
    }

    // A read that completes after its window timed out (the sequencer's hand-off, driven here
    // directly) replaces nothing edited since: it is offered, as the automatic Read's question.
    void aLateReadIsOffered_data()
    {
        QTest::addColumn<bool>("editedSince");
        QTest::addColumn<QString>("answer");
        QTest::newRow("nothing edited since") << false << "";
        QTest::newRow("edited, read") << true << "Read";
        QTest::newRow("edited, keep") << true << "Keep";
    }
    void aLateReadIsOffered()
    {
        QFETCH(bool, editedSince);
        QFETCH(QString, answer);
        ConfigModel read;
        EditDelay5(read, 61);
        TransferCommands& transfer = Rig().Program().Transfer();
        transfer.TransferStarting(TransferKind::Read);
        if (editedSince) {
            EditDelay5(Model(), 8);
            Boxes().ChooseText(ReplaceEditsText(), answer);
        }
        QCOMPARE(transfer.TakeRead(Model(), read, true), !editedSince);
        QCOMPARE(DelayOf5(Model()), editedSince ? QStringLiteral("8") : QStringLiteral("61"));
        QTest::qWait(50);  // the question waits for the hand-off to end
        QCOMPARE(Boxes().Texts().contains(ReplaceEditsText()), editedSince);
        QCOMPARE(Boxes().Unscripted(), 0);
        QCOMPARE(DelayOf5(Model()), answer == QLatin1String("Keep") ? QStringLiteral("8") : QStringLiteral("61"));
        if (answer == QLatin1String("Read")) {
            Action("Undo1")->trigger();
            QCOMPARE(DelayOf5(Model()), QStringLiteral("8"));
        }
    }

    // Upload writes what it sends as a restore point first; "Not uploaded" follows the model.
    void uploadKeepsARestorePointAndClearsNotUploaded()
    {
        Connect();
        QCOMPARE(Main().UploadStatusText(), QString());
        EditDelay5(Model(), 31);
        QCOMPARE(Main().UploadStatusText(), StatusNotUploaded());
        Boxes().AnswerText(QStringLiteral("Reboot Target to use new settings?"), MessageAnswer::No);
        Main().BtnSaveClick();
        QVERIFY(QTest::qWaitFor([this] { return Rig().Idle(); }, 60000));
        QCOMPARE(Main().UploadStatusText(), QString());
        QCOMPARE(Points().first().event, HistoryEvent::Upload);
        ConfigModel sent;
        QVERIFY(ReadRestorePointFile(Points().first().file, &sent, nullptr));
        QVERIFY(SameConfiguration(sent, Model()));
        Action("Undo1")->trigger();
        QCOMPARE(Main().UploadStatusText(), StatusNotUploaded());
    }

    // Default settings keep the module's configuration as it was; History's Restore and the
    // compare window's Apply are single steps.
    void defaultsRestoreAndApplyTicked()
    {
        Connect();
        ConfigModel module;
        module.Assign(Model());
        Boxes().AnswerText(QStringLiteral("This will reset the relvane to factory settings?"), MessageAnswer::Yes);
        Main().BtnDefaultValueClick();
        QVERIFY(QTest::qWaitFor([this] { return Rig().Idle(); }, 60000));
        QCOMPARE(Boxes().Unscripted(), 0);
        QList<RestorePoint> points = Points();
        QCOMPARE(points.size(), 3);  // read, defaults, read of the factory settings
        QCOMPARE(points.at(1).event, HistoryEvent::Defaults);
        ConfigModel before;
        QVERIFY(ReadRestorePointFile(points.at(1).file, &before, nullptr));
        QVERIFY(SameConfiguration(before, module));

        EditDelay5(Model(), 9);
        Keeper().ShowHistory();
        THistoryForm* history = Keeper().HistoryWindow();
        QVERIFY(history && history->List()->topLevelItemCount() == 3);
        history->SelectRow(1);
        history->BtnRestoreClick();
        QVERIFY(SameConfiguration(Model(), module));
        QCOMPARE(Plain(Action("Undo1")->text()), QStringLiteral("Undo Restore"));
        history->close();

        // The file differs in the delay of output 5 and the name of input 2: only the ticked
        // delay is taken.
        ConfigModel file;
        file.Assign(Model());
        EditDelay5(file, 44);
        file.ModifyInput(2, [](InputConfig& i) { i.NAME = "Other"; });
        QVERIFY(SaveConfigFile(file, data_->filePath(QStringLiteral("file.cfg"))));
        const QByteArray input2 = Model().Input(2).NAME;
        Rig().Program().Compare().Open();
        TCompareForm* compare = Rig().Program().Compare().Window();
        Boxes().QueueFile(data_->filePath(QStringLiteral("file.cfg")));
        compare->BtnCompareFileClick();
        compare->SetRowTicked(QStringLiteral("OUTPUT"), QStringLiteral("DELAY5"), true);
        compare->BtnApplyTickedClick();
        QCOMPARE(DelayOf5(Model()), QStringLiteral("44"));
        QCOMPARE(Model().Input(2).NAME, input2);
        QCOMPARE(Plain(Action("Undo1")->text()), QStringLiteral("Undo Apply ticked"));
        Action("Undo1")->trigger();
        QVERIFY(SameConfiguration(Model(), module));
        compare->close();
    }

    // A tool killed while editing leaves its recovery file; the next start offers exactly it.
    void aKilledToolIsRecoveredAtTheNextStart()
    {
        rig_.reset();
        const QString folder = data_->filePath(QStringLiteral("recovery"));
        ConfigModel edited;
        EditDelay5(edited, 23);
        edited.SetBoxName("Lost work");
        QVERIFY(test::RecoveryWrittenThenKilled(folder, edited) > 0);
        rig_ = std::make_unique<LiveRig>();
        rig_->dataFolder = data_->path();
        Rig().DialogBoxes().QueueAnswer(MessageAnswer::Yes);
        QString error;
        QVERIFY2(Rig().Start(&error), qPrintable(error));
        QCOMPARE(Boxes().Count(), 1);
        QVERIFY(Boxes().Texts().first().startsWith(QStringLiteral("Recover the configuration you were editing at ")));
        QCOMPARE(DelayOf5(Model()), QStringLiteral("23"));
        QCOMPARE(Model().BoxName(), QByteArray("Lost work"));
        QVERIFY(Main().isWindowModified());
        QCOMPARE(Plain(Action("Undo1")->text()), QStringLiteral("Undo Recover"));

        // A signal asks nothing and keeps the edits for the next start.
        Main().setProperty("closedBySignal", true);
        Main().close();
        QCOMPARE(Boxes().Count(), 1);
        QVERIFY(Keeper().Recovery()->Exists());
    }
};

QTEST_MAIN(TestKeeper)
#include "test_keeper.moc"
