// Faults at every stage of the configuration transfers, end to end: the composed program
// over the real link thread and a pseudo-terminal to the in-process simulated module. The
// simulator's "after N" runs the fault when the Nth frame of the command arrives (the
// heartbeat's version requests do not count), before that frame is answered.
//
// Each row checks what a technician relies on: the loss is reported once, the link comes
// back by itself, the model is never left holding a mixture of two configurations, and the
// next command works without a restart.

#include "E2eRig.h"
#include "FaultWatch.h"

#include "config/ConfigDiff.h"
#include "config/ConfigModel.h"
#include "link/UsbThread.h"
#include "protocol/TransferSequencer.h"
#include "protocol/ui/UpdateForm.h"

#include <QStatusBar>
#include <QtTest>

using namespace relvane;
using namespace relvane::e2e;

namespace {

constexpr int kWait = 15000;
// Every transfer here keeps the program's own time-out (500 ticks of 100 ms).
constexpr int kTransferTicks = UpdateProgress::TIMEOUT_TICKS;

// The shown configuration and another one differ where a broken-off read would show it:
// the first block read (input 1), the middle of the output stream and the last block.
void MarkDifferent(ConfigModel& m, const QString& tag, int step)
{
    m.ModifyInput(1, [&](InputConfig& r) { r.NAME = tag.toLatin1().left(kChannelNameLength); });
    m.ModifyOutput(20, [&](OutputConfig& r) { r.MAX_CURRENT = 100 + step; });
    m.ModifyCanExport(4, [](CanExportConfig& r) { r.ENABLED = !r.ENABLED; });
}

QString Differences(const ConfigModel& a, const ConfigModel& b)
{
    QStringList lines;
    for (const ConfigDifference& d : DiffConfigs(a, b))
        lines << DifferenceLine(d);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

class TestE2eFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<E2eRig> rig_;
    ConfigModel module_;  // what the module holds for the read rows
    std::unique_ptr<LossWatch> losses_;

    TransferCommands& Transfer() { return rig_->Program().Transfer(); }
    ConfigModel& Shown() { return rig_->Main().Model(); }

    void WaitCalm() { QTRY_VERIFY_WITH_TIMEOUT(Calm(rig_->Program()), kWait); }

    // Clears what a row left in the simulator and waits until the tool hears it again.
    void Recover()
    {
        rig_->Sim().Command(QStringLiteral("after clear"));
        rig_->Sim().Command(QStringLiteral("speak"));
        WaitCalm();
        rig_->Main().Module().versionText.clear();
        QVERIFY(rig_->WaitForVersion(kWait));
        WaitCalm();
        rig_->Dialogs().Clear();
        rig_->Dialogs().AnswerText(RebootQuestionText(), MessageAnswer::No);
    }

    // Runs a Read or an Upload. For a row whose fault stalls the chain, the time-out comes as
    // soon as the stall has shown, instead of after the long time-out every transfer gets.
    void Run(const std::function<void()>& command, const QString& stallingFault = {})
    {
        UpdateProgress& progress = Transfer().Windows().UpdateForm().Progress();
        progress.SetTimeoutTicks(kTransferTicks);
        std::unique_ptr<StallWatch> watch;
        if (!stallingFault.isEmpty()) {
            sim::Simulator& sim = rig_->Sim();
            const sim::SimulatorCounters before = sim.Counters();
            // The heartbeat waits while a transfer runs: every byte the module takes is the chain's.
            watch = std::make_unique<StallWatch>(
                [&sim, stallingFault, before] { return FaultStruck(sim, stallingFault, before); },
                [&sim] { return sim.Counters().bytesReceived; }, [&progress] { progress.SetTimeoutTicks(0); },
                kQuietMs);
        }
        command();
        progress.SetTimeoutTicks(kTransferTicks);
    }
    void Read(const QString& stallingFault = {})
    {
        Run([this] { Transfer().BtnLoadClick(); }, stallingFault);
    }
    void Upload(const QString& stallingFault = {})
    {
        Run([this] { Transfer().BtnSaveClick(); }, stallingFault);
    }

private Q_SLOTS:
    void initTestCase()
    {
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane E2E Faults");
        o.fast = true;
        rig_ = std::make_unique<E2eRig>(o);
        const QString error = rig_->Start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(rig_->WaitForVersion());
        ShowQuietPage(rig_->Main());
        losses_ = std::make_unique<LossWatch>(rig_->Main());

        Recover();
        Read();
        QVERIFY2(rig_->Dialogs().Texts().isEmpty(), qPrintable(rig_->Dialogs().Texts().join(QLatin1Char('|'))));
        module_.Assign(Shown());
    }
    void cleanupTestCase()
    {
        losses_.reset();
        rig_.reset();
    }

    void readFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("message");  // what the read tells; empty: it completes
        const QString timeout = UpdateTimeoutText();
        const QString incomplete = ReadIncompleteText(1);
        // Step 1 is the input request (its answers stream in), 40 a CAN input request in the
        // chain, 70 the request for the last block.
        struct Row {
            const char* name;
            int step;
        };
        for (const Row& r : {Row{"input stream", 1}, Row{"CAN inputs", 40}, Row{"last block", 70}}) {
            const bool streamed = r.step == 1;
            QTest::addRow("cable pulled at %s", r.name) << QStringLiteral("replug 400") << r.step << timeout;
            QTest::addRow("answer dropped at %s", r.name)
                << QStringLiteral("drop") << r.step << (streamed ? incomplete : timeout);
            QTest::addRow("answer corrupted at %s", r.name)
                << QStringLiteral("corrupt") << r.step << (streamed ? incomplete : timeout);
            QTest::addRow("resend asked at %s", r.name) << QStringLiteral("resend") << r.step << QString();
            QTest::addRow("module silent from %s", r.name) << QStringLiteral("silent") << r.step << timeout;
        }
    }
    void readFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(QString, message);
        Recover();
        ConfigModel edited;
        edited.Assign(module_);
        MarkDifferent(edited, QStringLiteral("Shown %1").arg(step), step);
        Shown().Assign(edited);
        const int lossesBefore = losses_->Losses();

