// Shutdown under load, in process: the composed program connected to the simulated
// module over its pseudo-terminal, ended while the General page's poll streams, while the
// CAN monitor forwards the module's CAN traffic, while a Read runs and while an Upload
// runs (their progress window open), by File -> Exit and by SIGTERM and SIGINT through
// the same signal handling the program entry installs. Each way ends the run within 5 s:
// the event loop returns (a modal window's too), the settings file is written, and the
// program's destructor stops and joins the link thread while frames still arrive.
//
// With a modal window up the main window takes no clicks, so File -> Exit is tried only
// while no transfer runs. Delays before the shutdown come from a printed seed
// (RELVANE_KILL_SEED repeats them).

#include "e2e/LiveRig.h"

#include "app/ShutdownSignals.h"
#include "can/ui/CanInputPage.h"
#include "protocol/MessageCatalogue.h"
#include "protocol/ui/UpdateForm.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTest>

#include <csignal>
#include <memory>

#include <unistd.h>

using namespace relvane;
using relvane::e2e::LiveRig;

namespace {

constexpr int kBoundMs = 5000;
constexpr int kWait = 60000;  // set-up only: a connection and the read that follows it
constexpr int kRounds = 3;

}  // namespace

class TestShutdownLive : public QObject {
    Q_OBJECT

    quint32 seed_ = 0;

    static bool WaitFor(const std::function<bool()>& condition, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        bool ok = false;
        seed_ = qEnvironmentVariable("RELVANE_KILL_SEED").toUInt(&ok);
        if (!ok)
            seed_ = quint32(QDateTime::currentMSecsSinceEpoch());
        qInfo("shutdown delays from seed %u (RELVANE_KILL_SEED repeats them)", seed_);
    }

    void shutdownUnderLoad_data()
    {
        QTest::addColumn<QString>("load");
        QTest::addColumn<QString>("way");
        for (const char* load : {"poll", "canmon"})
            for (const char* way : {"exit", "SIGTERM", "SIGINT"})
                QTest::addRow("%s, %s", load, way) << QString::fromLatin1(load) << QString::fromLatin1(way);
        for (const char* load : {"read", "upload"})
            for (const char* way : {"SIGTERM", "SIGINT"})
                QTest::addRow("%s, %s", load, way) << QString::fromLatin1(load) << QString::fromLatin1(way);
    }

