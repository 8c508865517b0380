// The station against two simulated modules side by side: recipes, faults at each step,
// records in SQLite and in a throw-away PostgreSQL server, and the command line's front end.

#include "PgCluster.h"
#include "StationRig.h"

#include "cli/Cli.h"
#include "cli/Console.h"
#include "station/Recipe.h"
#include "station/StationDb.h"
#include "station/StationJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace relvane;
using namespace relvane::test;

namespace {

const QByteArray kWhole =
    "[station]\nname=Line 1\noperator=Ann\n"
    "[firmware]\nfile=fw.hex\ncompare=0\n"
    "[config]\nfile=truck.cfg\n"
    "[system]\nserial_start=5000\nhardware_version=7\n"
    "[ping]\ncount=5\ninterval_ms=10\nmax_errors=0\n"
    "[reboot]\n";

QByteArray RecordsJson(StationDb& db) {
    QString error;
    if (!db.Open(&error)) return error.toUtf8();
    const auto records = db.Records({}, &error);
    db.CloseThread();
    if (!records) return error.toUtf8();
    QJsonArray all;
    for (const ModuleRecord& r : *records) all.append(RecordJson(r));
    return QJsonDocument(all).toJson(QJsonDocument::Compact);
}

}  // namespace

class TestStation : public QObject {
    Q_OBJECT

    PgCluster pg_;
    bool pgStarted_ = false;
    std::unique_ptr<StationRig> rig_;

    // The server is made only by the tests that use it.
    bool Pg() {
        if (pgStarted_) return true;
        const QString error = pg_.Start();
        if (!error.isEmpty()) qWarning("%s", qPrintable(error));
        pgStarted_ = error.isEmpty();
        return pgStarted_;
    }

    StationOptions Options(const QString& recipePath) {
        QString error;
        const auto recipe = LoadRecipe(recipePath, &error);
        if (!recipe) qWarning("%s", qPrintable(error));
        StationOptions o;
        o.recipe = recipe.value_or(Recipe{});
        o.adapters = {kSlotA, kSlotB};
        o.count = 1;
        return o;
    }

    DbTarget Sqlite(const QString& name) {
        DbTarget t;
        t.path = rig_->Path(name);
        return t;
    }

private Q_SLOTS:
    void cleanupTestCase() { pg_.Stop(); }
    void init() {
        rig_ = std::make_unique<StationRig>();
        rig_->WriteFiles();
    }
    void cleanup() { rig_.reset(); }

    // --- the recipe ------------------------------------------------------------------------

