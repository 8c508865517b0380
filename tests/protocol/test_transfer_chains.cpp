// The transfer sequencer's whole chains against the simulated module's behaviour,
// delivered synchronously so every message can be followed in order, and its
// progress clock.

#include "test_transfer_sequencer.h"

#include "sim/Module.h"

#include <QtTest>

#include <deque>

using namespace relvane;
using namespace relvane::test;

namespace {

// The simulated module's behaviour wired to the sequencer: frames the tool queued
// go to the module, its answers through the dispatcher to the sequencer.
class SyncModule {
public:
    SyncModule(FakeHost& host, TransferSequencer& seq) : host_(host)
    {
        sim::RegisterServiceHandlers(module);
        sim::RegisterConfigHandlers(module);
        module.SetOutput([this](const Frame& f) { out_.push_back(Bytes(f.data(), f.length())); });
        dispatcher.AddHandler(&seq);
        receiver_.SetSink(&toModule_);
        toModule_.module = &module;
    }

    // Delivers queued frames until the progress closes or nothing is pending.
    // stopAfter: hand over at most this many frames (-1: no limit).
    void Pump(int stopAfter = -1)
    {
        while (delivered_ < host_.tx.entries.size() && (stopAfter < 0 || handed_ < stopAfter)) {
            const QByteArray e = host_.tx.entries.at(delivered_++);
            receiver_.Feed(reinterpret_cast<const std::uint8_t*>(e.constData()), int(e.size()));
            ++handed_;
            while (!out_.empty()) {
                const QByteArray f = out_.front();
                out_.pop_front();
                if (lose && lose(f))
                    continue;
                QByteArray a = f;
                if (alter && alter(a))  // re-sealed, so the dispatcher takes it
                    a[FRAME_CHECKSUM] = char(FrameChecksum(reinterpret_cast<const std::uint8_t*>(a.constData()) + 1,
                                                           int(a.size()) - 1));
                answers << a;
                dispatcher.DispatchFrame(reinterpret_cast<const std::uint8_t*>(a.constData()), int(a.size()));
            }
            if (!host_.progressOpen && stopAfter < 0)
                break;
        }
    }
    int Handed() const { return handed_; }

    QStringList BlockAnswers() const
    {
        QStringList l;
        for (const QByteArray& f : answers)
            if (IsConfigReadConfirm(std::uint8_t(f[3])))
                l << DescribeFrame(f);
        return l;
    }

    sim::Module module;
    Dispatcher dispatcher;
    QList<QByteArray> answers;
    std::function<bool(const QByteArray&)> lose;  // answers for which it holds never arrive
    std::function<bool(QByteArray&)> alter;       // changes an answer on its way; true when it did

private:
    struct ToModule : FrameSink {
        sim::Module* module = nullptr;
        void DispatchFrame(const std::uint8_t* f, int n) override { module->Receive(f, n); }
    };

    FakeHost& host_;
    SlipReceiver receiver_;
    ToModule toModule_;
    std::deque<QByteArray> out_;
    int delivered_ = 0;
    int handed_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Whole chains against the module's behaviour.

void TestTransferSequencer::readMakesSeventyRequestsAndTakesEveryBlock()
{
    SyncModule m(*host, *seq);
    m.module.config.RestoreFactory();
    m.module.config.SetBlock(sim::BlockKind::Name, 0, QByteArray("Test box"));
    FillWithMarkers(*model);
    ConfigModel expected;
    FillWithMarkers(expected);
    for (const BlockRef& b : AllConfigBlocks()) {
        const auto [kind, slot] = SimSlot(b);
        const QByteArray f = ReadAnswerOf(ReadConfirmOf(b.kind), m.module.config.Block(kind, slot));
        QVERIFY(DecodeConfigBlock(expected, reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size())));
    }
    QCOMPARE(expected.BoxName(), QByteArray("Test box"));

