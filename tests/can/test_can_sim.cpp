// The simulated module's CAN traffic: it follows the monitor selection, forwards identifiers
// of the configured CAN inputs, and bursts at the link's full rate; also the diagnostic log.

#include "can/CanMonitor.h"
#include "protocol/MessageCatalogue.h"
#include "sim/CanSim.h"
#include "sim/DiagnosticSim.h"

#include <QTest>

using namespace relvane;
using Clock = std::chrono::steady_clock;

namespace {

struct ModuleUnderTest {
    sim::Module module;
    sim::CanSim can;
    sim::DiagnosticLog diagnostic;
    QList<QByteArray> sent;
    QStringList printed;

    ModuleUnderTest()
    {
        module.SetOutput([this](const Frame& f) {
            sent.append(QByteArray(reinterpret_cast<const char*>(f.data()), f.length()));
        });
        module.SetPrinter([this](const QString& l) { printed << l; });
        sim::RegisterCanHandlers(module, can);
        sim::RegisterDiagnosticHandlers(module, diagnostic);
    }

    // The tool's request as it reaches the module: five bytes with the selection last.
    void SelectMonitor(int selection)
    {
        const MonitorModeRequest r = BuildCanMonitorModeRequest(selection);
        std::uint8_t buffer[16] = {};
        std::copy(r.bytes.begin(), r.bytes.end(), buffer);
        QCOMPARE(int(module.Receive(buffer, r.count)), int(sim::Module::Outcome::Handled));
    }
    void Request(const Frame& f) { module.Receive(f.data(), f.length()); }

    QList<CanMonitorMessage> Monitored() const
    {
        QList<CanMonitorMessage> m;
        for (const QByteArray& f : sent)
            if (std::uint8_t(f.at(FRAME_COMMAND)) == CAN_MONITOR_IND)
                m.append(ReadCanMonitor(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size())));
        return m;
    }
};

QByteArray CanInputBlock(int index, int idOn, int idOff)
{
    QByteArray payload(45, '\0');
    payload[0] = char(index);
    payload[2] = char(idOn & 0xFF);
    payload[3] = char(idOn >> 8);
    payload[4] = char(idOff & 0xFF);
    payload[5] = char(idOff >> 8);
    return payload;
}

}  // namespace

class TestCanSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offSendsNothing()
    {
        ModuleUnderTest m;
        m.can.Pump(m.module, Clock::now() + std::chrono::seconds(10));
        QVERIFY(m.Monitored().isEmpty());
        QVERIFY(!m.can.NextDue());
    }

    void selectionStartsAFewMessagesASecond()
    {
        ModuleUnderTest m;
        m.module.config.SetBlock(sim::BlockKind::CanInput, 1, CanInputBlock(1, 0x123, 0x124));
        m.SelectMonitor(2);
        QCOMPARE(m.can.mode, 2);
        QCOMPARE(std::uint8_t(m.sent.first().at(FRAME_COMMAND)), CAN_MONITOR_MODE_CFM);
        const auto start = *m.can.NextDue();
        m.can.Pump(m.module, start + std::chrono::milliseconds(1999));
        const QList<CanMonitorMessage> msgs = m.Monitored();
        QCOMPARE(msgs.size(), 8);  // 4 a second
        QList<int> ids;
        for (const CanMonitorMessage& c : msgs) {
            ids.append(c.identifier);
            QVERIFY(c.dataCount >= 1 && c.dataCount <= 8);
        }
        QVERIFY(ids.contains(0x123));
        QVERIFY(ids.contains(0x124));
        QVERIFY(ids.contains(0x1A5));

        m.SelectMonitor(0);
        const int before = int(m.Monitored().size());
        m.can.Pump(m.module, start + std::chrono::seconds(20));
        QCOMPARE(int(m.Monitored().size()), before);
    }

    void singleCanInputForwardsItsIdentifiers()
    {
        ModuleUnderTest m;
        m.module.config.SetBlock(sim::BlockKind::CanInput, 4, CanInputBlock(4, 0x300, 0));
        m.SelectMonitor(3 + 4);
        const auto start = *m.can.NextDue();
        m.can.Pump(m.module, start + std::chrono::milliseconds(1000));
        for (const CanMonitorMessage& c : m.Monitored())
            QCOMPARE(int(c.identifier), 0x300);
        QVERIFY(!m.Monitored().isEmpty());
    }

    void burstRunsAtTheLinkRate()
    {
        ModuleUnderTest m;
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("burst"), QStringLiteral("on")});
        m.SelectMonitor(2);
        const auto start = *m.can.NextDue();
        for (int ms = 0; ms <= 1000; ms += 10)
            m.can.Pump(m.module, start + std::chrono::milliseconds(ms));
        const int perSecond = int(m.Monitored().size());
        // 38400 baud, 11 bits a byte, 9 to 17 wire bytes a message: roughly 200 to 390.
        QVERIFY2(perSecond > 180 && perSecond < 420, qPrintable(QString::number(perSecond)));
    }

    void consoleSendAndUsage()
    {
        ModuleUnderTest m;
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("send"), QStringLiteral("1A5"), QStringLiteral("01"), QStringLiteral("FF")});
        QCOMPARE(m.Monitored().size(), 1);
        QCOMPARE(int(m.Monitored().first().identifier), 0x1A5);
        QCOMPARE(m.Monitored().first().dataCount, 2);
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("send"), QStringLiteral("zz")});
        QVERIFY(m.printed.last().startsWith(QStringLiteral("usage:")));
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("rate"), QStringLiteral("-1")});
        QVERIFY(m.printed.last().startsWith(QStringLiteral("usage:")));
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("rate"), QStringLiteral("1001")});
        QVERIFY(m.printed.last().startsWith(QStringLiteral("usage:")));
        m.module.RunConsole(QStringLiteral("canmon"), {QStringLiteral("rate"), QStringLiteral("0")});
        QCOMPARE(m.printed.last(), QStringLiteral("CAN rate 0 a second"));
    }

    void diagnosticLogReadAndCleared()
    {
        ModuleUnderTest m;
        m.module.RunConsole(QStringLiteral("diag"), {QStringLiteral("short"), QStringLiteral("1"), QStringLiteral("20")});
        m.module.RunConsole(QStringLiteral("diag"), {QStringLiteral("trip"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("10")});
        m.module.RunConsole(QStringLiteral("diag"), {QStringLiteral("low"), QStringLiteral("2"), QStringLiteral("2")});
        m.module.RunConsole(QStringLiteral("diag"), {QStringLiteral("short"), QStringLiteral("34"), QStringLiteral("4")});
        m.Request(BuildDiagnosticReadRequest());
        QCOMPARE(m.sent.size(), 2);
        const QByteArray high = m.sent.at(0);
        const QByteArray low = m.sent.at(1);
        QCOMPARE(std::uint8_t(high.at(FRAME_COMMAND)), DIAGNOSTIC_HIGH_IND);
        QCOMPARE(std::uint8_t(low.at(FRAME_COMMAND)), DIAGNOSTIC_LOW_IND);
        const DiagnosticHigh h = ReadDiagnosticHigh(reinterpret_cast<const std::uint8_t*>(high.constData()), int(high.size()));
        QCOMPARE(int(h.shortCircuitCount[0]), 15);  // stops at 15
        QCOMPARE(int(h.tripCount[0]), 3);
        QCOMPARE(int(h.tripLevel[0]), 25);  // 10 A in steps of 0.4 A
        QCOMPARE(int(h.lowCurrentCount[1]), 2);
        const DiagnosticLow l = ReadDiagnosticLow(reinterpret_cast<const std::uint8_t*>(low.constData()), int(low.size()));
        QCOMPARE(int(l.shortCircuitCount[15]), 4);

        m.Request(BuildDiagnosticAckRequest());
        QCOMPARE(m.diagnostic.acks, 1);
        m.sent.clear();
        m.Request(BuildDiagnosticClearRequest());
        QCOMPARE(m.sent.size(), 1);
        QCOMPARE(std::uint8_t(m.sent.first().at(FRAME_COMMAND)), DIAGNOSTIC_CLEAR_CFM);
        QCOMPARE(int(m.diagnostic.shortCircuit[0]), 0);
        QCOMPARE(int(m.diagnostic.tripLevel[0]), 0);
    }
};

QTEST_GUILESS_MAIN(TestCanSim)
#include "test_can_sim.moc"