    void recipeRefused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown section") << QByteArray("[flash]\n") << QStringLiteral(":1: unknown section [flash]");
        QTest::newRow("unknown key") << QByteArray("[ping]\ncount=3\nspeed=9\n") << QStringLiteral(":3: unknown key \"speed\" in [ping]");
        QTest::newRow("missing file") << QByteArray("[firmware]\nfile=none.hex\n") << QStringLiteral(":2: no file ");
        QTest::newRow("a folder for a file") << QByteArray("[config]\nfile=.\n") << QStringLiteral("is no file");
        QTest::newRow("no HEX") << QByteArray("[firmware]\nfile=truck.cfg\n") << QStringLiteral("truck.cfg: ");
        QTest::newRow("serial twice") << QByteArray("[system]\nserial_start=1\nserial=ask\nhardware_version=1\n")
                                      << QStringLiteral("not both");
        QTest::newRow("serial past the field") << QByteArray("[system]\nserial_start=2147483648\nhardware_version=1\n")
                                               << QStringLiteral("serial_start= takes a whole number from 0 to 2147483647");
        QTest::newRow("no hardware version") << QByteArray("[system]\nserial=ask\n") << QStringLiteral("needs hardware_version=");
        QTest::newRow("key twice") << QByteArray("[ping]\ncount=1\ncount=2\n") << QStringLiteral(":3: key \"count\" given twice");
        QTest::newRow("no step") << QByteArray("[station]\nname=x\n") << QStringLiteral("the recipe has no step");
        QTest::newRow("fast_link not a flag") << QByteArray("[station]\nfast_link=yes\n[reboot]\n") << QStringLiteral("fast_link=");
    }
    void recipeRefused() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QString got;
        QVERIFY(!LoadRecipe(rig_->WriteRecipe(text), &got));
        QVERIFY2(got.contains(error), qPrintable(got));
    }

    void recipeReadsItsSteps() {
        QString error;
        const auto r = LoadRecipe(rig_->WriteRecipe(kWhole), &error);
        QVERIFY2(r, qPrintable(error));
        QCOMPARE(r->Steps(), (QStringList{QStringLiteral("connect"), QStringLiteral("firmware"), QStringLiteral("config"),
                                          QStringLiteral("system"), QStringLiteral("ping"), QStringLiteral("reboot")}));
        QCOMPARE(r->firmwareFile, rig_->Path(QStringLiteral("fw.hex")));
        QCOMPARE(r->firmwareSha256.size(), 64);
        QCOMPARE(r->serialStart, 5000);
        QCOMPARE(r->hardwareVersion, 7);
    }

    // --- side by side ----------------------------------------------------------------------

    void wholeRecipePassesOnBoth_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }
    void wholeRecipePassesOnBoth() {
        QFETCH(bool, server);
        QVERIFY(rig_->StartSims());
        std::optional<DbTarget> remote;
        if (server) {
            QVERIFY(Pg());
            remote = ParseDbTarget(pg_.Uri(), nullptr);
        }
        // A fresh server database for each run of this row.
        RecordStore store(Sqlite(QStringLiteral("local.sqlite")), remote);
        QString error, warning;
        QVERIFY2(store.Start(&error, &warning), qPrintable(error));
        QVERIFY2(warning.isEmpty(), qPrintable(warning));
        QVERIFY2(rig_->Run(store, Options(rig_->WriteRecipe(kWhole))), qPrintable(rig_->Dump()));
        QVERIFY2(rig_->exitStatus == 0, qPrintable(rig_->Dump()));
        QSet<qint64> serials;
        for (const QString& slot : {kSlotA, kSlotB}) {
            const StationEvent* e = rig_->Ended(slot);
            QVERIFY2(e && e->pass, qPrintable(rig_->Dump()));
            QCOMPARE(e->record.steps.size(), 6);
            QCOMPARE(e->record.operatorName, QStringLiteral("Ann"));
            QVERIFY(e->serial);
            serials << *e->serial;
        }
        QVERIFY(serials.contains(5000));
        QCOMPARE(serials.size(), 2);
        // Each module holds its serial number, the hardware version and the configuration.
        for (int i = 0; i < 2; ++i)
            rig_->Sim(i).WithParts([&](sim::SimulatorParts& p) {
                QVERIFY(serials.contains(p.production.system.serial));
                QCOMPARE(int(p.production.system.hardware), 7);
                QVERIFY(p.firmware.updates == 1);
            });
        StationDb local(Sqlite(QStringLiteral("local.sqlite")));
        const QByteArray localJson = RecordsJson(local);
        QVERIFY2(localJson.contains("\"result\":\"PASS\""), localJson.constData());
        if (server) {
            QCOMPARE(store.Pending(), 0);
            // Records in either database read back alike.
            StationDb pgDb(*remote);
            QString e;
            QVERIFY(pgDb.Open(&e));
            for (const StationEvent& ev : rig_->events)
                if (ev.kind == StationEvent::ModuleEnded) {
                    const auto there = pgDb.Record(ev.record.runId, &e);
                    QVERIFY2(there, qPrintable(e));
                    QCOMPARE(RecordJson(*there), RecordJson(ev.record));
                }
            pgDb.CloseThread();
        }
        store.CloseThread();
    }

    // A fault on module A at one step: A fails there with its reason, B passes.
    void faultFailsItsStep_data() {
        QTest::addColumn<QByteArray>("recipe");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("reason");
        const QByteArray config = "[config]\nfile=truck.cfg\n";
        QTest::newRow("silent module") << config << QStringLiteral("silent") << QStringLiteral("connect") << QStringLiteral("no answer");
        // The factory settings come back in the middle of the read-back.
        QTest::newRow("configuration difference") << config << QStringLiteral("after 130 factory") << QStringLiteral("config")
                                                  << QStringLiteral("differ from the file after the upload");
        QTest::newRow("pulled cable in the upload") << config << QStringLiteral("after 40 replug 300") << QStringLiteral("config")
                                                    << QStringLiteral("link lost");
        // Over the fast link: the whole compare, 4032 requests, takes seconds.
        QTest::newRow("corrupted program memory")
            << QByteArray("[station]\nfast_link=1\n[firmware]\nfile=fw.hex\n") << QStringLiteral("poke 0x8000 0x00")
            << QStringLiteral("compare") << QStringLiteral("FIA compare Fail, File not the same in Adr: 8000");
        QTest::newRow("pulled cable in the programming")
            << QByteArray("[firmware]\nfile=fw.hex\ncompare=0\n") << QStringLiteral("after 3 replug 300") << QStringLiteral("firmware")
            << QStringLiteral("link lost");
        QTest::newRow("module silent during the ping")
            << QByteArray("[ping]\ncount=4\ninterval_ms=5\n") << QStringLiteral("after 3 silent") << QStringLiteral("ping")
            << QStringLiteral("errors (mismatches 0, time-outs 3");
        QTest::newRow("no answer to the production data")
            << QByteArray("[system]\nserial_start=10\nhardware_version=1\n") << QStringLiteral("after 2 silent")
            << QStringLiteral("system") << QStringLiteral("no answer to the store");
    }
    void faultFailsItsStep() {
        QFETCH(QByteArray, recipe);
        QFETCH(QString, fault);
        QFETCH(QString, step);
        QFETCH(QString, reason);
        QVERIFY(rig_->StartSims());
        rig_->Sim(0).Command(fault);
        RecordStore store(Sqlite(QStringLiteral("r.sqlite")), std::nullopt);
        QString error;
        QVERIFY(store.Start(&error, nullptr));
        QVERIFY2(rig_->Run(store, Options(rig_->WriteRecipe(recipe))), qPrintable(rig_->Dump()));
        QCOMPARE(rig_->exitStatus, 1);
        const StationEvent* a = rig_->Ended(kSlotA);
        const StationEvent* b = rig_->Ended(kSlotB);
        QVERIFY2(a && b, qPrintable(rig_->Dump()));
        QVERIFY2(!a->pass && a->step == step && a->message.contains(reason), qPrintable(rig_->Dump()));
        QVERIFY2(b->pass, qPrintable(rig_->Dump()));
        // Both runs are on record, the failed one with its step and reason.
        StationDb db(Sqlite(QStringLiteral("r.sqlite")));
        QVERIFY(db.Open(&error));
        const auto failed = db.Record(a->record.runId, &error);
        QVERIFY2(failed && !failed->pass && failed->failedStep == step && failed->reason == a->message, qPrintable(error));
        QVERIFY(db.Contains(b->record.runId, &error));
        db.CloseThread();
        store.CloseThread();
    }

    // Next module on Enter; Stop ends the running step as a recorded FAIL "stopped".
    void enterAndStop() {
        QVERIFY(rig_->StartSims());
        RecordStore store(Sqlite(QStringLiteral("s.sqlite")), std::nullopt);
        QString error;
        QVERIFY(store.Start(&error, nullptr));
        StationOptions o = Options(rig_->WriteRecipe("[ping]\ncount=1000\ninterval_ms=5\n"));
        o.adapters = {kSlotA};
        o.count = 3;
        int modules = 0;
        QVERIFY(rig_->Run(store, o, 60000, &error, [&](StationEngine& engine, const StationEvent& e) {
            if (e.kind == StationEvent::Replace) engine.Next();
            if (e.kind == StationEvent::StepStarted && ++modules == 2) QTimer::singleShot(300, &engine, [&engine] { engine.Stop(); });
        }));
        QList<bool> results;
        for (const StationEvent& e : rig_->events)
            if (e.kind == StationEvent::ModuleEnded) results << e.pass;
        QCOMPARE(results, (QList<bool>{true, false}));
        QCOMPARE(rig_->Ended(kSlotA)->message, QStringLiteral("stopped"));
        QCOMPARE(rig_->Ended(kSlotA)->step, QStringLiteral("ping"));
        StationDb db(Sqlite(QStringLiteral("s.sqlite")));
        QVERIFY(db.Open(&error));
        QCOMPARE(db.Records({}, &error)->size(), 2);
        db.CloseThread();
        store.CloseThread();
    }

    // A counter goes on from its last number; one that would repeat a recorded number is refused.
    void counterNeverRepeats() {
        QVERIFY(rig_->StartSims());
        RecordStore store(Sqlite(QStringLiteral("c.sqlite")), std::nullopt);
        QString error;
        QVERIFY(store.Start(&error, nullptr));
        const QString recipe = rig_->WriteRecipe("[system]\nserial_start=100\nhardware_version=1\n");
        QVERIFY(rig_->Run(store, Options(recipe)));
        QVERIFY(rig_->Run(store, Options(recipe)));
        QSet<qint64> serials;
        for (const StationEvent& e : rig_->events)
            if (e.kind == StationEvent::ModuleEnded) serials << *e.serial;
        QCOMPARE(serials, (QSet<qint64>{102, 103}));
        QVERIFY(!rig_->Run(store, Options(rig_->WriteRecipe("[system]\nserial_start=101\nhardware_version=1\n", QStringLiteral("b.ini"))),
                           10000, &error));
        QVERIFY2(error.contains(QStringLiteral("serial number 101, which is already recorded")), qPrintable(error));
        store.CloseThread();
    }

    // The server away: the records wait in the spool; back: each reaches it once.
    void serverUnreachableAndBack() {
        QVERIFY(rig_->StartSims());
        QVERIFY(Pg());
        pg_.Halt();
        const auto remote = ParseDbTarget(pg_.Uri(), nullptr);
        RecordStore store(Sqlite(QStringLiteral("spool.sqlite")), remote);
        QString error, warning;
        QVERIFY(store.Start(&error, &warning));
        QVERIFY(warning.contains(QStringLiteral("cannot be reached")));
        const bool ran = rig_->Run(store, Options(rig_->WriteRecipe("[ping]\ncount=2\ninterval_ms=5\n")));
        QCOMPARE(store.Pending(), 2);
        const QString launched = pg_.Launch();
        QVERIFY2(ran, qPrintable(rig_->Dump()));
        QVERIFY2(launched.isEmpty(), qPrintable(launched));
        QCOMPARE(store.Flush(&error), 0);
        QCOMPARE(store.Flush(&error), 0);
        StationDb pgDb(*remote);
        QVERIFY(pgDb.Open(&error));
        for (const StationEvent& e : rig_->events) {
            if (e.kind != StationEvent::ModuleEnded) continue;
            QVERIFY(pgDb.Contains(e.record.runId, &error));
            // Sent again (its answer lost): still one run.
            QVERIFY(pgDb.Insert(e.record, &error));
        }
        const auto all = pgDb.Records(rig_->events.first().time.addSecs(-1), &error);
        QVERIFY(all);
        QCOMPARE(all->size(), 2);
        pgDb.CloseThread();
        store.CloseThread();
    }

    // --- the command line ---------------------------------------------------------------------

    void commandLine() {
        QVERIFY(rig_->StartSims());
        const QString recipe = rig_->WriteRecipe("[station]\nname=Cli\n[ping]\ncount=2\ninterval_ms=5\n");
        cli::BufferConsole console;
        cli::CliContext context{rig_->Backend(), console};
        const QString db = rig_->Path(QStringLiteral("cli.sqlite"));
        QCOMPARE(cli::RunCli({QStringLiteral("station"), recipe, QStringLiteral("--count"), QStringLiteral("1"),
                              QStringLiteral("--db"), db, QStringLiteral("--json"), QStringLiteral("-a"), kSlotA,
                              QStringLiteral("-a"), kSlotB},
                             context),
                 0);
        int ended = 0;
        for (const QString& line : console.out) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            QVERIFY2(!o.isEmpty(), qPrintable(line));
            if (o.value(QStringLiteral("event")).toString() == QLatin1String("module_ended")) {
                ++ended;
                QCOMPARE(o.value(QStringLiteral("record")).toObject().value(QStringLiteral("station")).toString(), QStringLiteral("Cli"));
            }
        }
        QCOMPARE(ended, 2);

        console = cli::BufferConsole();
        QCOMPARE(cli::RunCli({QStringLiteral("station"), QStringLiteral("report"), QStringLiteral("--db"), db, QStringLiteral("--format"),
                              QStringLiteral("csv")},
                             context),
                 0);
        QCOMPARE(console.out.size(), 3);
        QCOMPARE(console.out.first(), RecordCsvHeader());
        console = cli::BufferConsole();
        QCOMPARE(cli::RunCli({QStringLiteral("station"), QStringLiteral("report"), QStringLiteral("--db"), db, QStringLiteral("--json"),
                              QStringLiteral("--since"), QDate::currentDate().addDays(1).toString(Qt::ISODate)},
                             context),
                 0);
        QCOMPARE(QJsonDocument::fromJson(console.out.join(QLatin1Char('\n')).toUtf8()).array().size(), 0);

        // A bad recipe is a usage error before anything is sent.
        console = cli::BufferConsole();
        rig_->Sim(0).ClearObservations();
        QCOMPARE(cli::RunCli({QStringLiteral("station"), rig_->WriteRecipe("[ping]\nloud=1\n", QStringLiteral("bad.ini"))}, context), 2);
        QCOMPARE(rig_->Sim(0).ReceivedFrames().size(), 0);
    }

    // The record of a finished module is committed before its result is shown: killed right
    // after it, the station keeps it.
    void killedStationKeepsItsRecords() {
        QVERIFY(rig_->StartSims());
        const QString recipe = rig_->WriteRecipe("[ping]\ncount=2\ninterval_ms=5\n");
        const QString db = rig_->Path(QStringLiteral("killed.sqlite"));
        QProcess station;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RELVANE_ADAPTERS"), rig_->Path(QStringLiteral("adapters")));
        station.setProcessEnvironment(env);
        station.start(QStringLiteral(RELVANE_CLI_BINARY),
                      {QStringLiteral("station"), recipe, QStringLiteral("--db"), db, QStringLiteral("--json"), QStringLiteral("-a"), kSlotA});
        QVERIFY(station.waitForStarted());
        QString runId;
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += station.readAllStandardOutput(), out.contains("\"module_ended\"")), 30000);
        for (const QByteArray& line : out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QStringLiteral("event")).toString() == QLatin1String("module_ended"))
                runId = o.value(QStringLiteral("record")).toObject().value(QStringLiteral("run_id")).toString();
        }
        station.kill();
        station.waitForFinished();
        QVERIFY(!runId.isEmpty());
        StationDb database(Sqlite(QStringLiteral("killed.sqlite")));
        QString error;
        QVERIFY2(database.Open(&error), qPrintable(error));
        QVERIFY(database.Contains(runId, &error));
        database.CloseThread();
    }

    // --json of the single commands: valid JSON with the documented fields.
    void jsonOutputs() {
        QVERIFY(rig_->StartSims());
        cli::BufferConsole console;
        cli::CliContext context{rig_->Backend(), console};
        const auto json = [&](const QStringList& args, int status) {
            console = cli::BufferConsole();
            const int got = cli::RunCli(args, context);
            if (got != status) qWarning("%s", qPrintable(console.err.join(QLatin1Char('\n'))));
            return got == status ? QJsonDocument::fromJson(console.out.join(QLatin1Char('\n')).toUtf8()) : QJsonDocument();
        };
        QCOMPARE(json({QStringLiteral("adapters"), QStringLiteral("--json")}, 0).array().size(), 2);
        const QString cfg = rig_->Path(QStringLiteral("truck.cfg"));
        const QJsonArray fields = json({QStringLiteral("config"), QStringLiteral("show"), cfg, QStringLiteral("--json")}, 0).array();
        QVERIFY(fields.size() > 100);
        QCOMPARE(fields.at(0).toObject().value(QStringLiteral("section")).toString(), QStringLiteral("INPUT"));
        const QJsonObject ping = json({QStringLiteral("ping"), QStringLiteral("-a"), kSlotA, QStringLiteral("-n"), QStringLiteral("2"),
                                       QStringLiteral("-i"), QStringLiteral("5"), QStringLiteral("--json")}, 0).object();
        QCOMPARE(ping.value(QStringLiteral("pings")).toInt(), 2);
        QCOMPARE(ping.value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
        const QJsonObject status = json({QStringLiteral("status"), QStringLiteral("-a"), kSlotA, QStringLiteral("--json")}, 0).object();
        QCOMPARE(status.value(QStringLiteral("outputs")).toArray().size(), 34);
        QVERIFY(status.value(QStringLiteral("supply_voltage_v")).isDouble());
        const QString read = rig_->Path(QStringLiteral("read.cfg"));
        QCOMPARE(json({QStringLiteral("read"), QStringLiteral("-a"), kSlotA, QStringLiteral("-o"), read, QStringLiteral("--json")}, 0)
                     .object().value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
        const QJsonArray diffs = json({QStringLiteral("diff"), QStringLiteral("-a"), kSlotA, cfg, QStringLiteral("--json")}, 1).array();
        QVERIFY(!diffs.isEmpty());
        QVERIFY(diffs.at(0).toObject().contains(QStringLiteral("value_b")));
        QCOMPARE(json({QStringLiteral("upload"), QStringLiteral("-a"), kSlotA, cfg, QStringLiteral("--json")}, 0)
                     .object().value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "test_station.moc"
