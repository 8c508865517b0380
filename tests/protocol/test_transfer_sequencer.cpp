// The transfer sequencer without windows or a link: each state and answer on its
// own, and whole chains against the simulated module's behaviour, delivered
// synchronously so every message can be followed in order.

#include "config/Dialogs.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"
#include "protocol/ProtocolTestSupport.h"
#include "protocol/TransferTestSupport.h"
#include "sim/Module.h"

#include <QtTest>

#include <deque>

using namespace relvane;
using namespace relvane::test;

namespace {

// Decodes what the tool queued (SLIP-encoded entries) back into frames.
struct FrameCollector : FrameSink {
    QList<QByteArray> frames;
    void DispatchFrame(const std::uint8_t* f, int n) override { frames.append(Bytes(f, n)); }
};

QList<QByteArray> DecodeEntries(const QList<QByteArray>& entries)
{
    FrameCollector c;
    SlipReceiver r(&c);
    for (const QByteArray& e : entries) r.Feed(reinterpret_cast<const std::uint8_t*>(e.constData()), int(e.size()));
    return c.frames;
}

// A host that records every call. RunProgress hands the module the frames the
// tool queued, one at a time, until the progress is closed or nothing is left.
class FakeHost : public TransferHost {
public:
    bool connected = true;
    bool firmwareBusy = false;
    bool monitorAway = false;
    VersionCheckResult version = VersionCheckResult::Accepted;
    QList<MessageAnswer> answers;  // for AskYesNo, in order; none left = No

    RecordingTxSink tx;
    QStringList calls;  // in order
    QStringList messages;
    QList<int> pauses;
    bool busy = false;
    int progressRuns = 0;
    bool progressOpen = false;
    std::function<void()> cancelProgress;
    // Runs while the progress is "shown"; returns how it ended.
    std::function<ProgressEnd()> whileProgress;

    bool Connected() const override { return connected; }
    bool FirmwareBusy() const override { return firmwareBusy; }
    TxSink& TxQueue() override { return tx; }
    bool ResetMonitorSelection() override
    {
        calls << QStringLiteral("monitor");
        const bool was = monitorAway;
        monitorAway = false;
        return was;
    }
    void PauseMs(int ms) override
    {
        calls << QStringLiteral("pause %1").arg(ms);
        pauses << ms;
    }
    VersionCheckResult RunVersionCheck() override
    {
        calls << QStringLiteral("version");
        return version;
    }
    ProgressEnd RunProgress(const std::function<void()>& cancel) override
    {
        calls << QStringLiteral("progress");
        ++progressRuns;
        progressOpen = true;
        cancelProgress = cancel;
        ProgressEnd end = ProgressEnd::TimedOut;
        if (whileProgress)
            end = whileProgress();
        if (!progressOpen)
            end = ProgressEnd::Finished;
        progressOpen = false;
        calls << QStringLiteral("progress closed");
        return end;
    }
    void CloseProgress() override
    {
        calls << QStringLiteral("close");
        progressOpen = false;
    }
    void SetTransferBusy(bool b) override
    {
        calls << (b ? QStringLiteral("busy") : QStringLiteral("not busy"));
        busy = b;
    }
    void RequestNamePropagation() override { calls << QStringLiteral("names"); }
    void SetTitleSourceModule() override { calls << QStringLiteral("title"); }
    void ShowMessage(const QString& text) override
    {
        calls << QStringLiteral("message");
        messages << text;
    }
    bool AskYesNo(const QString& text) override
    {
        calls << QStringLiteral("ask");
        messages << text;
        return !answers.isEmpty() && answers.takeFirst() == MessageAnswer::Yes;
    }

    QList<QByteArray> SentFrames() const { return DecodeEntries(tx.entries); }
    QStringList Sent() const
    {
        QStringList l;
        for (const QByteArray& f : SentFrames()) l << DescribeFrame(f);
        return l;
    }
};

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

QByteArray Answer(std::uint8_t command, std::vector<std::uint8_t> payload = {})
{
    const auto f = MakeFrame(FRAME_TYPE_COMMAND, command, std::move(payload));
    return Bytes(f.data(), int(f.size()));
}

}  // namespace

