// The simulator end to end over its real pseudo-terminal.

#include "PtyClient.h"

#include "link/AdapterDirectory.h"
#include "sim/FirmwareSim.h"
#include "sim/MessageCodes.h"
#include "sim/ProductionSim.h"
#include "sim/Simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace relvane;
using namespace relvane::sim;
using namespace relvane::sim::test;

namespace {

const QByteArray kVersionReqWire = Bytes({0xC0, 0x03, 0x04, 0x01, 0x06, 0xC0});

}  // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Simulator> sim_;
    std::unique_ptr<PtyClient> client_;
    QStringList printed_;
    std::mutex printedMutex_;

    void StartSim(SimulatorOptions options) {
        options.adapterDir = dir_->path();
        sim_ = std::make_unique<Simulator>(options);
        sim_->SetPrinter([this](const QString& l) {
            std::lock_guard lock(printedMutex_);
            printed_ << l;
        });
        QString error;
        QVERIFY2(sim_->Start(&error), qPrintable(error));
        client_ = std::make_unique<PtyClient>();
        QVERIFY(client_->Open(sim_->DevicePath()));
    }

    static SimulatorOptions Fast() {
        SimulatorOptions o;
        o.fast = true;
        return o;
    }

    QByteArray AskVersion() {
        client_->TakeFrames();
        if (!client_->Write(kVersionReqWire)) return {};
        if (!client_->WaitFrames(1, 2000)) return {};
        return client_->TakeFrames().first();
    }

    // True when nothing arrives within a generous quiet period.
    bool StaysQuiet(int ms = 300) {
        client_->TakeFrames();
        return !client_->WaitFrames(1, ms);
    }

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        printed_.clear();
    }

    void cleanup() {
        client_.reset();
        if (sim_) sim_->Stop();
        sim_.reset();
        dir_.reset();
    }

    void versionRequestIsAnswered() {
        StartSim(Fast());
        const QByteArray f = AskVersion();
        QCOMPARE(f.size(), 24);
        QVERIFY(ChecksumOk(f));
        QCOMPARE(At(f, 1), 24);
        QCOMPARE(At(f, 2), 1);
        QCOMPARE(At(f, 3), 0x87);
        QCOMPARE(f.mid(4, 5), QByteArray("V8.12"));
        QCOMPARE(f.mid(9, 8), QByteArray(8, '\0'));  // zero-padded up to the uptime
        QCOMPARE(f.mid(20, 4), QByteArray(4, '\0'));
        // The simulator saw exactly the request.
        QTRY_COMPARE(sim_->ReceivedFrames().size(), 1);
        QCOMPARE(sim_->ReceivedFrames().first(), Bytes({0x03, 0x04, 0x01, 0x06}));
        QCOMPARE(sim_->SentFrames().first(), f);
        QCOMPARE(sim_->Counters().handled, 1);
    }

    void versionOptionChangesTheText() {
        SimulatorOptions o = Fast();
        o.version = QStringLiteral("V9.99b");
        StartSim(o);
        const QByteArray f = AskVersion();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(f.mid(4, 7), QByteArray("V9.99b\0", 7));
    }

    void uptimeIsBigEndianSeconds_data() {
        QTest::addColumn<uint>("seconds");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("zero") << 0u << Bytes({0, 0, 0});
        QTest::newRow("an hour") << 3600u << Bytes({0x00, 0x0E, 0x10});
        QTest::newRow("24-bit max") << 0xFFFFFFu << Bytes({0xFF, 0xFF, 0xFF});
        QTest::newRow("wraps past 24 bits") << 0x1000005u << Bytes({0x00, 0x00, 0x05});
    }
    void uptimeIsBigEndianSeconds() {
        QFETCH(uint, seconds);
        QFETCH(QByteArray, bytes);
        StartSim(Fast());
        sim_->WithModule([&](Module& m) { m.SetUptime(seconds); });
        const QByteArray f = AskVersion();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(f.mid(17, 3), bytes);
    }

    void statisticsAnswer() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("stats 25.3 61 7"));
        QVERIFY(client_->SendFrame(Frame(1, STATISTICS_REQ, 4).Seal()));
        QVERIFY(client_->WaitFrames(1, 2000));
        const QByteArray f = client_->TakeFrames().first();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(f.size(), 8);
        QCOMPARE(At(f, 3), 0xDF);
        QCOMPARE(f.mid(4, 4), Bytes({0xFD, 0x00, 61, 7}));  // 253 little-endian
    }

    void pingIsEchoed_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("no bytes") << QByteArray();
        QTest::newRow("one byte") << Bytes({0x42});
        QTest::newRow("SLIP bytes") << Bytes({0xC0, 0xDB, 0xDC, 0xDD, 0xC0});
        QTest::newRow("fifteen") << Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFE});
    }
    void pingIsEchoed() {
        QFETCH(QByteArray, data);
        StartSim(Fast());
        Frame ping(0, PING_REQ, 21);
        ping[4] = static_cast<std::uint8_t>(data.size());
        for (int i = 0; i < data.size(); ++i) ping[5 + i] = static_cast<std::uint8_t>(data[i]);
        QVERIFY(client_->SendFrame(ping.Seal()));
        QVERIFY(client_->WaitFrames(1, 2000));
        const QByteArray f = client_->TakeFrames().first();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(At(f, 2), 0);
        QCOMPARE(At(f, 3), 0x80);
        QCOMPARE(At(f, 4), static_cast<int>(data.size()));
        QCOMPARE(f.mid(5, data.size()), data);
    }

    void badChecksumIsIgnored() {
        StartSim(Fast());
        QVERIFY(client_->Write(Bytes({0xC0, 0x13, 0x04, 0x01, 0x06, 0xC0})));
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().badChecksum, 1);
        // A length byte beyond the bytes received is a bad frame too, not a read past it.
        QVERIFY(client_->Write(Bytes({0xC0, 0x03, 0x40, 0x01, 0x06, 0xC0})));
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().badChecksum, 2);
        QVERIFY(!AskVersion().isEmpty());
    }

    void unknownCommandIsIgnored() {
        StartSim(Fast());
        QVERIFY(client_->SendFrame(Frame(1, 0x7E, 4).Seal()));
        QVERIFY(client_->SendFrame(Frame(0, 0x06, 4).Seal()));  // VERSION_REQ's code, wrong type
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().unknown, 2);
        QCOMPARE(sim_->Counters().framesSent, 0);
    }

    void registrationFileHoldsDescriptionAndDevice() {
        SimulatorOptions o = Fast();
        o.description = QStringLiteral("Bench Module 2");
        StartSim(o);
        const QString file = sim_->RegistrationFile();
        QVERIFY(file.startsWith(dir_->path()));
        QVERIFY(file.endsWith(QStringLiteral(".adapter")));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines.contains("description=Bench Module 2"));
        QVERIFY(lines.contains("device=" + sim_->DevicePath().toUtf8()));
        const QList<AdapterRegistration> regs = ReadAdapterRegistrations(dir_->path());
        QCOMPARE(regs.size(), 1);
        QCOMPARE(regs[0].description, QStringLiteral("Bench Module 2"));
        QCOMPARE(regs[0].device, sim_->DevicePath());
        sim_->Stop();
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(ReadAdapterRegistrations(dir_->path()).isEmpty());
        QVERIFY(sim_->DevicePath().isEmpty());
    }

    void twoSimulatorsRegisterApart() {
        StartSim(Fast());
        SimulatorOptions o = Fast();
        o.adapterDir = dir_->path();
        o.description = QStringLiteral("Second");
        Simulator second(o);
        QString error;
        QVERIFY2(second.Start(&error), qPrintable(error));
        QCOMPARE(ReadAdapterRegistrations(dir_->path()).size(), 2);
        QVERIFY(second.RegistrationFile() != sim_->RegistrationFile());
        QVERIFY(second.DevicePath() != sim_->DevicePath());
        second.Stop();
        QCOMPARE(ReadAdapterRegistrations(dir_->path()).size(), 1);
    }

    void unplugFailsTheLineAndReplugRegistersAgain() {
        StartSim(Fast());
        const QString file = sim_->RegistrationFile();
        sim_->Command(QStringLiteral("unplug"));
        QVERIFY(!sim_->IsPlugged());
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(sim_->DevicePath().isEmpty());
        QVERIFY(client_->WaitHangUp(2000));

        QElapsedTimer t;
        t.start();
        // Long enough that the check below comes before it on a loaded machine.
        sim_->Command(QStringLiteral("replug 1000"));
        QVERIFY(!sim_->IsPlugged());  // not before its time
        QTRY_VERIFY_WITH_TIMEOUT(sim_->IsPlugged(), 10000);
        QVERIFY(t.elapsed() >= 990);
        const QList<AdapterRegistration> regs = ReadAdapterRegistrations(dir_->path());
        QCOMPARE(regs.size(), 1);
        QCOMPARE(regs[0].description, QStringLiteral("Relvane Simulator"));
        QCOMPARE(regs[0].device, sim_->DevicePath());
        QCOMPARE(regs[0].file, file);

        QVERIFY(client_->Open(sim_->DevicePath()));
        const QByteArray f = AskVersion();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(sim_->Counters().plugs, 2);
    }

    void replugWhilePluggedBounces() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("replug 1000"));
        QVERIFY(!sim_->IsPlugged());
        QVERIFY(client_->WaitHangUp(2000));
        QTRY_VERIFY_WITH_TIMEOUT(sim_->IsPlugged(), 10000);
        QVERIFY(client_->Open(sim_->DevicePath()));
        QVERIFY(!AskVersion().isEmpty());
    }

    void unplugCancelsAPendingReplug() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("unplug"));
        sim_->Command(QStringLiteral("replug 200"));
        QTRY_VERIFY_WITH_TIMEOUT(sim_->IsPlugged(), 5000);
        sim_->Command(QStringLiteral("replug 1000"));  // out now, back in a second ...
        sim_->Command(QStringLiteral("unplug"));       // ... unless told to stay out
        QTest::qWait(3000);
        QVERIFY(!sim_->IsPlugged());
        QVERIFY(ReadAdapterRegistrations(dir_->path()).isEmpty());
    }

    void dropAndCorruptTheNextFrames() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("drop"));
        QVERIFY(client_->Write(kVersionReqWire));
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().dropped, 1);

        sim_->Command(QStringLiteral("corrupt"));
        const QByteArray bad = AskVersion();
        QCOMPARE(bad.size(), 24);
        QVERIFY(!ChecksumOk(bad));
        QCOMPARE(At(bad, 1), 24);  // the length is never the byte changed
        QCOMPARE(sim_->Counters().corrupted, 1);

        const QByteArray good = AskVersion();
        QVERIFY(ChecksumOk(good));
    }

    void faultsApplyInTheOrderGiven() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("corrupt"));
        sim_->Command(QStringLiteral("drop"));
        QVERIFY(client_->Write(kVersionReqWire + kVersionReqWire + kVersionReqWire));
        QVERIFY(client_->WaitFrames(2, 2000));
        QVERIFY(!client_->WaitFrames(3, 300));  // the dropped one never comes
        const QList<QByteArray> f = client_->frames();
        QCOMPARE(f.size(), 2);
        QVERIFY(!ChecksumOk(f[0]));
        QVERIFY(ChecksumOk(f[1]));
    }

    // "after N": the fault comes at the Nth frame of the command, the heartbeat not counted.
    void afterRunsAtTheNthFrame_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("answered");  // pings 1 to 3 whose echo arrives
        QTest::newRow("drop at the first") << QStringLiteral("after 1 drop") << QList<int>{2, 3};
        QTest::newRow("drop at the third") << QStringLiteral("after 3 drop") << QList<int>{1, 2};
        QTest::newRow("silent from the second") << QStringLiteral("after 2 silent") << QList<int>{1};
        QTest::newRow("beyond the frames sent") << QStringLiteral("after 4 drop") << QList<int>{1, 2, 3};
        QTest::newRow("zero is refused") << QStringLiteral("after 0 drop") << QList<int>{1, 2, 3};
        QTest::newRow("no command is refused") << QStringLiteral("after 2") << QList<int>{1, 2, 3};
    }
    void afterRunsAtTheNthFrame() {
        QFETCH(QString, command);
        QFETCH(QList<int>, answered);
        StartSim(Fast());
        sim_->Command(command);
        for (int n = 1; n <= 3; ++n) {
            Frame ping(0, PING_REQ, 21);
            ping[4] = 1;
            ping[5] = static_cast<std::uint8_t>(n);
            QVERIFY(client_->SendFrame(ping.Seal()));
            // A version request between the pings, as the tool's heartbeat sends: never counted.
            QVERIFY(client_->Write(kVersionReqWire));
        }
        client_->WaitFrames(100, 400);  // reads whatever comes within the time
        QList<int> echoed;
        for (const QByteArray& f : client_->TakeFrames())
            if (At(f, 3) == 0x80) echoed << At(f, 5);
        QCOMPARE(echoed, answered);
    }

    void afterClearForgetsTheWaitingCommands() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("after 1 silent"));
        sim_->Command(QStringLiteral("after clear"));
        QVERIFY(ChecksumOk(AskVersion()));
        Frame ping(0, PING_REQ, 21);
        ping[4] = 0;
        QVERIFY(client_->SendFrame(ping.Seal()));
        QVERIFY(client_->WaitFrames(1, 2000));
        QVERIFY(!sim_->IsSilent());
    }

    void silentAnswersNothingUntilSpeak() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("silent"));
        QVERIFY(sim_->IsSilent());
        QVERIFY(client_->Write(kVersionReqWire));
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().ignoredSilent, 1);
        QCOMPARE(sim_->ReceivedFrames().size(), 1);  // still seen
        sim_->Command(QStringLiteral("speak"));
        QVERIFY(ChecksumOk(AskVersion()));
    }

    void resendRequestIsSent() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("resend"));
        QVERIFY(client_->WaitFrames(1, 2000));
        QCOMPARE(client_->TakeFrames().first(), Bytes({0x05, 0x04, 0x00, 0x01}));
    }

    void quitEndsAndUnregisters() {
        StartSim(Fast());
        const QString file = sim_->RegistrationFile();
        sim_->Command(QStringLiteral("quit"));
        QTRY_VERIFY_WITH_TIMEOUT(!sim_->IsRunning(), 5000);
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(client_->WaitHangUp(2000));
    }

    void consoleLinesAreShown() {
        StartSim(Fast());
        sim_->Command(QStringLiteral("help"));
        sim_->Command(QStringLiteral("frobnicate"));
        sim_->Command(QStringLiteral("replug x"));
        QTRY_VERIFY([&] {
            std::lock_guard lock(printedMutex_);
            return printed_.size() > 10;
        }());
        std::lock_guard lock(printedMutex_);
        const QString all = printed_.join(QLatin1Char('\n'));
        for (const char* cmd : {"unplug", "replug [MS]", "drop", "corrupt", "silent", "speak", "resend", "quit",
                                "fault CH", "current CH A", "input N on|off", "supply V", "temp C"})
            QVERIFY2(all.contains(QLatin1String(cmd)), cmd);
        QVERIFY(all.contains(QStringLiteral("unknown command 'frobnicate'")));
        QVERIFY(all.contains(QStringLiteral("usage: replug [MS]")));
        QVERIFY(sim_->IsPlugged());  // the bad replug changed nothing
    }

    void commandsFromManyThreads() {
        StartSim(Fast());
        std::atomic<int> done{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 25; ++i) sim_->Command(QStringLiteral("drop"));
                ++done;
            });
        }
        for (auto& th : threads) th.join();
        QCOMPARE(done.load(), 4);
        // A hundred queued drops swallow a hundred answers; the next one comes through.
        QByteArray many;
        for (int i = 0; i < 101; ++i) many += kVersionReqWire;
        QVERIFY(client_->Write(many));
        QVERIFY(client_->WaitFrames(1, 5000));
        QVERIFY(StaysQuiet());
        QCOMPARE(sim_->Counters().dropped, 100);
    }

    void pacingAt38400Baud() {
        StartSim(SimulatorOptions{});
        // 4 requests in (24 wire bytes) and 4 answers out (104): about 37 ms on the line.
        QElapsedTimer t;
        t.start();
        QVERIFY(client_->Write(kVersionReqWire + kVersionReqWire + kVersionReqWire + kVersionReqWire));
        QVERIFY(client_->WaitFrames(4, 5000));
        QVERIFY2(t.elapsed() >= 20, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(client_->bytesRead(), 104);
        for (const QByteArray& f : client_->frames()) QVERIFY(ChecksumOk(f));
    }

    void fastAnswersEverything() {
        StartSim(Fast());
        QVERIFY(client_->Write(kVersionReqWire + kVersionReqWire + kVersionReqWire + kVersionReqWire));
        QVERIFY(client_->WaitFrames(4, 5000));
        QCOMPARE(client_->bytesRead(), 104);
    }

    void rebootWithoutBootloaderKeepsFrames() {
        StartSim(Fast());
        QVERIFY(client_->SendFrame(Frame(1, REBOOT_REQ, 4).Seal()));
        QVERIFY(client_->WaitFrames(1, 2000));
        QCOMPARE(client_->TakeFrames().first(), Bytes({0x8D, 0x04, 0x01, 0x88}));
        QVERIFY(ChecksumOk(AskVersion()));
    }

    void rebootIntoTheBootloader() {
        SimulatorOptions o = Fast();
        o.bootloaderOnReboot = true;
        StartSim(o);
        QVERIFY(client_->SendFrame(Frame(1, REBOOT_REQ, 4).Seal()));
        // The confirmation, then the bootloader's prompt, unframed.
        QVERIFY(client_->WaitRawTail(Bytes({0xC0, 0x8D, 0x04, 0x01, 0x88, 0xC0, '>'}), 2000));
        bool active = false;
        sim_->WithParts([&](SimulatorParts& p) { active = p.firmware.Active(); });
        QVERIFY(active);
        // Bytes now go to the bootloader, not the frame receiver.
        QVERIFY(client_->Write(Bytes({'<'})));
        QVERIFY(client_->WaitRawTail(Bytes({'T', '!'}), 2000));
        // End mark: back to frames.
        QVERIFY(client_->Write(Bytes({0xFF, 0xFF})));
        QTRY_VERIFY([&] {
            bool on = true;
            sim_->WithParts([&](SimulatorParts& p) { on = p.firmware.Active(); });
            return !on;
        }());
        client_->ResetReceiver();
        QVERIFY(ChecksumOk(AskVersion()));
    }

    void productionDataIsReachable() {
        StartSim(Fast());
        std::uint32_t serial = 0;
        sim_->WithParts([&](SimulatorParts& p) { serial = p.production.system.serial; });
        QCOMPARE(serial, 1234u);
    }

    void registrationFailureIsReported() {
        QTemporaryDir d;
        const QString blocker = d.filePath(QStringLiteral("file"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        SimulatorOptions o = Fast();
        o.adapterDir = blocker + QStringLiteral("/adapters");  // under a plain file: cannot exist
        Simulator s(o);
        QString error;
        QVERIFY(!s.Start(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!s.IsRunning());
        QVERIFY(s.DevicePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "test_simulator.moc"
