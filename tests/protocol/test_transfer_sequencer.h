#pragma once
// The transfer sequencer's test class, in two files: each state and answer on its own
// and the commands' checks (test_transfer_sequencer.cpp), and whole chains against the
// simulated module with the progress clock (test_transfer_chains.cpp); and the host
// both drive it through.

#include "config/Dialogs.h"
#include "protocol/Dispatcher.h"
#include "protocol/ProtocolTestSupport.h"
#include "protocol/TransferSequencer.h"
#include "protocol/TransferTestSupport.h"

#include <QObject>

#include <functional>
#include <memory>

namespace relvane::test {

// Decodes what the tool queued (SLIP-encoded entries) back into frames.
struct FrameCollector : FrameSink {
    QList<QByteArray> frames;
    void DispatchFrame(const std::uint8_t* f, int n) override { frames.append(Bytes(f, n)); }
};

inline QList<QByteArray> DecodeEntries(const QList<QByteArray>& entries)
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

}  // namespace relvane::test

class TestTransferSequencer : public QObject {
    Q_OBJECT

    std::unique_ptr<relvane::ConfigModel> model;
    std::unique_ptr<relvane::test::FakeHost> host;
    std::unique_ptr<relvane::TransferSequencer> seq;

    // One answer straight to the sequencer, as the dispatcher hands it over.
    void Deliver(const QByteArray& frame)
    {
        relvane::Dispatcher d;
        d.AddHandler(seq.get());
        d.DispatchFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
    }

private Q_SLOTS:
    void init();

    // ---------------------------------------------------------------------------
    // StepSequencer on its own.

    void stepSendsTheStatesFrame_data();
    void stepSendsTheStatesFrame();

    // ---------------------------------------------------------------------------
    // Every answer, whatever the state.

    void answersMoveTheSequencer_data();
    void answersMoveTheSequencer();
    void answersDecodeOnlyInRange_data();
    void answersDecodeOnlyInRange();
    void fifthFlashAnswerAsksForTheWiperOnce();
    void factoryConfirmationClosesTheProgress();

    // ---------------------------------------------------------------------------
    // The commands' checks.

    void commandsRefusedWithoutConnection_data();
    void commandsRefusedWithoutConnection();
    void versionCheckDecides_data();
    void versionCheckDecides();
    void monitorResetPausesOnlyWhenMoved_data();
    void monitorResetPausesOnlyWhenMoved();
    void factoryQuestionAnsweredNoSendsNothing();

    // ---------------------------------------------------------------------------
    // Whole chains against the module's behaviour.

    void readMakesSeventyRequestsAndTakesEveryBlock();
    void brokenOffReadLeavesTheModel_data();
    void brokenOffReadLeavesTheModel();
    void uploadSendsEveryBlockInOrder_data();
    void uploadSendsEveryBlockInOrder();
    void cancelDuringUploadStopsIt();
    void factoryDefaultRestoresAndReadsBack();
    void silentModuleLeavesTheStateForLateAnswers();
    void commandDuringACommandIsRefused();

    // ---------------------------------------------------------------------------
    // The progress clock.

    void progressBarCyclesAndTimesOutOnTheTickAfterTheLimit_data();
    void progressBarCyclesAndTimesOutOnTheTickAfterTheLimit();
    void headlessProgressEnds_data();
    void headlessProgressEnds();
};
