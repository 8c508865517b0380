// Firmware update and firmware compare end to end: the "Firmware" and "FIA " windows
// opened from the Tools menu, the real link thread over the simulator's pseudo-terminal,
// and the simulated module's bootloader and program memory. The functions run in order:
// what the programming stores is what the compares read back.

#include "E2eRig.h"

#include "firmware/FirmwareTestSupport.h"
#include "firmware/ui/FIAForm.h"
#include "firmware/ui/FirmwareForm.h"
#include "protocol/MessageCatalogue.h"
#include "sim/FirmwareSim.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTextDocument>

using namespace relvane;
using namespace relvane::e2e;

namespace {

// The image: 0x0000 … 0x3F0F, so the last of its 64 blocks carries 0xF0 fill bytes.
constexpr std::uint32_t kImageEnd = 0x3F0F;
constexpr int kImageBlocks = 64;

QString Hex4(std::uint32_t a) { return QStringLiteral("%1").arg(a, 4, 16, QLatin1Char('0')).toUpper(); }

// The dump line of 16 expected bytes, as both memos write it.
QString ExpectedDump(std::uint32_t address)
{
    std::uint8_t bytes[16];
    for (std::uint32_t i = 0; i < 16; ++i)
        bytes[i] = address + i <= kImageEnd ? test::Pattern(address + i) : 0xFF;
    return FirmwareCompare::DumpLine(address, bytes);
}

}  // namespace

class TestE2eFirmware : public QObject {
    Q_OBJECT

    std::unique_ptr<E2eRig> rig_;
    QTemporaryDir files_;
    QString hexPath_;

    QByteArray ProgramMemory(int from, int count)
    {
        QByteArray out;
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { out = p.firmware.memory.mid(from, count); });
        return out;
    }
    int Updates()
    {
        int n = 0;
        rig_->Sim().WithParts([&](sim::SimulatorParts& p) { n = p.firmware.updates; });
        return n;
    }

    // The generated file in the window's file field (remembered from an earlier
    // opening, or chosen now).
    void ChooseFile(TFIA_Form& w)
    {
        if (Text(w, "FileEdit") == hexPath_)
            return;
        rig_->Dialogs().QueueFile(hexPath_);
        Click(w, "BtnOpenFile");
    }

