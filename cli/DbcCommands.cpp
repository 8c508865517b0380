// dbc fill, dbc export and dbc show: CAN databases against configuration files, no module needed.

#include "can/DbcExport.h"
#include "can/DbcFill.h"
#include "cli/Commands.h"
#include "config/ConfigFile.h"
#include "config/Cp1252.h"

#include <QFileInfo>

namespace relvane::cli {

namespace {

constexpr int kProblemsShown = 20;

QString SignalLine(const DbcMessage& m, const DbcSignal& s) {
    QString line = QStringLiteral("  %1.%2: start bit %3, %4 bit%5, %6, %7, factor %8, offset %9")
                       .arg(m.name, s.name)
                       .arg(s.startBit)
                       .arg(s.length)
                       .arg(s.length == 1 ? QString() : QStringLiteral("s"))
                       .arg(s.order == DbcByteOrder::Intel ? QStringLiteral("Intel") : QStringLiteral("Motorola"),
                            s.valueType != DbcValueType::Integer ? QStringLiteral("float")
                            : s.isSigned                          ? QStringLiteral("signed")
                                                                  : QStringLiteral("unsigned"))
                       .arg(s.factor)
                       .arg(s.offset);
    if (!s.unit.isEmpty()) line += QStringLiteral(", unit \"%1\"").arg(s.unit);
    if (s.mux == DbcMux::Multiplexor) line += QStringLiteral(", multiplexor");
    if (s.mux == DbcMux::Multiplexed) line += QStringLiteral(", when the multiplexor holds %1").arg(s.muxValue);
    if (const std::optional<QString> refusal = DbcFillRefusal(m, s)) line += QStringLiteral(" (no CAN input: %1)").arg(*refusal);
    return line;
}

int DbcShow(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("dbc show");
    if (auto done = Parse(inv, args,
                          QStringLiteral("Lists the messages and signals of a CAN database, as MESSAGE.SIGNAL, and "
                                         "says why a signal cannot fill a CAN input."),
                          {}, QStringLiteral("FILE.dbc"), 1, 1))
        return *done;
    DbcDatabase db;
    if (auto failed = LoadDbc(inv, inv.positional.at(0), db)) return *failed;
    for (const DbcMessage& m : db.messages) {
        QString head = QStringLiteral("%1 %2: %3 bytes from %4").arg(m.IdText(), m.name).arg(m.size).arg(m.sender);
        if (m.cycleTimeMs) head += QStringLiteral(", every %1 ms").arg(*m.cycleTimeMs);
        inv.console().Out(head);
        for (const DbcSignal& s : m.signalList) inv.console().Out(SignalLine(m, s));
    }
    return EXIT_OK;
}

int DbcFill(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("dbc fill");
    const QCommandLineOption input(QStringLiteral("can-input"), QStringLiteral("The CAN input to fill, 1 to 32."),
                                   QStringLiteral("N"));
    const QCommandLineOption dbc(QStringLiteral("dbc"), QStringLiteral("The CAN database."), QStringLiteral("FILE.dbc"));
    const QCommandLineOption signal(QStringLiteral("signal"),
                                    QStringLiteral("The signal, as MESSAGE.SIGNAL (the message by name or as 0x1A5)."),
                                    QStringLiteral("MESSAGE.SIGNAL"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("The signal's name becomes the CAN input's name."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Save to OUT.cfg instead of FILE.cfg."), QStringLiteral("OUT.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Fills a CAN input of a configuration file from one signal of a CAN database: "
                                         "the ON and OFF identifiers, the data bytes, the data type, the dimension, "
                                         "the multiplicator and offset, and the row counter of a multiplexed signal. "
                                         "The comparisons stay as they are. Exit status 1 when the module cannot "
                                         "compare the signal."),
                          {input, dbc, signal, name, output}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    if (!inv.parser.isSet(input) || !inv.parser.isSet(dbc) || !inv.parser.isSet(signal))
        return UsageError(inv, QStringLiteral("--can-input, --dbc and --signal are needed"));
    bool ok = false;
    const int n = inv.parser.value(input).toInt(&ok);
    if (!ok || n < 1 || n > kCanInputCount)
        return UsageError(inv, QStringLiteral("--can-input takes 1 to 32, not \"%1\"").arg(inv.parser.value(input)));

    ConfigModel model;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), model)) return *failed;
    DbcDatabase db;
    if (auto failed = LoadDbc(inv, inv.parser.value(dbc), db)) return *failed;
    QString error;
    const std::optional<DbcSignalRef> found = FindDbcSignal(db, inv.parser.value(signal), &error);
    if (!found) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    const CanInputConfig before = model.CanInput(n);
    const DbcFillResult r = FillCanInput(before, *found->message, *found->signal, {inv.parser.isSet(name)});
    if (!r.Ok()) {
        inv.console().Err(*r.refusal);
        return EXIT_FAILED;
    }
    model.SetCanInput(n, r.config);
    const QString out = inv.parser.isSet(output) ? inv.parser.value(output) : inv.positional.at(0);
    if (!SaveConfigFile(model, out, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    inv.console().Out(QStringLiteral("CAN input %1 (%2) from %3.%4:")
                          .arg(n)
                          .arg(Cp1252ToString(r.config.CAN_NAME), found->message->name, found->signal->name));
    for (const QString& line : DbcFillSummary(before, r.config)) inv.console().Out(QStringLiteral("  ") + line);
    for (const QString& note : r.notes) inv.console().Err(note);
    inv.console().Out(QStringLiteral("Saved %1").arg(ConfigFilePath(out)));
    return EXIT_OK;
}

int DbcExport(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("dbc export");
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The CAN database to write (default: FILE with .dbc)."),
                                    QStringLiteral("FILE.dbc"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Writes the CAN traffic of a configuration file as a CAN database: each "
                                         "enabled CAN export as a message sent by node Relvane, and the messages the "
                                         "CAN inputs compare."),
                          {output}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    ConfigModel model;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), model)) return *failed;
    const QFileInfo source(ConfigFilePath(inv.positional.at(0)));
    const QString out = inv.parser.isSet(output) ? inv.parser.value(output)
                                                  : source.path() + QLatin1Char('/') + source.completeBaseName() + QStringLiteral(".dbc");
    const DbcExportResult r = ExportCanDatabase(model, source.fileName());
    for (const QString& note : r.notes) inv.console().Err(note);
    QString error;
    if (!SaveDbcFile(r.database, out, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    int signalCount = 0;
    for (const DbcMessage& m : r.database.messages) signalCount += int(m.signalList.size());
    inv.console().Out(QStringLiteral("Wrote %1: %2 messages, %3 signals").arg(out).arg(r.database.messages.size()).arg(signalCount));
    return EXIT_OK;
}

}  // namespace

std::optional<int> LoadDbc(Invocation& inv, const QString& path, DbcDatabase& database) {
    if (!QFileInfo(path).isFile()) {
        inv.console().Err(QStringLiteral("relvane %1: no CAN database %2").arg(inv.name, path));
        return EXIT_USAGE;
    }
    DbcReadResult r = ReadDbcFile(path);
    if (!r.Ok()) {
        inv.console().Err(QStringLiteral("%1: %2").arg(path, r.error));
        return EXIT_FAILED;
    }
    for (const DbcProblem& p : r.problems.mid(0, kProblemsShown))
        inv.console().Err(QStringLiteral("%1: %2 (left out)").arg(path, DbcProblemText(p)));
    if (r.problemCount > kProblemsShown)
        inv.console().Err(QStringLiteral("%1: %2 more lines left out").arg(path).arg(r.problemCount - kProblemsShown));
    database = std::move(r.database);
    return std::nullopt;
}

int RunDbc(Invocation& inv, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = TakeSubcommand(args);
    if (sub == QLatin1String("fill")) return DbcFill(inv, args);
    if (sub == QLatin1String("export")) return DbcExport(inv, args);
    if (sub == QLatin1String("show")) return DbcShow(inv, args);
    if (sub.isEmpty() && AsksForHelp(args)) {
        inv.console().Out(QStringLiteral("Usage: relvane dbc fill FILE.cfg --can-input N --dbc VEHICLE.dbc --signal MESSAGE.SIGNAL [--name] [-o OUT.cfg]"));
        inv.console().Out(QStringLiteral("       relvane dbc export FILE.cfg [-o FILE.dbc]"));
        inv.console().Out(QStringLiteral("       relvane dbc show VEHICLE.dbc"));
        inv.console().Out(QStringLiteral("fill: a CAN input from one signal; exit status 1 when the module cannot compare it."));
        inv.console().Out(QStringLiteral("export: the configuration's CAN exports and CAN inputs as a CAN database."));
        inv.console().Out(QStringLiteral("show: the messages and signals of a CAN database."));
        return EXIT_OK;
    }
    return UsageError(inv, sub.isEmpty() ? QStringLiteral("missing sub-command: fill, export or show")
                                         : QStringLiteral("unknown sub-command \"%1\"").arg(sub));
}

}  // namespace relvane::cli
