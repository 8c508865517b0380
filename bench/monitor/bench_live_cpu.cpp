// CPU use of the tool while it is connected to a module and polls the "General" page.
//
// The simulated module runs as its own process (relvane-sim, paced at 38400 baud), so
// its work is not counted. The tool side is the program exactly as relvane-tool
// composes it (ToolProgram over the system's adapters: the windows, the link thread,
// the dispatcher, the live view and its timers), started in this process, because
// relvane-tool itself can only be connected by clicking in its selection dialog. The
// connection is made as the dialog's OK makes it (ConnectDevice with the adapter's
// description). CPU time is the process's utime + stime from /proc over the measured
// span, after the read that follows a connection is over.
//
//   bench_monitor_live_cpu [PATH-TO-relvane-sim] [SECONDS]
//
// Without a display it runs on the offscreen platform (painting still happens, into
// the offscreen backing store).

#include "app/ErrorDisplay.h"
#include "app/ToolProgram.h"
#include "link/AdapterBackend.h"
#include "link/AdapterDirectory.h"
#include "monitor/ui/GeneralPage.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QEventLoop>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

using namespace relvane;

namespace {

constexpr const char* kDescription = "Relvane Bench Module";

// utime + stime of this process in seconds, or -1.
double CpuSeconds()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    // The command name is in parentheses and may hold blanks: count fields after it.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // After the name: state is field 3 of the file, utime field 14, stime field 15.
    if (fields.size() < 13)
        return -1;
    const double ticks = double(fields[11].toLongLong() + fields[12].toLongLong());
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Runs the event loop for ms, as the program's own loop runs (no spinning).
void Run(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        Run(20);
    }
    return true;
}

// Counts the status answers the dispatcher hands out, to show the poll is alive.
struct AnswerCounter : MainFrameHandler {
    int answers = 0;
    void OnStatusSum(const StatusSummary&) override { ++answers; }
    void OnInputState(const InputStates&) override { ++answers; }
    void OnChannelState(const ChannelState&) override { ++answers; }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir adapters;
    // The program's own backend finds simulated modules here.
    qputenv("RELVANE_ADAPTERS", adapters.path().toLocal8Bit());
    RelvaneApplication app(argc, argv);

    QString simPath = QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/relvane-sim");
    if (argc > 1)
        simPath = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (!QFile::exists(simPath) || seconds < 1) {
        std::fprintf(stderr, "usage: bench_monitor_live_cpu [PATH-TO-relvane-sim] [SECONDS]\n"
                             "bench_monitor_live_cpu: %s not found\n", qPrintable(simPath));
        return 1;
    }

    QProcess sim;
    sim.setStandardInputFile(QProcess::nullDevice());
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simPath, {QStringLiteral("--adapters"), adapters.path(), QStringLiteral("--description"),
                        QString::fromLatin1(kDescription), QStringLiteral("--no-console")});
    if (!sim.waitForStarted(10000)) {
        std::fprintf(stderr, "bench_monitor_live_cpu: relvane-sim did not start\n");
        return 1;
    }
    auto fail = [&sim](const char* why) {
        std::fprintf(stderr, "bench_monitor_live_cpu: %s\n", why);
        sim.terminate();
        sim.waitForFinished(5000);
        return 1;
    };
    if (!RunUntil([&] { return !ReadAdapterRegistrations(adapters.path()).isEmpty(); }, 10000))
        return fail("the simulated module never registered");

    int status = 0;
    {
        ScriptedDialogs dialogs;  // nothing may wait for a user here
        ErrorDisplay errors(dialogs);
        app.SetErrorDisplay(&errors);
        SystemBackend backend;
        StartOptions options;
        options.settingsPath = adapters.filePath(QStringLiteral("relvane-tool.INI"));
        options.currentDirectory = adapters.path();
        options.splashWaitMs = 0;
        options.showSplash = false;
        ToolProgram program(dialogs, errors, backend, options);
        program.Start();
        AnswerCounter counter;
        program.FrameDispatcher().AddHandler(&counter);

        TMainForm& main = program.MainForm();
        // What the selection dialog's OK does.
        program.Link().Close();
        main.ConnectDevice(QString::fromLatin1(kDescription));
        auto* vbat = program.GeneralPage().findChild<QLabel*>(QStringLiteral("lblVbat"));
        const bool live = main.Connected()
            && RunUntil([&] { return !main.TransferBusy() && !QApplication::activeModalWidget(); }, 60000)
            && RunUntil([&] { return vbat->text() == QStringLiteral("13.8 V"); }, 15000);
        if (!live) {
            status = fail("the tool never showed the module's live status");
        } else {
            Run(1000);  // settle: first paints, the watchdog's mode message
            const int answersBefore = counter.answers;
            const double cpu0 = CpuSeconds();
            QElapsedTimer wall;
            wall.start();
            Run(seconds * 1000);
            const double cpu = CpuSeconds() - cpu0;
            const double span = double(wall.nsecsElapsed()) / 1e9;
            const double answersPerSecond = (counter.answers - answersBefore) / span;
            if (cpu0 < 0 || answersPerSecond < 10) {
                status = fail("no live answers during the measurement");
            } else {
                std::printf("monitor_live_poll_cpu: %.2f %% of one core (target 2)\n", 100.0 * cpu / span);
                std::printf("monitor_live_status_answers: %.1f per s (target 80)\n", answersPerSecond);
            }
        }
        program.FrameDispatcher().RemoveHandler(&counter);
        app.SetErrorDisplay(nullptr);
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return status;
}
