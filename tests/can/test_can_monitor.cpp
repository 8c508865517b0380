// The CAN monitor's core: the mode request on the wire, the line format, the batches and the
// write-through file log.

#include "can/CanMonitor.h"
#include "config/Cp1252.h"
#include "protocol/Dispatcher.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

using namespace relvane;

namespace {

// Keeps the encoded bytes of every queued entry.
class WireSink final : public TxSink {
public:
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override
    {
        entries.append(QByteArray(reinterpret_cast<const char*>(bytes), count));
        return true;
    }
    QList<QByteArray> entries;
};

CanMonitorMessage Message(int id, const QList<int>& data)
{
    CanMonitorMessage m{};
    m.identifier = std::uint16_t(id);
    m.dataCount = int(data.size());
    for (int i = 0; i < data.size(); ++i)
        m.data[std::size_t(i)] = std::uint8_t(data.at(i));
    return m;
}

}  // namespace

class TestCanMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modeRequestOnTheWire_data()
    {
        QTest::addColumn<int>("selection");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("All Messages") << 2 << QByteArray::fromHex("C059 0401 5C02 C0");
        QTest::newRow("Off") << 0 << QByteArray::fromHex("C059 0401 5C00 C0");
        QTest::newRow("CAN input 1") << 3 << QByteArray::fromHex("C059 0401 5C03 C0");
    }
    void modeRequestOnTheWire()
    {
        QFETCH(int, selection);
        QFETCH(QByteArray, wire);
        WireSink sink;
        QVERIFY(SendMonitorMode(sink, selection));
        QCOMPARE(sink.entries.size(), 1);
        QCOMPARE(sink.entries.first().toHex(' '), wire.toHex(' '));
    }

    void line_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QList<int>>("data");
        QTest::addColumn<QString>("line");
        QTest::newRow("0x00A") << 0x00A << QList<int>{0x12} << QStringLiteral("14:03:07.045> ID=   A, Data= 12");
        QTest::newRow("n = 0") << 0x123 << QList<int>{} << QStringLiteral("14:03:07.045> ID= 123, Data=");
        QTest::newRow("two names") << 0x1A5 << QList<int>{0x01, 0xFF}
                                   << QStringLiteral("14:03:07.045> ID= 1A5, Data= 01 FF, Brake, Horn");
        QTest::newRow("OFF identifier named") << 0x200 << QList<int>{0xAB}
                                              << QStringLiteral("14:03:07.045> ID= 200, Data= AB, Wipers");
        QTest::newRow("identifier 0 gets no names") << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8}
                                                    << QStringLiteral("14:03:07.045> ID=   0, Data= 01 02 03 04 05 06 07 08");
        QTest::newRow("wide identifier") << 0x7FF << QList<int>{} << QStringLiteral("14:03:07.045> ID= 7FF, Data=");
    }
    void line()
    {
        QFETCH(int, id);
        QFETCH(QList<int>, data);
        QFETCH(QString, line);
        ConfigModel model;
        // CAN inputs 2 and 5 switch on by 0x1A5; CAN input 7 switches off by 0x200; CAN input 9
        // uses identifier 0 (the start value of all others too).
        model.ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_ID_ON = 0x1A5; c.CAN_ID_OFF = 0x111; c.CAN_NAME = "Brake"; });
        model.ModifyCanInput(5, [](CanInputConfig& c) { c.CAN_ID_ON = 0x1A5; c.CAN_ID_OFF = 0x1A5; c.CAN_NAME = "Horn"; });
        model.ModifyCanInput(7, [](CanInputConfig& c) { c.CAN_ID_ON = 0x100; c.CAN_ID_OFF = 0x200; c.CAN_NAME = "Wipers"; });
        QCOMPARE(CanMonitorLine(QTime(14, 3, 7, 45), Message(id, data), model), line);
    }

    void namesInTheSystemCodePage()
    {
        ConfigModel model;
        model.ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_ID_ON = 0x10; c.CAN_NAME = QByteArray("K\xFChler"); });
        QCOMPARE(CanMonitorLine(QTime(0, 0), Message(0x10, {}), model),
                 QStringLiteral("00:00:00.000> ID=  10, Data=, K\u00FChler"));
    }

    void dispatchedMessagesArriveInOneBatch()
    {
        ConfigModel model;
        CanMonitor monitor(model);
        monitor.SetClock([] { return QTime(1, 2, 3, 4); });
        Dispatcher dispatcher;
        dispatcher.AddHandler(&monitor);
        QSignalSpy batches(&monitor, &CanMonitor::LinesArrived);
        for (int i = 0; i < 5; ++i) {
            Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 9);
            f[4] = std::uint8_t(0x20 + i);
            f[5] = 0x01;
            f[6] = 2;
            f[7] = 0xAA;
            f[8] = std::uint8_t(i);
            f.Seal();
            dispatcher.DispatchFrame(f.data(), f.length());
        }
        QCOMPARE(monitor.PendingLines().size(), 5);
        QCOMPARE(batches.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(batches.count(), 1, 5000);
        const QStringList lines = batches.first().first().toStringList();
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.first(), QStringLiteral("01:02:03.004> ID= 120, Data= AA 00"));
        QCOMPARE(lines.last(), QStringLiteral("01:02:03.004> ID= 124, Data= AA 04"));
        QVERIFY(monitor.PendingLines().isEmpty());
        QCOMPARE(monitor.LinesSeen(), 5);
    }

    void fileLogWritesEachLineThrough()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        {
            QFile existing(path);
            QVERIFY(existing.open(QIODevice::WriteOnly));
            existing.write("earlier\r\n");
        }
        ConfigModel model;
        CanMonitor monitor(model);
        monitor.SetClock([] { return QTime(9, 0, 0, 1); });
        QVERIFY(monitor.FileLog().Open(path));
        monitor.OnCanMonitor(Message(0x5, {0x10}));
        // On disk while the log is still open: no buffer of ours holds it back.
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(reader.readAll(), QByteArray("earlier\r\n09:00:00.001> ID=   5, Data= 10\r\n"));
        monitor.OnCanMonitor(Message(0x6, {}));
        reader.seek(0);
        QVERIFY(reader.readAll().endsWith("09:00:00.001> ID=   6, Data=\r\n"));
        monitor.FileLog().Close();
        QVERIFY(!monitor.FileLog().IsOpen());
        QCOMPARE(monitor.FileLog().LinesWritten(), 2);
    }

    void fileLogThatCannotOpen()
    {
        QTemporaryDir dir;
        CanMonitorFileLog log;
        QVERIFY(!log.Open(dir.filePath(QStringLiteral("no/such/folder/log.txt"))));
        QVERIFY(!log.IsOpen());
        QVERIFY(!log.WriteLine(QStringLiteral("x")));
        log.Close();  // harmless
        QVERIFY(!log.Open(QString()));
    }

    void refreshMonitorEntries()
    {
        QStringListModel monitor(MonitorFixedEntries() + QStringList{QStringLiteral("CAN 1"), QStringLiteral("CAN 2"),
                                                                     QStringLiteral("CAN 3")});
        QStringListModel names(QStringList{QStringLiteral("Brake"), QStringLiteral("Horn")});
        RefreshMonitorEntries(monitor, names);
        QCOMPARE(monitor.stringList(),
                 (QStringList{QStringLiteral("Off"), QStringLiteral("Active messages"), QStringLiteral("All Messages"),
                              QStringLiteral("Brake"), QStringLiteral("Horn"), QStringLiteral("CAN 3")}));
    }
};

QTEST_GUILESS_MAIN(TestCanMonitor)
#include "test_can_monitor.moc"
