#include "link/TxQueue.h"

#include <QtTest>

using namespace relvane;

namespace {

QByteArray Entry(int n, char fill) { return QByteArray(n, fill); }

bool Add(TxQueue& q, const QByteArray& e) {
    return q.Add(reinterpret_cast<const std::uint8_t*>(e.constData()), int(e.size()));
}

// Records write attempts and pauses; answers from a script.
struct FakeWire {
    QList<TxQueue::WriteResult> script;
    QList<QByteArray> attempts;
    QList<int> pauses;
    TxQueue::Writer writer() {
        return [this](const std::uint8_t* b, int n) {
            attempts.append(QByteArray(reinterpret_cast<const char*>(b), n));
            return script.isEmpty() ? TxQueue::WriteResult::Complete : script.takeFirst();
        };
    }
    TxQueue::Sleeper sleeper() {
        return [this](int ms) { pauses.append(ms); };
    }
};

}  // namespace

class TestTxQueue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullQueueKeepsOnlyTheNewestEntry() {
        TxQueue q;
        for (int i = 0; i < TX_QUEUE_SLOTS; ++i) QVERIFY(Add(q, Entry(4, char('a' + i))));
        QCOMPARE(q.WaitingCount(), 25);
        QVERIFY(Add(q, Entry(7, 'Z')));
        QCOMPARE(q.WaitingEntries(), QList<QByteArray>{Entry(7, 'Z')});
        // And the queue goes on filling normally afterwards.
        QVERIFY(Add(q, Entry(2, 'Y')));
        QCOMPARE(q.WaitingEntries(), (QList<QByteArray>{Entry(7, 'Z'), Entry(2, 'Y')}));
    }

    void twentyFiveEntriesFitWithoutLoss() {
        TxQueue q;
        QList<QByteArray> expected;
        for (int i = 0; i < TX_QUEUE_SLOTS; ++i) {
            expected.append(Entry(i + 1, char('a' + i)));
            QVERIFY(Add(q, expected.last()));
        }
        QCOMPARE(q.WaitingEntries(), expected);
    }

    void newEntryTakesLowestFreeSlot() {
        TxQueue q;
        FakeWire wire;
        Add(q, Entry(3, 'A'));
        Add(q, Entry(3, 'B'));
        Add(q, Entry(3, 'C'));
        QVERIFY(q.WriteOne(wire.writer(), wire.sleeper()));  // A leaves slot 0
        Add(q, Entry(3, 'D'));
        QCOMPARE(q.WaitingEntries(), (QList<QByteArray>{Entry(3, 'D'), Entry(3, 'B'), Entry(3, 'C')}));
    }

    void resendQueuesOnceAndNotTwice() {
        TxQueue q;
        QVERIFY(!q.ResendLast());  // nothing queued yet
        const QByteArray frame = QByteArray::fromHex("c003040106c0");
        Add(q, frame);
        QVERIFY(q.ResendLast());
        QCOMPARE(q.WaitingEntries(), (QList<QByteArray>{frame, frame}));
        QVERIFY(!q.ResendLast());
        QCOMPARE(q.WaitingCount(), 2);
        // A new entry re-arms it, with the new bytes.
        Add(q, Entry(5, 'n'));
        QVERIFY(q.ResendLast());
        QCOMPARE(q.WaitingEntries().last(), Entry(5, 'n'));
        QCOMPARE(q.WaitingCount(), 4);
    }

    void resendSurvivesWritingAndClearing() {
        TxQueue q;
        FakeWire wire;
        Add(q, Entry(9, 'r'));
        q.WriteOne(wire.writer(), wire.sleeper());
        q.Clear();
        QVERIFY(q.ResendLast());
        QCOMPARE(q.WaitingEntries(), QList<QByteArray>{Entry(9, 'r')});
    }

    void entryLength_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("one byte") << 1 << true;
        QTest::newRow("firmware block") << 259 << true;
        QTest::newRow("exactly a slot") << 300 << true;
        QTest::newRow("one beyond a slot") << 301 << false;
        QTest::newRow("far beyond") << 5000 << false;
        QTest::newRow("negative") << -1 << false;
    }
    void entryLength() {
        QFETCH(int, length);
        QFETCH(bool, accepted);
        TxQueue q;
        Add(q, Entry(4, 'k'));
        const QByteArray big(std::max(length, 0) + 16, 'x');
        QCOMPARE(q.Add(reinterpret_cast<const std::uint8_t*>(big.constData()), length), accepted);
        QCOMPARE(q.WaitingCount(), accepted ? 2 : 1);
        // A refused entry does not replace the last-entry record.
        QCOMPARE(q.LastEntry(), accepted ? big.left(length) : Entry(4, 'k'));
    }

    void nullBytesRefused() {
        TxQueue q;
        QVERIFY(!q.Add(nullptr, 4));
        QCOMPARE(q.WaitingCount(), 0);
    }

    void writeOutcomes_data() {
        QTest::addColumn<QList<int>>("script");  // 0 complete, 1 short, 2 failed
        QTest::addColumn<QByteArrayList>("attempts");
        QTest::addColumn<QList<int>>("pauses");
        QTest::addColumn<int>("waitingAfter");
        QTest::newRow("complete") << QList<int>{0} << QByteArrayList{"AAA"} << QList<int>{2} << 1;
        QTest::newRow("short stays queued") << QList<int>{1} << QByteArrayList{"AAA"} << QList<int>{5} << 2;
        QTest::newRow("failed tries the next")
            << QList<int>{2, 0} << QByteArrayList{"AAA", "BBB"} << QList<int>{5, 2} << 1;
        QTest::newRow("all fail") << QList<int>{2, 2} << QByteArrayList{"AAA", "BBB"} << QList<int>{5, 5} << 2;
    }
    void writeOutcomes() {
        QFETCH(QList<int>, script);
        QFETCH(QByteArrayList, attempts);
        QFETCH(QList<int>, pauses);
        QFETCH(int, waitingAfter);
        TxQueue q;
        Add(q, "AAA");
        Add(q, "BBB");
        FakeWire wire;
        for (int s : script) wire.script.append(static_cast<TxQueue::WriteResult>(s));
        q.WriteOne(wire.writer(), wire.sleeper());
        QCOMPARE(QByteArrayList(wire.attempts), attempts);
        QCOMPARE(wire.pauses, pauses);
        QCOMPARE(q.WaitingCount(), waitingAfter);
    }

    void shortWriteIsRepeatedWhole() {
        TxQueue q;
        FakeWire wire;
        Add(q, "ABCDEF");
        wire.script = {TxQueue::WriteResult::Short};
        QVERIFY(!q.WriteOne(wire.writer(), wire.sleeper()));
        QVERIFY(q.WriteOne(wire.writer(), wire.sleeper()));
        QCOMPARE(QByteArrayList(wire.attempts), (QByteArrayList{"ABCDEF", "ABCDEF"}));
        QCOMPARE(q.WaitingCount(), 0);
    }

    void emptyQueueWritesNothing() {
        TxQueue q;
        FakeWire wire;
        QVERIFY(!q.WriteOne(wire.writer(), wire.sleeper()));
        QVERIFY(wire.attempts.isEmpty());
        QVERIFY(wire.pauses.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTxQueue)
#include "test_tx_queue.moc"