    host->whileProgress = [&] {
        m.Pump();
        return host->progressOpen ? ProgressEnd::TimedOut : ProgressEnd::Finished;
    };
    QVERIFY(seq->Read());
    QCOMPARE(host->Sent(), ExpectedReadRequests());
    QCOMPARE(host->Sent().size(), 70);
    QCOMPARE(m.BlockAnswers(), ExpectedReadAnswers());
    QCOMPARE(m.BlockAnswers().size(), 113);
    QCOMPARE(ModelText(*model), ModelText(expected));
    QCOMPARE(seq->State(), 0);
    QCOMPARE(seq->Position(), 0);
    QCOMPARE(host->calls, (QStringList{QStringLiteral("monitor"), QStringLiteral("version"), QStringLiteral("busy"),
                                       QStringLiteral("progress"), QStringLiteral("title"), QStringLiteral("close"),
                                       QStringLiteral("names"), QStringLiteral("progress closed"),
                                       QStringLiteral("not busy")}));
}

// A read that breaks off leaves the model as it was, whole; one that ends late is taken whole.
void TestTransferSequencer::brokenOffReadLeavesTheModel_data()
{
    QTest::addColumn<int>("handOver");     // requests the module gets before the progress closes
    QTest::addColumn<int>("loseCommand");  // answers with this command never arrive (0: none)
    QTest::addColumn<int>("loseIndex");
    QTest::addColumn<bool>("cancel");       // the progress window is cancelled, not timed out
    QTest::addColumn<bool>("lateAnswers");  // the rest of the chain arrives after the window closed
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QStringList>("messages");
    const QString incomplete1 = ReadIncompleteText(1);
    QTest::newRow("stalls after the CAN setup") << 4 << 0 << 0 << false << false << false << QStringList{};
    QTest::newRow("stalls before the last export") << 69 << 0 << 0 << false << false << false << QStringList{};
    QTest::newRow("times out, the rest comes late") << 30 << 0 << 0 << false << true << true << QStringList{};
    QTest::newRow("cancelled, the rest comes late") << 30 << 0 << 0 << true << true << false << QStringList{};
    QTest::newRow("one streamed input lost") << -1 << int(INPUT_READ_CFM) << 1 << false << false << false
                                             << QStringList{incomplete1};
    QTest::newRow("one streamed output lost") << -1 << int(OUTPUT_READ_CFM) << 20 << false << false << false
                                              << QStringList{incomplete1};
    // The last output's answer asks for the next block: losing it stalls the chain instead.
    QTest::newRow("last output lost") << -1 << int(OUTPUT_READ_CFM) << 34 << false << false << false
                                      << QStringList{};
    // The first CAN input's answer names the last one: the chain goes on past the 31 never
    // received, to its end.
    QTest::newRow("CAN input index out of turn") << -1 << -int(CAN_INPUT_READ_CFM) << 0 << false << false
                                                 << false << QStringList{ReadIncompleteText(31)};
}

void TestTransferSequencer::brokenOffReadLeavesTheModel()
{
    QFETCH(int, handOver);
    QFETCH(int, loseCommand);
    QFETCH(int, loseIndex);
    QFETCH(bool, cancel);
    QFETCH(bool, lateAnswers);
    QFETCH(bool, taken);
    QFETCH(QStringList, messages);
    SyncModule m(*host, *seq);
    m.module.config.RestoreFactory();
    if (loseCommand < 0)  // a negative command: its answer with loseIndex says 31 instead
        m.alter = [&](QByteArray& f) {
            if (std::uint8_t(f[3]) != -loseCommand || f.size() <= 4 || std::uint8_t(f[4]) != loseIndex)
                return false;
            f[4] = char(31);
            return true;
        };
    else if (loseCommand)
        m.lose = [&](const QByteArray& f) {
            return std::uint8_t(f[3]) == loseCommand && f.size() > 4 && std::uint8_t(f[4]) == loseIndex;
        };
    FillWithMarkers(*model);
    const QByteArray before = ModelText(*model);
    int changes = 0;
    connect(model.get(), &ConfigModel::Changed, model.get(), [&] { ++changes; });
    host->whileProgress = [&] {
        m.Pump(handOver);
        if (cancel) {
            seq->Cancel();
            return ProgressEnd::Cancelled;
        }
        return host->progressOpen ? ProgressEnd::TimedOut : ProgressEnd::Finished;
    };
    QVERIFY(seq->Read());
    QCOMPARE(ModelText(*model), before);
    QCOMPARE(changes, 0);
    QCOMPARE(host->messages, messages);
    QVERIFY(!host->calls.contains(QStringLiteral("title")));
    if (lateAnswers) {
        m.Pump(1000);
        QCOMPARE(ModelText(*model) != before, taken);
        QCOMPARE(host->calls.contains(QStringLiteral("title")), taken);
    }
}

void TestTransferSequencer::uploadSendsEveryBlockInOrder_data()
{
    QTest::addColumn<bool>("reboot");
    QTest::newRow("reboot: yes") << true;
    QTest::newRow("reboot: no") << false;
}

void TestTransferSequencer::uploadSendsEveryBlockInOrder()
{
    QFETCH(bool, reboot);
    SyncModule m(*host, *seq);
    FillWithMarkers(*model);
    host->answers = {reboot ? MessageAnswer::Yes : MessageAnswer::No};
    host->whileProgress = [&] {
        m.Pump();
        return ProgressEnd::TimedOut;
    };
    QVERIFY(seq->Upload());
    QStringList expected = ExpectedUploadBlocks();
    if (reboot)
        expected << Describe(REBOOT_REQ);
    QCOMPARE(host->Sent(), expected);
    for (const BlockRef& b : AllConfigBlocks()) {
        const auto [kind, slot] = SimSlot(b);
        QCOMPARE(m.module.config.Block(kind, slot), EncodedPayload(*model, b));
    }
    QCOMPARE(host->messages, QStringList{RebootQuestionText()});
    // The reboot question comes once the progress has closed, and busy is cleared after it.
    const int closed = int(host->calls.indexOf(QStringLiteral("progress closed")));
    QCOMPARE(host->calls.mid(closed), (QStringList{QStringLiteral("progress closed"), QStringLiteral("ask"),
                                                    QStringLiteral("not busy")}));
    QVERIFY(!host->calls.contains(QStringLiteral("title")));  // an upload changes no title
    QCOMPARE(seq->State(), 0);
}

void TestTransferSequencer::cancelDuringUploadStopsIt()
{
    SyncModule m(*host, *seq);
    host->answers = {MessageAnswer::No};
    host->whileProgress = [&] {
        m.Pump(20);  // 20 blocks out, the 21st queued and unanswered
        host->cancelProgress();
        return ProgressEnd::Cancelled;
    };
    QVERIFY(seq->Upload());
    QCOMPARE(seq->State(), 0);
    const int sentAtCancel = int(host->tx.entries.size());
    QCOMPARE(sentAtCancel, 21);
    QCOMPARE(host->messages, QStringList{RebootQuestionText()});
    // The answer to the block in flight still arrives: nothing more is sent.
    m.Pump();
    QCOMPARE(m.Handed(), 21);
    QCOMPARE(int(host->tx.entries.size()), sentAtCancel);
    QCOMPARE(host->Sent(), ExpectedUploadBlocks().mid(0, 21));
}

void TestTransferSequencer::factoryDefaultRestoresAndReadsBack()
{
    SyncModule m(*host, *seq);
    // The module holds a changed configuration; the tool's model is changed too.
    for (int n = 0; n < 34; ++n) m.module.config.SetBlock(sim::BlockKind::Output, n, QByteArray(26, '\x07'));
    FillWithMarkers(*model);
    host->answers = {MessageAnswer::Yes};
    host->whileProgress = [&] {
        m.Pump();
        return ProgressEnd::TimedOut;
    };
    QVERIFY(seq->FactoryDefault());
    QCOMPARE(host->messages, QStringList{FactoryQuestionText()});
    QStringList expected{Describe(FACTORY_DEFAULT_REQ)};
    expected += ExpectedReadRequests();
    QCOMPARE(host->Sent(), expected);
    QCOMPARE(host->progressRuns, 2);
    // The model is now the factory configuration.
    sim::ConfigStore factory;
    factory.RestoreFactory();
    ConfigModel expectedModel;
    FillWithMarkers(expectedModel);
    for (const BlockRef& b : AllConfigBlocks()) {
        const auto [kind, slot] = SimSlot(b);
        const QByteArray f = ReadAnswerOf(ReadConfirmOf(b.kind), factory.Block(kind, slot));
        DecodeConfigBlock(expectedModel, reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
    }
    QCOMPARE(ModelText(*model), ModelText(expectedModel));
    QCOMPARE(host->calls.count(QStringLiteral("version")), 1);  // the read's own check
}

void TestTransferSequencer::silentModuleLeavesTheStateForLateAnswers()
{
    // A read whose progress times out: nothing was taken, so the title stays; busy is
    // cleared, and the state stays so late answers go on moving it.
    host->whileProgress = [] { return ProgressEnd::TimedOut; };
    seq->Read();
    QCOMPARE(seq->State(), int(SEQ_READ_STREAM));
    QVERIFY(!host->calls.contains(QStringLiteral("title")));
    QVERIFY(!host->busy);
}

void TestTransferSequencer::commandDuringACommandIsRefused()
{
    // A connection timer firing while the progress is up must not start a second
    // transfer into the first one.
    bool inner = true;
    host->answers = {MessageAnswer::No};
    host->whileProgress = [&] {
        inner = seq->Read();
        inner = inner || seq->Upload() || seq->FactoryDefault();
        return ProgressEnd::TimedOut;
    };
    QVERIFY(seq->Upload());
    QVERIFY(!inner);
    QCOMPARE(host->progressRuns, 1);
    QCOMPARE(host->Sent(), QStringList{Describe(INPUT_WRITE_REQ, 1)});
    QVERIFY(!seq->CommandRunning());
    // Once it has ended, the next command runs.
    host->whileProgress = nullptr;
    QVERIFY(seq->Read());
    QCOMPARE(host->progressRuns, 2);
}

// ---------------------------------------------------------------------------
// The progress clock.

void TestTransferSequencer::progressBarCyclesAndTimesOutOnTheTickAfterTheLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("default 500") << UpdateProgress::TIMEOUT_TICKS;
    QTest::newRow("short 3") << 3;
}

void TestTransferSequencer::progressBarCyclesAndTimesOutOnTheTickAfterTheLimit()
{
    QFETCH(int, limit);
    UpdateProgress p;
    p.SetTimeoutTicks(limit);
    QCOMPARE(p.TickInterval(), UpdateProgress::TICK_MS);
    QSignalSpy timedOut(&p, &UpdateProgress::timedOut);
    p.Start();
    QVERIFY(p.Running());
    QList<int> values;
    connect(&p, &UpdateProgress::progressChanged, this, [&](int v) { values << v; });
    const int ticks = limit + 2;
    for (int t = 1; t < ticks; ++t) p.Tick();
    QCOMPARE(timedOut.count(), 0);
    QVERIFY(p.Running());
    p.Tick();
    QCOMPARE(timedOut.count(), 1);
    QVERIFY(!p.Running());
    QCOMPARE(values.size(), ticks);
    for (int i = 0; i < values.size(); ++i) QCOMPARE(values.at(i), (i + 1) % 101);
    // A new start resets both counters.
    p.Start();
    QCOMPARE(p.Progress(), 0);
    QCOMPARE(p.TimeoutCounter(), 0);
}

void TestTransferSequencer::headlessProgressEnds_data()
{
    QTest::addColumn<int>("how");  // 0 close, 1 cancel, 2 time-out
    QTest::newRow("closed") << 0;
    QTest::newRow("cancelled") << 1;
    QTest::newRow("timed out") << 2;
}

void TestTransferSequencer::headlessProgressEnds()
{
    QFETCH(int, how);
    HeadlessProgress hp;
    hp.Close();  // not open: no effect on the next run
    hp.Clock().SetTickInterval(5);
    hp.Clock().SetTimeoutTicks(how == 2 ? 4 : 100000);
    if (how != 2)
        QTimer::singleShot(30, [&] { how == 0 ? hp.Close() : hp.Cancel(); });
    QElapsedTimer t;
    t.start();
    const ProgressEnd end = hp.Run();
    QVERIFY(!hp.IsOpen());
    QCOMPARE(int(end), how == 0 ? int(ProgressEnd::Finished) : how == 1 ? int(ProgressEnd::Cancelled)
                                                                          : int(ProgressEnd::TimedOut));
    QVERIFY(t.elapsed() < 5000);
}
