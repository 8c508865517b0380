// relvane: the command-line front end over the tool's core.

#include "cli/Cli.h"
#include "cli/Console.h"
#include "link/AdapterBackend.h"

#include <QCoreApplication>

#include <atomic>
#include <csignal>

namespace {
std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted.store(true); }
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("relvane"));
    // Ctrl+C ends a watch, a monitor or a transfer cleanly: the link is closed and, for the
    // monitor, the module is told to stop forwarding.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    relvane::SystemBackend backend;
    relvane::cli::StdConsole console;
    relvane::cli::CliContext context{backend, console, [] { return gInterrupted.load(); }, true};
    return relvane::cli::RunCli(QCoreApplication::arguments().mid(1), context);
}
