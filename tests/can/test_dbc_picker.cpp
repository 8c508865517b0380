// The "From DBC…" picker: its search, its preview and refusals, and the lines it leaves out.

#include "can/ui/DbcExportCommand.h"
#include "can/ui/DbcPickerForm.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace relvane;

namespace {

const char kDbc[] =
    "BO_ 421 EngineData: 8 ECU\n"
    " SG_ Speed : 0|16@1+ (0.01,0) [0|655.35] \"km/h\" Dash\n"
    " SG_ Flags : 32|4@1+ (1,0) [0|15] \"\" Dash\n"
    "BO_ 768 Gearbox: 8 ECU\n"
    " SG_ Mux M : 8|8@1+ (1,0) [0|255] \"\" Dash\n"
    " SG_ Gear m3 : 16|8@1+ (1,0) [0|8] \"\" Dash\n"
    " SG_ EngineTorque m4 : 31|16@0- (0.5,0) [-1000|1000] \"Nm\" Dash\n"
    "BO_ 1536 Bad: 8 ECU\n"
    " SG_ Broken : 0|8@1+ (x,0) [0|1] \"\" Dash\n";

}  // namespace

class TestDbcPicker : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TDbcPickerForm> picker_;
    CanInputConfig current_;

private Q_SLOTS:
    void init()
    {
        QFile f(dir_.filePath(QStringLiteral("vehicle.dbc")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kDbc) > 0);
        f.close();
        dialogs_.Clear();
        current_ = CanInputConfig();
        current_.CAN_NAME = "Brake";
        current_.CAN_VALUE_ON = 77;
        picker_ = std::make_unique<TDbcPickerForm>(dialogs_, 5, current_);
        QVERIFY(picker_->OpenDatabase(f.fileName()));
    }

    void leftOutLinesAreListed()
    {
        QCOMPARE(dialogs_.Texts().size(), 1);
        QVERIFY2(dialogs_.LastText().contains(QStringLiteral("line 9: signal Broken of message Bad: factor")), qPrintable(dialogs_.LastText()));
        // A file of which nothing can be used is refused and the list stays.
        QFile png(dir_.filePath(QStringLiteral("picture.dbc")));
        QVERIFY(png.open(QIODevice::WriteOnly) && png.write("\x89PNG\r\n") > 0);
        png.close();
        QVERIFY(!picker_->OpenDatabase(png.fileName()));
        QVERIFY(dialogs_.LastText().contains(QStringLiteral("cannot be read as a CAN database:\nline 1: unknown section")));
        QCOMPARE(picker_->VisibleSignals(), 5);
    }

    void search_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("visible");
        QTest::newRow("everything") << "" << 5;
        QTest::newRow("signal name, any case") << "torque" << 1;
        QTest::newRow("message name shows its signals") << "gearbox" << 3;
        QTest::newRow("both") << "engine" << 3;  // EngineData's two and EngineTorque
        QTest::newRow("identifier") << "0x1a5" << 2;
        QTest::newRow("identifier without 0x") << "300" << 3;
        QTest::newRow("nothing") << "wiper" << 0;
    }
    void search()
    {
        QFETCH(QString, search);
        QFETCH(int, visible);
        picker_->findChild<QLineEdit*>(QStringLiteral("EditDbcSearch"))->setText(search);
        picker_->ApplySearch();
        QCOMPARE(picker_->VisibleSignals(), visible);
    }

    void fillOrRefuse()
    {
        // Not comparable: the reason in an error box, the window stays open.
        QVERIFY(picker_->SelectSignal(QStringLiteral("EngineData.Flags")));
        QVERIFY(picker_->PreviewText().contains(QStringLiteral("does not lie on whole bytes")));
        dialogs_.Clear();
        picker_->show();
        picker_->BtnDbcFillClick();
        QVERIFY(dialogs_.LastText().startsWith(QStringLiteral("Signal Flags does not lie on whole bytes")));
        QVERIFY(picker_->isVisible());

        QVERIFY(picker_->SelectSignal(QStringLiteral("Gearbox.EngineTorque")));
        QVERIFY2(picker_->PreviewText().contains(QStringLiteral("Row counter: byte 1 holds 4")), qPrintable(picker_->PreviewText()));
        picker_->findChild<QCheckBox*>(QStringLiteral("CheckBoxDbcName"))->click();
        dialogs_.Clear();
        picker_->BtnDbcFillClick();
        QVERIFY(dialogs_.Texts().isEmpty());
        QCOMPARE(picker_->result(), int(QDialog::Accepted));
        const CanInputConfig filled = picker_->Fill()->config;
        QCOMPARE(filled.CAN_ID_ON, 0x300);
        QCOMPARE(filled.CAN_NAME, QByteArray("EngineTorque"));
        QCOMPARE(filled.CAN_VALUE_ON, 77);
    }

    void exportAsksBeforeReplacing()
    {
        ConfigModel model;
        model.ModifyCanExport(2, [](CanExportConfig& e) { e.ENABLED = true; e.CAN_ID = 0x321; e.CHANNEL_INDEX_[0] = 1; });
        const QString cfg = dir_.filePath(QStringLiteral("truck.cfg"));
        QFile(cfg).open(QIODevice::WriteOnly);
        const QString target = dir_.filePath(QStringLiteral("truck.dbc"));
        dialogs_.Clear();
        dialogs_.QueueFile(target);
        QCOMPARE(ExportCanDatabaseClick(model, dialogs_, cfg), target);
        QCOMPARE(dialogs_.Calls().first().options.fileName, target);  // the configuration's name with .dbc
        const DbcReadResult written = ReadDbcFile(target);
        QCOMPARE(written.problemCount, 0);
        QVERIFY(written.database.Find(0x321, false));
        // Declining the replacement keeps the file.
        dialogs_.QueueFile(target);
        dialogs_.QueueAnswer(MessageAnswer::No);
        model.ModifyCanExport(2, [](CanExportConfig& e) { e.CAN_ID = 0x322; });
        QCOMPARE(ExportCanDatabaseClick(model, dialogs_, cfg), QString());
        QVERIFY(ReadDbcFile(target).database.Find(0x321, false));
    }
};

QTEST_MAIN(TestDbcPicker)
#include "test_dbc_picker.moc"
