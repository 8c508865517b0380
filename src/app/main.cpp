// relvane-tool: the service and configuration tool's program entry.

#include "app/ErrorDisplay.h"
#include "app/ProgramSettings.h"
#include "app/QtDialogs.h"
#include "app/ToolProgram.h"
#include "link/AdapterBackend.h"

#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    using namespace relvane;
    RelvaneApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Relvane Tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral("9.08"));

    QtDialogs dialogs;
    ErrorDisplay display(dialogs);

    // Only the start-up benchmark sets this: no splash wait, and a line on stdout as soon
    // as the main window is shown.
    const bool benchmark = qEnvironmentVariableIntValue("RELVANE_BENCH_STARTUP") == 1;

    SystemBackend backend;
    StartOptions options;
    options.settingsPath = ProgramSettingsPath(QCoreApplication::applicationFilePath());
    options.currentDirectory = QDir::currentPath();
    if (benchmark)
        options.splashWaitMs = 0;

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
        const int rc = QApplication::exec();
        app.SetErrorDisplay(nullptr);
        return rc;
    } catch (...) {
        // An error during start-up is shown, and the program ends.
        display.ShowCurrent();
        return EXIT_FAILURE;
    }
}
