// relvane end to end against the in-process simulator (fast mode): adapters, the version check,
// read, upload, diff and defaults, status, monitor, ping and the firmware.

#include "test_cli.h"

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "link/Frame.h"
#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"
#include "protocol/TransferSequencer.h"
#include "sim/FirmwareSim.h"
#include "sim/Simulator.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

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

// --- against the module ------------------------------------------------------------------

void TestCli::noAdapter_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("adapters") << QStringList{QStringLiteral("adapters")};
    QTest::newRow("read") << QStringList{QStringLiteral("read"), QStringLiteral("-o"), QStringLiteral("x.cfg")};
    QTest::newRow("status") << QStringList{QStringLiteral("status")};
    QTest::newRow("ping") << QStringList{QStringLiteral("ping")};
}
void TestCli::noAdapter() {
    QFETCH(QStringList, args);
    QCOMPARE(rig_.Run(args), 3);
}

void TestCli::wrongAdapterListsThePresentOnes() {
    rig_.StartSim();
    QCOMPARE(rig_.Run({QStringLiteral("status"), QStringLiteral("-a"), QStringLiteral("Nothing like it")}), 3);
    QVERIFY2(rig_.console.err.contains(QStringLiteral("  Relvane Simulator")), qPrintable(rig_.Dump()));
    QCOMPARE(rig_.Run({QStringLiteral("adapters")}), 0);
    QCOMPARE(rig_.console.out, QStringList{QStringLiteral("Relvane Simulator")});
}

void TestCli::severalAdaptersNeedAChoice() {
    rig_.StartSim();
    sim::SimulatorOptions second;
    second.description = QStringLiteral("Second Relvane");
    second.adapterDir = rig_.AdapterDir();
    second.fast = true;
    sim::Simulator other(second);
    other.SetPrinter([](const QString&) {});
    QString error;
    QVERIFY2(other.Start(&error), qPrintable(error));
    QCOMPARE(rig_.Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-i"), QStringLiteral("10")}), 2);
    QVERIFY(rig_.console.err.contains(QStringLiteral("  Second Relvane")));
    // -a before the command works as well.
    QCOMPARE(rig_.Run({QStringLiteral("-a"), QStringLiteral("Second Relvane"), QStringLiteral("ping"), QStringLiteral("-n"),
                       QStringLiteral("1"), QStringLiteral("-i"), QStringLiteral("10")}), 0);
    other.Stop();
}

void TestCli::silentModuleFailsTheVersionCheck() {
    rig_.StartSim();
    rig_.Sim().Command(QStringLiteral("silent"));
    QCOMPARE(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("x.cfg")}), 1);
    QVERIFY2(rig_.console.err.contains(QStringLiteral("Timeout for software version")), qPrintable(rig_.Dump()));
    QVERIFY(!QFile::exists(rig_.Path("x.cfg")));
    QCOMPARE(rig_.Run({QStringLiteral("status")}), 1);
    QVERIFY(rig_.console.err.contains(QStringLiteral("No answer from the module")));
}

// The first input block's answer is lost: the chain still ends, but the read is not whole,
// so nothing is saved and the command fails.
void TestCli::lostBlockFailsTheRead() {
    rig_.StartSim();
    rig_.Sim().Command(QStringLiteral("after 1 drop"));
    QCOMPARE(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("x.cfg")}), 1);
    QVERIFY2(rig_.console.err.join(QLatin1Char('\n')).contains(ReadIncompleteText(1)), qPrintable(rig_.Dump()));
    QVERIFY(!QFile::exists(rig_.Path("x.cfg")));
    QVERIFY2(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("x.cfg")}) == 0, qPrintable(rig_.Dump()));
    QVERIFY(QFile::exists(rig_.Path("x.cfg")));
}

void TestCli::wrongVersionFailsTheVersionCheck() {
    sim::SimulatorOptions o;
    o.version = QStringLiteral("V10.02");
    rig_.StartSim(o);
    QCOMPARE(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("x.cfg")}), 1);
    QVERIFY2(rig_.console.err.contains(QStringLiteral("Wrong software version in target, use other program")), qPrintable(rig_.Dump()));
    QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("x.cfg")}), 2);  // no such file: nothing was saved
}

