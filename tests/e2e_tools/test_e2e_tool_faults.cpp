// Faults at the start, middle and end of the firmware programming, the firmware compare
// and the EEPROM read and write, end to end: the composed program over the real link
// thread and a pseudo-terminal to the in-process simulated module. The simulator's
// "after N" runs the fault when the Nth frame of the command arrives, or, while its
// bootloader runs, once the Nth block has been taken and acknowledged.
//
// Each row checks what a technician relies on: the loss is told once, the link comes back
// by itself, a broken-off transfer is never reported as a complete one, and the same
// command works again at once without a restart.

#include "E2eRig.h"
#include "FaultWatch.h"

#include "firmware/FirmwareTestSupport.h"
#include "firmware/ui/FIAForm.h"
#include "firmware/ui/FirmwareForm.h"
#include "link/UsbThread.h"
#include "protocol/TransferSequencer.h"
#include "sim/FirmwareSim.h"
#include "sim/ProductionSim.h"
#include "tools/ui/EepromForm.h"

#include <QFile>
#include <QTableView>

using namespace relvane;
using namespace relvane::e2e;

namespace {

constexpr int kWait = 15000;
// Answers still on their way after a result: a few passes of the link's 10 ms loop.
constexpr int kStrayMs = 500;
// The compare's wait before it asks again (the program's own is 300 ms), and so a sixth of
// the silence it takes for "No contact to target".
constexpr int kRepeatMs = 1000;
// The EEPROM window's watch on every answer (the program's own is 1000 ms).
constexpr int kEepromWatchMs = 5000;

// The image programmed and compared: 0x0000 … 0x0FFF, sixteen bootloader blocks.
constexpr std::uint32_t kImageEnd = 0x0FFF;
constexpr int kImageBlocks = 16;
// A byte of the module's memory changed on purpose, so a compare ends after 25 blocks
// with a result that names it instead of walking all 4032 blocks.
constexpr std::uint32_t kChanged = 0x0185;
// The EEPROM range read and written: 32 blocks.
constexpr int kEepromEnd = 0x0200;
constexpr int kEepromBlocks = kEepromEnd / 16;

QString Hex4(int v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper(); }
QString Hex2(int v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); }

QByteArray Image()
{
    QByteArray bytes;
    for (std::uint32_t a = 0; a <= kImageEnd; ++a)
        bytes.append(char(test::Pattern(a)));
    return bytes;
}

QString CompareFail() { return FirmwareCompare::FailText() + Hex4(int(kChanged)); }

// An EEPROM byte that differs from row to row and from one table row to the next.
std::uint8_t EepromValue(int address, int seed) { return std::uint8_t((address * 5 + seed * 29 + 0x11) & 0xFF); }

}  // namespace

