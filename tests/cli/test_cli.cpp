// relvane's printed pieces (CAN lines, progress, the status table), its configuration commands on
// files and its usage; the commands against the simulated module are in test_cli_module.cpp.

#include "test_cli.h"

#include "cli/CanLog.h"
#include "cli/Console.h"
#include "cli/StatusTable.h"
#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace relvane;
using namespace relvane::cli;

// --- what is printed --------------------------------------------------------------------

void TestCli::candumpLine_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("us");
    QTest::addColumn<QString>("line");
    QTest::newRow("two bytes") << 0x00A << QByteArray("\x01\x02", 2) << qint64(1733740800123456)
                               << QStringLiteral("(1733740800.123456) relvane 00A#0102");
    QTest::newRow("no data") << 0x1A5 << QByteArray() << qint64(5000001)
                             << QStringLiteral("(5.000001) relvane 1A5#");
    QTest::newRow("eight bytes, upper case") << 0x7FF << QByteArray::fromHex("deadbeef00ff10ab") << qint64(0)
                                             << QStringLiteral("(0.000000) relvane 7FF#DEADBEEF00FF10AB");
    QTest::newRow("beyond 11 bits is extended") << 0x800 << QByteArray("\x05", 1) << qint64(1000000)
                                                << QStringLiteral("(1.000000) relvane 00000800#05");
}
void TestCli::candumpLine() {
    QFETCH(int, id);
    QFETCH(QByteArray, data);
    QFETCH(qint64, us);
    QFETCH(QString, line);
    CanMonitorMessage m{static_cast<std::uint16_t>(id), int(data.size()), {}};
    for (int i = 0; i < data.size(); ++i) m.data[std::size_t(i)] = std::uint8_t(data[i]);
    QCOMPARE(CandumpLine(m, us), line);
}

void TestCli::monitorTextLine_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("line");
    QTest::newRow("names in CAN input order, on and off ids")
        << 0x1A5 << QByteArray("\x01\xFF", 2) << QStringLiteral("14:03:07.045> ID= 1A5, Data= 01 FF, Brake, Horn");
    QTest::newRow("no data") << 0x00A << QByteArray() << QStringLiteral("14:03:07.045> ID=   A, Data=");
    QTest::newRow("identifier 0 names nothing") << 0 << QByteArray("\x10", 1) << QStringLiteral("14:03:07.045> ID=   0, Data= 10");
}
void TestCli::monitorTextLine() {
    QFETCH(int, id);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);
    ConfigModel model;
    model.ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_ID_ON = 0x1A5; c.CAN_NAME = "Brake"; });
    model.ModifyCanInput(5, [](CanInputConfig& c) { c.CAN_ID_OFF = 0x1A5; c.CAN_NAME = "Horn"; });
    CanMonitorMessage m{static_cast<std::uint16_t>(id), int(data.size()), {}};
    for (int i = 0; i < data.size(); ++i) m.data[std::size_t(i)] = std::uint8_t(data[i]);
    QCOMPARE(MonitorTextLine(m, QTime(14, 3, 7, 45), &model), line);
}

void TestCli::monitorSelection_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selection");  // -1: refused
    QTest::newRow("off") << QStringLiteral("off") << 0;
    QTest::newRow("active") << QStringLiteral("active") << 1;
    QTest::newRow("all") << QStringLiteral("ALL") << 2;
    QTest::newRow("CAN input 1") << QStringLiteral("1") << 3;
    QTest::newRow("CAN input 32") << QStringLiteral("32") << 34;
    QTest::newRow("CAN input 33") << QStringLiteral("33") << -1;
    QTest::newRow("0") << QStringLiteral("0") << -1;
    QTest::newRow("word") << QStringLiteral("some") << -1;
}
void TestCli::monitorSelection() {
    QFETCH(QString, text);
    QFETCH(int, selection);
    QCOMPARE(MonitorSelection(text).value_or(-1), selection);
}

