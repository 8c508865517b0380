// relvane end to end against the in-process simulator (fast mode), and the pieces it prints.

#include "cli/CanLog.h"
#include "cli/Cli.h"
#include "cli/Console.h"
#include "cli/StatusTable.h"
#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"
#include "link/AdapterBackend.h"
#include "link/Frame.h"
#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"
#include "protocol/TransferSequencer.h"
#include "sim/FirmwareSim.h"
#include "sim/Simulator.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <memory>

using namespace relvane;
using namespace relvane::cli;

namespace {

QList<QByteArray> AllStoredBlocks(sim::Simulator& s) {
    QList<QByteArray> blocks;
    for (const sim::BlockLayout& layout : sim::BlockLayouts())
        for (int slot = 0; slot < layout.count; ++slot) blocks << s.StoredBlock(layout.kind, slot);
    return blocks;
}

// An Intel HEX file of `size` bytes from address 0, 16 bytes a record.
QByteArray HexImage(int size, QByteArray* bytes) {
    QByteArray out;
    bytes->clear();
    for (int a = 0; a < size; a += 16) {
        const int n = std::min(16, size - a);
        QByteArray rec;
        rec.append(char(n)).append(char(a >> 8)).append(char(a & 0xFF)).append(char(0));
        for (int i = 0; i < n; ++i) {
            const char b = char((a + i) * 7 + 3);
            rec.append(b);
            bytes->append(b);
        }
        int sum = 0;
        for (char c : rec) sum += static_cast<unsigned char>(c);
        rec.append(char((-sum) & 0xFF));
        out += ':' + rec.toHex().toUpper() + "\r\n";
    }
    out += ":00000001FF\r\n";
    return out;
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<DirectoryBackend> backend_;
    BufferConsole console_;

    void StartSim(sim::SimulatorOptions options = {}) {
        options.adapterDir = dir_->filePath(QStringLiteral("adapters"));
        options.fast = true;
        sim_ = std::make_unique<sim::Simulator>(options);
        sim_->SetPrinter([](const QString&) {});
        QString error;
        QVERIFY2(sim_->Start(&error), qPrintable(error));
    }

    int Run(const QStringList& args) {
        console_ = BufferConsole();
        CliContext context{*backend_, console_};
        return RunCli(args, context);
    }

    QString Path(const char* name) const { return dir_->filePath(QLatin1String(name)); }

    QString Dump() const {
        return QStringLiteral("stdout:\n%1\nstderr:\n%2").arg(console_.out.join(QLatin1Char('\n')), console_.err.join(QLatin1Char('\n')));
    }

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        backend_ = std::make_unique<DirectoryBackend>(dir_->filePath(QStringLiteral("adapters")));
    }
    void cleanup() {
        if (sim_) sim_->Stop();
        sim_.reset();
        backend_.reset();
        dir_.reset();
    }

    // --- what is printed --------------------------------------------------------------------