    void shutdownUnderLoad()
    {
        QFETCH(QString, load);
        QFETCH(QString, way);
        QRandomGenerator random(seed_ ^ quint32(qHash(load + way)));
        const bool transfer = load == QLatin1String("read") || load == QLatin1String("upload");
        for (int round = 0; round < kRounds; ++round) {
            const QString where = QStringLiteral("%1, %2, round %3").arg(load, way).arg(round);
            auto rig = std::make_unique<LiveRig>();
            QString error;
            QVERIFY2(rig->Start(&error), qPrintable(error));
            const QString why = rig->ConnectThroughDialog();
            QVERIFY2(why.isEmpty(), qPrintable(why));
            const QString settings = rig->AdapterDir() + QStringLiteral("/relvane-tool.INI");
            QFile::remove(settings);

            // The read that follows a connection over, then the load of this row.
            QVERIFY2(WaitFor([&] { return !rig->Main().TimerSerial()->isActive() && rig->Idle(); }, kWait),
                     qPrintable(where));
            rig->Main().Notebook()->setCurrentIndex(PAGE_GENERAL);
            TUpdateForm& progress = rig->Program().Transfer().Windows().UpdateForm();
            std::function<bool()> loaded;
            if (load == QLatin1String("poll")) {
                const qsizetype before = rig->Received(STATUS_SUM_REQ).size();
                QVERIFY2(WaitFor([&] { return rig->Received(STATUS_SUM_REQ).size() > before + 2; }, kWait),
                         qPrintable(where));
                loaded = [] { return true; };
            } else if (load == QLatin1String("canmon")) {
                rig->Simulator().Command(QStringLiteral("canmon rate 1000"));
                auto* combo = rig->Main().findChild<QComboBox*>(QStringLiteral("CANmonitorEnableComboBox"));
                auto* page = rig->Main().findChild<TCanInputPage*>();
                QVERIFY(combo && page);
                combo->setCurrentIndex(2);  // "All Messages"
                Q_EMIT combo->activated(2);
                const int before = page->MonitorLineCount();
                QVERIFY2(WaitFor([&] { return page->MonitorLineCount() > before + 20; }, kWait), qPrintable(where));
                loaded = [] { return true; };
            } else {
                const bool read = load == QLatin1String("read");
                QTimer::singleShot(0, &progress, [&rig, read] {
                    if (read)
                        rig->Program().Transfer().BtnLoadClick();
                    else
                        rig->Program().Transfer().BtnSaveClick();
                });
                loaded = [&progress] { return QApplication::activeModalWidget() == &progress; };
            }

            std::unique_ptr<ShutdownSignals> signalHandling;
            int sig = 0;
            if (way != QLatin1String("exit")) {
                sig = way == QLatin1String("SIGTERM") ? SIGTERM : SIGINT;
                TMainForm* main = &rig->Main();
                signalHandling = std::make_unique<ShutdownSignals>([main](int) { EndRunOnSignal(main); });
                QVERIFY(signalHandling->Installed());
            }

            // Once the load runs, a random pause, then the shutdown; the loop must end by itself.
            const int delayMs = int(random.bounded(transfer ? 400 : 1500));
            QElapsedTimer sinceLoaded;
            QElapsedTimer sinceShutdown;
            bool fired = false;
            bool modalAtShutdown = false;
            bool hung = false;
            QTimer trigger;
            trigger.setInterval(10);
            connect(&trigger, &QTimer::timeout, &trigger, [&] {
                if (fired)
                    return;
                if (!sinceLoaded.isValid()) {
                    if (loaded())
                        sinceLoaded.start();
                    return;
                }
                if (sinceLoaded.elapsed() < delayMs)
                    return;
                fired = true;
                modalAtShutdown = QApplication::activeModalWidget() != nullptr;
                sinceShutdown.start();
                if (sig != 0)
                    ::kill(::getpid(), sig);
                else
                    rig->Main().Close1Click();
            });
            QTimer watchdog;
            watchdog.setSingleShot(true);
            connect(&watchdog, &QTimer::timeout, &watchdog, [&] {
                hung = true;
                QCoreApplication::exit(99);
            });
            watchdog.start(kWait);
            trigger.start();
            QApplication::exec();
            trigger.stop();
            watchdog.stop();
            QVERIFY2(fired, qPrintable(where + QStringLiteral(": the load never ran")));
            QVERIFY2(!hung, qPrintable(where + QStringLiteral(": the event loop did not end after the shutdown")));
            const qint64 loopEnded = sinceShutdown.elapsed();
            if (transfer)
                QVERIFY2(modalAtShutdown, qPrintable(where + QStringLiteral(": the progress window was not up")));
            if (sig != 0)
                QCOMPARE(signalHandling->Received(), sig);
            QVERIFY2(!rig->Main().isVisible(), qPrintable(where));
            const QByteArray written = [&] {
                QFile f(settings);
                return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            }();
            QVERIFY2(written.contains("[Form]") && written.contains("[CONFIG]"),
                     qPrintable(where + QStringLiteral(": settings file '%1'").arg(QString::fromLatin1(written))));

            // The program's windows and link go while the module still sends (the CAN
            // traffic, answers on their way); the link thread is joined on the way.
            rig.reset();
            const qint64 total = sinceShutdown.elapsed();
            signalHandling.reset();
            qInfo("%s: loop ended %lld ms after the shutdown, all taken down after %lld ms%s", qPrintable(where),
                  static_cast<long long>(loopEnded), static_cast<long long>(total),
                  modalAtShutdown ? " (a modal window was up)" : "");
            QVERIFY2(total < kBoundMs, qPrintable(where + QStringLiteral(": %1 ms").arg(total)));
        }
    }
};

QTEST_MAIN(TestShutdownLive)
#include "test_shutdown_live.moc"
