#pragma once
// The commands of relvane and what they share; internal to cli/.

#include "can/Dbc.h"
#include "cli/Cli.h"
#include "cli/Session.h"
#include "config/ConfigDiff.h"
#include "config/ConfigModel.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

namespace relvane {
class ConfigModel;
}

namespace relvane::cli {

// One command's parsed arguments.
struct Invocation {
    CliContext& context;
    QString name;          // "firmware program"
    QCommandLineParser parser;
    QString adapter;       // -a, or empty
    QStringList positional;

    Console& console() { return context.console; }
};

// Sets the parser up with -a/--adapter, -h/--help and the options given, then parses. Returns
// an exit status when the command is done already (help shown: 0; a usage error: 2), else
// nothing. positionalSyntax and the counts describe the arguments after the options.
std::optional<int> Parse(Invocation& inv, const QStringList& args, const QString& summary,
                         const QList<QCommandLineOption>& options, const QString& positionalSyntax,
                         int minPositional, int maxPositional);
// Prints "relvane NAME: message" and the command's usage hint; returns EXIT_USAGE.
int UsageError(Invocation& inv, const QString& message);
// Opens a session on the adapter asked for; an exit status when that failed.
std::optional<int> OpenSession(Invocation& inv, Session& session);
// A whole number option with a lower bound; nothing (after a usage message) when it is bad.
std::optional<int> IntOption(Invocation& inv, const QCommandLineOption& option, int fallback, int minimum);

// Loads a configuration file given on the command line; an exit status when that failed (a
// missing file is a usage error: the window would take defaults for it, which a script would
// never notice).
std::optional<int> LoadGivenFile(Invocation& inv, const QString& path, ConfigModel& model);
// Reads a CAN database given on the command line; the problems of lines it left out go to
// standard error. An exit status when it could not be read.
std::optional<int> LoadDbc(Invocation& inv, const QString& path, DbcDatabase& database);
// The differences as lines ("diff", "config diff"), or as one JSON array.
void PrintDifferences(Invocation& inv, const QList<ConfigDifference>& diffs, bool json);

// Removes and returns the first argument that is no option (skipping the value of -a); empty
// when there is none. For the commands with sub-commands.
QString TakeSubcommand(QStringList& args);
bool AsksForHelp(const QStringList& args);

// Loads a configuration file named on the command line; an exit status when it is missing (a
// usage error) or cannot be read.
std::optional<int> LoadGivenFile(Invocation& inv, const QString& path, ConfigModel& model);
// Prints the configuration's problems to standard error; an exit status when it has errors and
// force is not set (upload refuses it).
std::optional<int> RefuseProblems(Invocation& inv, const ConfigModel& model, bool force);

// --no-history, of the commands that write restore points.
const QCommandLineOption& NoHistoryOption();
// Writes model as a restore point (event: HistoryEvent) unless --no-history was given or no data
// folder is set. A folder that cannot be written is told on standard error and never fails the
// command.
void AddRestorePoint(Invocation& inv, const QString& event, const ConfigModel& model, const QString& adapter);

int RunAdapters(Invocation& inv, const QStringList& args);
int RunRead(Invocation& inv, const QStringList& args);
int RunUpload(Invocation& inv, const QStringList& args);
int RunDefaults(Invocation& inv, const QStringList& args);
int RunDiff(Invocation& inv, const QStringList& args);
int RunStatus(Invocation& inv, const QStringList& args);
int RunMonitor(Invocation& inv, const QStringList& args);
int RunFirmware(Invocation& inv, const QStringList& args);
int RunConfig(Invocation& inv, const QStringList& args);
int RunPing(Invocation& inv, const QStringList& args);
int RunDbc(Invocation& inv, const QStringList& args);
int RunStation(Invocation& inv, const QStringList& args);
int RunHistory(Invocation& inv, const QStringList& args);
int ConfigCheckCommand(Invocation& inv, const QStringList& args);
int ConfigSheetCommand(Invocation& inv, const QStringList& args);

}  // namespace relvane::cli
