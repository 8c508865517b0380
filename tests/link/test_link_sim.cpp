#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "sim/Simulator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace relvane;

namespace {

struct Frames : FrameSink {
    QList<QByteArray> frames;
    void DispatchFrame(const std::uint8_t* f, int n) override {
        frames.append(QByteArray(reinterpret_cast<const char*>(f), n));
    }
    // The first frame with this type and command, or empty.
    QByteArray Find(int type, int command) const {
        for (const QByteArray& f : frames)
            if (f.size() >= 4 && std::uint8_t(f[2]) == type && std::uint8_t(f[3]) == command) return f;
        return {};
    }
};

struct Events : LinkObserver {
    int lost = 0;
    int restored = 0;
    void OnLinkLost() override { ++lost; }
    void OnLinkRestored() override { ++restored; }
};

bool Valid(const QByteArray& f) {
    return FrameChecksumValid(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
}

}  // namespace

class TestLinkSim : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<DirectoryBackend> backend;
    std::unique_ptr<UsbThread> link;
    Frames frames;
    std::unique_ptr<SlipReceiver> receiver;
    Events events;

    bool Connect(bool fast) {
        sim::SimulatorOptions o;
        o.description = QStringLiteral("Relvane Link Test");
        o.adapterDir = dir->path();
        o.fast = fast;
        simulator = std::make_unique<sim::Simulator>(o);
        QString error;
        if (!simulator->Start(&error)) {
            qWarning("simulator: %s", qPrintable(error));
            return false;
        }
        return link->Open(o.description);
    }

    void SendVersionRequest() {
        Frame req(FRAME_TYPE_COMMAND, 0x06, 4);
        SendFrame(*link, req.Seal());
    }

    void CheckVersionAnswer() {
        QTRY_VERIFY_WITH_TIMEOUT(!frames.Find(FRAME_TYPE_COMMAND, 0x87).isEmpty(), 5000);
        const QByteArray cfm = frames.Find(FRAME_TYPE_COMMAND, 0x87);
        QVERIFY(Valid(cfm));
        QVERIFY(cfm.size() >= 24);
        const QByteArray text = cfm.mid(4, 20);
        QCOMPARE(text.left(text.indexOf('\0')), QByteArray("V8.12"));
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        backend = std::make_unique<DirectoryBackend>(dir->path());
        link = std::make_unique<UsbThread>(*backend);
        frames = Frames();
        events = Events();
        receiver = std::make_unique<SlipReceiver>(&frames);
        link->SetFrameReceiver(receiver.get());
        link->SetLinkObserver(&events);
    }
    void cleanup() {
        link.reset();
        if (simulator) simulator->Stop();
        simulator.reset();
        backend.reset();
        dir.reset();
    }

    void listsTheSimulator() {
        QVERIFY(Connect(true));
        QStringList list;
        QCOMPARE(link->ListUsbDevices(list), 1);
        QCOMPARE(list, QStringList{QStringLiteral("Relvane Link Test")});
    }

    void versionRequestAnswered_data() {
        QTest::addColumn<bool>("fast");
        QTest::newRow("fast") << true;
        QTest::newRow("paced at 38400 baud") << false;
    }
    void versionRequestAnswered() {
        QFETCH(bool, fast);
        QVERIFY(Connect(fast));
        SendVersionRequest();
        CheckVersionAnswer();
        // What went on the wire was exactly the request.
        QTRY_VERIFY_WITH_TIMEOUT(!simulator->ReceivedFrames().isEmpty(), 3000);
        QCOMPARE(simulator->ReceivedFrames().first(), QByteArray::fromHex("03040106"));
    }

    void pingComesBackByteForByte_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("plain") << QByteArray::fromHex("0102030405");
        QTest::newRow("slip bytes") << QByteArray::fromHex("c0dbdcdd00c0");
        QTest::newRow("none") << QByteArray();
        QTest::newRow("fifteen") << QByteArray::fromHex("fefdfcfbfaf9f8f7f6f5f4f3f2f1f0");
    }
    void pingComesBackByteForByte() {
        QFETCH(QByteArray, data);
        QVERIFY(Connect(true));
        Frame ping(FRAME_TYPE_SERVICE, 0x30, 21);
        ping[4] = std::uint8_t(data.size());
        for (int i = 0; i < data.size(); ++i) ping[5 + i] = std::uint8_t(data[i]);
        QVERIFY(SendFrame(*link, ping.Seal()));
        QTRY_VERIFY_WITH_TIMEOUT(!frames.Find(FRAME_TYPE_SERVICE, 0x80).isEmpty(), 5000);
        const QByteArray cfm = frames.Find(FRAME_TYPE_SERVICE, 0x80);
        QVERIFY(Valid(cfm));
        QCOMPARE(int(std::uint8_t(cfm[4])), int(data.size()));
        QCOMPARE(cfm.mid(5, data.size()), data);
    }

    void unplugAndReplug() {
        QVERIFY(Connect(true));
        simulator->Command(QStringLiteral("unplug"));
        QTRY_COMPARE_WITH_TIMEOUT(events.lost, 1, 5000);
        SendVersionRequest();  // waits in the queue
        simulator->Command(QStringLiteral("replug 100"));
        QTRY_COMPARE_WITH_TIMEOUT(events.restored, 1, 5000);
        CheckVersionAnswer();
        QCOMPARE(events.lost, 1);
    }
};

QTEST_GUILESS_MAIN(TestLinkSim)
#include "test_link_sim.moc"