void TestCli::readUploadDiffRoundTrip() {
    rig_.StartSim();
    const QList<QByteArray> before = AllStoredBlocks(rig_.Sim());
    QCOMPARE(before.size(), CONFIG_BLOCK_COUNT);
    QVERIFY2(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("module.cfg")}) == 0, qPrintable(rig_.Dump()));
    QVERIFY(QFile::exists(rig_.Path("module.cfg")));
    QVERIFY(rig_.console.err.last().startsWith(QStringLiteral("Configuration saved to ")));

    QVERIFY2(rig_.Run({QStringLiteral("diff"), rig_.Path("module.cfg")}) == 0, qPrintable(rig_.Dump()));
    QVERIFY(rig_.console.out.isEmpty());

    rig_.Sim().ClearObservations();
    QVERIFY2(rig_.Run({QStringLiteral("upload"), rig_.Path("module.cfg")}) == 0, qPrintable(rig_.Dump()));
    const QList<QByteArray> after = AllStoredBlocks(rig_.Sim());
    for (qsizetype i = 0; i < before.size(); ++i)
        QVERIFY2(before[i] == after[i], qPrintable(QStringLiteral("block %1: %2 -> %3").arg(i)
                                                       .arg(QString::fromLatin1(before[i].toHex()),
                                                            QString::fromLatin1(after[i].toHex()))));
    // Without --reboot no REBOOT_REQ.
    for (const QByteArray& f : rig_.Sim().ReceivedFrames())
        QVERIFY(!(f.size() > 3 && quint8(f[3]) == REBOOT_REQ && quint8(f[2]) == FRAME_TYPE_COMMAND));

    // A changed file: the diff names the field, the upload brings it to the module.
    ConfigModel changed;
    QVERIFY(LoadConfigFile(changed, rig_.Path("module.cfg")));
    const QByteArray name = changed.Output(5).NAME;
    changed.ModifyOutput(5, [](OutputConfig& o) { o.DELAY = 77; });
    QVERIFY(SaveConfigFile(changed, rig_.Path("changed.cfg")));
    QCOMPARE(rig_.Run({QStringLiteral("diff"), rig_.Path("changed.cfg")}), 1);
    QCOMPARE(rig_.console.out.size(), 1);
    QVERIFY2(rig_.console.out.first().startsWith(QStringLiteral("OUTPUT DELAY5 (Output 5 \"%1\"): 77 -> ").arg(QString::fromLatin1(name))),
             qPrintable(rig_.Dump()));
    rig_.Sim().ClearObservations();
    QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("changed.cfg"), QStringLiteral("--reboot")}), 0);
    QCOMPARE(rig_.Run({QStringLiteral("diff"), rig_.Path("changed.cfg")}), 0);
    bool rebooted = false;
    for (const QByteArray& f : rig_.Sim().ReceivedFrames())
        rebooted |= f.size() > 3 && quint8(f[3]) == REBOOT_REQ && quint8(f[2]) == FRAME_TYPE_COMMAND;
    QVERIFY(rebooted);
}

// A configuration with errors reaches the module only with --force.
void TestCli::uploadRefusesErrorsUnlessForced() {
    rig_.StartSim();
    QVERIFY2(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("module.cfg")}) == 0, qPrintable(rig_.Dump()));
    ConfigModel m;
    QVERIFY(LoadConfigFile(m, rig_.Path("module.cfg")));
    m.ModifyVirtualInput(7, [](VirtualInputConfig& v) { v.CHANNEL_2_Index = 78 + 7; v.IN_DELAY_1_ = 42; });
    QVERIFY(SaveConfigFile(m, rig_.Path("looped.cfg")));
    rig_.Sim().ClearObservations();
    QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("looped.cfg")}), 1);
    QVERIFY2(rig_.console.err.last().contains(QStringLiteral("--force")), qPrintable(rig_.Dump()));
    QVERIFY(rig_.Sim().ReceivedFrames().isEmpty());
    QVERIFY2(rig_.Run({QStringLiteral("upload"), rig_.Path("looped.cfg"), QStringLiteral("--force")}) == 0, qPrintable(rig_.Dump()));
    QCOMPARE(rig_.Run({QStringLiteral("diff"), rig_.Path("looped.cfg")}), 0);
}

void TestCli::defaultsRestoresTheFactorySettings() {
    rig_.StartSim();
    QCOMPARE(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("factory.cfg")}), 0);
    ConfigModel m;
    QVERIFY(LoadConfigFile(m, rig_.Path("factory.cfg")));
    m.ModifyOutput(1, [](OutputConfig& o) { o.DELAY = 99; });
    QVERIFY(SaveConfigFile(m, rig_.Path("edited.cfg")));
    QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("edited.cfg")}), 0);
    QCOMPARE(rig_.Run({QStringLiteral("defaults"), QStringLiteral("-o"), rig_.Path("after.cfg")}), 0);
    QCOMPARE(rig_.Run({QStringLiteral("config"), QStringLiteral("diff"), rig_.Path("factory.cfg"), rig_.Path("after.cfg")}), 0);
}

void TestCli::statusShowsTheLiveValues() {
    rig_.StartSim();
    rig_.Sim().Command(QStringLiteral("fault 4 open"));
    rig_.Sim().Command(QStringLiteral("supply 13.8"));
    QVERIFY2(rig_.Run({QStringLiteral("status")}) == 0, qPrintable(rig_.Dump()));
    QCOMPARE(rig_.console.out.first(), QStringLiteral("Output  State  Current  Fault"));
    QVERIFY2(rig_.console.out.at(4).endsWith(QStringLiteral("OPEN")), qPrintable(rig_.Dump()));
    QVERIFY(rig_.console.out.contains(QStringLiteral("Supply voltage:  13.8 V")));
    QCOMPARE(rig_.Run({QStringLiteral("status"), QStringLiteral("--watch"), QStringLiteral("--count"), QStringLiteral("2"),
                       QStringLiteral("--interval"), QStringLiteral("0")}), 0);
    QCOMPARE(rig_.console.out.count(QStringLiteral("Output  State  Current  Fault")), 2);
}