void TestCli::progressLines() {
    BufferConsole plain;
    {
        Progress p(plain, QStringLiteral("Reading"), QStringLiteral("blocks"));
        for (int i = 0; i <= 113; ++i) p.Update(i, 113);
    }
    QCOMPARE(plain.err.size(), 11);  // one a tenth, 0 % to 100 %
    QCOMPARE(plain.err.last(), QStringLiteral("Reading: 113/113 blocks, 100%"));
    QVERIFY(plain.errRaw.isEmpty());

    BufferConsole terminal;
    terminal.errTerminal = true;
    {
        Progress p(terminal, QStringLiteral("Reading"), QStringLiteral("blocks"));
        p.Update(40, 113);
    }
    QVERIFY(terminal.err.isEmpty());
    QVERIFY(terminal.errRaw.startsWith(QStringLiteral("\r\x1b[KReading: 40/113 blocks, 35%")));
    QVERIFY(terminal.errRaw.endsWith(QLatin1Char('\n')));
}

void TestCli::faultNames_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("name");
    QTest::newRow("none") << 0 << QString();
    QTest::newRow("short to ground") << 1 << QStringLiteral("-SHORT");
    QTest::newRow("short to supply") << 2 << QStringLiteral("+SHORT");
    QTest::newRow("open") << 4 << QStringLiteral("OPEN");
    QTest::newRow("overload") << 8 << QStringLiteral("OVERLOAD");
    QTest::newRow("undocumented") << 3 << QStringLiteral("fault 3");
}
void TestCli::faultNames() {
    QFETCH(int, fault);
    QFETCH(QString, name);
    QCOMPARE(FaultName(std::uint8_t(fault)), name);
}

void TestCli::statusTableShowsMissingValues() {
    LiveSnapshot snap;
    snap.channels[2] = ChannelState{true, 3, true, 0, 15, false};
    const QStringList t = StatusTable(snap);
    QCOMPARE(t.at(3), QStringLiteral("     3  On       1.5 A"));
    QCOMPARE(t.at(1), QStringLiteral("     1  --          --"));
    QVERIFY(t.contains(QStringLiteral("Supply voltage:  --")));
    QVERIFY(!snap.Complete());
    QVERIFY(!snap.Empty());
}

// --- configuration fields -------------------------------------------------------------------

void TestCli::configFieldsFollowTheFile() {
    ConfigModel model;
    model.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Headlight"; });
    const QList<ConfigField> fields = ConfigFields(model);
    // Every key a saved file holds, in the same order.
    IniFile ini;
    WriteConfig(model, ini);
    QStringList keys;
    for (QByteArray line : ini.ToBytes().split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('[')) continue;
        keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    QCOMPARE(fields.size(), keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) QCOMPARE(fields[i].key, keys[i]);
    QCOMPARE(fields.first().section, QStringLiteral("INPUT"));
    QCOMPARE(FieldLine(fields.first()), QStringLiteral("INPUT NAME1 (Input 1 \"CH 1\") = CH 1"));
}

