// CAN databases in the composed program against the simulated module: "From DBC…" fills CAN
// input 5 and the upload leaves it in the module; the monitor decodes with "DBC…"; File ->
// "Export CAN database…" writes the configuration's messages.

#include "E2eRig.h"

#include "can/Dbc.h"
#include "can/ui/CanInputPage.h"
#include "can/ui/DbcPickerForm.h"
#include "config/ConfigChecks.h"
#include "config/IniFile.h"
#include "protocol/TransferSequencer.h"
#include "sim/ConfigStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>

#include <cstring>

using namespace relvane;
using relvane::e2e::E2eRig;

namespace {

const char kVehicle[] =
    "BO_ 421 EngineData: 8 ECU\n"
    " SG_ Speed : 0|16@1+ (0.01,0) [0|655.35] \"km/h\" Dash\n"
    "BO_ 768 Gearbox: 8 ECU\n"
    " SG_ Mux M : 8|8@1+ (1,0) [0|255] \"\" Dash\n"
    " SG_ Torque m4 : 31|16@0- (0.5,0) [-1000|1000] \"Nm\" Dash\n";

}  // namespace

class TestE2eDbc : public QObject {
    Q_OBJECT

    std::unique_ptr<E2eRig> rig_;
    QString dbc_;

    TCanInputPage& Page() { return *rig_->Main().findChild<TCanInputPage*>(); }

private Q_SLOTS:
    void init()
    {
        sim::SimulatorOptions options;
        options.fast = true;
        rig_ = std::make_unique<E2eRig>(options);
        const QString why = rig_->Start();
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QVERIFY(rig_->WaitForVersion());
        dbc_ = rig_->TempPath(QStringLiteral("vehicle.dbc"));
        QFile f(dbc_);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kVehicle) > 0);
        rig_->Main().Notebook()->setCurrentIndex(PAGE_CAN_INPUTS);
    }
    void cleanup() { rig_.reset(); }

    void fillFromDbcThenUpload()
    {
        Page().SelectCanInput(4);
        // No CAN database yet: the open dialog comes first, then the picker.
        rig_->Dialogs().QueueFile(dbc_);
        bool picked = false;
        QTimer::singleShot(0, &Page(), [&] {
            auto* picker = qobject_cast<TDbcPickerForm*>(QApplication::activeModalWidget());
            if (picker && picker->SelectSignal(QStringLiteral("Gearbox.Torque"))) {
                picker->findChild<QCheckBox*>(QStringLiteral("CheckBoxDbcName"))->click();
                picked = true;
                picker->BtnDbcFillClick();
            } else if (QApplication::activeModalWidget()) {
                QApplication::activeModalWidget()->close();
            }
        });
        Page().findChild<QPushButton*>(QStringLiteral("BtnFromDbc"))->click();
        QVERIFY(picked);

        // One change, shown at once: the page shows the filled CAN input.
        QCOMPARE(Page().findChild<QLineEdit*>(QStringLiteral("EditCAN_ID_ON_1"))->text(), QStringLiteral("300"));
        QCOMPARE(Page().OnPair(), (BytePair{5, 4}));
        QCOMPARE(rig_->Main().Model().CanInput(5).CAN_NAME, QByteArray("Torque"));
        IniFile settings;
        QVERIFY(settings.Load(rig_->SettingsPath()));
        QCOMPARE(settings.ReadString(QStringLiteral("DBC"), QStringLiteral("PATH")), dbc_);

        rig_->Dialogs().AnswerText(RebootQuestionText(), MessageAnswer::No);
        // The rig's configuration was never read or opened: its outputs have no trigger chosen,
        // which the checks call errors; the upload goes ahead as a user would let it.
        const QList<ConfigProblem> problems = CheckConfig(rig_->Main().Model());
        if (ErrorCount(problems) > 0)
            rig_->Dialogs().AnswerText(UploadAnywayQuestion(problems), MessageAnswer::Yes);
        rig_->Program().Transfer().BtnSaveClick();
        // The CAN input block as the module holds it, byte by byte from byte 4.
        QByteArray expected(45, '\0');
        expected[0] = 4;
        expected[1] = char(rig_->Main().Model().CanInput(5).ENABLED ? 1 : 0);
        expected[3] = 0x03, expected[5] = 0x03;  // ON and OFF identifier 0x300, LSB first
        expected[12] = 4, expected[13] = 5, expected[14] = 4, expected[15] = 5;  // high, low: Motorola
        std::memcpy(expected.data() + 16, "Torque", 6);
        expected[31] = 1, expected[32] = 1, expected[33] = 4;  // row counter: byte 1 holds 4
        expected[34] = 1;                                      // signed
        std::memcpy(expected.data() + 35, "Nm", 2);
        const float factor = 0.5f;
        std::memcpy(expected.data() + 40, &factor, 4);
        QTRY_COMPARE_WITH_TIMEOUT(rig_->Sim().StoredBlock(sim::BlockKind::CanInput, 4).toHex(' '), expected.toHex(' '), 60000);
    }

    void monitorDecodesAndExportWrites()
    {
        TCanMonitorGroup& monitor = Page().MonitorGroup();
        rig_->Dialogs().QueueFile(dbc_);
        monitor.CANmonitorDbcBtnClick();
        auto* select = monitor.findChild<QComboBox*>(QStringLiteral("CANmonitorEnableComboBox"));
        select->setCurrentIndex(kMonitorAllMessages);
        monitor.CANmonitorEnableComboBoxChange();
        rig_->Sim().Command(QStringLiteral("canmon rate 0"));
        rig_->Sim().Command(QStringLiteral("canmon send 1A5 E2 04"));
        QTRY_VERIFY_WITH_TIMEOUT(monitor.MonitorLines().join(QLatin1Char('\n')).contains(
                                     QStringLiteral("ID= 1A5, Data= E2 04 | EngineData: Speed=12.5 km/h")),
                                 10000);
        monitor.CANmonitorDbcClearBtnClick();
        rig_->Sim().Command(QStringLiteral("canmon send 1A5 E2 05"));
        QTRY_VERIFY_WITH_TIMEOUT(monitor.MonitorLines().last().endsWith(QStringLiteral("ID= 1A5, Data= E2 05")), 10000);

        rig_->Main().Model().ModifyCanExport(4, [](CanExportConfig& e) { e.ENABLED = true; e.CAN_ID = 0x640; e.CHANNEL_INDEX_[9] = 2; });
        const QString out = rig_->TempPath(QStringLiteral("module.dbc"));
        rig_->Dialogs().QueueFile(out);
        QAction* entry = rig_->Main().findChild<QAction*>(QStringLiteral("ExportCanDatabase1"));
        QVERIFY(entry && entry->isEnabled());
        entry->trigger();
        const DbcReadResult written = ReadDbcFile(out);
        QVERIFY2(written.Ok() && written.problemCount == 0, qPrintable(written.error));
        const DbcMessage* export4 = written.database.Find(0x640, false);
        QVERIFY(export4);
        QCOMPARE(export4->sender, QStringLiteral("Relvane"));
        QCOMPARE(export4->signalList.size(), 1);
    }
};

QTEST_MAIN(TestE2eDbc)
#include "test_e2e_dbc.moc"