void TestCli::monitorWritesCandumpLines() {
    rig_.StartSim();
    rig_.Sim().Command(QStringLiteral("canmon rate 0"));  // only the three messages below
    const QList<QByteArray> payloads{QByteArray::fromHex("0A00020102"), QByteArray::fromHex("A50100"),
                                     QByteArray::fromHex("000808DEADBEEF00FF10AB")};
    // The module forwards three messages once the monitor has asked for them (when the
    // command is under way: a fixed delay was too short for a loaded machine).
    QTimer inject;
    inject.setInterval(20);
    connect(&inject, &QTimer::timeout, this, [&] {
        bool asked = false;
        for (const QByteArray& f : rig_.Sim().ReceivedFrames())
            asked = asked || (f.size() >= 4 && std::uint8_t(f[3]) == CAN_MONITOR_MODE_REQ);
        if (!asked)
            return;
        inject.stop();
        rig_.Sim().WithModule([&](sim::Module& m) {
            for (const QByteArray& p : payloads) {
                Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 4 + int(p.size()));
                for (int i = 0; i < p.size(); ++i) f[4 + i] = std::uint8_t(p[i]);
                m.Send(f.Seal());
            }
        });
    });
    inject.start();
    QVERIFY2(rig_.Run({QStringLiteral("monitor"), QStringLiteral("--format"), QStringLiteral("candump"), QStringLiteral("-o"),
                       rig_.Path("can.log"), QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--duration"),
                       QStringLiteral("20")}) == 0, qPrintable(rig_.Dump()));
    QCOMPARE(rig_.console.out.size(), 3);
    const QRegularExpression line(QStringLiteral("^\\(\\d+\\.\\d{6}\\) relvane (.*)$"));
    QStringList frames;
    for (const QString& l : rig_.console.out) {
        const auto m = line.match(l);
        QVERIFY2(m.hasMatch(), qPrintable(l));
        frames << m.captured(1);
    }
    QCOMPARE(frames, (QStringList{QStringLiteral("00A#0102"), QStringLiteral("1A5#"), QStringLiteral("00000800#DEADBEEF00FF10AB")}));
    QFile log(rig_.Path("can.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(log.readAll()), rig_.console.out.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    // The module was asked for all messages, then told to stop.
    QList<int> modes;
    for (const QByteArray& f : rig_.Sim().ReceivedFrames())
        if (f.size() >= 5 && quint8(f[3]) == CAN_MONITOR_MODE_REQ) modes << quint8(f[4]);
    QCOMPARE(modes, (QList<int>{2, 0}));
}

void TestCli::pingCountsMismatchesAndTimeouts() {
    rig_.StartSim();
    QVERIFY2(rig_.Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("3"), QStringLiteral("-i"), QStringLiteral("10")}) == 0,
             qPrintable(rig_.Dump()));
    QCOMPARE(rig_.console.out.last(), QStringLiteral("Pings: 3, mismatches: 0, time-outs: 0, checksum errors: 0"));
    rig_.Sim().Command(QStringLiteral("silent"));
    QCOMPARE(rig_.Run({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("-i"), QStringLiteral("5")}), 1);
    QCOMPARE(rig_.console.out.last(), QStringLiteral("Pings: 2, mismatches: 0, time-outs: 2, checksum errors: 0"));
}

void TestCli::firmwareProgramAndVerify() {
    sim::SimulatorOptions o;
    o.bootloaderOnReboot = true;
    rig_.StartSim(o);
    QByteArray image;
    QFile hex(rig_.Path("image.hex"));
    QVERIFY(hex.open(QIODevice::WriteOnly));
    hex.write(HexImage(0x400 + 5, &image));
    hex.close();
    QVERIFY2(rig_.Run({QStringLiteral("firmware"), QStringLiteral("program"), rig_.Path("image.hex"), QStringLiteral("--reboot"),
                       QStringLiteral("--verify")}) == 0, qPrintable(rig_.Dump()));
    QVERIFY(rig_.console.err.contains(QStringLiteral("Target updated")));
    QCOMPARE(rig_.console.out.last(), QStringLiteral("FIA compare File is identical with firmware"));
    rig_.Sim().WithParts([&](sim::SimulatorParts& p) {
        QCOMPARE(p.firmware.memory.left(image.size()), image);
        QCOMPARE(p.firmware.updates, 1);
    });
    // A byte changed in the module shows in the compare.
    rig_.Sim().Command(QStringLiteral("poke 0x10 0x00"));
    QCOMPARE(rig_.Run({QStringLiteral("firmware"), QStringLiteral("compare"), rig_.Path("image.hex")}), 1);
    QCOMPARE(rig_.console.out.last(), QStringLiteral("FIA compare Fail, File not the same in Adr: 0010"));
}
