// relvane: the command-line front end over the tool's core.

#include "cli/Cli.h"
#include "cli/CliApplication.h"
#include "cli/Console.h"
#include "config/ConfigHistory.h"
#include "link/AdapterBackend.h"

#include <QGuiApplication>

#include <atomic>
#include <csignal>
#include <memory>

namespace {
std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted.store(true); }
}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (relvane::cli::NeedsGuiApplication(args)) {
        // The sheet is laid out and drawn, never shown: no display is needed. It opens no link.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<relvane::cli::CliApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("relvane"));
    // Ctrl+C ends a watch, a monitor or a transfer cleanly: the link is closed and, for the
    // monitor, the module is told to stop forwarding.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    relvane::SystemBackend backend;
    relvane::cli::StdConsole console;
    relvane::cli::CliContext context{backend, console, [] { return gInterrupted.load(); }, true,
                                          relvane::DefaultDataFolder()};
    return relvane::cli::RunCli(QCoreApplication::arguments().mid(1), context);
}
