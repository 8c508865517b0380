// firmware program and firmware compare: the bootloader exchange of the Firmware window and the
// compare of the FIA window, over the same cores.

#include "cli/Commands.h"
#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareUpdate.h"
#include "protocol/MessageCatalogue.h"
#include "station/FirmwareSteps.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

namespace relvane::cli {

namespace {

constexpr int kStartAfterUpdateMs = 1000;  // the new firmware's start before --verify asks it

// A progress line on standard error that the messages end first.
struct ProgressLine {
    ProgressLine(Console& c, QString what) : console(c), what_(std::move(what)) {}
    void Update(long long done, long long total) {
        if (!progress) progress = std::make_unique<Progress>(console, what_, QStringLiteral("bytes"));
        progress->Update(done, total);
    }
    void Finish() {
        if (progress) progress->Finish();
    }
    Console& console;
    QString what_;
    std::unique_ptr<Progress> progress;
};

// The compare of the FIA window on an open session. EXIT_OK when the module holds the file.
int Compare(Invocation& inv, Session& session, const QString& path) {
    QByteArray version;
    session.RunVersionCheck(&version);  // only for the header line; none is no failure here
    ProgressLine line(inv.console(), QStringLiteral("Comparing"));
    const CompareResult r = CompareFirmware(
        session, path, version, [&](long long done, long long total) { line.Update(done, total); },
        [&](const QString& status) {
            line.Finish();
            inv.console().Out(status);
        });
    line.Finish();
    switch (r.end) {
    case CompareEnd::Refused:
        inv.console().Err(r.message);
        return EXIT_FAILED;
    case CompareEnd::Interrupted:
    case CompareEnd::LinkLost:
        inv.console().Err(FirmwareCompare::CancelText());
        return EXIT_FAILED;
    default:
        break;
    }
    inv.console().Out(r.message);
    return r.end == CompareEnd::Identical ? EXIT_OK : EXIT_FAILED;
}

std::optional<int> CheckHexFile(Invocation& inv, const QString& path) {
    if (!QFileInfo(path).isFile()) return UsageError(inv, QStringLiteral("no HEX file %1").arg(path));
    return std::nullopt;
}

int Program(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("firmware program");
    const QCommandLineOption reboot(QStringLiteral("reboot"),
                                    QStringLiteral("Send REBOOT_REQ to start the bootloader (else reboot the module by hand)."));
    const QCommandLineOption verify(QStringLiteral("verify"), QStringLiteral("Compare the module's firmware with the file afterwards."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait for the bootloader (default 60)."),
                                     QStringLiteral("SECONDS"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Programs an Intel HEX file into the module through its bootloader, "
                                         "as the Firmware window does."),
                          {reboot, verify, timeout}, QStringLiteral("FILE.hex"), 1, 1))
        return *done;
    const QString path = inv.positional.at(0);
    if (auto bad = CheckHexFile(inv, path)) return *bad;
    const auto waitSeconds = IntOption(inv, timeout, 60, 1);
    if (!waitSeconds) return EXIT_USAGE;

    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;

    ProgramOptions options;
    options.reboot = inv.parser.isSet(reboot);
    options.promptTimeoutMs = *waitSeconds * 1000;
    ProgressLine line(inv.console(), QStringLiteral("Programming"));
    const ProgramResult r = ProgramFirmware(
        session, path, options, [&](long long done, long long total) { line.Update(done, total); },
        [&](const QString& text) {
            line.Finish();
            inv.console().Err(text);
        });
    line.Finish();
    if (r.said && r.end != ProgramEnd::Updated) return EXIT_FAILED;
    switch (r.end) {
    case ProgramEnd::Updated:
        break;
    case ProgramEnd::Refused:
        if (!r.message.isEmpty()) inv.console().Err(r.message);
        return EXIT_FAILED;
    case ProgramEnd::Interrupted:
        inv.console().Err(QStringLiteral("Programming interrupted"));
        return EXIT_FAILED;
    case ProgramEnd::Aborted:
        inv.console().Err(QStringLiteral("The bootloader aborted the transfer"));
        return EXIT_FAILED;
    case ProgramEnd::Stalled:
    case ProgramEnd::LinkLost:
        inv.console().Err(QStringLiteral("The bootloader stopped answering"));
        return EXIT_FAILED;
    case ProgramEnd::NoBootloader:
        inv.console().Err(QStringLiteral("No answer from the bootloader"));
        return EXIT_FAILED;
    }
    if (!inv.parser.isSet(verify)) return EXIT_OK;
    session.Pause(kStartAfterUpdateMs);
    return Compare(inv, session, path);
}

int CompareCommand(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("firmware compare");
    if (auto done = Parse(inv, args,
                          QStringLiteral("Compares the module's firmware with an Intel HEX file (addresses 0000 "
                                         "to FBFF), as the FIA window does. Exit status 1 when they differ."),
                          {}, QStringLiteral("FILE.hex"), 1, 1))
        return *done;
    const QString path = inv.positional.at(0);
    if (auto bad = CheckHexFile(inv, path)) return *bad;
    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;
    return Compare(inv, session, path);
}

}  // namespace

int RunFirmware(Invocation& inv, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = TakeSubcommand(args);
    if (sub == QLatin1String("program")) return Program(inv, args);
    if (sub == QLatin1String("compare")) return CompareCommand(inv, args);
    if (sub.isEmpty() && AsksForHelp(args)) {
        inv.console().Out(QStringLiteral("Usage: relvane firmware program FILE.hex [--reboot] [--verify]"));
        inv.console().Out(QStringLiteral("       relvane firmware compare FILE.hex"));
        return EXIT_OK;
    }
    return UsageError(inv, sub.isEmpty() ? QStringLiteral("missing sub-command: program or compare")
                                         : QStringLiteral("unknown sub-command \"%1\"").arg(sub));
}

}  // namespace relvane::cli
