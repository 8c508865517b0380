// relvane history and the restore points of read, upload and defaults (--no-history skips them).

#include "cli/Cli.h"
#include "cli/CliRig.h"
#include "cli/Console.h"
#include "config/ConfigDelta.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"
#include "sim/Simulator.h"

#include <QTest>

using namespace relvane;
using namespace relvane::cli;

class TestCliHistory : public QObject {
    Q_OBJECT

    test::CliRig rig_;

    QList<RestorePoint> Points() const { return ConfigHistory(rig_.Path("data/history")).List().points; }

private Q_SLOTS:
    void init() {
        rig_.Open();
        rig_.dataFolder = rig_.Path("data");
        rig_.StartSim();
    }
    void cleanup() { rig_.Close(); }

    void transfersWriteRestorePointsAndHistoryGivesThemBack() {
        QCOMPARE(rig_.Run({QStringLiteral("read"), QStringLiteral("-o"), rig_.Path("read.cfg")}), 0);
        QCOMPARE(Points().size(), 1);
        QCOMPARE(Points().first().event, HistoryEvent::Read);

        QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("read.cfg"), QStringLiteral("--no-history")}), 0);
        QCOMPARE(Points().size(), 1);
        QCOMPARE(rig_.Run({QStringLiteral("upload"), rig_.Path("read.cfg")}), 0);
        QCOMPARE(Points().size(), 2);
        QCOMPARE(Points().first().event, HistoryEvent::Upload);

        QCOMPARE(rig_.Run({QStringLiteral("history"), QStringLiteral("list")}), 0);
        QCOMPARE(rig_.console.out.size(), 2);
        QVERIFY2(rig_.console.out.at(0).contains(QStringLiteral("Upload")) && rig_.console.out.at(1).contains(QStringLiteral("Read")),
                 qPrintable(rig_.Dump()));

        QCOMPARE(rig_.Run({QStringLiteral("history"), QStringLiteral("show"), QStringLiteral("2")}), 0);
        QVERIFY2(rig_.console.out.contains(QStringLiteral("Event: Read")), qPrintable(rig_.Dump()));

        QCOMPARE(rig_.Run({QStringLiteral("history"), QStringLiteral("restore"), QStringLiteral("2"), QStringLiteral("-o"),
                           rig_.Path("restored.cfg")}),
                 0);
        ConfigModel read, restored;
        QVERIFY(LoadConfigFile(read, rig_.Path("read.cfg")));
        QVERIFY(LoadConfigFile(restored, rig_.Path("restored.cfg")));
        QVERIFY(SameConfiguration(read, restored, false));

        // defaults keeps what the module held before its factory settings, then what it holds after.
        QCOMPARE(rig_.Run({QStringLiteral("defaults")}), 0);
        QCOMPARE(Points().size(), 4);
        QCOMPARE(Points().at(0).event, HistoryEvent::Read);
        QCOMPARE(Points().at(1).event, HistoryEvent::Defaults);
        QCOMPARE(rig_.Run({QStringLiteral("history"), QStringLiteral("restore"), QStringLiteral("2"), QStringLiteral("-o"),
                           rig_.Path("before.cfg")}),
                 0);
        ConfigModel before;
        QVERIFY(LoadConfigFile(before, rig_.Path("before.cfg")));
        QVERIFY(SameConfiguration(read, before, false));
    }

    void badNumbersAreRefused_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("no such point") << "history show 3" << 1;
        QTest::newRow("not a number") << "history show x" << 2;
        QTest::newRow("restore without -o") << "history restore 1" << 2;
        QTest::newRow("unknown sub-command") << "history drop" << 2;
    }
    void badNumbersAreRefused() {
        QFETCH(QString, args);
        QFETCH(int, status);
        QCOMPARE(rig_.Run(args.split(QLatin1Char(' '))), status);
        QVERIFY(!rig_.console.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "test_cli_history.moc"
