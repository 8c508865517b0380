#include "cli/Cli.h"

#include "cli/CliApplication.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace relvane::cli {

namespace {

struct CommandEntry {
    const char* name;
    const char* summary;
    int (*run)(Invocation&, const QStringList&);
};

const CommandEntry kCommands[] = {
    {"adapters", "list the adapter descriptions, one a line", RunAdapters},
    {"read", "read the module's configuration into a file", RunRead},
    {"upload", "upload a configuration file to the module", RunUpload},
    {"defaults", "restore the module's factory settings, then read them", RunDefaults},
    {"diff", "compare a configuration file with the module's configuration", RunDiff},
    {"status", "show the live values of outputs, inputs and supply", RunStatus},
    {"monitor", "show the CAN traffic the module forwards", RunMonitor},
    {"firmware", "program or compare the module's firmware (program, compare)", RunFirmware},
    {"config", "show, compare, check or print configuration files (show, diff, check, sheet)", RunConfig},
    {"dbc", "CAN databases: fill a CAN input, export the CAN traffic (fill, export, show)", RunDbc},
    {"ping", "run the ping test of the link", RunPing},
    {"history", "the restore points kept at each transfer (list, show, restore)", RunHistory},
    {"station", "run a production recipe on module after module; report its records", RunStation},
};

QString GeneralHelp() {
    QStringList lines;
    lines << QStringLiteral("Usage: relvane COMMAND [options]")
          << QStringLiteral("Service and configuration of a Relvane module from the command line.")
          << QString() << QStringLiteral("Commands:");
    for (const CommandEntry& c : kCommands)
        lines << QStringLiteral("  %1%2").arg(QLatin1String(c.name), -10).arg(QLatin1String(c.summary));
    lines << QString()
          << QStringLiteral("Options of every command that talks to a module:")
          << QStringLiteral("  -a, --adapter DESCRIPTION  the adapter (default: the only one present)")
          << QStringLiteral("  -h, --help                 the command's own help")
          << QString()
          << QStringLiteral("relvane --version prints the program's version.")
          << QString()
          << QStringLiteral("Exit status: 0 success, 1 the module or a check failed, 2 usage error,")
          << QStringLiteral("3 no adapter can be opened.");
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

std::optional<int> Parse(Invocation& inv, const QStringList& args, const QString& summary,
                         const QList<QCommandLineOption>& options, const QString& positionalSyntax,
                         int minPositional, int maxPositional) {
    QCommandLineParser& p = inv.parser;
    p.setApplicationDescription(summary);
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption adapter({QStringLiteral("a"), QStringLiteral("adapter")},
                                     QStringLiteral("The adapter to use (default: the only one present)."),
                                     QStringLiteral("DESCRIPTION"));
    p.addOption(help);
    p.addOption(adapter);
    p.addOptions(options);
    if (!positionalSyntax.isEmpty()) p.addPositionalArgument(positionalSyntax, QString(), positionalSyntax);
    // QCommandLineParser wants the program name first.
    if (!p.parse(QStringList{QStringLiteral("relvane ") + inv.name} + args))
        return UsageError(inv, p.errorText());
    if (p.isSet(help)) {
        QString text = p.helpText();
        // The parser names the program by its own path; show the command instead.
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: relvane ") + inv.name);
        for (const QString& line : text.split(QLatin1Char('\n'))) inv.console().Out(line);
        return EXIT_OK;
    }
    inv.adapter = p.value(adapter);
    inv.positional = p.positionalArguments();
    if (inv.positional.size() < minPositional)
        return UsageError(inv, QStringLiteral("missing argument: %1").arg(positionalSyntax));
    if (maxPositional >= 0 && inv.positional.size() > maxPositional)
        return UsageError(inv, QStringLiteral("unexpected argument \"%1\"").arg(inv.positional.at(maxPositional)));
    return std::nullopt;
}

int UsageError(Invocation& inv, const QString& message) {
    inv.console().Err(QStringLiteral("relvane %1: %2").arg(inv.name, message));
    inv.console().Err(QStringLiteral("Try \"relvane %1 --help\".").arg(inv.name));
    return EXIT_USAGE;
}

std::optional<int> OpenSession(Invocation& inv, Session& session) {
    const int status = session.Open(inv.adapter);
    if (status != EXIT_OK) return status;
    return std::nullopt;
}

std::optional<int> IntOption(Invocation& inv, const QCommandLineOption& option, int fallback, int minimum) {
    if (!inv.parser.isSet(option)) return fallback;
    bool ok = false;
    const int v = inv.parser.value(option).toInt(&ok);
    if (!ok || v < minimum) {
        UsageError(inv, QStringLiteral("--%1 takes a whole number of at least %2, not \"%3\"")
                            .arg(option.names().last())
                            .arg(minimum)
                            .arg(inv.parser.value(option)));
        return std::nullopt;
    }
    return v;
}

int RunCli(const QStringList& args, CliContext& context) {
    // -a may come before the command as well as after it.
    QStringList rest = args;
    QStringList leading;
    while (!rest.isEmpty() && rest.first().startsWith(QLatin1Char('-'))) {
        const QString a = rest.takeFirst();
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            for (const QString& line : GeneralHelp().split(QLatin1Char('\n'))) context.console.Out(line);
            return EXIT_OK;
        }
        if (a == QLatin1String("--version")) {
            context.console.Out(QStringLiteral("relvane " RELVANE_VERSION));
            return EXIT_OK;
        }
        leading << a;
        if ((a == QLatin1String("-a") || a == QLatin1String("--adapter")) && !rest.isEmpty())
            leading << rest.takeFirst();
    }
    if (rest.isEmpty()) {
        context.console.Err(QStringLiteral("relvane: no command given"));
        for (const QString& line : GeneralHelp().split(QLatin1Char('\n'))) context.console.Err(line);
        return EXIT_USAGE;
    }
    const QString name = rest.takeFirst();
    for (const CommandEntry& c : kCommands) {
        if (name != QLatin1String(c.name)) continue;
        Invocation inv{context, name, {}, {}, {}};
        // An error a handler throws while the command waits is written to this command's
        // console; one there makes the command fail even when it got to its end.
        CliApplication* app = CliApplication::Instance();
        Console* before = app ? app->console() : nullptr;
        const int errors = app ? app->Errors() : 0;
        if (app) app->SetConsole(&context.console);
        int status = c.run(inv, leading + rest);
        if (app) {
            app->SetConsole(before);
            if (status == EXIT_OK && app->Errors() > errors) status = EXIT_FAILED;
        }
        return status;
    }
    context.console.Err(QStringLiteral("relvane: unknown command \"%1\"").arg(name));
    context.console.Err(QStringLiteral("Try \"relvane --help\"."));
    return EXIT_USAGE;
}

// --- adapters ------------------------------------------------------------------------------

int RunAdapters(Invocation& inv, const QStringList& args) {
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("A JSON array of {\"description\"} objects."));
    if (auto done = Parse(inv, args, QStringLiteral("Lists the adapter descriptions, one a line."), {json}, {}, 0, 0))
        return *done;
    const bool asJson = inv.parser.isSet(json);
    QJsonArray list;
    QList<AdapterInfo> adapters;
    if (!inv.context.backend.ListAdapters(adapters)) {
        inv.console().Err(QStringLiteral("The adapters could not be listed"));
        return EXIT_NO_ADAPTER;
    }
    int shown = 0;
    for (const AdapterInfo& a : adapters) {
        if (!a.detailsOk || a.description.isEmpty()) continue;
        if (asJson) list.append(QJsonObject{{QStringLiteral("description"), a.description}});
        else inv.console().Out(a.description);
        ++shown;
    }
    if (asJson) inv.console().Out(JsonLine(list));
    if (shown == 0) {
        inv.console().Err(QStringLiteral("No adapter found"));
        return EXIT_NO_ADAPTER;
    }
    return EXIT_OK;
}