void TestCli::configDiff_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("same") << 0 << QStringList();
    QTest::newRow("output trigger names the output")
        << 1 << QStringList{QStringLiteral("OUTPUT TRIGGER5 (Output 5 \"Headlight\"): 255 -> 3")};
    QTest::newRow("renamed output shows both names")
        << 2 << QStringList{QStringLiteral("OUTPUT NAME5 (Output 5 \"Headlight\" / \"Fog\"): Headlight -> Fog")};
    QTest::newRow("list entry counts outputs from 1")
        << 3 << QStringList{QStringLiteral("LOW_BATTERY LIST_SELECTED4 (Output 5 \"Headlight\"): 0 -> 1")};
    QTest::newRow("CAN input and flash slot")
        << 4 << QStringList{QStringLiteral("CAN_INPUT CAN_ID_ON7 (CAN input 7 \"CAN 7\"): 0 -> 291"),
                            QStringLiteral("FLASH CHANNEL_LIST2index 1 (Flash 2 \"F2\"): 0 -> 9")};
    QTest::newRow("block-wide field has no channel")
        << 5 << QStringList{QStringLiteral("WIPER INTERVAL_TIME: 30 -> 45")};
}
void TestCli::configDiff() {
    QFETCH(int, change);
    QFETCH(QStringList, lines);
    ConfigModel a;
    a.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Headlight"; });
    a.ModifyCanInput(7, [](CanInputConfig& c) { c.CAN_NAME = "CAN 7"; });
    a.ModifyFlash(2, [](FlashConfig& f) { f.FLASH_NAME = "F2"; });
    ConfigModel b;
    b.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Headlight"; });
    b.ModifyCanInput(7, [](CanInputConfig& c) { c.CAN_NAME = "CAN 7"; });
    b.ModifyFlash(2, [](FlashConfig& f) { f.FLASH_NAME = "F2"; });
    switch (change) {
    case 1: b.ModifyOutput(5, [](OutputConfig& o) { o.TRIGGER = 3; }); break;
    case 2: b.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Fog"; }); break;
    case 3: b.ModifyLowBattery([](LowBatteryConfig& l) { l.LIST_SELECTED.set(4); }); break;
    case 4:
        b.ModifyCanInput(7, [](CanInputConfig& c) { c.CAN_ID_ON = 0x123; });
        b.ModifyFlash(2, [](FlashConfig& f) { f.CHANNEL_LIST[1] = 9; });
        break;
    case 5: b.ModifyWiper([](WiperConfig& w) { w.INTERVAL_TIME = 45; }); break;
    default: break;
    }
    QStringList got;
    for (const ConfigDifference& d : DiffConfigs(a, b)) got << DifferenceLine(d);
    QCOMPARE(got, lines);
}

void TestCli::configCommandsOnFiles() {
    ConfigModel a;
    a.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Pump"; o.DELAY = 20; });
    ConfigModel b;
    b.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Pump"; o.DELAY = 35; });
    b.ModifyInput(2, [](InputConfig& i) { i.MODE = 1; });
    QVERIFY(SaveConfigFile(a, rig_.Path("a.cfg")));
    QVERIFY(SaveConfigFile(b, rig_.Path("b.cfg")));

    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("diff"), rig_.Path("a.cfg"), rig_.Path("b.cfg")}), 1);
    QCOMPARE(rig_.console.out, (QStringList{QStringLiteral("INPUT MODE2 (Input 2 \"CH 2\"): 255 -> 1"),
                                            QStringLiteral("OUTPUT DELAY3 (Output 3 \"Pump\"): 20 -> 35")}));
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("diff"), rig_.Path("a.cfg"), rig_.Path("a.cfg")}), 0);
    QVERIFY(rig_.console.out.isEmpty());

    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("show"), rig_.Path("a.cfg")}), 0);
    QCOMPARE(rig_.console.out.size(), ConfigFields(a).size());
    QVERIFY(rig_.console.out.contains(QStringLiteral("OUTPUT DELAY3 (Output 3 \"Pump\") = 20")));

    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("show"), rig_.Path("missing.cfg")}), 2);
}

// config check: the problems, the exit status by their severity; config sheet as HTML (the
// PDF needs the graphical application object this test does not make; test_sheet runs it).
void TestCli::configCheckAndSheet() {
    ConfigModel m;
    IniFile empty;
    ReadConfig(m, empty);
    m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; k.LIST_SELECTED.set(3); });
    QVERIFY(SaveConfigFile(m, rig_.Path("warned.cfg")));
    m.ModifyVirtualInput(4, [](VirtualInputConfig& v) { v.CHANNEL_1_Index = 78 + 4; });
    QVERIFY(SaveConfigFile(m, rig_.Path("looped.cfg")));

    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("check"), rig_.Path("warned.cfg")}), 0);
    QCOMPARE(rig_.console.out.last(), QStringLiteral("1 warning"));
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("check"), rig_.Path("looped.cfg")}), 1);
    QVERIFY2(rig_.console.out.first().startsWith(QStringLiteral("error virtual-loop: Virtual input 4 \"VIRTUAL 4\" depends on itself")),
             qPrintable(rig_.Dump()));
    QVERIFY(rig_.console.out.first().endsWith(QStringLiteral("[Virtual Inputs page, virtual input 4, ComboBoxVirtuel_1_Channel_1]")));
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("check"), rig_.Path("looped.cfg"), QStringLiteral("--json")}), 1);
    const QJsonObject json = QJsonDocument::fromJson(rig_.console.raw.toUtf8()).object();
    QCOMPARE(json.value(QStringLiteral("errors")).toInt(), 1);
    QCOMPARE(json.value(QStringLiteral("problems")).toArray().first().toObject().value(QStringLiteral("rule")).toString(),
             QStringLiteral("virtual-loop"));

    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("sheet"), rig_.Path("looped.cfg"), QStringLiteral("-o"), rig_.Path("s.html")}), 0);
    QFile html(rig_.Path("s.html"));
    QVERIFY(html.open(QIODevice::ReadOnly));
    QVERIFY(html.readAll().contains("virtual-loop"));
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("sheet"), rig_.Path("looped.cfg"), QStringLiteral("-o"), rig_.Path("s.txt")}), 2);
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("sheet"), rig_.Path("looped.cfg"), QStringLiteral("-o"), rig_.Path("s.pdf"),
                       QStringLiteral("--paper"), QStringLiteral("a5")}), 2);
}

