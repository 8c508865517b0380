// The simulator's console: its own commands (plugging, faults, triggers) and the module's.

#include "sim/SimulatorImpl.h"

#include "sim/MessageCodes.h"

namespace relvane::sim {

namespace {

struct BuiltinCommand {
    const char* usage;
    const char* help;
};
constexpr BuiltinCommand kBuiltinCommands[] = {
    {"unplug", "remove the registration and close the pseudo-terminal"},
    {"replug [MS]", "after MS milliseconds (default 0) plug in again with the same description"},
    {"drop", "drop the next frame (or bootloader answer) sent"},
    {"corrupt", "change one byte of the next frame sent so its checksum fails (or of the next bootloader answer)"},
    {"silent", "take frames and bootloader bytes but answer nothing"},
    {"speak", "answer again"},
    {"resend", "send the resend request (type 0, command 1)"},
    {"after N COMMAND", "run COMMAND when the Nth frame (heartbeat not counted) or bootloader block from now arrives, before it is answered"},
    {"after clear", "forget the commands waiting for their frame"},
    {"quit", "remove the registration and end"},
    {"help", "this list"},
};

}  // namespace

QStringList Simulator::Impl::HelpLines() const {
    QStringList lines;
    for (const BuiltinCommand& c : kBuiltinCommands)
        lines << QStringLiteral("%1 %2").arg(QString::fromLatin1(c.usage).leftJustified(37), QLatin1String(c.help));
    for (const Module::ConsoleCommand& c : module.ConsoleCommands())
        lines << QStringLiteral("%1 %2").arg(c.usage.leftJustified(37), c.help);
    return lines;
}

void Simulator::Impl::Execute(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    const QString cmd = words[0].toLower();
    const QStringList args = words.mid(1);
    if (cmd == QLatin1String("unplug")) {
        if (!pty.isOpen()) {
            if (replugAt) Print(QStringLiteral("stays unplugged: the pending replug is cancelled"));
            else Print(QStringLiteral("already unplugged"));
            replugAt.reset();
            return;
        }
        replugAt.reset();
        const QString was = pty.path;
        Unplug();
        Print(QStringLiteral("unplugged (%1 closed, registration removed)").arg(was));
    } else if (cmd == QLatin1String("replug")) {
        int ms = 0;
        if (!args.isEmpty()) {
            bool ok = false;
            ms = args[0].toInt(&ok);
            if (!ok || ms < 0 || args.size() > 1) {
                Print(QStringLiteral("usage: replug [MS]"));
                return;
            }
        }
        if (pty.isOpen()) {
            // Plugged in: a bounce, out and back in.
            Unplug();
            Print(QStringLiteral("unplugged"));
        }
        replugAt = Clock::now() + std::chrono::milliseconds(ms);
        if (ms > 0) Print(QStringLiteral("replugging in %1 ms").arg(ms));
    } else if (cmd == QLatin1String("drop")) {
        faults.push_back(Fault::Drop);
        Print(QStringLiteral("the next frame will be dropped"));
    } else if (cmd == QLatin1String("corrupt")) {
        faults.push_back(Fault::Corrupt);
        Print(QStringLiteral("the next frame will be corrupted"));
    } else if (cmd == QLatin1String("silent")) {
        silent = true;
        Print(QStringLiteral("silent: no answers until 'speak'"));
    } else if (cmd == QLatin1String("speak")) {
        silent = false;
        Print(QStringLiteral("answering again"));
    } else if (cmd == QLatin1String("resend")) {
        if (!pty.isOpen()) {
            Print(QStringLiteral("unplugged: nothing sent"));
            return;
        }
        module.Send(Frame(FRAME_TYPE_SERVICE, RESEND_REQUEST, 4).Seal());
        Print(QStringLiteral("resend request sent"));
    } else if (cmd == QLatin1String("after")) {
        if (args.size() == 1 && args[0].toLower() == QLatin1String("clear")) {
            Print(QStringLiteral("%1 waiting command(s) forgotten").arg(triggers.size()));
            triggers.clear();
            return;
        }
        bool ok = false;
        const int n = args.isEmpty() ? 0 : args[0].toInt(&ok);
        const QString command = args.mid(1).join(QLatin1Char(' '));
        if (!ok || n < 1 || command.isEmpty() || args[1].toLower() == QLatin1String("after")) {
            Print(QStringLiteral("usage: after N COMMAND (N from 1) or after clear"));
            return;
        }
        triggers.emplace_back(n, command);
        Print(QStringLiteral("'%1' runs when frame %2 from now arrives").arg(command).arg(n));
    } else if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        stopRequested = true;
        Print(QStringLiteral("quitting"));
    } else if (cmd == QLatin1String("help") || cmd == QLatin1String("?")) {
        Print(QStringLiteral("commands:"));
        for (const QString& help : HelpLines())
            Print(QStringLiteral("  ") + help);
    } else if (!module.RunConsole(cmd, args)) {
        Print(QStringLiteral("unknown command '%1' (try 'help')").arg(cmd));
    }
}

// Counts one arrival for every waiting "after" command and runs those that are due,
// in the order they were given.
void Simulator::Impl::RunTriggers() {
    if (triggers.empty()) return;
    std::vector<QString> due;
    for (auto it = triggers.begin(); it != triggers.end();) {
        if (--it->first <= 0) {
            due.push_back(it->second);
            it = triggers.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString& line : due) Execute(line);
}

QString Simulator::HelpText() const {
    std::lock_guard lock(d_->mutex);
    return d_->HelpLines().join(QLatin1Char('\n'));
}

}  // namespace relvane::sim
