#pragma once
// The command line's application object. An exception that escapes a handler run by the event
// loop (a frame handler in the link's hand-off, a timer) is written as one message line to the
// console of the command that runs, and the command goes on, as the window's error display
// lets the program go on; RunCli then ends that command with exit status 1, so a script
// notices. Nothing ever unwinds through Qt's event loop.

#include "cli/Console.h"

#include <QCoreApplication>

namespace relvane::cli {

class CliApplication final : public QCoreApplication {
public:
    CliApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {}

    // Where the messages go; none (or null): standard error.
    void SetConsole(Console* console) { console_ = console; }
    Console* console() const { return console_; }
    // Errors reported so far.
    int Errors() const { return errors_; }

    // The running CliApplication; null when the application is of another kind.
    static CliApplication* Instance();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Console* console_ = nullptr;
    int errors_ = 0;
};

}  // namespace relvane::cli