// --- usage ------------------------------------------------------------------------------

void TestCli::usage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("no command") << QStringList() << 2;
    QTest::newRow("unknown command") << QStringList{QStringLiteral("explode")} << 2;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("status"), QStringLiteral("--loud")} << 2;
    QTest::newRow("read without -o") << QStringList{QStringLiteral("read")} << 2;
    QTest::newRow("upload without file") << QStringList{QStringLiteral("upload")} << 2;
    QTest::newRow("bad monitor mode") << QStringList{QStringLiteral("monitor"), QStringLiteral("--mode"), QStringLiteral("loud")} << 2;
    QTest::newRow("bad monitor format") << QStringList{QStringLiteral("monitor"), QStringLiteral("--format"), QStringLiteral("pcap")} << 2;
    QTest::newRow("ping count 0") << QStringList{QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("0")} << 2;
    QTest::newRow("firmware without sub-command") << QStringList{QStringLiteral("firmware")} << 2;
    QTest::newRow("config diff with one file") << QStringList{QStringLiteral("config"), QStringLiteral("diff"), QStringLiteral("a.cfg")} << 2;
    QTest::newRow("general help") << QStringList{QStringLiteral("--help")} << 0;
    for (const char* c : {"adapters", "read", "upload", "defaults", "diff", "status", "monitor", "ping"})
        QTest::newRow(qPrintable(QStringLiteral("help of %1").arg(QLatin1String(c))))
            << QStringList{QLatin1String(c), QStringLiteral("--help")} << 0;
    QTest::newRow("help of firmware program") << QStringList{QStringLiteral("firmware"), QStringLiteral("program"), QStringLiteral("--help")} << 0;
    QTest::newRow("help of firmware compare") << QStringList{QStringLiteral("firmware"), QStringLiteral("compare"), QStringLiteral("-h")} << 0;
    QTest::newRow("help of config show") << QStringList{QStringLiteral("config"), QStringLiteral("show"), QStringLiteral("--help")} << 0;
    QTest::newRow("help of config diff") << QStringList{QStringLiteral("config"), QStringLiteral("diff"), QStringLiteral("--help")} << 0;
    QTest::newRow("help of config check") << QStringList{QStringLiteral("config"), QStringLiteral("check"), QStringLiteral("--help")} << 0;
    QTest::newRow("help of config sheet") << QStringList{QStringLiteral("config"), QStringLiteral("sheet"), QStringLiteral("--help")} << 0;
    QTest::newRow("config sheet without -o") << QStringList{QStringLiteral("config"), QStringLiteral("sheet"), QStringLiteral("a.cfg")} << 2;
}
void TestCli::usage() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QCOMPARE(rig_.Run(args), status);
    if (status == 0) QVERIFY(rig_.console.out.join(QLatin1Char('\n')).contains(QStringLiteral("Usage")));
    else QVERIFY(!rig_.console.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCli)
#include "moc_test_cli.cpp"
