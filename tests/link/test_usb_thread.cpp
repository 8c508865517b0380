#include "link/MemoryBackend.h"
#include "link/UsbThread.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using namespace relvane;

namespace {

const QByteArray kVersionReq = QByteArray::fromHex("c003040106c0");

struct Frames : FrameSink {
    QList<QByteArray> frames;
    std::function<void()> onFrame;
    void DispatchFrame(const std::uint8_t* f, int n) override {
        frames.append(QByteArray(reinterpret_cast<const char*>(f), n));
        if (onFrame) onFrame();
    }
};

struct RawBytes : RawByteHandler {
    QByteArray bytes;
    void OnRawByte(std::uint8_t b) override { bytes.append(char(b)); }
};

struct Events : LinkObserver {
    int lost = 0;
    int restored = 0;
    QElapsedTimer sinceRestored;
    void OnLinkLost() override { ++lost; }
    void OnLinkRestored() override {
        ++restored;
        sinceRestored.start();
    }
};

bool Queue(UsbThread& link, const QByteArray& e) {
    return link.AddToTxQueue(reinterpret_cast<const std::uint8_t*>(e.constData()), int(e.size()));
}

// Waits without processing events, so hand-offs stay pending.
template <typename F>
bool WaitUnprocessed(F done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 3000) return false;
        QThread::msleep(1);
    }
    return true;
}

}  // namespace

class TestUsbThread : public QObject {
    Q_OBJECT

    // Fresh for every test.
    std::unique_ptr<MemoryBackend> backend;
    std::unique_ptr<UsbThread> link;
    Frames frames;
    std::unique_ptr<SlipReceiver> receiver;
    RawBytes raw;
    Events events;

private Q_SLOTS:
    void init() {
        backend = std::make_unique<MemoryBackend>();
        link = std::make_unique<UsbThread>(*backend);
        frames = Frames();
        receiver = std::make_unique<SlipReceiver>(&frames);
        raw = RawBytes();
        events = Events();
        link->SetFrameReceiver(receiver.get());
        link->SetLinkObserver(&events);
    }
    void cleanup() {
        link.reset();
        backend.reset();
    }

    void listing_data() {
        QTest::addColumn<QStringList>("descriptions");
        QTest::addColumn<QList<bool>>("details");
        QTest::addColumn<bool>("listFails");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("two empty, one real")
            << QStringList{QString(), QString(), QStringLiteral("Relvane A")} << QList<bool>{true, true, true}
            << false << QStringList{QStringLiteral("Relvane A")};
        QTest::newRow("order kept")
            << QStringList{QStringLiteral("B"), QString(), QStringLiteral("A")} << QList<bool>{true, true, true}
            << false << QStringList{QStringLiteral("B"), QStringLiteral("A")};
        QTest::newRow("unreadable details not offered")
            << QStringList{QStringLiteral("X"), QStringLiteral("Y")} << QList<bool>{false, true} << false
            << QStringList{QStringLiteral("Y")};
        QTest::newRow("listing fails") << QStringList{QStringLiteral("A")} << QList<bool>{true} << true
                                       << QStringList{};
        QTest::newRow("none") << QStringList{} << QList<bool>{} << false << QStringList{};
    }
    void listing() {
        QFETCH(QStringList, descriptions);
        QFETCH(QList<bool>, details);
        QFETCH(bool, listFails);
        QFETCH(QStringList, listed);
        for (int i = 0; i < descriptions.size(); ++i) backend->AddAdapter(descriptions[i], details[i]);
        backend->SetListFails(listFails);
        QStringList list{QStringLiteral("kept")};
        QCOMPARE(link->ListUsbDevices(list), int(listed.size()));
        QCOMPARE(list, QStringList{QStringLiteral("kept")} + listed);
    }

