// relvane and CAN databases: dbc fill, export and show on files, a filled CAN input uploaded to the
// in-process simulator, and the monitor's decoded lines and ASC and TRC logs as other tools read them.

#include "can/Dbc.h"
#include "cli/Cli.h"
#include "cli/CliRig.h"
#include "cli/Console.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "link/Frame.h"
#include "protocol/MessageCatalogue.h"
#include "sim/Simulator.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cstring>

using namespace relvane;
using namespace relvane::cli;

namespace {

const char kVehicle[] =
    "VERSION \"\"\n\nBU_: ECU\n\n"
    "BO_ 421 EngineData: 8 ECU\n"
    " SG_ Speed : 0|16@1+ (0.01,0) [0|655.35] \"km/h\" Vector__XXX\n"
    " SG_ Flags : 32|4@1+ (1,0) [0|15] \"\" Vector__XXX\n\n"
    "BO_ 768 Gearbox: 8 ECU\n"
    " SG_ Mux M : 8|8@1+ (1,0) [0|255] \"\" Vector__XXX\n"
    " SG_ Torque m4 : 31|16@0- (0.5,0) [-1000|1000] \"Nm\" Vector__XXX\n";

// The frames the simulated module forwards in the monitor tests, as "ID extended DATA".
const QStringList kFrames{QStringLiteral("1A5 0 E204000000000000"), QStringLiteral("7FF 0 "),
                          QStringLiteral("800 1 DEADBEEF00FF10AB")};

// Runs a program; its standard output, or a failed check.
QString RunTool(const QString& program, const QStringList& args, bool* ok)
{
    QProcess p;
    p.start(program, args);
    *ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!*ok)
        qWarning("%s: %s", qPrintable(program), p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestCliDbc : public QObject {
    Q_OBJECT

    test::CliRig rig_;

private Q_SLOTS:
    void init()
    {
        rig_.Open();
        QFile dbc(rig_.Path(QStringLiteral("vehicle.dbc")));
        QVERIFY(dbc.open(QIODevice::WriteOnly) && dbc.write(kVehicle) > 0);
        dbc.close();
        QFile garbage(rig_.Path(QStringLiteral("garbage.dbc")));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("\x89PNG\r\n\x1a\n") > 0);
        garbage.close();
        QVERIFY(SaveConfigFile(ConfigModel(), rig_.Path(QStringLiteral("truck.cfg"))));
    }
    void cleanup() { rig_.Close(); }

    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QStringList fill{QStringLiteral("dbc"), QStringLiteral("fill"), QStringLiteral("truck.cfg"),
                               QStringLiteral("--can-input"), QStringLiteral("5"), QStringLiteral("--dbc"),
                               QStringLiteral("vehicle.dbc"), QStringLiteral("--signal")};
        QTest::newRow("fill") << fill + QStringList{QStringLiteral("EngineData.Speed"), QStringLiteral("-o"), QStringLiteral("out.cfg")}
                              << 0 << "ON and OFF data: byte 0 low, byte 1 high";
        QTest::newRow("not comparable") << fill + QStringList{QStringLiteral("EngineData.Flags")} << 1
                                        << "Signal Flags does not lie on whole bytes (start bit 32, 4 bits)";
        QTest::newRow("no such signal") << fill + QStringList{QStringLiteral("0x1A5.Nope")} << 1 << "Message EngineData has no signal Nope.";
        QTest::newRow("no signal given") << fill.mid(0, 7) << 2 << "--can-input, --dbc and --signal are needed";
        QTest::newRow("CAN input 33") << QStringList{fill}.replaceInStrings(QRegularExpression(QStringLiteral("^5$")), QStringLiteral("33")) + QStringList{QStringLiteral("Gearbox.Torque")}
                                      << 2 << "--can-input takes 1 to 32";
        QTest::newRow("unreadable database") << QStringList{fill}.replaceInStrings(QStringLiteral("vehicle.dbc"), QStringLiteral("garbage.dbc")) + QStringList{QStringLiteral("A.B")}
                                             << 1 << "line 1: unknown section";
        QTest::newRow("no database") << QStringList{fill}.replaceInStrings(QStringLiteral("vehicle.dbc"), QStringLiteral("none.dbc")) + QStringList{QStringLiteral("A.B")}
                                     << 2 << "no CAN database";
        QTest::newRow("export") << QStringList{QStringLiteral("dbc"), QStringLiteral("export"), QStringLiteral("truck.cfg"), QStringLiteral("-o"), QStringLiteral("truck.dbc")}
                                << 0 << "truck.dbc: 0 messages, 0 signals";
        QTest::newRow("show") << QStringList{QStringLiteral("dbc"), QStringLiteral("show"), QStringLiteral("vehicle.dbc")}
                              << 0 << "  Gearbox.Torque: start bit 31, 16 bits, Motorola, signed, factor 0.5, offset 0, unit \"Nm\", when the multiplexor holds 4";
        QTest::newRow("no sub-command") << QStringList{QStringLiteral("dbc")} << 2 << "missing sub-command";
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        for (QString& a : args)
            if (a.endsWith(QLatin1String(".cfg")) || a.endsWith(QLatin1String(".dbc")))
                a = rig_.Path(a);
        QCOMPARE(rig_.Run(args), status);
        const QString all = rig_.console.out.join(QLatin1Char('\n')) + QLatin1Char('\n') + rig_.console.err.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(says), qPrintable(rig_.Dump()));
        // A refused fill leaves the file as it was.
        ConfigModel after;
        QVERIFY(LoadConfigFile(after, rig_.Path(QStringLiteral("truck.cfg"))));
        QCOMPARE(after.CanInput(5).CAN_ID_ON, 0);
    }

    // The end to end path: a CAN input filled from a signal, uploaded, held by the module.
    void filledCanInputReachesTheModule()
    {
        rig_.StartSim();
        QVERIFY2(rig_.Run({QStringLiteral("dbc"), QStringLiteral("fill"), rig_.Path(QStringLiteral("truck.cfg")), QStringLiteral("--can-input"),
                           QStringLiteral("5"), QStringLiteral("--dbc"), rig_.Path(QStringLiteral("vehicle.dbc")), QStringLiteral("--signal"),
                           QStringLiteral("Gearbox.Torque"), QStringLiteral("--name")}) == 0,
                 qPrintable(rig_.Dump()));
        QVERIFY2(rig_.Run({QStringLiteral("upload"), rig_.Path(QStringLiteral("truck.cfg"))}) == 0, qPrintable(rig_.Dump()));
        // The CAN input block as it goes on the wire, byte by byte from byte 4.
        QByteArray expected(45, '\0');
        expected[0] = 4;                                 // CAN input 5
        expected[2] = char(0x00), expected[3] = 0x03;    // ON identifier 0x300, LSB first
        expected[4] = char(0x00), expected[5] = 0x03;    // OFF identifier
        expected[12] = 4, expected[13] = 5;              // ON high and low byte: Motorola, byte 3 then 4
        expected[14] = 4, expected[15] = 5;              // OFF
        std::memcpy(expected.data() + 16, "Torque", 6);  // name
        expected[31] = 1, expected[32] = 1, expected[33] = 4;  // row counter: byte 1 holds 4
        expected[34] = 1;                                // signed
        std::memcpy(expected.data() + 35, "Nm", 2);      // dimension
        const float factor = 0.5f;
        std::memcpy(expected.data() + 40, &factor, 4);   // multiplicator, little endian
        QCOMPARE(rig_.Sim().StoredBlock(sim::BlockKind::CanInput, 4).toHex(' '), expected.toHex(' '));
    }

    void monitorLogs_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("reader");
        QTest::newRow("ASC by its extension") << QStringList{QStringLiteral("-o"), QStringLiteral("bus.asc")} << "asc";
        QTest::newRow("TRC") << QStringList{QStringLiteral("--format"), QStringLiteral("trc"), QStringLiteral("-o"), QStringLiteral("bus.trc")} << "trc";
        QTest::newRow("text lines decoded") << QStringList{QStringLiteral("--dbc"), QStringLiteral("vehicle.dbc")} << "";
    }
    void monitorLogs()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, reader);
        for (QString& a : options)
            if (a.contains(QLatin1Char('.')))
                a = rig_.Path(a);
        rig_.StartSim();
        rig_.Sim().Command(QStringLiteral("canmon rate 0"));
        QTimer::singleShot(300, [&] {
            rig_.Sim().Command(QStringLiteral("canmon send 1A5 E2 04 00 00 00 00 00 00"));
            rig_.Sim().Command(QStringLiteral("canmon send 7FF"));
            rig_.Sim().Command(QStringLiteral("canmon send 800 DE AD BE EF 00 FF 10 AB"));
        });
        QVERIFY2(rig_.Run(QStringList{QStringLiteral("monitor"), QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--duration"),
                                      QStringLiteral("20")} + options) == 0,
                 qPrintable(rig_.Dump()));
        if (reader.isEmpty()) {
            QCOMPARE(rig_.console.out.size(), 3);
            QVERIFY2(rig_.console.out.at(0).endsWith(QStringLiteral(", Data= E2 04 00 00 00 00 00 00 | EngineData: Speed=12.5 km/h, Flags=0")), qPrintable(rig_.Dump()));
            QVERIFY2(rig_.console.out.at(1).endsWith(QStringLiteral("ID= 7FF, Data=")), qPrintable(rig_.Dump()));
            return;
        }
        const QString file = options.last();
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()), rig_.console.out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

        // python-can reads every frame with its identifier, kind and data, in order.
        bool ok = false;
        const QString script = QStringLiteral(
            "import sys, can\n"
            "r = can.ASCReader(sys.argv[2]) if sys.argv[1] == 'asc' else can.TRCReader(sys.argv[2])\n"
            "for m in r: print('%.6f %X %d %s' % (m.timestamp, m.arbitration_id, m.is_extended_id, m.data.hex().upper()))\n");
        const QStringList python = RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, reader, file}, &ok)
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(ok, "python3-can (scripts/setup installs it) could not read the file");
        QStringList frames;
        QList<double> times;
        for (const QString& line : python) {
            times << line.section(QLatin1Char(' '), 0, 0).toDouble();
            frames << line.section(QLatin1Char(' '), 1);
        }
        QCOMPARE(frames, kFrames);
        QVERIFY(times.at(0) <= times.at(1) && times.at(1) <= times.at(2));
        if (reader != QLatin1String("asc"))
            return;

        // can-utils' asc2log reads the same frames at the same distances.
        const QStringList candump = RunTool(QStringLiteral("asc2log"), {QStringLiteral("-I"), file}, &ok).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(ok, "asc2log (can-utils, scripts/setup installs it) could not read the file");
        const QRegularExpression line(QStringLiteral("^\\((\\d+\\.\\d+)\\) \\S+ ([0-9A-F]+)#([0-9A-F]*)( [RT])?$"));
        QStringList fromAsc2log;
        QList<double> at;
        for (const QString& l : candump) {
            const QRegularExpressionMatch m = line.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            const QString id = m.captured(2);
            fromAsc2log << QStringLiteral("%1 %2 %3").arg(QString::number(id.toUInt(nullptr, 16), 16).toUpper()).arg(id.size() == 8 ? 1 : 0).arg(m.captured(3));
            at << m.captured(1).toDouble();
        }
        QVERIFY2(fromAsc2log == kFrames, qPrintable(candump.join(QLatin1Char('\n'))));
        QVERIFY(qAbs((at.at(2) - at.at(0)) - (times.at(2) - times.at(0))) < 1e-5);
    }
};

QTEST_GUILESS_MAIN(TestCliDbc)
#include "test_cli_dbc.moc"
