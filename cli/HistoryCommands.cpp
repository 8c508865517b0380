// history list / show / restore: the restore points the window and the transfer commands keep,
// and --no-history of read, upload and defaults.

#include "cli/Commands.h"
#include "cli/Json.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"

#include <QDir>
#include <QFileInfo>

namespace relvane::cli {

namespace {

QString HistoryFolder(const Invocation& inv) {
    return inv.context.dataFolder.isEmpty() ? QString()
                                            : QDir(inv.context.dataFolder).filePath(QStringLiteral("history"));
}

QString TimeText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString BoxText(const QByteArray& boxName) {
    return boxName.isEmpty() ? QStringLiteral("(no name)") : Cp1252ToString(boxName);
}

QJsonObject PointJson(int number, const RestorePoint& p) {
    return {{QStringLiteral("number"), number},
            {QStringLiteral("time"), p.time.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("event"), p.event},
            {QStringLiteral("box_name"), Cp1252ToString(p.boxName)},
            {QStringLiteral("adapter"), p.adapter},
            {QStringLiteral("file"), p.file}};
}

// The listing, its skipped entries told on standard error.
std::optional<HistoryListing> Listing(Invocation& inv) {
    const QString folder = HistoryFolder(inv);
    if (folder.isEmpty()) {
        inv.console().Err(QStringLiteral("No data folder is set: no restore points are kept"));
        return std::nullopt;
    }
    HistoryListing listing = ConfigHistory(folder).List();
    for (const QString& s : listing.skipped) inv.console().Err(QStringLiteral("Skipped %1").arg(s));
    return listing;
}

// The restore point numbered N by "history list" (from 1, newest first), read whole.
std::optional<int> TakePoint(Invocation& inv, ConfigModel& model, RestorePoint& point) {
    bool ok = false;
    const int n = inv.positional.at(0).toInt(&ok);
    if (!ok || n < 1) return UsageError(inv, QStringLiteral("N is a number from 1, as \"relvane history list\" shows"));
    const std::optional<HistoryListing> listing = Listing(inv);
    if (!listing) return EXIT_FAILED;
    if (n > listing->points.size()) {
        inv.console().Err(QStringLiteral("There is no restore point %1 (%2 are kept)").arg(n).arg(listing->points.size()));
        return EXIT_FAILED;
    }
    QString why;
    if (!ReadRestorePointFile(listing->points.at(n - 1).file, &model, &point, &why)) {
        inv.console().Err(QStringLiteral("%1 %2").arg(QDir::toNativeSeparators(listing->points.at(n - 1).file), why));
        return EXIT_FAILED;
    }
    return std::nullopt;
}

int HistoryList(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("history list");
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("A JSON array of the restore points."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Lists the restore points, newest first: number, time, event, box name "
                                         "and adapter."),
                          {json}, {}, 0, 0))
        return *done;
    const std::optional<HistoryListing> listing = Listing(inv);
    if (!listing) return EXIT_FAILED;
    QJsonArray all;
    for (int i = 0; i < listing->points.size(); ++i) {
        const RestorePoint& p = listing->points.at(i);
        if (inv.parser.isSet(json)) {
            all.append(PointJson(i + 1, p));
            continue;
        }
        inv.console().Out(QStringLiteral("%1  %2  %3  %4  %5")
                              .arg(i + 1, 3)
                              .arg(TimeText(p.time), HistoryEventText(p.event).leftJustified(16), BoxText(p.boxName),
                                   p.adapter));
    }
    if (inv.parser.isSet(json)) inv.console().Out(JsonLine(all));
    return EXIT_OK;
}

int HistoryShow(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("history show");
    if (auto done = Parse(inv, args,
                          QStringLiteral("Shows restore point N (as \"relvane history list\" numbers them): its "
                                         "description, then every field as \"relvane config show\" does."),
                          {}, QStringLiteral("N"), 1, 1))
        return *done;
    ConfigModel model;
    RestorePoint p;
    if (auto failed = TakePoint(inv, model, p)) return *failed;
    inv.console().Out(QStringLiteral("Time: %1").arg(TimeText(p.time)));
    inv.console().Out(QStringLiteral("Event: %1").arg(HistoryEventText(p.event)));
    inv.console().Out(QStringLiteral("Box name: %1").arg(BoxText(p.boxName)));
    inv.console().Out(QStringLiteral("Adapter: %1").arg(p.adapter));
    inv.console().Out(QStringLiteral("File: %1").arg(QDir::toNativeSeparators(p.file)));
    inv.console().Out(QString());
    for (const ConfigField& f : ConfigFields(model)) inv.console().Out(FieldLine(f));
    return EXIT_OK;
}

int HistoryRestore(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("history restore");
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The configuration file to write (.cfg)."), QStringLiteral("FILE.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Writes restore point N (as \"relvane history list\" numbers them) as a "
                                         "configuration file, ready for \"relvane upload\"."),
                          {output}, QStringLiteral("N"), 1, 1))
        return *done;
    if (!inv.parser.isSet(output) || inv.parser.value(output).isEmpty())
        return UsageError(inv, QStringLiteral("-o FILE.cfg is required"));
    ConfigModel model;
    RestorePoint p;
    if (auto failed = TakePoint(inv, model, p)) return *failed;
    QString error;
    if (!SaveConfigFile(model, inv.parser.value(output), &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    inv.console().Err(QStringLiteral("Configuration saved to %1")
                          .arg(QFileInfo(ConfigFilePath(inv.parser.value(output))).absoluteFilePath()));
    return EXIT_OK;
}

}  // namespace

const QCommandLineOption& NoHistoryOption() {
    static const QCommandLineOption option(QStringLiteral("no-history"),
                                           QStringLiteral("Write no restore point (see \"relvane history\")."));
    return option;
}

void AddRestorePoint(Invocation& inv, const QString& event, const ConfigModel& model, const QString& adapter) {
    const QString folder = HistoryFolder(inv);
    if (folder.isEmpty() || inv.parser.isSet(NoHistoryOption())) return;
    QString error;
    if (!ConfigHistory(folder).Add(event, model, adapter, &error)) inv.console().Err(error);
}

int RunHistory(Invocation& inv, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = TakeSubcommand(args);
    if (sub == QLatin1String("list")) return HistoryList(inv, args);
    if (sub == QLatin1String("show")) return HistoryShow(inv, args);
    if (sub == QLatin1String("restore")) return HistoryRestore(inv, args);
    if (sub.isEmpty() && AsksForHelp(args)) {
        inv.console().Out(QStringLiteral("Usage: relvane history list [--json]"));
        inv.console().Out(QStringLiteral("       relvane history show N"));
        inv.console().Out(QStringLiteral("       relvane history restore N -o FILE.cfg"));
        inv.console().Out(QStringLiteral("Restore points are written at every read, and before every upload and "
                                         "default settings (--no-history skips them)."));
        return EXIT_OK;
    }
    return UsageError(inv, sub.isEmpty() ? QStringLiteral("missing sub-command: list, show or restore")
                                         : QStringLiteral("unknown sub-command \"%1\"").arg(sub));
}

}  // namespace relvane::cli