// --- config show / config diff -----------------------------------------------------------------

// A missing file is a usage error here (the window would take defaults for it, which a script
// would never notice).
std::optional<int> LoadGivenFile(Invocation& inv, const QString& path, ConfigModel& model) {
    const QString file = ConfigFilePath(path);
    if (!QFileInfo(file).isFile()) {
        inv.console().Err(QStringLiteral("relvane %1: no configuration file %2").arg(inv.name, file));
        return EXIT_USAGE;
    }
    QString error;
    if (!LoadConfigFile(model, path, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    return std::nullopt;
}

namespace {

int ConfigShow(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("config show");
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("A JSON array of the fields."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Shows every field of a configuration file with its name, channel "
                                         "and value, in file order."),
                          {json}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    ConfigModel model;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), model)) return *failed;
    QJsonArray all;
    for (const ConfigField& f : ConfigFields(model)) {
        if (inv.parser.isSet(json)) all.append(FieldJson(f));
        else inv.console().Out(FieldLine(f));
    }
    if (inv.parser.isSet(json)) inv.console().Out(JsonLine(all));
    return EXIT_OK;
}

int ConfigDiffCommand(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("config diff");
    if (auto done = Parse(inv, args,
                          QStringLiteral("Shows the fields where two configuration files differ, with the "
                                         "output, input and channel names. Exit status 1 when they differ."),
                          {QCommandLineOption(QStringLiteral("json"), QStringLiteral("A JSON array of the differences."))},
                          QStringLiteral("A.cfg B.cfg"), 2, 2))
        return *done;
    ConfigModel a, b;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), a)) return *failed;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(1), b)) return *failed;
    const QList<ConfigDifference> diffs = DiffConfigs(a, b);
    PrintDifferences(inv, diffs, inv.parser.isSet(QStringLiteral("json")));
    return diffs.isEmpty() ? EXIT_OK : EXIT_FAILED;
}

}  // namespace