    void openFailureChangesNothing_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("openFails");
        QTest::newRow("absent") << QStringLiteral("Nobody") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("held elsewhere") << QStringLiteral("A") << true;
    }
    void openFailureChangesNothing() {
        QFETCH(QString, description);
        QFETCH(bool, openFails);
        backend->AddAdapter(QStringLiteral("A"));
        backend->SetOpenFails(openFails);
        QVERIFY(!link->Open(description));
        QCOMPARE(link->State(), LINK_CLOSED);
        QVERIFY(link->Description().isEmpty());
        QVERIFY(!link->IsRunning());
        QVERIFY(!link->SetRxMode(RX_MODE_FRAMES));
    }

    void openWritesAndReceives() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        QCOMPARE(link->State(), LINK_OPEN);
        QCOMPARE(link->Description(), QStringLiteral("A"));
        QVERIFY(link->IsRunning());
        QVERIFY(link->SetRxMode(RX_MODE_FRAMES));
        // Queued right after Open: must not be lost to the thread's start.
        QVERIFY(Queue(*link, kVersionReq));
        QTRY_COMPARE_WITH_TIMEOUT(backend->Written(), kVersionReq, 3000);
        backend->Deliver(QByteArray::fromHex("c00304"));
        backend->Deliver(QByteArray::fromHex("0106c0"));
        QTRY_COMPARE_WITH_TIMEOUT(frames.frames.size(), 1, 3000);
        QCOMPARE(frames.frames[0], QByteArray::fromHex("03040106"));
    }

    void framesSplitAcrossChunksAreJoined() {
        backend->AddAdapter(QStringLiteral("A"));
        backend->SetReadChunk(2);
        QVERIFY(link->Open(QStringLiteral("A")));
        backend->Deliver(kVersionReq + kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(frames.frames.size(), 2, 3000);
        QCOMPARE(frames.frames[1], QByteArray::fromHex("03040106"));
    }

    void resendOverTheLink() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        Queue(*link, kVersionReq);
        link->ResendLastFrame();
        link->ResendLastFrame();
        QTRY_COMPARE_WITH_TIMEOUT(backend->Written(), kVersionReq + kVersionReq, 3000);
        QTest::qWait(300);  // a third write would come within a pass or two
        QCOMPARE(backend->Written(), kVersionReq + kVersionReq);
    }

    void rawModeRouting() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        link->SetRawByteHandler(&raw);
        QVERIFY(link->SetRxMode(RX_MODE_RAW));
        backend->Deliver(kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(raw.bytes, kVersionReq, 3000);
        QVERIFY(frames.frames.isEmpty());
        QCOMPARE(receiver->count(), 0);  // not a byte reached the receiver

        // Raw mode without a handler: the bytes are dropped, not sent to frames.
        link->SetRawByteHandler(nullptr);
        backend->Deliver("\x11\x22");
        QTRY_COMPARE_WITH_TIMEOUT(backend->Pending(), 0, 3000);
        QTest::qWait(300);
        QCOMPARE(receiver->count(), 0);
        QCOMPARE(raw.bytes, kVersionReq);

        link->SetRawByteHandler(&raw);
        QVERIFY(link->SetRxMode(RX_MODE_FRAMES));
        backend->Deliver(kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(frames.frames.size(), 1, 3000);
        QCOMPARE(frames.frames[0], QByteArray::fromHex("03040106"));
        QCOMPARE(raw.bytes, kVersionReq);  // nothing more went raw
    }

    void invalidRxModeIgnored() {
        QVERIFY(!link->SetRxMode(7));
        QCOMPARE(link->RxMode(), RX_MODE_FRAMES);
        link->SetRxMode(RX_MODE_RAW);
        link->SetRxMode(-1);
        QCOMPARE(link->RxMode(), RX_MODE_RAW);
    }

    void replugReopensAndWritesWhatWasQueued() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        backend->RemoveAdapter(QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(events.lost, 1, 3000);
        QCOMPARE(link->State(), LINK_LOST);
        QVERIFY(!link->HasOpenPort());
        QCOMPARE(link->Description(), QStringLiteral("A"));  // kept for the re-open
        QVERIFY(!link->SetRxMode(RX_MODE_FRAMES));

        const QList<QByteArray> waiting{"one", "two", "three"};
        for (const QByteArray& e : waiting) Queue(*link, e);
        QTest::qWait(800);  // at least one failed re-open attempt, 250 ms apart
        QCOMPARE(events.lost, 1);
        QCOMPARE(events.restored, 0);
        QVERIFY(backend->Written().isEmpty());

        QElapsedTimer replugged;
        replugged.start();
        backend->AddAdapter(QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(events.restored, 1, 3000);
        const qint64 took = replugged.elapsed() - events.sinceRestored.elapsed();
        // One re-open attempt every 250 ms; a slow machine may add a few hundred.
        QVERIFY2(took < 2000, qPrintable(QStringLiteral("re-open took %1 ms").arg(took)));
        QCOMPARE(link->State(), LINK_OPEN);
        QTRY_COMPARE_WITH_TIMEOUT(backend->Written(), QByteArray("onetwothree"), 3000);
        QCOMPARE(backend->OpenCount(), 2);
        QCOMPARE(events.lost, 1);
    }

    void lostReportedOnceAndOnlyForGone() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        const int reads = backend->ReadCount();
        backend->FailReads(5, ReadStatus::Failed);  // passing errors: no loss
        QTRY_VERIFY_WITH_TIMEOUT(backend->ReadCount() > reads + 5, 3000);
        QCOMPARE(events.lost, 0);
        QCOMPARE(link->State(), LINK_OPEN);

        backend->FailReads(1, ReadStatus::Gone);
        QTRY_COMPARE_WITH_TIMEOUT(events.lost, 1, 3000);
        QCOMPARE(link->State(), LINK_LOST);
        // The adapter is still listed, so the re-open 250 ms later succeeds.
        QTRY_COMPARE_WITH_TIMEOUT(events.restored, 1, 3000);
        QTest::qWait(300);
        QCOMPARE(events.lost, 1);
        QCOMPARE(events.restored, 1);
        QCOMPARE(link->State(), LINK_OPEN);
        QCOMPARE(backend->OpenPorts(), 1);
    }

    void closeWhileLostStopsReopening() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        backend->RemoveAdapter(QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(events.lost, 1, 3000);
        link->Close();
        backend->AddAdapter(QStringLiteral("A"));
        QTest::qWait(1000);  // a re-open would come within 250 ms
        QCOMPARE(link->State(), LINK_CLOSED);
        QCOMPARE(events.restored, 0);
        QCOMPARE(backend->OpenCount(), 1);
    }

    void shortAndFailedWrites() {
        backend->AddAdapter(QStringLiteral("A"));
        backend->ScriptWrites({3, -1});
        Queue(*link, "first!");  // before the thread: the queue starts empty with it
        QVERIFY(link->Open(QStringLiteral("A")));
        QVERIFY(Queue(*link, "ABCDEF"));
        QVERIFY(Queue(*link, "xyz"));
        // Short write (ABC); the whole entry again fails, so the next slot goes in
        // that pass; the first entry is written whole in a later pass.
        QTRY_COMPARE_WITH_TIMEOUT(backend->WriteCalls().size(), 3, 3000);
        QCOMPARE(backend->WriteCalls(), (QList<QByteArray>{"ABC", "xyz", "ABCDEF"}));
        QTest::qWait(300);
        QCOMPARE(backend->WriteCalls().size(), 3);
    }

    void openWhileOpenReplacesThePort() {
        backend->AddAdapter(QStringLiteral("A"));
        backend->AddAdapter(QStringLiteral("B"));
        QVERIFY(link->Open(QStringLiteral("A")));
        QVERIFY(link->Open(QStringLiteral("B")));
        QCOMPARE(backend->OpenPorts(), 1);
        QCOMPARE(link->Description(), QStringLiteral("B"));
        QVERIFY(!link->Open(QStringLiteral("C")));
        QCOMPARE(backend->OpenPorts(), 0);
        QCOMPARE(link->State(), LINK_CLOSED);
    }

    // Open and Close from this thread while the link thread re-opens after losses.
    void descriptionAndHandleRace() {
        backend->AddAdapter(QStringLiteral("A"));
        backend->AddAdapter(QStringLiteral("B"));
        backend->SetOpenDelayMs(3);
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 40; ++i) {
            QVERIFY(link->Open(QStringLiteral("A")));
            backend->RemoveAdapter(QStringLiteral("A"));
            backend->AddAdapter(QStringLiteral("A"));
            // Land near the link thread's re-open, 250 ms after it noticed the loss.
            QTest::qWait(235 + int(rng->bounded(40)));
            if (rng->bounded(2) == 0) {
                link->Close();
                QCOMPARE(link->State(), LINK_CLOSED);
                QVERIFY(link->Description().isEmpty());
                QVERIFY(!link->HasOpenPort());
                QTest::qWait(int(rng->bounded(20)));
                QCOMPARE(link->State(), LINK_CLOSED);
                QVERIFY(!link->HasOpenPort());
                QCOMPARE(backend->OpenPorts(), 0);
            } else {
                QVERIFY(link->Open(QStringLiteral("B")));
                QTest::qWait(int(rng->bounded(20)));
                QCOMPARE(link->State(), LINK_OPEN);
                QCOMPARE(link->Description(), QStringLiteral("B"));
                QVERIFY(link->HasOpenPort());
                QCOMPARE(backend->OpenPorts(), 1);
            }
        }
        link->Close();
        QCOMPARE(backend->OpenPorts(), 0);
    }

    void shutdownWhileChunkIsHandedOff() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        backend->Deliver(kVersionReq);
        // Without processing events the link thread sits in the hand-off.
        QVERIFY(WaitUnprocessed([&] { return backend->Pending() == 0; }));
        QThread::msleep(100);
        QElapsedTimer t;
        t.start();
        QVERIFY(link->Join(5000));
        QVERIFY(t.elapsed() < 2000);
        QVERIFY(!link->IsRunning());
        QCOMPARE(backend->OpenPorts(), 0);
        QCoreApplication::processEvents();
        QVERIFY(frames.frames.isEmpty());  // the abandoned hand-off never ran
        QVERIFY(!link->Open(QStringLiteral("A")));
    }

    void destructorWhileChunkIsHandedOff() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        backend->Deliver(kVersionReq);
        QVERIFY(WaitUnprocessed([&] { return backend->Pending() == 0; }));
        QThread::msleep(50);
        link.reset();
        QCoreApplication::processEvents();
        QCOMPARE(backend->OpenPorts(), 0);
        QVERIFY(frames.frames.isEmpty());
    }

    void joinFromInsideAHandOffRefuses() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        bool joined = true;
        frames.onFrame = [&] { joined = link->Join(200); };
        backend->Deliver(kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(frames.frames.size(), 1, 3000);
        QVERIFY(!joined);
        QVERIFY(link->Join(5000));
    }

    void destroyedByItsOwnHandler() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        frames.onFrame = [&] { link.reset(); };
        backend->Deliver(kVersionReq + kVersionReq);
        QTRY_VERIFY_WITH_TIMEOUT(!link, 3000);
        QCOMPARE(backend->OpenPorts(), 0);
        QCOMPARE(frames.frames.size(), 1);  // the rest of the chunk went with it
    }

    void handlerMayQueueAndClose() {
        backend->AddAdapter(QStringLiteral("A"));
        QVERIFY(link->Open(QStringLiteral("A")));
        frames.onFrame = [&] { Queue(*link, "answer"); };
        backend->Deliver(kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(backend->Written(), QByteArray("answer"), 3000);
        frames.onFrame = [&] { link->Close(); };
        backend->Deliver(kVersionReq);
        QTRY_COMPARE_WITH_TIMEOUT(link->State(), LINK_CLOSED, 3000);
        QVERIFY(!link->HasOpenPort());
    }
};

QTEST_GUILESS_MAIN(TestUsbThread)
#include "test_usb_thread.moc"
