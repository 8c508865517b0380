#pragma once
// The command line's connection to a module: the core's Session, with its messages on standard
// error and the adapter chosen as every command chooses it.

#include "cli/Console.h"
#include "station/Session.h"

#include <QStringList>

namespace relvane::cli {

// Exit statuses of the program.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;     // the module or a check failed
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_ADAPTER = 3;  // no adapter could be opened

// The adapter to open: the one asked for, else the only one present. On failure *message
// explains (listing the adapters present when there are several) and the result is empty.
// *status is EXIT_NO_ADAPTER when none is present or the one asked for is not, EXIT_USAGE when
// several are present and none was asked for.
QString ChooseAdapter(AdapterBackend& backend, const QString& requested, QStringList* message,
                      int* status);

class Session : public relvane::Session {
public:
    Session(AdapterBackend& backend, Console& console, std::function<bool()> interrupted = {})
        : relvane::Session(backend, [&console](const QString& line) { console.Err(line); },
                           std::move(interrupted)),
          console_(console) {}

    // Opens the adapter (see ChooseAdapter). EXIT_OK, or the failure status after the messages.
    int Open(const QString& requested);

private:
    Console& console_;
};

}  // namespace relvane::cli