class TestTransferSequencer : public QObject {
    Q_OBJECT

    std::unique_ptr<ConfigModel> model;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<TransferSequencer> seq;

    // One answer straight to the sequencer, as the dispatcher hands it over.
    void Deliver(const QByteArray& frame)
    {
        Dispatcher d;
        d.AddHandler(seq.get());
        d.DispatchFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<ConfigModel>();
        host = std::make_unique<FakeHost>();
        seq = std::make_unique<TransferSequencer>(*model, *host);
    }

    // ---------------------------------------------------------------------------
    // StepSequencer on its own.

    void stepSendsTheStatesFrame_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("sent");  // empty: nothing
        QTest::addColumn<int>("newState");
        QTest::addColumn<int>("newPosition");

        QTest::newRow("idle") << 0 << 3 << QString() << 0 << 3;
        QTest::newRow("read stream") << 1 << 0 << QString() << 1 << 0;
        QTest::newRow("inputs: next input") << 3 << 1 << Describe(INPUT_WRITE_REQ, 2) << 3 << 2;
        QTest::newRow("inputs: input 11") << 3 << 10 << Describe(INPUT_WRITE_REQ, 11) << 3 << 11;
        QTest::newRow("inputs: then output 1") << 3 << 11 << Describe(OUTPUT_WRITE_REQ, 1) << 4 << 1;
        QTest::newRow("inputs: beyond 11 also output 1") << 3 << 40 << Describe(OUTPUT_WRITE_REQ, 1) << 4 << 1;
        QTest::newRow("outputs: next output") << 4 << 1 << Describe(OUTPUT_WRITE_REQ, 2) << 4 << 2;
        QTest::newRow("outputs: output 34") << 4 << 33 << Describe(OUTPUT_WRITE_REQ, 34) << 4 << 34;
        QTest::newRow("outputs: then low battery") << 4 << 34 << Describe(LOW_BATTERY_WRITE_REQ) << 5 << 34;
        QTest::newRow("low battery waits") << 5 << 0 << QString() << 5 << 0;
        QTest::newRow("CAN setup waits") << 6 << 0 << QString() << 6 << 0;
        QTest::newRow("CAN setup read waits") << 7 << 0 << QString() << 7 << 0;
        QTest::newRow("CAN input block") << 8 << 31 << Describe(CAN_INPUT_WRITE_REQ, 31) << 8 << 31;
        QTest::newRow("CAN input block out of range") << 8 << 32 << QString() << 8 << 32;
        QTest::newRow("CAN input request") << 9 << 5 << Describe(CAN_INPUT_READ_REQ, 5) << 9 << 5;
        QTest::newRow("virtual input block") << 10 << 19 << Describe(VIRTUAL_INPUT_WRITE_REQ, 19) << 10 << 19;
        QTest::newRow("virtual input request") << 11 << 7 << Describe(VIRTUAL_INPUT_READ_REQ, 7) << 11 << 7;
        QTest::newRow("start/kill block") << 12 << 0 << Describe(START_KILL_WRITE_REQ) << 12 << 0;
        QTest::newRow("start/kill request") << 13 << 0 << Describe(START_KILL_READ_REQ) << 13 << 0;
        QTest::newRow("PWM block") << 14 << 0 << Describe(PWM_WRITE_REQ) << 14 << 0;
        QTest::newRow("PWM request") << 15 << 0 << Describe(PWM_READ_REQ) << 15 << 0;
        QTest::newRow("flash block") << 16 << 4 << Describe(FLASH_WRITE_REQ, 4) << 16 << 4;
        QTest::newRow("flash request") << 17 << 2 << Describe(FLASH_READ_REQ, 2) << 17 << 2;
        QTest::newRow("wiper block") << 18 << 0 << Describe(WIPER_WRITE_REQ) << 18 << 0;
        QTest::newRow("wiper request") << 19 << 5 << Describe(WIPER_READ_REQ) << 19 << 5;
        QTest::newRow("export 1 request") << 20 << 0 << Describe(CAN_EXPORT1_READ_REQ) << 20 << 0;
        QTest::newRow("export 1 block") << 21 << 0 << Describe(CAN_EXPORT1_WRITE_REQ) << 21 << 0;
        QTest::newRow("exports request 0") << 22 << 0 << Describe(CAN_EXPORT_READ_REQ, 0) << 22 << 0;
        QTest::newRow("exports request 1") << 22 << 1 << Describe(CAN_EXPORT_READ_REQ, 1) << 22 << 1;
        QTest::newRow("exports request 2") << 22 << 2 << Describe(CAN_EXPORT_READ_REQ, 2) << 22 << 2;
        QTest::newRow("exports request beyond is 2") << 22 << 9 << Describe(CAN_EXPORT_READ_REQ, 2) << 22 << 9;
        QTest::newRow("exports block 2") << 23 << 2 << Describe(CAN_EXPORT_WRITE_REQ, 2) << 23 << 2;
        QTest::newRow("exports block out of range") << 23 << 3 << QString() << 23 << 3;
        QTest::newRow("CAN enable request") << 24 << 0 << Describe(CAN_INPUT_ENABLE_READ_REQ) << 24 << 0;
        QTest::newRow("CAN enable block") << 25 << 0 << Describe(CAN_INPUT_ENABLE_WRITE_REQ) << 25 << 0;
        QTest::newRow("name request") << 26 << 0 << Describe(NAME_READ_REQ) << 26 << 0;
        QTest::newRow("name block") << 27 << 0 << Describe(NAME_WRITE_REQ) << 27 << 0;
        QTest::newRow("state 2 does not occur") << 2 << 0 << QString() << 2 << 0;
        QTest::newRow("no such state") << 99 << 0 << QString() << 99 << 0;
    }
    void stepSendsTheStatesFrame()
    {
        QFETCH(int, state);
        QFETCH(int, position);
        QFETCH(QString, sent);
        QFETCH(int, newState);
        QFETCH(int, newPosition);
        seq->SetState(state, position);
        seq->StepSequencer();
        QCOMPARE(host->Sent(), sent.isEmpty() ? QStringList() : QStringList{sent});
        QCOMPARE(seq->State(), newState);
        QCOMPARE(seq->Position(), newPosition);
        for (const QByteArray& f : host->SentFrames())
            QVERIFY(FrameChecksumValid(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size())));
    }

    // ---------------------------------------------------------------------------
    // Every answer, whatever the state.

    void answersMoveTheSequencer_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("newState");
        QTest::addColumn<int>("newPosition");
        QTest::addColumn<bool>("ended");

        const auto b = [](std::uint8_t c, int len, int index = -1) {
            std::vector<std::uint8_t> p(std::size_t(len - 4), 0);
            if (index >= 0) p[0] = std::uint8_t(index);
            return Answer(c, p);
        };
        using L = QStringList;
        // Upload.
        QTest::newRow("input written") << 3 << 4 << Answer(INPUT_WRITE_CFM) << L{Describe(INPUT_WRITE_REQ, 5)} << 3 << 5 << false;
        QTest::newRow("output written") << 4 << 34 << Answer(OUTPUT_WRITE_CFM) << L{Describe(LOW_BATTERY_WRITE_REQ)} << 5 << 34 << false;
        QTest::newRow("output written while idle runs idle") << 0 << 0 << Answer(OUTPUT_WRITE_CFM) << L{} << 0 << 0 << false;
        QTest::newRow("low battery written") << 5 << 34 << Answer(LOW_BATTERY_WRITE_CFM) << L{Describe(CAN_SETUP_WRITE_REQ)} << 6 << 34 << false;
        QTest::newRow("low battery written in any state") << 0 << 7 << Answer(LOW_BATTERY_WRITE_CFM) << L{Describe(CAN_SETUP_WRITE_REQ)} << 6 << 7 << false;
        QTest::newRow("CAN setup written") << 6 << 34 << Answer(CAN_SETUP_WRITE_CFM) << L{Describe(START_KILL_WRITE_REQ)} << 12 << 0 << false;
        QTest::newRow("start/kill written") << 12 << 0 << Answer(START_KILL_WRITE_CFM) << L{Describe(CAN_INPUT_WRITE_REQ, 0)} << 8 << 0 << false;
        QTest::newRow("CAN input 0 written") << 8 << 0 << Answer(CAN_INPUT_WRITE_CFM, {0}) << L{Describe(CAN_INPUT_WRITE_REQ, 1)} << 8 << 1 << false;
        QTest::newRow("CAN input 30 written") << 8 << 30 << Answer(CAN_INPUT_WRITE_CFM, {30}) << L{Describe(CAN_INPUT_WRITE_REQ, 31)} << 8 << 31 << false;
        QTest::newRow("CAN input 31 written") << 8 << 31 << Answer(CAN_INPUT_WRITE_CFM, {31}) << L{Describe(CAN_INPUT_ENABLE_WRITE_REQ)} << 25 << 0 << false;
        QTest::newRow("CAN input 255 written") << 8 << 3 << Answer(CAN_INPUT_WRITE_CFM, {255}) << L{Describe(CAN_INPUT_ENABLE_WRITE_REQ)} << 25 << 0 << false;
        QTest::newRow("CAN input written without index") << 8 << 5 << Answer(CAN_INPUT_WRITE_CFM) << L{Describe(CAN_INPUT_WRITE_REQ, 1)} << 8 << 1 << false;
        QTest::newRow("CAN enable written") << 25 << 0 << Answer(CAN_INPUT_ENABLE_WRITE_CFM) << L{Describe(NAME_WRITE_REQ)} << 27 << 0 << false;
        QTest::newRow("name written") << 27 << 0 << Answer(NAME_WRITE_CFM) << L{Describe(VIRTUAL_INPUT_WRITE_REQ, 0)} << 10 << 0 << false;
        QTest::newRow("virtual input 18 written") << 10 << 18 << Answer(VIRTUAL_INPUT_WRITE_CFM, {18}) << L{Describe(VIRTUAL_INPUT_WRITE_REQ, 19)} << 10 << 19 << false;
        QTest::newRow("virtual input 19 written") << 10 << 19 << Answer(VIRTUAL_INPUT_WRITE_CFM, {19}) << L{Describe(FLASH_WRITE_REQ, 0)} << 16 << 0 << false;
        QTest::newRow("virtual input 200 written") << 10 << 2 << Answer(VIRTUAL_INPUT_WRITE_CFM, {200}) << L{Describe(FLASH_WRITE_REQ, 0)} << 16 << 0 << false;
        QTest::newRow("flash 0 written") << 16 << 0 << Answer(FLASH_WRITE_CFM, {0}) << L{Describe(FLASH_WRITE_REQ, 1)} << 16 << 1 << false;
        QTest::newRow("flash 4 written") << 16 << 4 << Answer(FLASH_WRITE_CFM, {4}) << L{Describe(WIPER_WRITE_REQ)} << 18 << 0 << false;
        QTest::newRow("flash 5 written") << 16 << 2 << Answer(FLASH_WRITE_CFM, {5}) << L{Describe(WIPER_WRITE_REQ)} << 18 << 0 << false;
        QTest::newRow("flash 9 written resends") << 16 << 2 << Answer(FLASH_WRITE_CFM, {9}) << L{Describe(FLASH_WRITE_REQ, 2)} << 16 << 2 << false;
        QTest::newRow("wiper written") << 18 << 0 << Answer(WIPER_WRITE_CFM) << L{Describe(PWM_WRITE_REQ)} << 14 << 0 << false;
        QTest::newRow("PWM written") << 14 << 0 << Answer(PWM_WRITE_CFM) << L{Describe(CAN_EXPORT1_WRITE_REQ)} << 21 << 0 << false;
        QTest::newRow("export 1 written") << 21 << 0 << Answer(CAN_EXPORT1_WRITE_CFM) << L{Describe(CAN_EXPORT_WRITE_REQ, 0)} << 23 << 0 << false;
        QTest::newRow("export 0 written") << 23 << 0 << Answer(CAN_EXPORT_WRITE_CFM, {0}) << L{Describe(CAN_EXPORT_WRITE_REQ, 1)} << 23 << 1 << false;
        QTest::newRow("export 1 of 3 written") << 23 << 1 << Answer(CAN_EXPORT_WRITE_CFM, {1}) << L{Describe(CAN_EXPORT_WRITE_REQ, 2)} << 23 << 2 << false;
        QTest::newRow("export 2 written ends") << 23 << 2 << Answer(CAN_EXPORT_WRITE_CFM, {2}) << L{} << 0 << 0 << true;
        QTest::newRow("export 7 written ends") << 23 << 2 << Answer(CAN_EXPORT_WRITE_CFM, {7}) << L{} << 0 << 0 << true;
        // Read.
        QTest::newRow("input 1 read") << 1 << 0 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 1) << L{} << 1 << 0 << false;
        QTest::newRow("input 11 read") << 1 << 0 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 11) << L{Describe(OUTPUT_READ_REQ, 0xFF)} << 1 << 0 << false;
        QTest::newRow("input read during upload runs it") << 3 << 2 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 4) << L{Describe(INPUT_WRITE_REQ, 3)} << 3 << 3 << false;
        QTest::newRow("output 33 read") << 1 << 0 << b(OUTPUT_READ_CFM, OUTPUT_BLOCK_LENGTH, 33) << L{} << 1 << 0 << false;
        QTest::newRow("output 34 read") << 1 << 0 << b(OUTPUT_READ_CFM, OUTPUT_BLOCK_LENGTH, 34) << L{Describe(LOW_BATTERY_READ_REQ)} << 1 << 0 << false;
        QTest::newRow("low battery read") << 1 << 0 << b(LOW_BATTERY_READ_CFM, LOW_BATTERY_BLOCK_LENGTH) << L{Describe(CAN_SETUP_READ_REQ)} << 7 << 0 << false;
        QTest::newRow("CAN setup read") << 7 << 4 << b(CAN_SETUP_READ_CFM, CAN_SETUP_BLOCK_LENGTH) << L{Describe(CAN_INPUT_READ_REQ, 0)} << 9 << 0 << false;
        QTest::newRow("CAN input 0 read") << 9 << 0 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 0) << L{Describe(CAN_INPUT_READ_REQ, 1)} << 9 << 1 << false;
        QTest::newRow("CAN input 31 read") << 9 << 31 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 31) << L{Describe(CAN_INPUT_ENABLE_READ_REQ)} << 24 << 31 << false;
        QTest::newRow("CAN input 77 read") << 9 << 4 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 77) << L{Describe(CAN_INPUT_ENABLE_READ_REQ)} << 24 << 4 << false;
        QTest::newRow("CAN enable read") << 24 << 31 << b(CAN_INPUT_ENABLE_READ_CFM, CAN_INPUT_ENABLE_BLOCK_LENGTH) << L{Describe(NAME_READ_REQ)} << 26 << 0 << false;
        QTest::newRow("name read") << 26 << 0 << b(NAME_READ_CFM, NAME_BLOCK_LENGTH) << L{Describe(VIRTUAL_INPUT_READ_REQ, 0)} << 11 << 0 << false;
        QTest::newRow("virtual input 5 read") << 11 << 5 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 5) << L{Describe(VIRTUAL_INPUT_READ_REQ, 6)} << 11 << 6 << false;
        QTest::newRow("virtual input 19 read") << 11 << 19 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 19) << L{Describe(START_KILL_READ_REQ)} << 13 << 0 << false;
        QTest::newRow("virtual input 20 read") << 11 << 3 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 20) << L{Describe(START_KILL_READ_REQ)} << 13 << 0 << false;
        QTest::newRow("start/kill read") << 13 << 0 << b(START_KILL_READ_CFM, START_KILL_BLOCK_LENGTH) << L{Describe(FLASH_READ_REQ, 0)} << 17 << 0 << false;
        QTest::newRow("flash 3 read") << 17 << 3 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 3) << L{Describe(FLASH_READ_REQ, 4)} << 17 << 4 << false;
        QTest::newRow("flash 4 read") << 17 << 4 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 4) << L{Describe(WIPER_READ_REQ)} << 19 << 5 << false;
        QTest::newRow("flash 6 read") << 17 << 2 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 6) << L{Describe(WIPER_READ_REQ)} << 19 << 2 << false;
        QTest::newRow("wiper read") << 19 << 5 << b(WIPER_READ_CFM, WIPER_BLOCK_LENGTH) << L{Describe(PWM_READ_REQ)} << 15 << 0 << false;
        QTest::newRow("PWM read") << 15 << 0 << b(PWM_READ_CFM, PWM_BLOCK_LENGTH) << L{Describe(CAN_EXPORT1_READ_REQ)} << 20 << 0 << false;
        QTest::newRow("export 1 read") << 20 << 0 << b(CAN_EXPORT1_READ_CFM, CAN_EXPORT1_BLOCK_LENGTH) << L{Describe(CAN_EXPORT_READ_REQ, 0)} << 22 << 0 << false;
        QTest::newRow("export 2 read") << 22 << 0 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 0) << L{Describe(CAN_EXPORT_READ_REQ, 1)} << 22 << 1 << false;
        QTest::newRow("export 3 read") << 22 << 1 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 1) << L{Describe(CAN_EXPORT_READ_REQ, 2)} << 22 << 2 << false;
        QTest::newRow("export 4 read ends") << 22 << 2 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 2) << L{} << 0 << 0 << true;
        QTest::newRow("export selector 3 ends") << 22 << 2 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 3) << L{} << 0 << 0 << true;
    }
    void answersMoveTheSequencer()
    {
        QFETCH(int, state);
        QFETCH(int, position);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, sent);
        QFETCH(int, newState);
        QFETCH(int, newPosition);
        QFETCH(bool, ended);
        seq->SetState(state, position);
        Deliver(answer);
        QCOMPARE(host->Sent(), sent);
        QCOMPARE(seq->State(), newState);
        QCOMPARE(seq->Position(), newPosition);
        QCOMPARE(seq->EndedTransfers(), ended ? 1 : 0);
        // The end closes the progress window and asks for the name propagation.
        const QStringList endCalls{QStringLiteral("close"), QStringLiteral("names")};
        QCOMPARE(host->calls, ended ? endCalls : QStringList());
    }

    void answersDecodeOnlyInRange_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("decoded");
        QTest::newRow("CAN input 31") << int(CAN_INPUT_READ_CFM) << 31 << true;
        QTest::newRow("CAN input 32") << int(CAN_INPUT_READ_CFM) << 32 << false;
        QTest::newRow("virtual input 19") << int(VIRTUAL_INPUT_READ_CFM) << 19 << true;
        QTest::newRow("virtual input 20") << int(VIRTUAL_INPUT_READ_CFM) << 20 << false;
        QTest::newRow("flash 4") << int(FLASH_READ_CFM) << 4 << true;
        QTest::newRow("flash 5") << int(FLASH_READ_CFM) << 5 << false;
        QTest::newRow("export 4") << int(CAN_EXPORT_READ_CFM) << 2 << true;
        QTest::newRow("export selector 3") << int(CAN_EXPORT_READ_CFM) << 3 << false;
    }
    void answersDecodeOnlyInRange()
    {
        QFETCH(int, command);
        QFETCH(int, index);
        QFETCH(bool, decoded);
        // A block whose every other byte is 0x41 changes whatever record it reaches.
        const auto kind = BlockKindOfCommand(std::uint8_t(command));
        QVERIFY(kind.has_value());
        int length = 0;
        switch (*kind) {
        case BlockKind::CanInput: length = CAN_INPUT_BLOCK_LENGTH; break;
        case BlockKind::VirtualInput: length = VIRTUAL_INPUT_BLOCK_LENGTH; break;
        case BlockKind::Flash: length = FLASH_BLOCK_LENGTH; break;
        default: length = CAN_EXPORT_BLOCK_LENGTH; break;
        }
        std::vector<std::uint8_t> payload(std::size_t(length - 4), 0x41);
        payload[0] = std::uint8_t(index);
        const QByteArray before = ModelText(*model);
        Deliver(Answer(std::uint8_t(command), payload));
        QCOMPARE(ModelText(*model) != before, decoded);
    }

    void fifthFlashAnswerAsksForTheWiperOnce()
    {
        seq->SetState(SEQ_READ_FLASH, 0);
        for (int i = 0; i < 5; ++i) {
            std::vector<std::uint8_t> p(FLASH_BLOCK_LENGTH - 4, 0);
            p[0] = std::uint8_t(i);
            Deliver(Answer(FLASH_READ_CFM, p));
        }
        const QStringList sent = host->Sent();
        QCOMPARE(sent.count(Describe(WIPER_READ_REQ)), 1);
        QCOMPARE(sent.last(), Describe(WIPER_READ_REQ));
        QCOMPARE(sent.size(), 5);  // flash 1 to 4 requested, then the wiper
        QCOMPARE(seq->State(), int(SEQ_READ_WIPER));
    }

    void factoryConfirmationClosesTheProgress()
    {
        seq->SetState(SEQ_UPLOAD_OUTPUTS, 7);
        Deliver(Answer(FACTORY_DEFAULT_CFM));
        QCOMPARE(host->calls, QStringList{QStringLiteral("close")});
        QCOMPARE(seq->State(), int(SEQ_UPLOAD_OUTPUTS));
        QVERIFY(host->Sent().isEmpty());
    }

    // ---------------------------------------------------------------------------
    // The commands' checks.

    void commandsRefusedWithoutConnection_data()
    {
        QTest::addColumn<int>("command");  // 0 read, 1 upload, 2 default
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("firmwareBusy");
        for (int c = 0; c < 3; ++c) {
            const char* name = c == 0 ? "read" : c == 1 ? "upload" : "default";
            QTest::addRow("%s, not connected", name) << c << false << false;
            QTest::addRow("%s, firmware update", name) << c << true << true;
        }
    }
    void commandsRefusedWithoutConnection()
    {
        QFETCH(int, command);
        QFETCH(bool, connected);
        QFETCH(bool, firmwareBusy);
        host->connected = connected;
        host->firmwareBusy = firmwareBusy;
        host->monitorAway = true;
        if (command == 0) seq->Read();
        if (command == 1) seq->Upload();
        if (command == 2) seq->FactoryDefault();
        QCOMPARE(host->messages, QStringList{NotConnectedText()});
        QCOMPARE(host->calls, QStringList{QStringLiteral("message")});
        QVERIFY(host->tx.entries.isEmpty());
        QCOMPARE(seq->State(), 0);
    }

    void versionCheckDecides_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        for (bool upload : {false, true}) {
            const char* name = upload ? "upload" : "read";
            QTest::addRow("%s, timed out", name) << upload << int(VersionCheckResult::TimedOut) << VersionTimeoutText();
            QTest::addRow("%s, wrong version", name) << upload << int(VersionCheckResult::WrongVersion) << WrongVersionText();
        }
    }
    void versionCheckDecides()
    {
        QFETCH(bool, upload);
        QFETCH(int, result);
        QFETCH(QString, message);
        host->version = VersionCheckResult(result);
        upload ? seq->Upload() : seq->Read();
        QCOMPARE(host->messages, QStringList{message});
        QVERIFY(host->tx.entries.isEmpty());
        QCOMPARE(host->progressRuns, 0);
        QVERIFY(!host->busy);
        QVERIFY(!seq->CommandRunning());
    }

    void monitorResetPausesOnlyWhenMoved_data()
    {
        QTest::addColumn<bool>("away");
        QTest::addColumn<QList<int>>("pauses");
        QTest::newRow("at its first entry") << false << QList<int>{};
        QTest::newRow("elsewhere") << true << QList<int>{MONITOR_RESET_PAUSE_MS};
    }
    void monitorResetPausesOnlyWhenMoved()
    {
        QFETCH(bool, away);
        QFETCH(QList<int>, pauses);
        host->monitorAway = away;
        host->version = VersionCheckResult::TimedOut;
        seq->Read();
        QCOMPARE(host->pauses, pauses);
        // The reset and its pause come before the version check.
        QCOMPARE(host->calls.indexOf(QStringLiteral("monitor")), 0);
        QCOMPARE(host->calls.at(away ? 2 : 1), QStringLiteral("version"));
    }

    void factoryQuestionAnsweredNoSendsNothing()
    {
        host->answers = {MessageAnswer::No};
        seq->FactoryDefault();
        QCOMPARE(host->messages, QStringList{FactoryQuestionText()});
        QVERIFY(host->tx.entries.isEmpty());
        QCOMPARE(host->progressRuns, 0);
        QVERIFY(!host->calls.contains(QStringLiteral("version")));
    }

    // ---------------------------------------------------------------------------
    // Whole chains against the module's behaviour.

    void readMakesSeventyRequestsAndTakesEveryBlock()
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
    void brokenOffReadLeavesTheModel_data()
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
    void brokenOffReadLeavesTheModel()
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

    void uploadSendsEveryBlockInOrder_data()
    {
        QTest::addColumn<bool>("reboot");
        QTest::newRow("reboot: yes") << true;
        QTest::newRow("reboot: no") << false;
    }
    void uploadSendsEveryBlockInOrder()
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

    void cancelDuringUploadStopsIt()
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

    void factoryDefaultRestoresAndReadsBack()
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

    void silentModuleLeavesTheStateForLateAnswers()
    {
        // A read whose progress times out: nothing was taken, so the title stays; busy is
        // cleared, and the state stays so late answers go on moving it.
        host->whileProgress = [] { return ProgressEnd::TimedOut; };
        seq->Read();
        QCOMPARE(seq->State(), int(SEQ_READ_STREAM));
        QVERIFY(!host->calls.contains(QStringLiteral("title")));
        QVERIFY(!host->busy);
    }

    void commandDuringACommandIsRefused()
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

    void progressBarCyclesAndTimesOutOnTheTickAfterTheLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::newRow("default 500") << UpdateProgress::TIMEOUT_TICKS;
        QTest::newRow("short 3") << 3;
    }
    void progressBarCyclesAndTimesOutOnTheTickAfterTheLimit()
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

    void headlessProgressEnds_data()
    {
        QTest::addColumn<int>("how");  // 0 close, 1 cancel, 2 time-out
        QTest::newRow("closed") << 0;
        QTest::newRow("cancelled") << 1;
        QTest::newRow("timed out") << 2;
    }
    void headlessProgressEnds()
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
};

QTEST_GUILESS_MAIN(TestTransferSequencer)
#include "test_transfer_sequencer.moc"
