// The main window's configuration commands as the program composes them: File Open
// and Save with their dialogs and questions, the window title, and Read, Upload and
// Default settings reached from every control, menu entry, key and the connection timer.

#include "app/ConfigKeeper.h"
#include "ProgramRig.h"
#include "app/ErrorDisplay.h"
#include "app/ToolProgram.h"
#include "app/TransferCommands.h"
#include "config/ConfigFile.h"
#include "config/IniFile.h"
#include "link/MemoryBackend.h"
#include "protocol/BlockCodec.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace relvane;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

class TestTransferApp : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ProgramRig> rig_;

    ToolProgram& Program() { return rig_->Program(); }
    TMainForm& Main() { return Program().MainForm(); }
    ConfigModel& Model() { return Main().Model(); }
    QString Path(const char* name) const { return rig_->dir.filePath(QString::fromLatin1(name)); }

    void SaveAs(const QString& chosen)
    {
        rig_->dialogs.QueueFile(chosen);
        Main().SaveClick();
    }
    void Open(const QString& chosen)
    {
        rig_->dialogs.QueueFile(chosen);
        Main().OpenClick();
    }

private Q_SLOTS:
    void init()
    {
        rig_ = std::make_unique<test::ProgramRig>();
    }
    void cleanup()
    {
        rig_.reset();
    }

    // ---------------------------------------------------------------------------
    // Open and Save.

    void openingAMissingFileGivesTheDefaultsAndTheTitle()
    {
        SetInputName(Model(), 1, QByteArray("Horn"));
        Model().SetBoxName(QByteArray("Old box"));
        Program().Keeper().Baselines().MarkSaved();  // as a file brought them: Open asks nothing
        const QString lastBefore = Main().LastConfigPath();
        Open(Path("nothing here.cfg"));
        QCOMPARE(rig_->dialogs.Calls().size(), 1);
        const DialogCall& call = rig_->dialogs.Calls().first();
        QCOMPARE(call.kind, DialogCall::Kind::OpenFile);
        QCOMPARE(call.options.filter, QStringLiteral("config files (*.cfg)|*.CFG"));
        QVERIFY(!call.options.mustExist);  // the dialog takes a name that does not exist
        QCOMPARE(Model().Input(1).NAME, QByteArray("---"));
        QCOMPARE(Model().Output(34).NAME, QByteArray("---"));
        QCOMPARE(Model().Output(1).MAX_CURRENT, 100);
        QCOMPARE(Model().Output(1).PEAK_TIME, 100);
        QCOMPARE(Model().CanInput(32).CAN_NAME, QByteArray("CAN 32"));
        QCOMPARE(Model().VirtualInput(20).VIRTUAL_NAME, QByteArray("VIRTUAL 20"));
        QCOMPARE(Model().Flash(5).FLASH_NAME, QByteArray("FLASH 5"));
        QCOMPARE(Model().CanSetup().BitRate, 1000);
        QCOMPARE(Model().CanExport(1).ROW_COUNT, 12);
        QVERIFY(Model().BoxName().isEmpty());
        QCOMPARE(rig_->dialogs.Texts(), QStringList());  // a missing file is no error
        QCOMPARE(Main().LastConfigPath(), lastBefore);  // opening does not change it
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool - [ nothing here.cfg ]"));
    }

    void cancelledDialogsChangeNothing()
    {
        SetInputName(Model(), 1, QByteArray("Horn"));
        Program().Keeper().Baselines().MarkSaved();  // as a file brought it: Open asks nothing
        rig_->dialogs.QueueFile(std::nullopt);
        Main().OpenClick();
        rig_->dialogs.QueueFile(std::nullopt);
        Main().SaveClick();
        QCOMPARE(Model().Input(1).NAME, QByteArray("Horn"));
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool "));
        QCOMPARE(QDir(rig_->dir.path()).entryList({QStringLiteral("*.cfg")}, QDir::Files), QStringList());
    }

    void savingUnderTxtWritesCfg()
    {
        SetInputName(Model(), 3, QByteArray("Fan"));
        Program().Keeper().Baselines().MarkSaved();  // as a file brought it: no modified mark
        Program().Transfer().UpdateTitle();
        const QString titleBefore = Main().windowTitle();
        SaveAs(Path("settings.txt"));
        const DialogCall& call = rig_->dialogs.Calls().first();
        QCOMPARE(call.kind, DialogCall::Kind::SaveFile);
        QCOMPARE(call.options.filter, QStringLiteral("config files (*.cfg)|*.CFG"));
        QCOMPARE(call.options.defaultExtension, QStringLiteral("cfg"));
        QVERIFY(!QFile::exists(Path("settings.txt")));
        QVERIFY(QFile::exists(Path("settings.cfg")));
        QVERIFY(ReadAll(Path("settings.cfg")).contains("NAME3=Fan\r\n"));
        QCOMPARE(Main().LastConfigPath(), Path("settings.cfg"));
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), titleBefore);  // saving does not change the title
        QCOMPARE(rig_->dialogs.Texts(), QStringList());
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("declined") << false;
        QTest::newRow("accepted") << true;
    }
    void overwriteQuestion()
    {
        QFETCH(bool, yes);
        const QString target = Path("existing.cfg");
        WriteAll(target, "[JUNK]\r\nLEFTOVER=1\r\n");
        const QString question = QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(target);
        rig_->dialogs.AnswerText(question, yes ? MessageAnswer::Yes : MessageAnswer::No);
        SaveAs(Path("existing.txt"));
        QCOMPARE(rig_->dialogs.Texts(), QStringList{question});
        QCOMPARE(rig_->dialogs.Calls().last().messageKind, MessageKind::Warning);
        QCOMPARE(rig_->dialogs.Calls().last().buttons, MessageButtons::YesNo);
        const QByteArray content = ReadAll(target);
        if (yes) {
            // Replaced whole: no leftover entries of the old file.
            QVERIFY(!content.contains("LEFTOVER"));
            QVERIFY(content.startsWith("[INPUT]\r\n"));
            QCOMPARE(Main().LastConfigPath(), target);
        } else {
            QCOMPARE(content, QByteArray("[JUNK]\r\nLEFTOVER=1\r\n"));
            QVERIFY(Main().LastConfigPath() != target);
        }
    }

    void openThenSaveUnderANewNameGivesTheSameEntries()
    {
        // A file with changed values, written the way the program writes files, from
        // the values a file without entries gives (all of them within the editors' limits).
        ConfigModel source;
        QVERIFY(LoadConfigFile(source, Path("absent.cfg")));
        SetOutputName(source, 7, QByteArray("Wipers"));
        source.ModifyCanSetup([](CanSetupConfig& c) { c.BitRate = 500; });
        source.ModifyCanInput(12, [](CanInputConfig& c) { c.MULTIPLICATOR_ = 0.1f; });
        QVERIFY(SaveConfigFile(source, Path("first.cfg")));
        const QByteArray first = ReadAll(Path("first.cfg"));
        WriteAll(Path("second.cfg"), "[OUTPUT]\r\nNAME99=old\r\n");

        Open(Path("first.cfg"));
        QCOMPARE(Model().Output(7).NAME, QByteArray("Wipers"));
        rig_->dialogs.AnswerText(QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(Path("second.cfg")),
                             MessageAnswer::Yes);
        SaveAs(Path("second"));
        // Line by line, so a difference shows where it is.
        const QList<QByteArray> got = ReadAll(Path("second.cfg")).split('\n');
        const QList<QByteArray> want = first.split('\n');
        for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
            QCOMPARE(got.at(i), want.at(i));
        QCOMPARE(got.size(), want.size());
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool - [ first.cfg ]"));
    }

    void openPresetsTheLastSavedFile()
    {
        SaveAs(Path("kept.cfg"));
        Open(Path("kept.cfg"));
        QCOMPARE(rig_->dialogs.Calls().last().options.fileName, Path("kept.cfg"));
    }

    void targetThatCannotBeCreated()
    {
        const QString lastBefore = Main().LastConfigPath();
        SaveAs(Path("no such folder/x.cfg"));
        QCOMPARE(rig_->dialogs.Texts(),
                 QStringList{QStringLiteral("Unable to create file: '%1'").arg(Path("no such folder/x.cfg"))});
        QCOMPARE(rig_->dialogs.Calls().last().messageKind, MessageKind::Error);
        QCOMPARE(Main().LastConfigPath(), lastBefore);
    }

    // ---------------------------------------------------------------------------
    // Title.

    void titleTexts_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("nothing yet") << int(TitleSource::None) << QByteArray("x") << QString() << QString();
        QTest::newRow("module with a name") << int(TitleSource::Module) << QByteArray("Rally") << QString()
                                            << QStringLiteral("Relvane Tool - [ Rally ]");
        QTest::newRow("module without a name") << int(TitleSource::Module) << QByteArray() << QString()
                                               << QStringLiteral("Relvane Tool - [ No Name ]");
        QTest::newRow("module, code page") << int(TitleSource::Module) << QByteArray("Caf\xe9") << QString()
                                           << QStringLiteral("Relvane Tool - [ Caf\u00e9 ]");
        QTest::newRow("file") << int(TitleSource::File) << QByteArray("ignored") << QStringLiteral("car.cfg")
                              << QStringLiteral("Relvane Tool - [ car.cfg ]");
    }
    void titleTexts()
    {
        QFETCH(int, source);
        QFETCH(QByteArray, box);
        QFETCH(QString, file);
        QFETCH(QString, title);
        QCOMPARE(MainTitleText(TitleSource(source), box, file), title);
    }

    void titleFollowsTheLaterSource()
    {
        Open(Path("a.cfg"));
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool - [ a.cfg ]"));
        // A read from the module (its progress window closed) makes the module the source.
        Program().Transfer().SetTitleSourceModule();
        Model().SetBoxName(QByteArray("Box 9"));
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool - [ Box 9 ]"));
        Open(Path("b.cfg"));  // and a later Open the file again
        Program().Transfer().UpdateTitle();
        QCOMPARE(Main().windowTitle(), QStringLiteral("Relvane Tool - [ b.cfg ]"));
    }

    // ---------------------------------------------------------------------------
    // Every way to the transfer commands; without a connection each says so.

    void everyControlRunsTheCommands_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"slot read", "slot upload", "slot default", "menu Read2", "menu Upload1",
                                "menu Default", "key F8", "key F9"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void everyControlRunsTheCommands()
    {
        QFETCH(QString, how);
        TMainForm& main = Main();
        if (how == QLatin1String("slot read")) main.BtnLoadClick();
        else if (how == QLatin1String("slot upload")) main.BtnSaveClick();
        else if (how == QLatin1String("slot default")) main.BtnDefaultValueClick();
        else if (how.startsWith(QLatin1String("menu "))) {
            QAction* a = main.findChild<QAction*>(how.mid(5));
            QVERIFY(a);
            QVERIFY(a->isEnabled());
            a->trigger();
        } else {
            // The window takes the keys before the control that has the focus.
            QWidget* focus = main.Notebook();
            QTest::keyClick(focus, how.endsWith(QLatin1String("F8")) ? Qt::Key_F8 : Qt::Key_F9);
        }
        QCOMPARE(rig_->dialogs.Texts(), QStringList{QStringLiteral("Is not connected to target, please connect USB")});
    }

    void connectionTimerRunsARead()
    {
        // The adapter answers nothing: the read's version check times out.
        rig_->backend.AddAdapter(QStringLiteral("Silent module"));
        Main().ConnectDevice(QStringLiteral("Silent module"));
        QVERIFY(Main().Connected());
        QVERIFY(Main().TimerSerial()->isActive());
        QCOMPARE(Main().TimerSerial()->interval(), 400);
        QTRY_COMPARE_WITH_TIMEOUT(rig_->dialogs.Texts(), QStringList{QStringLiteral("Timeout for software version")}, 8000);
        QVERIFY(!Main().TransferBusy());
    }

    // The link came back while the firmware window held it (wait, then read) or during a
    // transfer (no read: it would break into it).
    void connectionTimerWhileBusy_data()
    {
        QTest::addColumn<bool>("firmware");
        QTest::newRow("firmware window open") << true;
        QTest::newRow("transfer running") << false;
    }
    void connectionTimerWhileBusy()
    {
        QFETCH(bool, firmware);
        rig_->backend.AddAdapter(QStringLiteral("Silent module"));
        firmware ? Main().SetFirmwareBusy(true) : Main().SetTransferBusy(true);
        Main().ConnectDevice(QStringLiteral("Silent module"));
        QVERIFY(Main().TimerSerial()->isActive());
        QTest::qWait(1500);
        QVERIFY(rig_->dialogs.Texts().isEmpty());  // no "Is not connected to target" while it is held
        QCOMPARE(Main().TimerSerial()->isActive(), firmware);
        firmware ? Main().SetFirmwareBusy(false) : Main().SetTransferBusy(false);
        if (firmware) {
            QTRY_COMPARE_WITH_TIMEOUT(rig_->dialogs.Texts(), QStringList{QStringLiteral("Timeout for software version")},
                                      8000);
        } else {
            QTest::qWait(1000);
            QVERIFY(rig_->dialogs.Texts().isEmpty());
        }
    }
};

QTEST_MAIN(TestTransferApp)
#include "test_transfer_app.moc"