        rig_->Sim().Command(QStringLiteral("after %1 %2").arg(step).arg(fault));
        Read(message == UpdateTimeoutText() ? fault : QString());

        const QStringList texts = rig_->Dialogs().Texts();
        QVERIFY2(texts == (message.isEmpty() ? QStringList{} : QStringList{message}),
                 qPrintable(texts.join(QLatin1Char('|'))));
        // Whole, one way or the other: the read was taken, or nothing changed.
        const ConfigModel& expected = message.isEmpty() ? module_ : edited;
        QVERIFY2(DiffConfigs(Shown(), expected).isEmpty(), qPrintable(Differences(Shown(), expected)));
        QCOMPARE(losses_->Losses() - lossesBefore, fault.startsWith(QLatin1String("replug")) ? 1 : 0);

        // The next read works without a restart.
        Recover();
        QCOMPARE(losses_->Losses() - lossesBefore, fault.startsWith(QLatin1String("replug")) ? 1 : 0);
        Shown().Assign(edited);
        Read();
        QVERIFY2(rig_->Dialogs().Texts().isEmpty(), qPrintable(rig_->Dialogs().Texts().join(QLatin1Char('|'))));
        QVERIFY2(DiffConfigs(Shown(), module_).isEmpty(), qPrintable(Differences(Shown(), module_)));
    }

    void uploadFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("stalls");
        // Step 1 is input 1's block, 60 a CAN input's, 113 the last export block.
        struct Row {
            const char* name;
            int step;
        };
        for (const Row& r : {Row{"first block", 1}, Row{"CAN inputs", 60}, Row{"last block", 113}}) {
            QTest::addRow("cable pulled at %s", r.name) << QStringLiteral("replug 400") << r.step << true;
            QTest::addRow("answer dropped at %s", r.name) << QStringLiteral("drop") << r.step << true;
            QTest::addRow("answer corrupted at %s", r.name) << QStringLiteral("corrupt") << r.step << true;
            QTest::addRow("resend asked at %s", r.name) << QStringLiteral("resend") << r.step << false;
            QTest::addRow("module silent from %s", r.name) << QStringLiteral("silent") << r.step << true;
        }
    }
    void uploadFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, step);
        QFETCH(bool, stalls);
        Recover();
        // A configuration the module does not hold yet, different for every row, so a
        // half-finished upload cannot pass for a whole one.
        static int row = 0;
        ++row;
        ConfigModel upload;
        upload.Assign(module_);
        MarkDifferent(upload, QStringLiteral("Upload %1").arg(row), row);
        Shown().Assign(upload);
        const int lossesBefore = losses_->Losses();

        rig_->Sim().Command(QStringLiteral("after %1 %2").arg(step).arg(fault));
        Upload(stalls ? fault : QString());

        QStringList expectedTexts;
        if (stalls)
            expectedTexts << UpdateTimeoutText();
        expectedTexts << RebootQuestionText();  // asked however the window closed
        QCOMPARE(rig_->Dialogs().Texts(), expectedTexts);
        // An upload never changes what is shown.
        QVERIFY2(DiffConfigs(Shown(), upload).isEmpty(), qPrintable(Differences(Shown(), upload)));
        QCOMPARE(losses_->Losses() - lossesBefore, fault.startsWith(QLatin1String("replug")) ? 1 : 0);

        // Upload again, then read back: the module holds the whole configuration. The link's
        // return after a pulled cable reads the module into the window by itself, so the
        // configuration is put back first.
        Recover();
        Shown().Assign(upload);
        Upload();
        QCOMPARE(rig_->Dialogs().Texts(), QStringList{RebootQuestionText()});
        Recover();
        Shown().Assign(module_);
        Read();
        QVERIFY2(rig_->Dialogs().Texts().isEmpty(), qPrintable(rig_->Dialogs().Texts().join(QLatin1Char('|'))));
        QVERIFY2(DiffConfigs(Shown(), upload).isEmpty(), qPrintable(Differences(Shown(), upload)));
        module_.Assign(upload);
    }
};

QTEST_MAIN(TestE2eFaults)
#include "test_e2e_faults.moc"