void PrintDifferences(Invocation& inv, const QList<ConfigDifference>& diffs, bool json) {
    if (!json) {
        for (const ConfigDifference& d : diffs) inv.console().Out(DifferenceLine(d));
        return;
    }
    QJsonArray all;
    for (const ConfigDifference& d : diffs) all.append(DifferenceJson(d));
    inv.console().Out(JsonLine(all));
}

QString TakeSubcommand(QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("-a") || a == QLatin1String("--adapter")) {
            ++i;  // its value
            continue;
        }
        if (a.startsWith(QLatin1Char('-'))) continue;
        return args.takeAt(i);
    }
    return {};
}

bool AsksForHelp(const QStringList& args) {
    return args.contains(QStringLiteral("-h")) || args.contains(QStringLiteral("--help"));
}

int RunConfig(Invocation& inv, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = TakeSubcommand(args);
    if (sub == QLatin1String("show")) return ConfigShow(inv, args);
    if (sub == QLatin1String("diff")) return ConfigDiffCommand(inv, args);
    if (sub == QLatin1String("check")) return ConfigCheckCommand(inv, args);
    if (sub == QLatin1String("sheet")) return ConfigSheetCommand(inv, args);
    if (sub.isEmpty() && AsksForHelp(args)) {
        inv.console().Out(QStringLiteral("Usage: relvane config show FILE.cfg"));
        inv.console().Out(QStringLiteral("       relvane config diff A.cfg B.cfg"));
        inv.console().Out(QStringLiteral("       relvane config check FILE.cfg [--json]"));
        inv.console().Out(QStringLiteral("       relvane config sheet FILE.cfg -o OUT.pdf|OUT.html [--paper a4|letter] [--box-name NAME]"));
        inv.console().Out(QStringLiteral("show: every field with its name, channel and value, in file order."));
        inv.console().Out(QStringLiteral("diff: only the fields that differ; exit status 1 when any do."));
        inv.console().Out(QStringLiteral("check: the problems of the configuration; exit status 1 when there are errors."));
        inv.console().Out(QStringLiteral("sheet: the configuration sheet for printing, as PDF or HTML."));
        return EXIT_OK;
    }
    return UsageError(inv, sub.isEmpty() ? QStringLiteral("missing sub-command: show, diff, check or sheet")
                                         : QStringLiteral("unknown sub-command \"%1\"").arg(sub));
}

}  // namespace relvane::cli
