// relvane history and the restore points of read, upload and defaults (--no-history skips them).

#include "cli/Cli.h"
#include "cli/Console.h"
#include "config/ConfigDelta.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"
#include "link/AdapterBackend.h"
#include "sim/Simulator.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace relvane;
using namespace relvane::cli;

class TestCliHistory : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<DirectoryBackend> backend_;
    BufferConsole console_;

    int Run(const QStringList& args) {
        console_ = BufferConsole();
        CliContext context{*backend_, console_, {}, false, dir_->filePath(QStringLiteral("data"))};
        return RunCli(args, context);
    }
    QString Path(const char* name) const { return dir_->filePath(QLatin1String(name)); }
    QString Dump() const { return (console_.out + console_.err).join(QLatin1Char('\n')); }
    QList<RestorePoint> Points() const { return ConfigHistory(dir_->filePath(QStringLiteral("data/history"))).List().points; }

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        sim::SimulatorOptions o;
        o.adapterDir = Path("adapters");
        o.fast = true;
        sim_ = std::make_unique<sim::Simulator>(o);
        sim_->SetPrinter([](const QString&) {});
        QString error;
        QVERIFY2(sim_->Start(&error), qPrintable(error));
        backend_ = std::make_unique<DirectoryBackend>(Path("adapters"));
    }
    void cleanup() {
        sim_->Stop();
        sim_.reset();
        backend_.reset();
        dir_.reset();
    }

    void transfersWriteRestorePointsAndHistoryGivesThemBack() {
        QCOMPARE(Run({QStringLiteral("read"), QStringLiteral("-o"), Path("read.cfg")}), 0);
        QCOMPARE(Points().size(), 1);
        QCOMPARE(Points().first().event, HistoryEvent::Read);

        QCOMPARE(Run({QStringLiteral("upload"), Path("read.cfg"), QStringLiteral("--no-history")}), 0);
        QCOMPARE(Points().size(), 1);
        QCOMPARE(Run({QStringLiteral("upload"), Path("read.cfg")}), 0);
        QCOMPARE(Points().size(), 2);
        QCOMPARE(Points().first().event, HistoryEvent::Upload);

        QCOMPARE(Run({QStringLiteral("history"), QStringLiteral("list")}), 0);
        QCOMPARE(console_.out.size(), 2);
        QVERIFY2(console_.out.at(0).contains(QStringLiteral("Upload")) && console_.out.at(1).contains(QStringLiteral("Read")),
                 qPrintable(Dump()));

        QCOMPARE(Run({QStringLiteral("history"), QStringLiteral("show"), QStringLiteral("2")}), 0);
        QVERIFY2(console_.out.contains(QStringLiteral("Event: Read")), qPrintable(Dump()));

        QCOMPARE(Run({QStringLiteral("history"), QStringLiteral("restore"), QStringLiteral("2"), QStringLiteral("-o"),
                      Path("restored.cfg")}),
                 0);
        ConfigModel read, restored;
        QVERIFY(LoadConfigFile(read, Path("read.cfg")));
        QVERIFY(LoadConfigFile(restored, Path("restored.cfg")));
        QVERIFY(SameConfiguration(read, restored, false));

        // defaults keeps what the module held before its factory settings, then what it holds after.
        QCOMPARE(Run({QStringLiteral("defaults")}), 0);
        QCOMPARE(Points().size(), 4);
        QCOMPARE(Points().at(0).event, HistoryEvent::Read);
        QCOMPARE(Points().at(1).event, HistoryEvent::Defaults);
        QCOMPARE(Run({QStringLiteral("history"), QStringLiteral("restore"), QStringLiteral("2"), QStringLiteral("-o"),
                      Path("before.cfg")}),
                 0);
        ConfigModel before;
        QVERIFY(LoadConfigFile(before, Path("before.cfg")));
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
        QCOMPARE(Run(args.split(QLatin1Char(' '))), status);
        QVERIFY(!console_.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "test_cli_history.moc"
