#pragma once
// relvane, the command-line front end: "relvane COMMAND [options]". RunCli runs one command to
// its end on the calling thread, which needs a QCoreApplication.

#include "cli/Console.h"
#include "link/AdapterBackend.h"

#include <QStringList>

#include <functional>

namespace relvane::cli {

struct CliContext {
    AdapterBackend& backend;
    Console& console;
    // Polled while a command waits; true ends a watch or a monitor (Ctrl+C).
    std::function<bool()> interrupted = {};
    // relvane station reads Enter and typed serial numbers from standard input.
    bool readStdin = false;
    // Where restore points go (its history/ folder); empty keeps none. The program uses the
    // user's data folder.
    QString dataFolder = {};
};

// args without the program name. Returns the exit status: 0 success, 1 the module or a check
// failed, 2 a usage error, 3 no adapter could be opened.
int RunCli(const QStringList& args, CliContext& context);

// Whether the command drawn by args needs a QGuiApplication (the sheet's text layout) rather
// than a QCoreApplication.
bool NeedsGuiApplication(const QStringList& args);

}  // namespace relvane::cli
