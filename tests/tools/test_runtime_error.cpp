#include "FakeToolHost.h"
#include "tools/RuntimeErrorLog.h"

#include <QtTest>

using namespace relvane;

namespace {

QByteArray Entry(int number, const QByteArray& name, int line, int count, const QByteArray& data,
                 int claimedLength = -1) {
    QByteArray p;
    p.append(char(number));
    p.append(name.left(12).leftJustified(12, '\0'));
    p.append(char(line & 0xFF)).append(char(line >> 8));
    p.append(char(count));
    p.append(char(claimedLength < 0 ? data.size() : claimedLength));
    p.append(data);
    return Reply(0, 0xA1, p);
}

QByteArray EntryRequest(int n) { return Reply(0, 0x51, QByteArray(1, char(n))); }

}  // namespace

class TestRuntimeError : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void activationClearsAndAsksForCount() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Reply(0, 0xA2));
        QCOMPARE(log.lines().size(), 1);
        log.Activate();
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(host.sent, QList<QByteArray>{Hex("54040050")});
    }

    void countZero() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Reply(0, 0xA0, Hex("00")));
        QCOMPARE(log.lines(), QStringList{QStringLiteral(" Error list count 0")});
        QVERIFY(host.sent.isEmpty());
    }

    void countThreeReadsOneByOne() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Reply(0, 0xA0, Hex("03")));
        QCOMPARE(log.lines().first(), QStringLiteral(" Error list count 3"));
        QCOMPARE(host.sent, QList<QByteArray>{EntryRequest(1)});
        Offer(log, Entry(1, "main.c", 10, 1, {}));
        QCOMPARE(host.sent.size(), 2);
        QCOMPARE(host.sent.last(), EntryRequest(2));
        Offer(log, Entry(2, "main.c", 11, 1, {}));
        QCOMPARE(host.sent.last(), EntryRequest(3));
        Offer(log, Entry(3, "main.c", 12, 1, {}));
        QCOMPARE(host.sent.size(), 3);
        QCOMPARE(log.lines().size(), 1 + 3 * 6);
    }

    void entryLines() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Entry(1, "main.c", 0x012C, 7, Hex("1a02")));
        const QStringList expected{
            QStringLiteral("-----------------------------------------------------"),
            QStringLiteral("File name   : main.c"),
            QStringLiteral("Line number : 300"),
            QStringLiteral("Count       : 7"),
            QStringLiteral("Data len    : 2"),
            QStringLiteral("Data        : 0x1A:0x02:"),
        };
        QCOMPARE(log.lines(), expected);
        QCOMPARE(log.lines().first().size(), 53);
    }

    void fileNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12 characters") << QByteArray("canhandler.c") << QStringLiteral("canhandler.c");
        QTest::newRow("short") << QByteArray("main.c") << QStringLiteral("main.c");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("Windows-1252") << QByteArray("k\xf8r.c") << QStringLiteral("k\u00f8r.c");
    }
    void fileNames() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        FakeToolHost host;
        RuntimeErrorLog log(host);
        // A 12-character name is followed directly by the line number bytes.
        Offer(log, Entry(1, name, 300, 1, {}));
        QCOMPARE(log.lines().at(1), QStringLiteral("File name   : ") + shown);
        QCOMPARE(log.lines().at(2), QStringLiteral("Line number : 300"));
    }

    void dataLengthZero() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Entry(1, "a.c", 1, 1, {}));
        QCOMPARE(log.lines().at(4), QStringLiteral("Data len    : 0"));
        QCOMPARE(log.lines().at(5), QStringLiteral("Data        : "));
    }

    void dataBeyondTheFrameIsNotShown() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, Entry(1, "a.c", 1, 1, Hex("ff"), 40));
        QCOMPARE(log.lines().at(4), QStringLiteral("Data len    : 40"));
        QCOMPARE(log.lines().at(5), QStringLiteral("Data        : 0xFF:"));
    }

    void otherMessages_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("reboot") << Reply(1, 0x88) << QStringList{QStringLiteral(" System reboot..")};
        QTest::newRow("system log") << Reply(1, 0xE0) << QStringList{QStringLiteral(" System log data reset..")};
        QTest::newRow("list cleared") << Reply(0, 0xA2) << QStringList{QStringLiteral(" Error log reset..")};
        QTest::newRow("count with type 1") << Reply(1, 0xA0, Hex("03")) << QStringList{};
        QTest::newRow("reboot with type 0") << Reply(0, 0x88) << QStringList{};
        QTest::newRow("entry with type 1") << Reply(1, 0xA1, Entry(1, "a.c", 1, 1, {}).mid(4)) << QStringList{};
        QTest::newRow("short entry") << Reply(0, 0xA1, Hex("01616263")) << QStringList{};
        QTest::newRow("short count") << Reply(0, 0xA0) << QStringList{};
        QByteArray bad = Reply(0, 0xA2);
        bad[0] = char(bad[0] ^ 1);
        QTest::newRow("checksum") << bad << QStringList{};
    }
    void otherMessages() {
        QFETCH(QByteArray, frame);
        FakeToolHost host;
        RuntimeErrorLog log(host);
        Offer(log, frame);
        QTEST(log.lines(), "lines");
        QVERIFY(host.sent.isEmpty());
    }

    void buttons() {
        FakeToolHost host;
        RuntimeErrorLog log(host);
        log.ResetLog();
        log.ResetSystemLog();
        log.Reboot();
        QCOMPARE(host.sent, (QList<QByteArray>{Hex("56040052"), Hex("64040161"), Hex("02040107")}));
        QVERIFY(log.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRuntimeError)
#include "test_runtime_error.moc"
