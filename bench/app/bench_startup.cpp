// Start-up of relvane-tool: time from process start to the main window shown (the splash
// wait skipped), and the resident memory at that moment.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// VmRSS of a process in KiB, or -1.
long ResidentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct Run {
    double ms = -1;
    long rssKiB = -1;
};

Run StartOnce(const QString& tool, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    p.start(tool, {});
    if (!p.waitForStarted(10000))
        return {};
    Run run;
    QByteArray out;
    while (t.elapsed() < 20000) {
        if (!p.waitForReadyRead(20000 - int(t.elapsed())))
            break;
        out += p.readAllStandardOutput();
        if (out.contains("main window shown")) {
            run.ms = double(t.nsecsElapsed()) / 1e6;
            // Let the first frames settle before the memory is read.
            p.waitForFinished(200);
            run.rssKiB = ResidentKiB(p.processId());
            break;
        }
    }
    p.kill();
    p.waitForFinished(5000);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/relvane-tool");
    if (argc > 1)
        tool = QString::fromLocal8Bit(argv[1]);
    if (!QFile::exists(tool)) {
        std::fprintf(stderr, "bench_app_startup: %s not found\n", qPrintable(tool));
        return 1;
    }
    QTemporaryDir adapters;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RELVANE_BENCH_STARTUP"), QStringLiteral("1"));
    env.insert(QStringLiteral("RELVANE_ADAPTERS"), adapters.path());  // no simulated adapters
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("WAYLAND_DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    StartOnce(tool, env);  // warms the file cache
    std::vector<double> times;
    long rss = -1;
    for (int i = 0; i < 5; ++i) {
        const Run r = StartOnce(tool, env);
        if (r.ms < 0) {
            std::fprintf(stderr, "bench_app_startup: the tool did not report its window\n");
            return 1;
        }
        times.push_back(r.ms);
        rss = std::max(rss, r.rssKiB);
    }
    std::sort(times.begin(), times.end());
    std::printf("app_startup_to_main_window: %.1f ms (target 300)\n", times[times.size() / 2]);
    std::printf("app_resident_memory_after_startup: %.1f MiB (target 120)\n", double(rss) / 1024.0);
    return 0;
}