private Q_SLOTS:
    void initTestCase()
    {
        hexPath_ = test::WriteFile(files_, QStringLiteral("generated.hex"),
                                   test::HexText(0, kImageEnd) + test::EndRecord() + "\r\n");
        QVERIFY(!hexPath_.isEmpty());
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane E2E Firmware");
        o.fast = true;
        rig_ = std::make_unique<E2eRig>(o);
        const QString error = rig_->Start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(rig_->WaitForVersion());
    }
    void cleanupTestCase() { rig_.reset(); }

    void program_data()
    {
        QTest::addColumn<bool>("byReboot");
        QTest::newRow("bootloader started by the reboot request") << true;
        QTest::newRow("bootloader started from its console") << false;
    }
    void program()
    {
        QFETCH(bool, byReboot);
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        rig_->Sim().Command(QStringLiteral("erase"));
        rig_->Sim().Command(byReboot ? QStringLiteral("bootloader on") : QStringLiteral("bootloader off"));
        const int updatesBefore = Updates();
        int maxProgress = 0;
        bool shot = false;

        dialogs.QueueFile(hexPath_);
        rig_->RunModal<TFirmware>("Firmware1", [&](TFirmware& w) {
            QVERIFY(rig_->Main().FirmwareBusy());
            QCOMPARE(rig_->Program().Link().RxMode(), int(RX_MODE_RAW));
            Click(w, "BtnOpenFile");
            QCOMPARE(Text(w, "FileEdit"), hexPath_);
            QProgressBar* bar = Child<QProgressBar>(w, "ProgressBar1");
            QVERIFY(bar);
            connect(bar, &QProgressBar::valueChanged, &w, [&](int v) {
                maxProgress = std::max(maxProgress, v);
                if (v >= 50 && !shot && byReboot) {
                    shot = true;
                    E2eRig::Screenshot(w, QStringLiteral("firmware"));
                }
            });
            Click(w, "BtnProgram");
            QCOMPARE(dialogs.LastText(), QStringLiteral("Reboot target to start programming"));

            // The user reboots the module: here by the reboot request, whose answer
            // arrives raw and is ignored; the bootloader then prompts with ">".
            if (byReboot)
                SendFrame(rig_->Main().TxQueue(), Frame(FRAME_TYPE_COMMAND, REBOOT_REQ, REBOOT_REQ_LENGTH).Seal());
            else
                rig_->Sim().Command(QStringLiteral("bootloader now"));

            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), QStringLiteral("Target updated"), 30000);
            QCOMPARE(bar->value(), 0);
            QCOMPARE(w.Update().state(), FirmwareUpdate::Idle);
            QCOMPARE(w.Update().sent(), kImageBlocks * 256);
            Click(w, "BtnExit");
        });
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(dialogs.Texts(), (QStringList{QStringLiteral("Reboot target to start programming"),
                                               QStringLiteral("Target updated")}));
        QVERIFY(maxProgress >= 95);
        QVERIFY(maxProgress <= 100);
        QVERIFY(!rig_->Main().FirmwareBusy());
        QCOMPARE(rig_->Program().Link().RxMode(), int(RX_MODE_FRAMES));
        QCOMPARE(Updates(), updatesBefore + 1);

        // The module holds the image, and the fill value after its last record.
        QByteArray expected;
        for (std::uint32_t a = 0; a <= kImageEnd; ++a)
            expected.append(char(test::Pattern(a)));
        expected.append(QByteArray(0x4000 - expected.size(), char(0xFF)));
        QCOMPARE(ProgramMemory(0, 0x4000), expected);
        QCOMPARE(ProgramMemory(0x4000, 0x100), QByteArray(0x100, char(0xFF)));

        // Frames reach the main window again.
        rig_->Main().Module().versionText.clear();
        QVERIFY(rig_->WaitForVersion());
    }

    void compareIdentical()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        rig_->Sim().ClearObservations();
        dialogs.QueueFile(hexPath_);
        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            Click(w, "BtnOpenFile");
            // No repeat on a loaded machine, where an answer has taken up to 1.1 s (the
            // program asks again after 300 ms).
            w.Compare().SetRequestIntervalMs(5000);
            Click(w, "BtnStart");
            // 4032 requests, one per pass of the link loop.
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(),
                                      QStringLiteral("FIA compare File is identical with firmware"), 180000);
            const QStringList status = Lines(w, "MemoStatus");
            QVERIFY(status.contains(QStringLiteral("Relvane serial no : 00001234")));
            QVERIFY(status.contains(QStringLiteral("Comparing file : ") + hexPath_));
            QVERIFY(status.contains(QStringLiteral("With firmware version :V8.12")));
            QCOMPARE(status.value(status.size() - 2), QStringLiteral("FIA compare File is identical with firmware"));
            QCOMPARE(status.last(), QString(70, QLatin1Char('-')));
            QCOMPARE(Text(w, "LabelProcent"), QStringLiteral("100 % done"));
            QCOMPARE(Child<QProgressBar>(w, "ProgressBar")->value(), 100);

            const QStringList target = Lines(w, "MemoTarget");
            const QStringList file = Lines(w, "MemoFile");
            QCOMPARE(target.size(), 0xFC00 / 16);
            QCOMPARE(target, file);
            QCOMPARE(target.first(), ExpectedDump(0));
            QCOMPARE(target.at(0x3F00 / 16), ExpectedDump(0x3F00));
            QCOMPARE(target.last(), ExpectedDump(0xFBF0));
            // A whole dump line fits each memo: the 16 bytes are read without scrolling.
            for (const char* name : {"MemoFile", "MemoTarget"}) {
                auto* memo = Child<QPlainTextEdit>(w, name);
                const int room = memo->viewport()->width() - 2 * int(memo->document()->documentMargin());
                QVERIFY2(memo->fontMetrics().horizontalAdvance(target.last()) <= room, name);
            }
            E2eRig::Screenshot(w, QStringLiteral("fia"));
        });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("FIA compare File is identical with firmware")});

        // One request per block, in order, none repeated (the oldest observations may
        // have been dropped by the simulator's record limit).
        const QList<QByteArray> requests = rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MEMORY_READ_REQ);
        QVERIFY(requests.size() > 3000);
        int previous = -16;
        const int first = std::uint8_t(requests.first()[4]) | (std::uint8_t(requests.first()[5]) << 8);
        previous = first - 16;
        for (const QByteArray& r : requests) {
            const int a = std::uint8_t(r[4]) | (std::uint8_t(r[5]) << 8);
            QCOMPARE(a, previous + 16);
            previous = a;
        }
        QCOMPARE(previous, 0xFBF0);
    }

    void compareReportsChangedByte()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        constexpr std::uint32_t changed = 0x0235;
        const int value = test::Pattern(changed) ^ 0xFF;
        rig_->Sim().Command(QStringLiteral("poke 0x%1 %2").arg(changed, 0, 16).arg(value));
        QCOMPARE(std::uint8_t(ProgramMemory(changed, 1).at(0)), std::uint8_t(value));

        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            // The path chosen in the last opening came back from the settings file.
            QCOMPARE(Text(w, "FileEdit"), hexPath_);
            Click(w, "BtnStart");
            const QString fail = QStringLiteral("FIA compare Fail, File not the same in Adr: 0235");
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), fail, 30000);
            const QStringList status = Lines(w, "MemoStatus");
            QCOMPARE(status.value(status.size() - 2), fail);
            QCOMPARE(status.last(), QString(70, QLatin1Char('-')));
            const QStringList target = Lines(w, "MemoTarget");
            QCOMPARE(target.size(), 0x230 / 16 + 1);
            QVERIFY2(target.last().startsWith(QStringLiteral("Adr:0230 : ")), qPrintable(target.last()));
            QCOMPARE(target.last().mid(11 + 5 * 3, 2), Hex4(std::uint32_t(value)).right(2));
            QCOMPARE(Lines(w, "MemoFile").last(), ExpectedDump(0x230));
            QCOMPARE(Text(w, "LabelProcent"), QStringLiteral("0 % done"));
        });
        rig_->Sim().Command(QStringLiteral("poke 0x%1 %2").arg(changed, 0, 16).arg(test::Pattern(changed)));
        QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("FIA compare Fail, File not the same in Adr: 0235")});
    }

    void lateAnswerAndItsRepeat()
    {
        // The module answers the first request only after the repeat has gone out, then
        // answers the repeat too: the second answer is not data for the next block.
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        constexpr std::uint32_t changed = 0x0105;
        rig_->Sim().Command(QStringLiteral("poke 0x%1 %2").arg(changed, 0, 16).arg(test::Pattern(changed) ^ 0x01));
        rig_->Sim().Command(QStringLiteral("memhold on"));
        rig_->Sim().ClearObservations();
        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            ChooseFile(w);
            Click(w, "BtnStart");
            // The first request and at least one repeat are out: the module answers all.
            QTRY_VERIFY_WITH_TIMEOUT(rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MEMORY_READ_REQ).size() >= 2, 5000);
            rig_->Sim().Command(QStringLiteral("memhold off"));
            const QString fail = QStringLiteral("FIA compare Fail, File not the same in Adr: 0105");
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), fail, 30000);
            const QStringList target = Lines(w, "MemoTarget");
            QCOMPARE(target.size(), 0x100 / 16 + 1);
            QCOMPARE(target.first(), ExpectedDump(0));
            QCOMPARE(target.at(1), ExpectedDump(0x10));
            QCOMPARE(w.Compare().retryCount(), 0);
        });
        rig_->Sim().Command(QStringLiteral("poke 0x%1 %2").arg(changed, 0, 16).arg(test::Pattern(changed)));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("FIA compare Fail, File not the same in Adr: 0105")});
        int forZero = 0;
        for (const QByteArray& r : rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MEMORY_READ_REQ))
            forZero += r.mid(4, 2) == QByteArray(2, '\0') ? 1 : 0;
        QVERIFY2(forZero >= 2 && forZero <= 6, qPrintable(QString::number(forZero)));
    }

    void answersAfterTheGiveUp()
    {
        // A module that stalls past the five repeats and then answers them all: the
        // compare has ended with "No contact to target" and gives no second result.
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        rig_->Sim().Command(QStringLiteral("memhold on"));
        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            ChooseFile(w);
            Click(w, "BtnStart");
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), QStringLiteral("No contact to target"), 15000);
            rig_->Sim().Command(QStringLiteral("memhold off"));
            // Six answers come in; nothing more is compared, asked or shown.
            QTest::qWait(1000);
            QVERIFY(Text(w, "MemoTarget").isEmpty());
            QCOMPARE(w.Compare().address(), 0);
            QVERIFY(!w.Compare().RequestPending());
            QCOMPARE(Lines(w, "MemoStatus").last(), QStringLiteral("No contact to target"));
        });
        rig_->Sim().Command(QStringLiteral("memhold off"));
        QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("No contact to target")});
    }

    void silentModuleGivesUp()
    {
        ScriptedDialogs& dialogs = rig_->Dialogs();
        dialogs.Clear();
        rig_->Sim().Command(QStringLiteral("silent"));
        rig_->Sim().ClearObservations();
        QElapsedTimer elapsed;
        qint64 tookMs = 0;
        rig_->RunModal<TFIA_Form>("FIA", [&](TFIA_Form& w) {
            ChooseFile(w);
            elapsed.start();
            Click(w, "BtnStart");
            QTRY_COMPARE_WITH_TIMEOUT(dialogs.LastText(), QStringLiteral("No contact to target"), 15000);
            tookMs = elapsed.elapsed();
            QCOMPARE(Lines(w, "MemoStatus").last(), QStringLiteral("No contact to target"));
            QVERIFY(Text(w, "MemoTarget").isEmpty());
            QCOMPARE(w.Compare().retryCount(), 6);
            QVERIFY(!w.Compare().RequestPending());
        });
        rig_->Sim().Command(QStringLiteral("speak"));
        if (QTest::currentTestFailed())
            return;
        // One request and five repeats 300 ms apart, all for address 0.
        QVERIFY2(tookMs >= 1500, qPrintable(QString::number(tookMs)));
        const QList<QByteArray> requests = rig_->ReceivedCommands(FRAME_TYPE_COMMAND, MEMORY_READ_REQ);
        QCOMPARE(requests.size(), 6);
        for (const QByteArray& r : requests)
            QCOMPARE(r, QByteArray::fromHex("5906015E0000"));
        QCOMPARE(dialogs.Texts(), QStringList{QStringLiteral("No contact to target")});
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestE2eFirmware test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_firmware.moc"