    void candumpLine_data() {
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
    void candumpLine() {
        QFETCH(int, id);
        QFETCH(QByteArray, data);
        QFETCH(qint64, us);
        QFETCH(QString, line);
        CanMonitorMessage m{static_cast<std::uint16_t>(id), int(data.size()), {}};
        for (int i = 0; i < data.size(); ++i) m.data[std::size_t(i)] = std::uint8_t(data[i]);
        QCOMPARE(CandumpLine(m, us), line);
    }

    void monitorTextLine_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("line");
        QTest::newRow("names in CAN input order, on and off ids")
            << 0x1A5 << QByteArray("\x01\xFF", 2) << QStringLiteral("14:03:07.045> ID= 1A5, Data= 01 FF, Brake, Horn");
        QTest::newRow("no data") << 0x00A << QByteArray() << QStringLiteral("14:03:07.045> ID=   A, Data=");
        QTest::newRow("identifier 0 names nothing") << 0 << QByteArray("\x10", 1) << QStringLiteral("14:03:07.045> ID=   0, Data= 10");
    }
    void monitorTextLine() {
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

    void monitorSelection_data() {
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
    void monitorSelection() {
        QFETCH(QString, text);
        QFETCH(int, selection);
        QCOMPARE(MonitorSelection(text).value_or(-1), selection);
    }

    void progressLines() {
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

    void faultNames_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("name");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("short to ground") << 1 << QStringLiteral("-SHORT");
        QTest::newRow("short to supply") << 2 << QStringLiteral("+SHORT");
        QTest::newRow("open") << 4 << QStringLiteral("OPEN");
        QTest::newRow("overload") << 8 << QStringLiteral("OVERLOAD");
        QTest::newRow("undocumented") << 3 << QStringLiteral("fault 3");
    }
    void faultNames() {
        QFETCH(int, fault);
        QFETCH(QString, name);
        QCOMPARE(FaultName(std::uint8_t(fault)), name);
    }

    void statusTableShowsMissingValues() {
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

    void configFieldsFollowTheFile() {
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

    void configDiff_data() {
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
    void configDiff() {
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

    void configCommandsOnFiles() {
        ConfigModel a;
        a.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Pump"; o.DELAY = 20; });
        ConfigModel b;
        b.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Pump"; o.DELAY = 35; });
        b.ModifyInput(2, [](InputConfig& i) { i.MODE = 1; });
        QVERIFY(SaveConfigFile(a, Path("a.cfg")));
        QVERIFY(SaveConfigFile(b, Path("b.cfg")));

        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("diff"), Path("a.cfg"), Path("b.cfg")}), 1);
        QCOMPARE(console_.out, (QStringList{QStringLiteral("INPUT MODE2 (Input 2 \"CH 2\"): 255 -> 1"),
                                            QStringLiteral("OUTPUT DELAY3 (Output 3 \"Pump\"): 20 -> 35")}));
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("diff"), Path("a.cfg"), Path("a.cfg")}), 0);
        QVERIFY(console_.out.isEmpty());

        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("show"), Path("a.cfg")}), 0);
        QCOMPARE(console_.out.size(), ConfigFields(a).size());
        QVERIFY(console_.out.contains(QStringLiteral("OUTPUT DELAY3 (Output 3 \"Pump\") = 20")));

        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("show"), Path("missing.cfg")}), 2);
    }

    // config check: the problems, the exit status by their severity; config sheet as HTML (the
    // PDF needs the graphical application object this test does not make; test_sheet runs it).
    void configCheckAndSheet() {
        ConfigModel m;
        IniFile empty;
        ReadConfig(m, empty);
        m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; k.LIST_SELECTED.set(3); });
        QVERIFY(SaveConfigFile(m, Path("warned.cfg")));
        m.ModifyVirtualInput(4, [](VirtualInputConfig& v) { v.CHANNEL_1_Index = 78 + 4; });
        QVERIFY(SaveConfigFile(m, Path("looped.cfg")));

        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("check"), Path("warned.cfg")}), 0);
        QCOMPARE(console_.out.last(), QStringLiteral("1 warning"));
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("check"), Path("looped.cfg")}), 1);
        QVERIFY2(console_.out.first().startsWith(QStringLiteral("error virtual-loop: Virtual input 4 \"VIRTUAL 4\" depends on itself")),
                 qPrintable(Dump()));
        QVERIFY(console_.out.first().endsWith(QStringLiteral("[Virtual Inputs page, virtual input 4, ComboBoxVirtuel_1_Channel_1]")));
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("check"), Path("looped.cfg"), QStringLiteral("--json")}), 1);
        const QJsonObject json = QJsonDocument::fromJson(console_.raw.toUtf8()).object();
        QCOMPARE(json.value(QStringLiteral("errors")).toInt(), 1);
        QCOMPARE(json.value(QStringLiteral("problems")).toArray().first().toObject().value(QStringLiteral("rule")).toString(),
                 QStringLiteral("virtual-loop"));

        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("sheet"), Path("looped.cfg"), QStringLiteral("-o"), Path("s.html")}), 0);
        QFile html(Path("s.html"));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(html.readAll().contains("virtual-loop"));
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("sheet"), Path("looped.cfg"), QStringLiteral("-o"), Path("s.txt")}), 2);
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("sheet"), Path("looped.cfg"), QStringLiteral("-o"), Path("s.pdf"),
                      QStringLiteral("--paper"), QStringLiteral("a5")}), 2);
    }

    // --- usage ------------------------------------------------------------------------------

    void usage_data() {
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
    void usage() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QCOMPARE(Run(args), status);
        if (status == 0) QVERIFY(console_.out.join(QLatin1Char('\n')).contains(QStringLiteral("Usage")));
        else QVERIFY(!console_.err.isEmpty());
    }

    // --- against the module ------------------------------------------------------------------

    void noAdapter_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("adapters") << QStringList{QStringLiteral("adapters")};
        QTest::newRow("read") << QStringList{QStringLiteral("read"), QStringLiteral("-o"), QStringLiteral("x.cfg")};
        QTest::newRow("status") << QStringList{QStringLiteral("status")};
        QTest::newRow("ping") << QStringList{QStringLiteral("ping")};
    }
    void noAdapter() {
        QFETCH(QStringList, args);
        QCOMPARE(Run(args), 3);
    }

    void wrongAdapterListsThePresentOnes() {
        StartSim();
        QCOMPARE(Run({QStringLiteral("status"), QStringLiteral("-a"), QStringLiteral("Nothing like it")}), 3);
        QVERIFY2(console_.err.contains(QStringLiteral("  Relvane Simulator")), qPrintable(Dump()));
        QCOMPARE(Run({QStringLiteral("adapters")}), 0);
        QCOMPARE(console_.out, QStringList{QStringLiteral("Relvane Simulator")});
    }

    void severalAdaptersNeedAChoice() {
        StartSim();
        sim::SimulatorOptions second;
        second.description = QStringLiteral("Second Relvane");
        second.adapterDir = dir_->filePath(QStringLiteral("adapters"));
        second.fast = true;
        sim::Simulator other(second);
        other.SetPrinter([](const QString&) {});
        QString error;
        QVERIFY2(other.Start(&error), qPrintable(error));
        QCOMPARE(Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-i"), QStringLiteral("10")}), 2);
        QVERIFY(console_.err.contains(QStringLiteral("  Second Relvane")));
        // -a before the command works as well.
        QCOMPARE(Run({QStringLiteral("-a"), QStringLiteral("Second Relvane"), QStringLiteral("ping"), QStringLiteral("-n"),
                      QStringLiteral("1"), QStringLiteral("-i"), QStringLiteral("10")}), 0);
        other.Stop();
    }

    void silentModuleFailsTheVersionCheck() {
        StartSim();
        sim_->Command(QStringLiteral("silent"));
        QCOMPARE(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("x.cfg")}), 1);
        QVERIFY2(console_.err.contains(QStringLiteral("Timeout for software version")), qPrintable(Dump()));
        QVERIFY(!QFile::exists(Path("x.cfg")));
        QCOMPARE(Run({QStringLiteral("status")}), 1);
        QVERIFY(console_.err.contains(QStringLiteral("No answer from the module")));
    }

    // The first input block's answer is lost: the chain still ends, but the read is not whole,
    // so nothing is saved and the command fails.
    void lostBlockFailsTheRead() {
        StartSim();
        sim_->Command(QStringLiteral("after 1 drop"));
        QCOMPARE(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("x.cfg")}), 1);
        QVERIFY2(console_.err.join(QLatin1Char('\n')).contains(ReadIncompleteText(1)), qPrintable(Dump()));
        QVERIFY(!QFile::exists(Path("x.cfg")));
        QVERIFY2(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("x.cfg")}) == 0, qPrintable(Dump()));
        QVERIFY(QFile::exists(Path("x.cfg")));
    }

    void wrongVersionFailsTheVersionCheck() {
        sim::SimulatorOptions o;
        o.version = QStringLiteral("V10.02");
        StartSim(o);
        QCOMPARE(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("x.cfg")}), 1);
        QVERIFY2(console_.err.contains(QStringLiteral("Wrong software version in target, use other program")), qPrintable(Dump()));
        QCOMPARE(Run({QStringLiteral("upload"), Path("x.cfg")}), 2);  // no such file: nothing was saved
    }

    void readUploadDiffRoundTrip() {
        StartSim();
        const QList<QByteArray> before = AllStoredBlocks(*sim_);
        QCOMPARE(before.size(), CONFIG_BLOCK_COUNT);
        QVERIFY2(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("module.cfg")}) == 0, qPrintable(Dump()));
        QVERIFY(QFile::exists(Path("module.cfg")));
        QVERIFY(console_.err.last().startsWith(QStringLiteral("Configuration saved to ")));

        QVERIFY2(Run({QStringLiteral("diff"), Path("module.cfg")}) == 0, qPrintable(Dump()));
        QVERIFY(console_.out.isEmpty());

        sim_->ClearObservations();
        QVERIFY2(Run({QStringLiteral("upload"), Path("module.cfg")}) == 0, qPrintable(Dump()));
        const QList<QByteArray> after = AllStoredBlocks(*sim_);
        for (qsizetype i = 0; i < before.size(); ++i)
            QVERIFY2(before[i] == after[i], qPrintable(QStringLiteral("block %1: %2 -> %3").arg(i)
                                                           .arg(QString::fromLatin1(before[i].toHex()),
                                                                QString::fromLatin1(after[i].toHex()))));
        // Without --reboot no REBOOT_REQ.
        for (const QByteArray& f : sim_->ReceivedFrames())
            QVERIFY(!(f.size() > 3 && quint8(f[3]) == REBOOT_REQ && quint8(f[2]) == FRAME_TYPE_COMMAND));

        // A changed file: the diff names the field, the upload brings it to the module.
        ConfigModel changed;
        QVERIFY(LoadConfigFile(changed, Path("module.cfg")));
        const QByteArray name = changed.Output(5).NAME;
        changed.ModifyOutput(5, [](OutputConfig& o) { o.DELAY = 77; });
        QVERIFY(SaveConfigFile(changed, Path("changed.cfg")));
        QCOMPARE(Run({QStringLiteral("diff"), Path("changed.cfg")}), 1);
        QCOMPARE(console_.out.size(), 1);
        QVERIFY2(console_.out.first().startsWith(QStringLiteral("OUTPUT DELAY5 (Output 5 \"%1\"): 77 -> ").arg(QString::fromLatin1(name))),
                 qPrintable(Dump()));
        sim_->ClearObservations();
        QCOMPARE(Run({QStringLiteral("upload"), Path("changed.cfg"), QStringLiteral("--reboot")}), 0);
        QCOMPARE(Run({QStringLiteral("diff"), Path("changed.cfg")}), 0);
        bool rebooted = false;
        for (const QByteArray& f : sim_->ReceivedFrames())
            rebooted |= f.size() > 3 && quint8(f[3]) == REBOOT_REQ && quint8(f[2]) == FRAME_TYPE_COMMAND;
        QVERIFY(rebooted);
    }

    // A configuration with errors reaches the module only with --force.
    void uploadRefusesErrorsUnlessForced() {
        StartSim();
        QVERIFY2(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("module.cfg")}) == 0, qPrintable(Dump()));
        ConfigModel m;
        QVERIFY(LoadConfigFile(m, Path("module.cfg")));
        m.ModifyVirtualInput(7, [](VirtualInputConfig& v) { v.CHANNEL_2_Index = 78 + 7; v.IN_DELAY_1_ = 42; });
        QVERIFY(SaveConfigFile(m, Path("looped.cfg")));
        sim_->ClearObservations();
        QCOMPARE(Run({QStringLiteral("upload"), Path("looped.cfg")}), 1);
        QVERIFY2(console_.err.last().contains(QStringLiteral("--force")), qPrintable(Dump()));
        QVERIFY(sim_->ReceivedFrames().isEmpty());
        QVERIFY2(Run({QStringLiteral("upload"), Path("looped.cfg"), QStringLiteral("--force")}) == 0, qPrintable(Dump()));
        QCOMPARE(Run({QStringLiteral("diff"), Path("looped.cfg")}), 0);
    }

    void defaultsRestoresTheFactorySettings() {
        StartSim();
        QCOMPARE(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("factory.cfg")}), 0);
        ConfigModel m;
        QVERIFY(LoadConfigFile(m, Path("factory.cfg")));
        m.ModifyOutput(1, [](OutputConfig& o) { o.DELAY = 99; });
        QVERIFY(SaveConfigFile(m, Path("edited.cfg")));
        QCOMPARE(Run({QStringLiteral("upload"), Path("edited.cfg")}), 0);
        QCOMPARE(Run({QStringLiteral("defaults"), QStringLiteral("-o"), Path("after.cfg")}), 0);
        QCOMPARE(Run({QStringLiteral("config"), QStringLiteral("diff"), Path("factory.cfg"), Path("after.cfg")}), 0);
    }

    void statusShowsTheLiveValues() {
        StartSim();
        sim_->Command(QStringLiteral("fault 4 open"));
        sim_->Command(QStringLiteral("supply 13.8"));
        QVERIFY2(Run({QStringLiteral("status")}) == 0, qPrintable(Dump()));
        QCOMPARE(console_.out.first(), QStringLiteral("Output  State  Current  Fault"));
        QVERIFY2(console_.out.at(4).endsWith(QStringLiteral("OPEN")), qPrintable(Dump()));
        QVERIFY(console_.out.contains(QStringLiteral("Supply voltage:  13.8 V")));
        QCOMPARE(Run({QStringLiteral("status"), QStringLiteral("--watch"), QStringLiteral("--count"), QStringLiteral("2"),
                      QStringLiteral("--interval"), QStringLiteral("0")}), 0);
        QCOMPARE(console_.out.count(QStringLiteral("Output  State  Current  Fault")), 2);
    }

    void monitorWritesCandumpLines() {
        StartSim();
        sim_->Command(QStringLiteral("canmon rate 0"));  // only the three messages below
        const QList<QByteArray> payloads{QByteArray::fromHex("0A00020102"), QByteArray::fromHex("A50100"),
                                         QByteArray::fromHex("000808DEADBEEF00FF10AB")};
        // The module forwards three messages once the monitor has asked for them (when the
        // command is under way: a fixed delay was too short for a loaded machine).
        QTimer inject;
        inject.setInterval(20);
        connect(&inject, &QTimer::timeout, this, [&] {
            bool asked = false;
            for (const QByteArray& f : sim_->ReceivedFrames())
                asked = asked || (f.size() >= 4 && std::uint8_t(f[3]) == CAN_MONITOR_MODE_REQ);
            if (!asked)
                return;
            inject.stop();
            sim_->WithModule([&](sim::Module& m) {
                for (const QByteArray& p : payloads) {
                    Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 4 + int(p.size()));
                    for (int i = 0; i < p.size(); ++i) f[4 + i] = std::uint8_t(p[i]);
                    m.Send(f.Seal());
                }
            });
        });
        inject.start();
        QVERIFY2(Run({QStringLiteral("monitor"), QStringLiteral("--format"), QStringLiteral("candump"), QStringLiteral("-o"),
                      Path("can.log"), QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--duration"),
                      QStringLiteral("20")}) == 0, qPrintable(Dump()));
        QCOMPARE(console_.out.size(), 3);
        const QRegularExpression line(QStringLiteral("^\\(\\d+\\.\\d{6}\\) relvane (.*)$"));
        QStringList frames;
        for (const QString& l : console_.out) {
            const auto m = line.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            frames << m.captured(1);
        }
        QCOMPARE(frames, (QStringList{QStringLiteral("00A#0102"), QStringLiteral("1A5#"), QStringLiteral("00000800#DEADBEEF00FF10AB")}));
        QFile log(Path("can.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), console_.out.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        // The module was asked for all messages, then told to stop.
        QList<int> modes;
        for (const QByteArray& f : sim_->ReceivedFrames())
            if (f.size() >= 5 && quint8(f[3]) == CAN_MONITOR_MODE_REQ) modes << quint8(f[4]);
        QCOMPARE(modes, (QList<int>{2, 0}));
    }

    void pingCountsMismatchesAndTimeouts() {
        StartSim();
        QVERIFY2(Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("3"), QStringLiteral("-i"), QStringLiteral("10")}) == 0,
                 qPrintable(Dump()));
        QCOMPARE(console_.out.last(), QStringLiteral("Pings: 3, mismatches: 0, time-outs: 0, checksum errors: 0"));
        sim_->Command(QStringLiteral("silent"));
        QCOMPARE(Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("-i"), QStringLiteral("5")}), 1);
        QCOMPARE(console_.out.last(), QStringLiteral("Pings: 2, mismatches: 0, time-outs: 2, checksum errors: 0"));
    }

    void firmwareProgramAndVerify() {
        sim::SimulatorOptions o;
        o.bootloaderOnReboot = true;
        StartSim(o);
        QByteArray image;
        QFile hex(Path("image.hex"));
        QVERIFY(hex.open(QIODevice::WriteOnly));
        hex.write(HexImage(0x400 + 5, &image));
        hex.close();
        QVERIFY2(Run({QStringLiteral("firmware"), QStringLiteral("program"), Path("image.hex"), QStringLiteral("--reboot"),
                      QStringLiteral("--verify")}) == 0, qPrintable(Dump()));
        QVERIFY(console_.err.contains(QStringLiteral("Target updated")));
        QCOMPARE(console_.out.last(), QStringLiteral("FIA compare File is identical with firmware"));
        sim_->WithParts([&](sim::SimulatorParts& p) {
            QCOMPARE(p.firmware.memory.left(image.size()), image);
            QCOMPARE(p.firmware.updates, 1);
        });
        // A byte changed in the module shows in the compare.
        sim_->Command(QStringLiteral("poke 0x10 0x00"));
        QCOMPARE(Run({QStringLiteral("firmware"), QStringLiteral("compare"), Path("image.hex")}), 1);
        QCOMPARE(console_.out.last(), QStringLiteral("FIA compare Fail, File not the same in Adr: 0010"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