class TestE2eToolFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<E2eRig> rig_;
    QTemporaryDir files_;
    QString hexPath_;
    std::unique_ptr<LossWatch> losses_;
    bool dirty_ = true;  // a row broke off before it had put the link back

    ScriptedDialogs& Dialogs() { return rig_->Dialogs(); }
    void Sim(const QString& line) { rig_->Sim().Command(line); }
    bool LinkOpen() { return rig_->Program().Link().State() == LINK_OPEN; }
    QString Joined() { return Dialogs().Texts().join(QLatin1Char('|')); }

    template <typename T>
    T Parts(const std::function<T(sim::SimulatorParts&)>& f)
    {
        T value{};
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { value = f(p); });
        return value;
    }
    QByteArray ProgramMemory(int from, int count)
    {
        return Parts<QByteArray>([&](sim::SimulatorParts& p) { return p.firmware.memory.mid(from, count); });
    }
    QByteArray ModuleEeprom(int from, int count)
    {
        return Parts<QByteArray>([&](sim::SimulatorParts& p) { return p.production.eeprom.mid(from, count); });
    }

    void WaitCalm() { QTRY_VERIFY_WITH_TIMEOUT(Calm(rig_->Program()), kWait); }

    // Clears what a row left in the simulator and waits until the tool hears it again.
    void Recover()
    {
        Sim(QStringLiteral("after clear"));
        Sim(QStringLiteral("speak"));
        Sim(QStringLiteral("memhold off"));
        // A bootloader left waiting for the rest of a block would take frames as data.
        if (Parts<bool>([](sim::SimulatorParts& p) { return p.firmware.Active(); }))
            Sim(QStringLiteral("abort"));
        WaitCalm();
        rig_->Main().Module().versionText.clear();
        QVERIFY(rig_->WaitForVersion(kWait));
        WaitCalm();
        Dialogs().Clear();
        // The read that follows a restored link is not these tests' business.
        Dialogs().AnswerText(RebootQuestionText(), MessageAnswer::No);
    }

    // Each row starts from a link that frames flow over.
    void BeginRow()
    {
        if (dirty_)
            Recover();
        dirty_ = true;
    }

    // What every row leaves behind: frames flow, nothing holds the link in raw mode.
    void CheckLinkAfterwards()
    {
        QVERIFY(!rig_->Main().FirmwareBusy());
        QCOMPARE(rig_->Program().Link().RxMode(), int(RX_MODE_FRAMES));
        Recover();
        dirty_ = QTest::currentTestFailed();
    }

    // The EEPROM window's watch: long enough for a loaded machine, and for a row whose fault
    // has shown its stall brought forward.
    std::unique_ptr<StallWatch> WatchEeprom(TEEPROMForm& w, const QString& fault, bool fails)
    {
        w.tool().SetTimeoutMs(kEepromWatchMs);
        if (!fails)
            return nullptr;
        sim::Simulator& sim = rig_->Sim();
        const sim::SimulatorCounters before = sim.Counters();
        return std::make_unique<StallWatch>([&sim, fault, before] { return FaultStruck(sim, fault, before); },
                                            [&w] { return qint64(w.tool().nextAddress()); },
                                            [&w] { w.tool().SetTimeoutMs(1); }, kQuietMs);
    }

    // A pulled cable was seen exactly once, or not at all.
    void CheckLosses(int before, const QString& fault)
    {
        QCOMPARE(losses_->Losses() - before, fault.startsWith(QLatin1String("replug")) ? 1 : 0);
    }

    // Inside a window: the link has come back by itself, the connection read it brings along
    // has run, and stray answers have had time to show up.
    void SettleLink()
    {
        QTRY_VERIFY_WITH_TIMEOUT(LinkOpen() && rig_->Main().StatusText() == QStringLiteral("USB CONNECTED")
                                     && (rig_->Main().FirmwareBusy() || !rig_->Main().TimerSerial()->isActive())
                                     && !rig_->Program().Transfer().Sequencer().CommandRunning(),
                                 kWait);
        QTest::qWait(kStrayMs);
    }

    template <typename Form>
    void ChooseFile(Form& w)
    {
        if (Text(w, "FileEdit") == hexPath_)
            return;
        Dialogs().QueueFile(hexPath_);
        Click(w, "BtnOpenFile");
        QCOMPARE(Text(w, "FileEdit"), hexPath_);
    }

    static void FaultRows(const std::function<void(const char* name, const QString& fault)>& add)
    {
        add("cable pulled", QStringLiteral("replug 400"));
        add("answer dropped", QStringLiteral("drop"));
        add("answer corrupted", QStringLiteral("corrupt"));
        add("resend asked", QStringLiteral("resend"));
        add("module silent", QStringLiteral("silent"));
    }

    // The EEPROM grid's bytes of one row, as hexadecimal texts.
    static QStringList GridRow(QAbstractItemModel* model, int row)
    {
        QStringList bytes;
        for (int c = 1; c <= 16; ++c)
            bytes << model->index(row, c).data().toString();
        return bytes;
    }
    static QStringList Bytes(const QByteArray& data)
    {
        QStringList out;
        for (char c : data)
            out << Hex2(std::uint8_t(c));
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        hexPath_ = test::WriteFile(files_, QStringLiteral("image.hex"),
                                   test::HexText(0, kImageEnd) + test::EndRecord() + "\r\n");
        QVERIFY(!hexPath_.isEmpty());
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane E2E Tool Faults");
        o.fast = true;
        rig_ = std::make_unique<E2eRig>(o);
        const QString error = rig_->Start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(rig_->WaitForVersion());
        ShowQuietPage(rig_->Main());
        losses_ = std::make_unique<LossWatch>(rig_->Main());
        Recover();
    }
    void cleanupTestCase()
    {
        losses_.reset();
        rig_.reset();
    }

    void programFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("stalls");
        // The fault comes once block N is taken and acknowledged: a lost or spoilt answer
        // is the acknowledgement of block N + 1, 15 that of the last block.
        struct Step {
            const char* name;
            int block;
        };
        for (const Step& s : {Step{"first blocks", 1}, Step{"middle", 8}, Step{"last block", kImageBlocks - 1}})
            FaultRows([&](const char* name, const QString& fault) {
                QTest::addRow("%s at %s", name, s.name) << fault << s.block << (fault != QLatin1String("resend"));
            });
    }
    void programFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(bool, stalls);
        BeginRow();
        Sim(QStringLiteral("erase"));
        const int lossesBefore = losses_->Losses();
        const QString outcome = stalls ? FirmwareUpdate::StalledText() : FirmwareUpdate::UpdatedText();
        QByteArray afterFault;

        rig_->RunModal<TFirmware>("Firmware1", [&](TFirmware& w) {
            QCOMPARE(rig_->Program().Link().RxMode(), int(RX_MODE_RAW));
            ChooseFile(w);
            Click(w, "BtnProgram");
            QCOMPARE(Dialogs().LastText(), FirmwareUpdate::RebootText());
            // The exchange keeps its own 5 s stall time-out; a row that has shown its stall
            // does not wait for all of it.
            sim::Simulator& sim = rig_->Sim();
            const sim::SimulatorCounters before = sim.Counters();
            StallWatch watch([&] { return stalls && FaultStruck(sim, fault, before); },
                             [&w] { return qint64(w.Update().sent()); }, [&w] { w.Update().SetStallTimeoutMs(1); },
                             kQuietMs);
            Sim(QStringLiteral("after %1 %2").arg(step).arg(fault));
            Sim(QStringLiteral("bootloader now"));
            QTRY_COMPARE_WITH_TIMEOUT(Dialogs().LastText(), outcome, kWait);
            QCOMPARE(w.Update().state(), FirmwareUpdate::Idle);
            w.Update().SetStallTimeoutMs(FirmwareUpdate::STALL_TIMEOUT_MS);
            SettleLink();
            // Told once; a broken-off programming is never "Target updated".
            QVERIFY2(Dialogs().Texts() == (QStringList{FirmwareUpdate::RebootText(), outcome}), qPrintable(Joined()));
            QVERIFY(!w.Update().stallTimerActive());
            afterFault = ProgramMemory(0, int(kImageEnd) + 1);

            // Program again in the same window: the exchange starts afresh.
            Sim(QStringLiteral("after clear"));
            Sim(QStringLiteral("speak"));
            Click(w, "BtnProgram");
            Sim(QStringLiteral("bootloader now"));
            QTRY_COMPARE_WITH_TIMEOUT(Dialogs().LastText(), FirmwareUpdate::UpdatedText(), kWait);
            QCOMPARE(w.Update().sent(), kImageBlocks * 256);
            Click(w, "BtnExit");
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Dialogs().Texts(), (QStringList{FirmwareUpdate::RebootText(), outcome, FirmwareUpdate::RebootText(),
                                           FirmwareUpdate::UpdatedText()}));
        // Before the last block the fault kept blocks from the module; at the last one
        // only its acknowledgement may be lost.
        if (stalls && step < kImageBlocks - 1)
            QVERIFY(afterFault != Image());
        QCOMPARE(ProgramMemory(0, int(kImageEnd) + 1), Image());
        QCOMPARE(ProgramMemory(int(kImageEnd) + 1, 0x100), QByteArray(0x100, char(0xFF)));
        CheckLosses(lossesBefore, fault);
        CheckLinkAfterwards();
    }

    void compareFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("outcome");
        // Frame 1 is the system data request, 2 the first block's request, 14 one in the
        // middle and 26 the request of the block that holds the changed byte.
        struct Step {
            const char* name;
            int frame;
        };
        for (const Step& s : {Step{"first block", 2}, Step{"middle", 14}, Step{"last block", 26}})
            FaultRows([&](const char* name, const QString& fault) {
                // A missing answer is asked again: only a module that stays silent
                // through the repeats ends the compare without a result.
                const QString outcome =
                    fault == QLatin1String("silent") ? FirmwareCompare::NoContactText() : CompareFail();
                QTest::addRow("%s at %s", name, s.name) << fault << s.frame << outcome;
            });
        QTest::addRow("system data answer dropped") << QStringLiteral("drop") << 1 << CompareFail();
    }
    void compareFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(QString, outcome);
        BeginRow();
        rig_->Sim().WithParts([](sim::SimulatorParts& p) {
            p.firmware.memory.fill(char(0xFF));
            const QByteArray image = Image();
            p.firmware.memory.replace(0, image.size(), image);
            p.firmware.memory[int(kChanged)] = char(test::Pattern(kChanged) ^ 0xFF);
        });
        const int lossesBefore = losses_->Losses();
        const int blocks = int(kChanged / 16) + 1;

        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            ChooseFile(w);
            Sim(QStringLiteral("after %1 %2").arg(step).arg(fault));
            // Answers come every 300 ms at most on this machine; a module that stays silent
            // gets its repeats at once when its silence has shown.
            w.Compare().SetRequestIntervalMs(kRepeatMs);
            sim::Simulator& sim = rig_->Sim();
            const sim::SimulatorCounters before = sim.Counters();
            StallWatch watch([&] { return fault == QLatin1String("silent") && FaultStruck(sim, fault, before); },
                             [&w] { return qint64(w.Compare().address()); },
                             [&w] { w.Compare().SetRequestIntervalMs(1); }, kQuietMs);
            Click(w, "BtnStart");
            QTRY_VERIFY_WITH_TIMEOUT(!Dialogs().Texts().isEmpty(), kWait);
            QVERIFY2(Dialogs().LastText() == outcome,
                     qPrintable(Dialogs().LastText() + QLatin1Char('\n') + Lines(w, "MemoTarget").join(u'\n')));
            w.Compare().SetRequestIntervalMs(kRepeatMs);
            SettleLink();
            QCOMPARE(Dialogs().Texts(), QStringList{outcome});
            // The serial number's line comes whenever its answer does, also after the result
            // when the link's queue held the request back.
            QStringList status = Lines(w, "MemoStatus");
            status.removeIf([](const QString& l) { return l.startsWith(QLatin1String("Relvane serial no")); });
            QCOMPARE(status.last(), outcome == CompareFail() ? FirmwareCompare::Separator() : outcome);
            if (outcome == CompareFail()) {
                // Every block before the changed one was compared once, and equal.
                QCOMPARE(Lines(w, "MemoTarget").size(), blocks);
                QCOMPARE(Lines(w, "MemoTarget").mid(0, blocks - 1), Lines(w, "MemoFile").mid(0, blocks - 1));
            }

            // Start again in the same window, with the module answering.
            Sim(QStringLiteral("after clear"));
            Sim(QStringLiteral("speak"));
            Click(w, "BtnStart");
            QTRY_COMPARE_WITH_TIMEOUT(Dialogs().Texts().size(), 2, kWait);
            QCOMPARE(Dialogs().LastText(), CompareFail());
            QCOMPARE(Lines(w, "MemoTarget").size(), blocks);
            QCOMPARE(Lines(w, "MemoTarget").mid(0, blocks - 1), Lines(w, "MemoFile").mid(0, blocks - 1));
            QCOMPARE(w.Compare().address(), int(kChanged & ~0xFu));
            QVERIFY(!w.Compare().RequestPending());
            Click(w, "BtnExit");
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Dialogs().Texts(), (QStringList{outcome, CompareFail()}));
        CheckLosses(lossesBefore, fault);
        CheckLinkAfterwards();
    }

    void eepromReadFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("fails");
        struct Step {
            const char* name;
            int frame;
        };
        for (const Step& s : {Step{"first block", 1}, Step{"middle", kEepromBlocks / 2}, Step{"last block", kEepromBlocks}})
            FaultRows([&](const char* name, const QString& fault) {
                QTest::addRow("%s at %s", name, s.name) << fault << s.frame << (fault != QLatin1String("resend"));
            });
    }
    void eepromReadFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(bool, fails);
        BeginRow();
        static int seed = 0;
        ++seed;
        QByteArray module(kEepromEnd, '\0');
        for (int a = 0; a < kEepromEnd; ++a)
            module[a] = char(EepromValue(a, seed));
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { p.production.eeprom.replace(0, module.size(), module); });
        const int lossesBefore = losses_->Losses();
        const QString dump = rig_->TempPath(QStringLiteral("eeprom-read-%1.txt").arg(seed));
        const QStringList old(16, QStringLiteral("00"));

        rig_->RunModal<TEEPROMForm>("Eeprom", [&](TEEPROMForm& w) {
            QAbstractItemModel* model = Child<QTableView>(w, "EEStringGrid")->model();
            auto* read = Child<QPushButton>(w, "EEPROMReadBtn");
            SetText(w, "EEPROMEndEdit", Hex4(kEepromEnd));
            SetText(w, "FileEndEdit", Hex4(kEepromEnd));
            std::unique_ptr<StallWatch> watch = WatchEeprom(w, fault, fails);
            Sim(QStringLiteral("after %1 %2").arg(step).arg(fault));
            Click(w, "EEPROMReadBtn");
            if (fails) {
                QTRY_COMPARE_WITH_TIMEOUT(Dialogs().LastText(), kEepromNoReply, kWait);
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(w.tool().mode() == EepromTool::Mode::None, kWait);
                // Done means every block is in, the last one too.
                QCOMPARE(GridRow(model, kEepromBlocks - 1), Bytes(module.right(16)));
            }
            watch.reset();
            w.tool().SetTimeoutMs(kEepromWatchMs);
            SettleLink();
            QCOMPARE(Dialogs().Texts(), fails ? QStringList{kEepromNoReply} : QStringList{});
            QVERIFY(read->isEnabled());
            QCOMPARE(read->text(), QStringLiteral("Read"));

            // Whole rows only: those read before the loss hold the module's bytes, the
            // rest what the window held before, and a read that was told complete holds
            // every row.
            int taken = 0;
            for (int row = 0; row < kEepromBlocks; ++row) {
                const QStringList shown = GridRow(model, row);
                const QStringList fresh = Bytes(module.mid(row * 16, 16));
                if (shown == fresh && taken == row)
                    ++taken;
                else
                    QVERIFY2(shown == old, qPrintable(QStringLiteral("row %1: %2").arg(row).arg(shown.join(u' '))));
            }
            QCOMPARE(taken == kEepromBlocks, !fails);

            // A file saved now holds exactly what the window shows, every line whole.
            Dialogs().QueueFile(dump);
            Click(w, "FileSaveBtn");
            QFile file(dump);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = file.readAll().split('\n');
            QCOMPARE(lines.size(), kEepromBlocks + 1);
            for (int row = 0; row < kEepromBlocks; ++row) {
                const QString line = QString::fromLatin1(lines.at(row));
                QCOMPARE(line.left(5), Hex4(row * 16) + QLatin1Char(':'));
                QCOMPARE(line.mid(5, 47).split(QRegularExpression(QStringLiteral("[,;]"))).mid(0, 16), GridRow(model, row));
            }

            // Read again, with the module answering.
            Sim(QStringLiteral("after clear"));
            Sim(QStringLiteral("speak"));
            Click(w, "EEPROMReadBtn");
            QTRY_VERIFY_WITH_TIMEOUT(w.tool().mode() == EepromTool::Mode::None && read->isEnabled(), kWait);
            for (int row = 0; row < kEepromBlocks; ++row)
                QCOMPARE(GridRow(model, row), Bytes(module.mid(row * 16, 16)));
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Dialogs().Texts(), fails ? QStringList{kEepromNoReply} : QStringList{});
        CheckLosses(lossesBefore, fault);
        CheckLinkAfterwards();
    }

    void eepromWriteFaults_data() { eepromReadFaults_data(); }
    void eepromWriteFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(bool, fails);
        BeginRow();
        static int seed = 100;
        ++seed;
        QByteArray wanted(kEepromEnd, '\0');
        for (int a = 0; a < kEepromEnd; ++a)
            wanted[a] = char(EepromValue(a, seed));
        const QByteArray erased(kEepromEnd, char(0xFF));
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { p.production.eeprom.replace(0, erased.size(), erased); });
        const int lossesBefore = losses_->Losses();

        rig_->RunModal<TEEPROMForm>("Eeprom", [&](TEEPROMForm& w) {
            auto* write = Child<QPushButton>(w, "EEPROMWriteBtn");
            for (int a = 0; a < kEepromEnd; ++a)
                w.tool().buffer().SetByte(a, std::uint8_t(wanted[a]));
            SetText(w, "EEPROMEndEdit", Hex4(kEepromEnd));
            std::unique_ptr<StallWatch> watch = WatchEeprom(w, fault, fails);
            Sim(QStringLiteral("after %1 %2").arg(step).arg(fault));
            Click(w, "EEPROMWriteBtn");
            if (fails) {
                QTRY_COMPARE_WITH_TIMEOUT(Dialogs().LastText(), kEepromNoReply, kWait);
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(w.tool().mode() == EepromTool::Mode::None, kWait);
            }
            watch.reset();
            w.tool().SetTimeoutMs(kEepromWatchMs);
            SettleLink();
            QCOMPARE(Dialogs().Texts(), fails ? QStringList{kEepromNoReply} : QStringList{});
            QVERIFY(write->isEnabled());
            QCOMPARE(write->text(), QStringLiteral("Write"));

            // The module took whole blocks in order up to the loss; a write that was told
            // complete reached every block.
            const QByteArray held = ModuleEeprom(0, kEepromEnd);
            int taken = 0;
            for (int b = 0; b < kEepromBlocks; ++b) {
                const QByteArray block = held.mid(b * 16, 16);
                if (block == wanted.mid(b * 16, 16) && taken == b)
                    ++taken;
                else
                    QVERIFY2(block == erased.mid(b * 16, 16), qPrintable(QStringLiteral("block %1").arg(b)));
            }
            if (!fails)
                QCOMPARE(taken, kEepromBlocks);

            // Write again, with the module answering.
            Sim(QStringLiteral("after clear"));
            Sim(QStringLiteral("speak"));
            Click(w, "EEPROMWriteBtn");
            QTRY_VERIFY_WITH_TIMEOUT(w.tool().mode() == EepromTool::Mode::None && write->isEnabled(), kWait);
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Dialogs().Texts(), fails ? QStringList{kEepromNoReply} : QStringList{});
        QCOMPARE(ModuleEeprom(0, kEepromEnd), wanted);
        CheckLosses(lossesBefore, fault);
        CheckLinkAfterwards();
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestE2eToolFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_tool_faults.moc"
