// relvane-tool: the service and configuration tool's program entry.

#include "app/ErrorDisplay.h"
#include "app/ProgramSettings.h"
#include "app/QtDialogs.h"
#include "app/ShutdownSignals.h"
#include "app/ToolProgram.h"
#include "config/ConfigHistory.h"
#include "link/AdapterBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

const char kProgramVersion[] = RELVANE_VERSION;

// --help and --version are answered before the window system is touched, so they
// work without a display (in a terminal, from a package check). True when one was.
bool AnswerInfoOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QLatin1String arg(argv[i]);
        if (arg == QLatin1String("--version")) {
            std::printf("relvane-tool %s\n", kProgramVersion);
            return true;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
            std::printf("Usage: relvane-tool [-h|--help] [--version]\n"
                        "Relvane Tool %s: service and configuration of the Relvane power\n"
                        "distribution module. Pick the module's adapter under Connection -> USB.\n"
                        "\n"
                        "  -h, --help   show this help and exit\n"
                        "  --version    show the program's version and exit\n"
                        "\n"
                        "Window placement and last paths are kept in %s\n"
                        "(next to the program when its folder is writable, else in the user's\n"
                        "configuration folder). The command-line front end is relvane(1).\n",
                        kProgramVersion, qPrintable(relvane::ProgramSettingsLocation(exe)));
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace relvane;
    if (AnswerInfoOption(argc, argv))
        return EXIT_SUCCESS;
    RelvaneApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Relvane Tool"));
    QCoreApplication::setApplicationVersion(QLatin1String(kProgramVersion));
    // Lets the desktop match the window to relvane-tool.desktop and its icon (Wayland).
    RelvaneApplication::setDesktopFileName(QStringLiteral("relvane-tool"));

    QtDialogs dialogs;
    ErrorDisplay display(dialogs);

    // Only the start-up benchmark sets this: no splash wait, and a line on stdout as soon
    // as the main window is shown.
    const bool benchmark = qEnvironmentVariableIntValue("RELVANE_BENCH_STARTUP") == 1;

    SystemBackend backend;
    StartOptions options;
    options.settingsPath = ProgramSettingsLocation(QCoreApplication::applicationFilePath());
    options.currentDirectory = QDir::currentPath();
    // Restore points and the recovery file.
    options.dataFolder = DefaultDataFolder();
    if (benchmark)
        options.splashWaitMs = 0;

    // SIGTERM and SIGINT close the main window as File -> Exit does, also while a modal
    // window runs; the program then ends by that signal once everything is taken down.
    TMainForm* running = nullptr;
    ShutdownSignals shutdownSignals([&running](int) { EndRunOnSignal(running); });

    int rc = EXIT_FAILURE;
    try {
        ToolProgram program(dialogs, display, backend, options);
        program.Start();
        dialogs.SetParent(&program.MainForm());
        // From the message loop on, an error escaping a handler is shown and the program goes on.
        app.SetErrorDisplay(&display);
        if (benchmark) {
            QTimer::singleShot(0, &app, [] {
                std::fputs("relvane-tool: main window shown\n", stdout);
                std::fflush(stdout);
            });
        }
        running = &program.MainForm();
        // A signal during start-up (the splash window's wait runs events) found no main
        // window to close yet: close it now instead of entering the loop.
        shutdownSignals.Drain();
        if (shutdownSignals.Received() != 0) {
            program.MainForm().setProperty("closedBySignal", true);
            program.MainForm().close();
            rc = EXIT_SUCCESS;
        } else {
            rc = QApplication::exec();
        }
        running = nullptr;
        app.SetErrorDisplay(nullptr);
    } catch (...) {
        // An error during start-up is shown, and the program ends.
        running = nullptr;
        display.ShowCurrent();
        rc = EXIT_FAILURE;
    }
    // A signal that came while the windows were taken down still decides how the program ends.
    shutdownSignals.Drain();
    shutdownSignals.ReraiseReceived();
    return rc;
}
