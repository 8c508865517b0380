// The tools' core against the simulated module's production handlers.

#include "FakeToolHost.h"
#include "sim/ProductionSim.h"
#include "tools/Calibration.h"
#include "tools/EepromTool.h"
#include "tools/RuntimeErrorLog.h"
#include "tools/SystemSetup.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::sim;

namespace {

// Frames the tool sends go to the module; its answers wait in a queue until
// Pump hands them to the tool, one at a time as the link would.
struct Bench {
    FakeToolHost host;
    Module module;
    ProductionSim production;
    QList<QByteArray> answers;
    int forwarded = 0;

    Bench() {
        RegisterProductionHandlers(module, production);
        module.SetOutput([this](const Frame& f) {
            answers.append(QByteArray(reinterpret_cast<const char*>(f.data()), f.length()));
        });
    }
    void Forward() {
        for (; forwarded < host.sent.size(); ++forwarded) {
            const QByteArray& f = host.sent.at(forwarded);
            module.Receive(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
        }
    }
    int Pump(ToolFrameListener& tool, int limit = 10000) {
        int n = 0;
        Forward();
        while (!answers.isEmpty() && n < limit) {
            Offer(tool, answers.takeFirst());
            ++n;
            Forward();
        }
        return n;
    }
};

}  // namespace

class TestProductionSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void systemDataRoundTrip() {
        Bench b;
        SystemSetupTool tool(b.host);
        tool.Activate();
        b.Pump(tool);
        QCOMPARE(tool.serialText(), QStringLiteral("00001234"));
        QCOMPARE(tool.yearText(), QStringLiteral("2024"));
        tool.setSerialText(QStringLiteral("87654321"));
        tool.setYearText(QStringLiteral("2031"));
        tool.setWeekText(QStringLiteral("7"));
        QVERIFY(tool.Upload());
        b.Pump(tool);
        QCOMPARE(b.production.system.serial, 87654321u);
        QCOMPARE(b.host.dialogs.Texts(), QStringList{QStringLiteral("Data stored in Relvane")});
        QCOMPARE(tool.serialText(), QStringLiteral("87654321"));
        QCOMPARE(tool.weekText(), QStringLiteral("07"));
        QCOMPARE(tool.yearText(), QStringLiteral("2031"));
    }

    void calibrationDataFromLoads() {
        Bench b;
        b.module.live.mode = 2;
        CalibrationTool tool(b.host);
        b.Forward();
        // The refresh cycle needs the mode confirmation; ask for channel 3 directly.
        b.host.sent.append(Reply(1, 0x43, Hex("03")));
        b.Pump(tool);
        QVERIFY(tool.row(3).hasData);
        QCOMPARE(tool.row(3).offsetText(), QStringLiteral("12"));
        QCOMPARE(tool.row(3).adText(), QStringLiteral("0012"));  // no load on: the idle reading
        QVERIFY(tool.refreshTimerActive());
        tool.setNewRatioText(4, QStringLiteral("9000"));
        tool.setNewRatioText(9, QStringLiteral("70000"));
        tool.StoreRatios();
        b.Pump(tool);
        QVERIFY(tool.ratiosStoredShown());
        QCOMPARE(b.production.calibration.at(3).ratio, std::uint16_t(9000));
        QCOMPARE(b.production.calibration.at(8).ratio, std::uint16_t(4464));
        QCOMPARE(b.production.ratioStores, 2);
        tool.StoreOffsets();
        b.Pump(tool);
        QVERIFY(tool.offsetStoredShown());
        tool.setChannelText(QStringLiteral("3"));
        tool.SetUseOffset(true);
        tool.SetUseRatio(true);
        b.Forward();
        QCOMPARE(b.production.optionFlags, std::uint8_t(6));
        QCOMPARE(b.production.optionChannel, std::uint8_t(3));
    }

    void simulatedReadingGivesBackItsRatio() {
        ProductionSim p;
        p.calibration.at(0) = {12, 14436};
        const std::uint16_t ad = p.AdValue(1, 300);
        QCOMPARE(ad, std::uint16_t(212));
        const auto ratio = CalculateNewRatio(30.0, ad, 12);
        QVERIFY(ratio && qAbs(*ratio - 14436) < 80);
    }

    void runtimeErrorList() {
        Bench b;
        QVERIFY(b.module.RunConsole(QStringLiteral("rterror"),
                                    {QStringLiteral("add"), QStringLiteral("main.c"), QStringLiteral("300")}));
        QVERIFY(b.module.RunConsole(QStringLiteral("rterror"), {QStringLiteral("add"), QStringLiteral("canhandler.c"),
                                                                QStringLiteral("12"), QStringLiteral("3"),
                                                                QStringLiteral("1a02")}));
        RuntimeErrorLog log(b.host);
        log.Activate();
        b.Pump(log);
        QCOMPARE(log.lines().size(), 1 + 2 * 6);
        QCOMPARE(log.lines().at(0), QStringLiteral(" Error list count 2"));
        QCOMPARE(log.lines().at(2), QStringLiteral("File name   : main.c"));
        QCOMPARE(log.lines().at(3), QStringLiteral("Line number : 300"));
        QCOMPARE(log.lines().at(8), QStringLiteral("File name   : canhandler.c"));
        QCOMPARE(log.lines().at(12), QStringLiteral("Data        : 0x1A:0x02:"));
        log.ResetLog();
        log.ResetSystemLog();
        b.Pump(log);
        QVERIFY(b.production.errors.isEmpty());
        QCOMPARE(b.production.systemLogClears, 1);
        QCOMPARE(log.lines().mid(13), (QStringList{QStringLiteral(" Error log reset.."),
                                                   QStringLiteral(" System log data reset..")}));
    }

    void eepromReadAndWrite() {
        Bench b;
        QVERIFY(b.module.RunConsole(QStringLiteral("eeprom"), {QStringLiteral("0ff0"), QStringLiteral("48656c6c6f")}));
        EepromTool tool(b.host);
        tool.Show();
        tool.StartRead();
        const int replies = b.Pump(tool);
        QCOMPARE(replies, 256);
        QCOMPARE(b.host.sent.size(), 256);
        for (int i = 0; i < 256; ++i) QCOMPARE(b.host.sent.at(i).mid(4, 3), Hex("10") + char(i * 16 & 0xFF) + char(i >> 4));
        QVERIFY(tool.readEnabled());
        QCOMPARE(tool.buffer().cell(256, 17), QStringLiteral("Hello") + QStringLiteral(". ").repeated(11));
        QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("FF"));

        tool.setFieldText(EepromTool::FillEnd, QStringLiteral("0020"));
        tool.Fill00();
        tool.setFieldText(EepromTool::EepromEnd, QStringLiteral("0020"));
        tool.StartWrite();
        QCOMPARE(b.Pump(tool), 2);
        QVERIFY(tool.writeEnabled());
        QCOMPARE(b.production.eeprom.left(33), QByteArray(32, '\0') + char(0xFF));
    }
};

QTEST_GUILESS_MAIN(TestProductionSim)
#include "test_production_sim.moc"
