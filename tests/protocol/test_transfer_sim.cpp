// Read, Upload and Default settings end to end: the sequencer with its real windows
// (version check, progress window) over the link thread and a pseudo-terminal to the
// in-process simulated module.

#include "link/AdapterBackend.h"
#include "link/UsbThread.h"
#include "monitor/ui/VersionForm.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"
#include "protocol/TransferTestSupport.h"
#include "protocol/ui/TransferWindows.h"
#include "sim/Simulator.h"
#include "support/ScriptedDialogs.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace relvane;
using namespace relvane::test;

namespace {

// The main window's part, as far as a transfer needs it, with the heartbeat's
// VERSION_REQ every 400 ms that the version check waits for.
class SimHost : public TransferHost {
public:
    SimHost(UsbThread& link, Dispatcher& dispatcher, ScriptedDialogs& dialogs)
        : link_(link), dispatcher_(dispatcher), dialogs_(dialogs), windows(dialogs)
    {
        heartbeat.setInterval(400);
        QObject::connect(&heartbeat, &QTimer::timeout, &heartbeat, [this] {
            if (!busy)
                SendFrame(link_, BuildVersionRequest());
        });
    }

    bool Connected() const override { return link_.State() == LINK_OPEN; }
    bool FirmwareBusy() const override { return false; }
    TxSink& TxQueue() override { return link_; }
    bool ResetMonitorSelection() override { return false; }
    void PauseMs(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }
    VersionCheckResult RunVersionCheck() override { return RunVersionCheckWindow(dispatcher_, nullptr, versionHook); }
    ProgressEnd RunProgress(const std::function<void()>& cancel) override
    {
        lastProgress = windows.RunProgress(cancel);
        return lastProgress;
    }
    void CloseProgress() override { windows.CloseProgress(); }
    void SetTransferBusy(bool b) override { busy = b; }
    void RequestNamePropagation() override { ++namesRequested; }
    void SetTitleSourceModule() override { titleFromModule = true; }
    void ShowMessage(const QString& text) override { static_cast<Dialogs&>(dialogs_).ShowMessage(text); }
    bool AskYesNo(const QString& text) override
    {
        return static_cast<Dialogs&>(dialogs_).QuestionYesNo(text);
    }

    UsbThread& link_;
    Dispatcher& dispatcher_;
    ScriptedDialogs& dialogs_;
    TransferWindows windows;
    std::function<void(TVersionForm&)> versionHook;
    QTimer heartbeat;
    bool busy = false;
    int namesRequested = 0;
    bool titleFromModule = false;
    ProgressEnd lastProgress = ProgressEnd::Finished;
};

bool IsHeartbeat(const QByteArray& f)
{
    return f.size() >= 4 && std::uint8_t(f[2]) == FRAME_TYPE_COMMAND && std::uint8_t(f[3]) == VERSION_REQ;
}

}  // namespace

