// The real relvane-tool process, next to a running relvane-sim, ended by SIGTERM and
// SIGINT during its start-up and while it runs: it ends within 5 s, by the signal sent
// (as a program that does not catch it would), without a core dump, and once its main
// window existed the settings file has been written as File -> Exit writes it.
//
// The tool is copied into a folder of its own with an empty settings file beside it, so
// the file it writes is that one. Connecting needs a click in the selection dialog, so
// shutdown with a live link is tested in process (test_shutdown_live).

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const QString kTool = QStringLiteral(RELVANE_TOOL_PROGRAM);
const QString kSim = QStringLiteral(RELVANE_SIM_PROGRAM);
constexpr int kBoundMs = 5000;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A started program with its status once it ended.
struct Spawned {
    pid_t pid = -1;
    int status = 0;
    bool ended = false;
};

// Starts program with the extra environment; SIGINT and SIGTERM at their defaults and
// unblocked whatever this test was started with; output into logPath.
bool Spawn(const QString& program, const QStringList& extraEnv, const QString& logPath, Spawned* out)
{
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const QString& e : extraEnv)
        env.push_back(e.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const QByteArray log = QFile::encodeName(logPath);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int rc = posix_spawn(&out->pid, path.constData(), &files, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

// Waits up to ms for the program to end.
bool WaitEnded(Spawned& p, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!p.ended) {
        const pid_t r = ::waitpid(p.pid, &p.status, WNOHANG);
        if (r == p.pid) {
            p.ended = true;
            break;
        }
        if (r < 0 || t.elapsed() > ms)
            return false;
        QThread::msleep(5);
    }
    return true;
}

QString Describe(int status)
{
    if (WIFEXITED(status))
        return QStringLiteral("exit code %1").arg(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return QStringLiteral("signal %1%2").arg(WTERMSIG(status)).arg(WCOREDUMP(status) ? QStringLiteral(" (core dumped)") : QString());
    return QStringLiteral("status %1").arg(status);
}

}  // namespace

class TestShutdownProcess : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString tool_;
    QString settings_;
    QString adapters_;
    QProcess sim_;
    quint32 seed_ = 0;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY2(QFile::exists(kTool), qPrintable(kTool));
        QVERIFY2(QFile::exists(kSim), qPrintable(kSim));
        tool_ = dir_.filePath(QStringLiteral("relvane-tool"));
        QVERIFY(QFile::copy(kTool, tool_));
        settings_ = dir_.filePath(QStringLiteral("relvane-tool.INI"));
        adapters_ = dir_.filePath(QStringLiteral("adapters"));
        QVERIFY(QDir().mkpath(adapters_));
        QVERIFY(QDir().mkpath(dir_.filePath(QStringLiteral("home"))));

        // A module the tool lists, streaming nothing until it is connected.
        sim_.setProgram(kSim);
        sim_.setArguments({QStringLiteral("--fast"), QStringLiteral("--no-console"), QStringLiteral("--adapters"),
                           adapters_});
        sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim_.start();
        QVERIFY(sim_.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(adapters_).entryList({QStringLiteral("*.adapter")}).isEmpty(), 10000);

        bool ok = false;
        seed_ = qEnvironmentVariable("RELVANE_KILL_SEED").toUInt(&ok);
        if (!ok)
            seed_ = quint32(QDateTime::currentMSecsSinceEpoch());
        qInfo("signal delays from seed %u (RELVANE_KILL_SEED repeats them)", seed_);
    }

    void cleanupTestCase()
    {
        sim_.terminate();
        if (!sim_.waitForFinished(5000))
            sim_.kill();
    }

    void signalEndsTheProgram_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<int>("fromMs");  // the signal comes fromMs + 0 … 500 ms after the start
        QTest::addColumn<bool>("running");  // the main window exists by then
        // The splash window stays 1.5 s; the main window is up well before 3.5 s.
        QTest::newRow("SIGTERM during start-up") << int(SIGTERM) << 200 << false;
        QTest::newRow("SIGINT during start-up") << int(SIGINT) << 700 << false;
        QTest::newRow("SIGTERM while running") << int(SIGTERM) << 3500 << true;
        QTest::newRow("SIGINT while running") << int(SIGINT) << 3500 << true;
    }

    void signalEndsTheProgram()
    {
        QFETCH(int, sig);
        QFETCH(int, fromMs);
        QFETCH(bool, running);
        QRandomGenerator random(seed_ ^ quint32(sig * 7919 + fromMs));
        const QStringList env{QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                              QStringLiteral("RELVANE_ADAPTERS=") + adapters_,
                              QStringLiteral("HOME=") + dir_.filePath(QStringLiteral("home")),
                              QStringLiteral("XDG_CONFIG_HOME=") + dir_.filePath(QStringLiteral("home/.config")),
                              QStringLiteral("XDG_RUNTIME_DIR=") + dir_.path()};
        const QString log = dir_.filePath(QStringLiteral("tool.log"));
        for (int round = 0; round < 3; ++round) {
            // Empty but there, so the tool keeps its settings beside itself (as root too).
            {
                QFile f(settings_);
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            }
            Spawned p;
            QVERIFY(Spawn(tool_, env, log, &p));
            const int delay = fromMs + int(random.bounded(500));
            QThread::msleep(static_cast<unsigned long>(delay));
            const QString where = QStringLiteral("round %1, signal %2 after %3 ms").arg(round).arg(sig).arg(delay);
            QVERIFY2(!WaitEnded(p, 0), qPrintable(where + QStringLiteral(": ended before the signal, ") +
                                                   Describe(p.status) + QStringLiteral("\n") +
                                                   QString::fromLocal8Bit(ReadAll(log))));
            QElapsedTimer t;
            t.start();
            ::kill(p.pid, sig);
            if (!WaitEnded(p, kBoundMs)) {
                ::kill(p.pid, SIGKILL);
                WaitEnded(p, kBoundMs);
                QFAIL(qPrintable(where + QStringLiteral(": still running after %1 ms\n").arg(kBoundMs) +
                                 QString::fromLocal8Bit(ReadAll(log))));
            }
            const qint64 took = t.elapsed();
            QVERIFY2(WIFSIGNALED(p.status) && WTERMSIG(p.status) == sig && !WCOREDUMP(p.status),
                     qPrintable(where + QStringLiteral(": ended with ") + Describe(p.status) + QStringLiteral("\n") +
                                QString::fromLocal8Bit(ReadAll(log))));
            if (running) {
                const QByteArray written = ReadAll(settings_);
                QVERIFY2(written.contains("[Form]") && written.contains("Width=") && written.contains("[CONFIG]"),
                         qPrintable(where + QStringLiteral(": settings file holds '%1'")
                                                .arg(QString::fromLocal8Bit(written))));
            }
            qInfo("%s: ended in %lld ms", qPrintable(where), static_cast<long long>(took));
        }
    }
};

QTEST_GUILESS_MAIN(TestShutdownProcess)
#include "test_shutdown_process.moc"
