// relvane-sim: a simulated module on a pseudo-terminal, with a console for faults.

#include "sim/Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int sig) {
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t w = ::write(gSignalPipe[1], &b, 1);
}

void PrintLine(const QString& line) {
    const QByteArray text = line.toLocal8Bit() + '\n';
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fflush(stdout);
}

// Started with its input from /dev/null (in the background by a script), the
// simulator has no console and runs until it is signalled.
bool InputIsDevNull() {
    struct stat in{}, null{};
    if (::fstat(STDIN_FILENO, &in) != 0 || ::stat("/dev/null", &null) != 0) return false;
    return S_ISCHR(in.st_mode) && in.st_rdev == null.st_rdev;
}

const char kProgramVersion[] = RELVANE_VERSION;

// The module's version text was set with --version TEXT before the program had a version
// of its own to show; that spelling still works, as --module-version TEXT. A --version
// with no text after it asks for the program's version (*showVersion).
QStringList RenameModuleVersion(QStringList args, bool* showVersion) {
    *showVersion = false;
    for (int i = 1; i < args.size(); ++i) {
        QString& a = args[i];
        if (a == QLatin1String("--")) break;
        if (a.startsWith(QLatin1String("--version="))) {
            a = QStringLiteral("--module-version=") + a.mid(10);
        } else if (a == QLatin1String("--version")) {
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-'))) {
                a = QStringLiteral("--module-version");
                ++i;
            } else {
                *showVersion = true;
            }
        }
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("relvane-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Relvane module on a pseudo-terminal, registered as an adapter.\n"
        "Console commands, one a line on standard input: type 'help'."));
    const QCommandLineOption descriptionOpt(QStringLiteral("description"),
                                            QStringLiteral("Adapter description (default \"Relvane Simulator\")."),
                                            QStringLiteral("TEXT"));
    const QCommandLineOption adaptersOpt(QStringLiteral("adapters"),
                                         QStringLiteral("Adapter directory to register in."), QStringLiteral("DIR"));
    const QCommandLineOption versionOpt(QStringLiteral("module-version"),
                                        QStringLiteral("Version text the module reports (default V8.12); "
                                                       "--version TEXT is the same."),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption programVersionOpt(QStringLiteral("version"),
                                               QStringLiteral("Show the program's version and exit."));
    const QCommandLineOption fastOpt(QStringLiteral("fast"), QStringLiteral("No 38400-baud pacing."));
    const QCommandLineOption bootOpt(QStringLiteral("bootloader"),
                                     QStringLiteral("Start the bootloader after each reboot (as the console's \"bootloader on\")."));
    const QCommandLineOption noConsoleOpt(QStringLiteral("no-console"),
                                          QStringLiteral("Ignore standard input; run until signalled."));
    parser.addHelpOption();
    parser.addOption(programVersionOpt);
    parser.addOption(descriptionOpt);
    parser.addOption(adaptersOpt);
    parser.addOption(versionOpt);
    parser.addOption(fastOpt);
    parser.addOption(bootOpt);
    parser.addOption(noConsoleOpt);
    bool showVersion = false;
    parser.process(RenameModuleVersion(QCoreApplication::arguments(), &showVersion));
    if (showVersion) {
        std::printf("relvane-sim %s\n", kProgramVersion);
        return 0;
    }

    relvane::sim::SimulatorOptions options;
    if (parser.isSet(descriptionOpt)) options.description = parser.value(descriptionOpt);
    if (parser.isSet(adaptersOpt)) options.adapterDir = parser.value(adaptersOpt);
    if (parser.isSet(versionOpt)) options.version = parser.value(versionOpt);
    options.fast = parser.isSet(fastOpt);
    options.bootloaderOnReboot = parser.isSet(bootOpt);
    if (options.description.trimmed().isEmpty() || options.description.contains(QLatin1Char('\n'))) {
        std::fprintf(stderr, "relvane-sim: the description must be one non-empty line\n");
        return 2;
    }
    if (options.version.toLatin1().size() > 13) {
        std::fprintf(stderr, "relvane-sim: the version text holds at most 13 characters\n");
        return 2;
    }

    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("relvane-sim: pipe");
        return 1;
    }
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    relvane::sim::Simulator sim(options);
    sim.SetPrinter(PrintLine);
    QString error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "relvane-sim: %s\n", qPrintable(error));
        return 1;
    }
    const bool console = !parser.isSet(noConsoleOpt) && !InputIsDevNull();
    PrintLine(QStringLiteral("%1 on %2, registered in %3")
                  .arg(options.description, sim.DevicePath(), sim.AdapterDir()));
    PrintLine(QStringLiteral("Choose \"%1\" in the tool's device selection, or open %2 at 38400 baud 8N2%3.")
                  .arg(options.description, sim.DevicePath(),
                       options.fast ? QStringLiteral(" (not paced: --fast)") : QString()));
    if (console) PrintLine(QStringLiteral("Type 'help' for the console commands, 'quit' to end."));

    QByteArray pending;
    bool inputOpen = console;
    int exitCode = 0;
    while (sim.IsRunning()) {
        pollfd fds[2] = {{gSignalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int n = ::poll(fds, inputOpen ? 2 : 1, 200);
        if (n < 0 && errno != EINTR) break;
        if (n <= 0) continue;
        if (fds[0].revents & POLLIN) {
            unsigned char sig = 0;
            [[maybe_unused]] const ssize_t r = ::read(gSignalPipe[0], &sig, 1);
            PrintLine(QStringLiteral("signal %1: ending").arg(sig));
            exitCode = 128 + sig;
            break;
        }
        if (inputOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[512];
            const ssize_t r = ::read(STDIN_FILENO, buf, sizeof buf);
            if (r <= 0) {
                if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
                // End of input ends the simulator, as 'quit' would.
                if (!pending.trimmed().isEmpty()) sim.Command(QString::fromLocal8Bit(pending));
                sim.Command(QStringLiteral("quit"));
                break;
            }
            pending.append(buf, static_cast<int>(r));
            int nl;
            while ((nl = pending.indexOf('\n')) >= 0) {
                const QString line = QString::fromLocal8Bit(pending.left(nl)).trimmed();
                pending.remove(0, nl + 1);
                if (!line.isEmpty()) sim.Command(line);
            }
            if (pending.size() > 4096) pending.clear();  // no line is that long
        }
    }
    sim.Stop();
    PrintLine(QStringLiteral("registration removed; bye"));
    return exitCode;
}