class TestTransferSim : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<DirectoryBackend> backend;
    std::unique_ptr<UsbThread> link;
    std::unique_ptr<Dispatcher> dispatcher;
    std::unique_ptr<SlipReceiver> receiver;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<ConfigModel> model;
    std::unique_ptr<SimHost> host;
    std::unique_ptr<TransferSequencer> seq;

    bool Connect(bool fast)
    {
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane Transfer Test");
        o.adapterDir = dir->path();
        o.fast = fast;
        simulator = std::make_unique<sim::Simulator>(o);
        QString error;
        if (!simulator->Start(&error)) {
            qWarning("simulator: %s", qPrintable(error));
            return false;
        }
        if (!link->Open(o.description))
            return false;
        host->heartbeat.start();
        return true;
    }

    // What the module received, without the heartbeat.
    QStringList Received() const
    {
        QStringList l;
        for (const QByteArray& f : simulator->ReceivedFrames())
            if (!IsHeartbeat(f))
                l << DescribeFrame(f);
        return l;
    }
    QStringList BlockAnswers() const
    {
        QStringList l;
        for (const QByteArray& f : simulator->SentFrames())
            if (f.size() >= 4 && IsConfigReadConfirm(std::uint8_t(f[3])))
                l << DescribeFrame(f);
        return l;
    }
    // The model the simulator's stored configuration gives, from the given start.
    void DecodeStore(ConfigModel& m) const
    {
        for (const BlockRef& b : AllConfigBlocks()) {
            const auto [kind, slot] = SimSlot(b);
            const QByteArray f = ReadAnswerOf(ReadConfirmOf(b.kind), simulator->StoredBlock(kind, slot));
            DecodeConfigBlock(m, reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
        }
    }
    // The version check waits 1 s for the answer to the next heartbeat (up to 400 ms away);
    // on a loaded machine the answer alone has taken more than 1 s.
    static void LengthenVersionWait(TVersionForm& form)
    {
        form.Check().Timer1().setInterval(5000);
    }
    // Makes the module silent as soon as the version check has its answer.
    void SilentAfterVersionCheck()
    {
        host->versionHook = [this](TVersionForm& form) {
            LengthenVersionWait(form);
            connect(&form.Check(), &VersionCheck::versionShown, &form,
                    [this] { simulator->Command(QStringLiteral("silent")); });
        };
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        backend = std::make_unique<DirectoryBackend>(dir->path());
        link = std::make_unique<UsbThread>(*backend);
        dispatcher = std::make_unique<Dispatcher>(link.get());
        receiver = std::make_unique<SlipReceiver>(dispatcher.get());
        link->SetFrameReceiver(receiver.get());
        dialogs = std::make_unique<ScriptedDialogs>();
        model = std::make_unique<ConfigModel>();
        host = std::make_unique<SimHost>(*link, *dispatcher, *dialogs);
        host->versionHook = &LengthenVersionWait;
        seq = std::make_unique<TransferSequencer>(*model, *host);
        dispatcher->AddHandler(seq.get());
    }
    void cleanup()
    {
        if (host)
            host->heartbeat.stop();
        link->Stop();
        link->Join(5000);
        dispatcher->RemoveHandler(seq.get());
        seq.reset();
        host.reset();
        model.reset();
        link.reset();
        if (simulator)
            simulator->Stop();
        simulator.reset();
        receiver.reset();
        dispatcher.reset();
        backend.reset();
        dialogs.reset();
        dir.reset();
    }

    void readTakesTheModulesConfiguration()
    {
        QVERIFY(Connect(true));
        simulator->Command(QStringLiteral("factory"));
        FillWithMarkers(*model);
        QVERIFY(seq->Read());
        QCOMPARE(dialogs->Texts(), QStringList());
        QCOMPARE(host->lastProgress, ProgressEnd::Finished);
        QCOMPARE(Received(), ExpectedReadRequests());
        QCOMPARE(Received().size(), 70);
        QCOMPARE(BlockAnswers(), ExpectedReadAnswers());
        QCOMPARE(BlockAnswers().size(), 113);
        // Exactly one wiper request, right after the fifth flash answer.
        QCOMPARE(Received().count(Describe(WIPER_READ_REQ)), 1);
        ConfigModel expected;
        FillWithMarkers(expected);
        DecodeStore(expected);
        QCOMPARE(ModelText(*model), ModelText(expected));
        QVERIFY(ModelText(*model).contains("BoxName=") && !ModelText(*model).contains("box?"));
        QCOMPARE(seq->State(), 0);
        QVERIFY(!host->busy);
        QVERIFY(host->titleFromModule);
        QCOMPARE(host->namesRequested, 1);
    }

    void uploadLeavesTheModuleHoldingTheModel_data()
    {
        QTest::addColumn<bool>("reboot");
        QTest::newRow("no reboot") << false;
        QTest::newRow("reboot") << true;
    }
    void uploadLeavesTheModuleHoldingTheModel()
    {
        QFETCH(bool, reboot);
        QVERIFY(Connect(true));
        FillWithMarkers(*model);
        model->SetBoxName(QByteArray("Uploaded"));
        dialogs->AnswerText(RebootQuestionText(), reboot ? MessageAnswer::Yes : MessageAnswer::No);
        QVERIFY(seq->Upload());
        QCOMPARE(dialogs->Texts(), QStringList{RebootQuestionText()});
        QCOMPARE(host->lastProgress, ProgressEnd::Finished);
        QStringList expected = ExpectedUploadBlocks();
        if (reboot)
            expected << Describe(REBOOT_REQ);
        QTRY_COMPARE_WITH_TIMEOUT(Received(), expected, 3000);
        for (const BlockRef& b : AllConfigBlocks()) {
            const auto [kind, slot] = SimSlot(b);
            QCOMPARE(simulator->StoredBlock(kind, slot), EncodedPayload(*model, b));
        }
        QVERIFY(!host->busy);
        QVERIFY(!host->titleFromModule);
    }

    void defaultSettingsRestoresTheFactoryConfiguration()
    {
        QVERIFY(Connect(true));
        // The module holds something else first: an upload of a changed model.
        FillWithMarkers(*model);
        dialogs->AnswerText(RebootQuestionText(), MessageAnswer::No);
        QVERIFY(seq->Upload());
        QVERIFY(simulator->StoredBlock(sim::BlockKind::Input, 0).contains("in?1"));
        simulator->ClearObservations();
        dialogs->Clear();

        dialogs->AnswerText(FactoryQuestionText(), MessageAnswer::Yes);
        QVERIFY(seq->FactoryDefault());
        QCOMPARE(dialogs->Texts(), QStringList{FactoryQuestionText()});
        QStringList expected{Describe(FACTORY_DEFAULT_REQ)};
        expected += ExpectedReadRequests();
        QCOMPARE(Received(), expected);
        // The module and the model now hold the factory configuration.
        sim::ConfigStore factory;
        factory.RestoreFactory();
        for (const BlockRef& b : AllConfigBlocks()) {
            const auto [kind, slot] = SimSlot(b);
            QCOMPARE(simulator->StoredBlock(kind, slot), factory.Block(kind, slot));
        }
        ConfigModel fresh;
        FillWithMarkers(fresh);
        DecodeStore(fresh);
        QCOMPARE(ModelText(*model), ModelText(fresh));
        QVERIFY(!ModelText(*model).contains("in?1"));
    }

    void defaultSettingsAnsweredNoSendsNothing()
    {
        QVERIFY(Connect(true));
        dialogs->AnswerText(FactoryQuestionText(), MessageAnswer::No);
        QVERIFY(seq->FactoryDefault());
        QTest::qWait(300);
        QCOMPARE(Received(), QStringList());
        QCOMPARE(dialogs->Texts(), QStringList{FactoryQuestionText()});
    }

    void cancelStopsAnUploadAndTheRebootQuestionFollows()
    {
        // Paced at 38400 baud, so the upload is still running when Cancel is pressed.
        QVERIFY(Connect(false));
        dialogs->AnswerText(RebootQuestionText(), MessageAnswer::No);
        QTimer watch;
        watch.setInterval(5);
        int blocksAtCancel = -1;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (blocksAtCancel < 0 && Received().size() >= 20 && host->windows.UpdateForm().IsRunning()) {
                blocksAtCancel = int(Received().size());
                QTest::mouseClick(host->windows.UpdateForm().BtnCancel(), Qt::LeftButton);
            }
        });
        watch.start();
        QVERIFY(seq->Upload());
        watch.stop();
        QVERIFY(blocksAtCancel >= 20);
        QCOMPARE(host->lastProgress, ProgressEnd::Cancelled);
        QCOMPARE(seq->State(), 0);
        QCOMPARE(dialogs->Texts(), QStringList{RebootQuestionText()});
        // The block in flight is answered; nothing follows it. A frame has taken up to a
        // second through the queue and the link on a loaded machine.
        QTest::qWait(3000);
        const int after = int(Received().size());
        QVERIFY2(after <= blocksAtCancel + 1, qPrintable(QStringLiteral("%1 -> %2").arg(blocksAtCancel).arg(after)));
        QTest::qWait(1000);
        QCOMPARE(int(Received().size()), after);
        QCOMPARE(Received(), ExpectedUploadBlocks().mid(0, after));
    }

    void silentModuleTimesOut_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("read") << false;
        QTest::newRow("upload") << true;
    }
    void silentModuleTimesOut()
    {
        QFETCH(bool, upload);
        QVERIFY(Connect(true));
        SilentAfterVersionCheck();
        // About 0.7 s instead of 50 s.
        host->windows.UpdateForm().Progress().SetTickInterval(10);
        host->windows.UpdateForm().Progress().SetTimeoutTicks(70);
        dialogs->AnswerText(RebootQuestionText(), MessageAnswer::No);
        QElapsedTimer t;
        t.start();
        upload ? seq->Upload() : seq->Read();
        QCOMPARE(host->lastProgress, ProgressEnd::TimedOut);
        QStringList texts{UpdateTimeoutText()};
        if (upload)
            texts << RebootQuestionText();
        QCOMPARE(dialogs->Texts(), texts);
        QVERIFY(t.elapsed() < 20000);
        // The time-out leaves the state: late answers would go on moving it.
        QCOMPARE(seq->State(), upload ? int(SEQ_UPLOAD_INPUTS) : int(SEQ_READ_STREAM));
        // Nothing came in, so nothing is taken and the title stays.
        QVERIFY(!host->titleFromModule);
        QVERIFY(!host->busy);
    }

    void versionDecides_data()
    {
        QTest::addColumn<QString>("version");  // empty: the module is silent
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("9.99") << QStringLiteral("9.99") << QString();
        QTest::newRow("8.00") << QStringLiteral("8.00") << QString();
        QTest::newRow("7.99") << QStringLiteral("7.99") << WrongVersionText();
        QTest::newRow("10.00") << QStringLiteral("10.00") << WrongVersionText();
        QTest::newRow("silent module") << QString() << VersionTimeoutText();
    }
    void versionDecides()
    {
        QFETCH(QString, version);
        QFETCH(QString, message);
        QVERIFY(Connect(true));
        if (version.isEmpty())
            simulator->Command(QStringLiteral("silent"));
        else
            simulator->Command(QStringLiteral("version ") + version);
        QVERIFY(seq->Read());
        if (message.isEmpty()) {
            QCOMPARE(dialogs->Texts(), QStringList());
            QCOMPARE(Received(), ExpectedReadRequests());
        } else {
            QCOMPARE(dialogs->Texts(), QStringList{message});
            QCOMPARE(Received(), QStringList());
            QVERIFY(!host->titleFromModule);
        }
        // The version window is gone and no longer offered frames.
        QVERIFY(!dispatcher->ToolWindow(ToolSlot::Version));
    }
};

QTEST_MAIN(TestTransferSim)
#include "test_transfer_sim.moc"
