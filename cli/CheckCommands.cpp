// config check and config sheet: the window's Problems panel and its File -> "Export sheet…"
// on configuration files.

#include "cli/Commands.h"
#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "config/sheet/SheetWriter.h"

#include <QDateTime>
#include <QFileInfo>

namespace relvane::cli {

int ConfigCheckCommand(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("config check");
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the problems as a JSON document."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Checks a configuration file as a whole, as the window's Problems panel "
                                         "does: one line per problem with its severity, rule, message and the page "
                                         "and control it concerns. Exit status 1 when there are errors."),
                          {json}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    ConfigModel model;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), model)) return *failed;
    const QList<ConfigProblem> problems = CheckConfig(model);
    if (inv.parser.isSet(json)) {
        inv.console().OutRaw(QString::fromUtf8(ProblemsJson(problems)));
    } else {
        for (const ConfigProblem& p : problems) inv.console().Out(ProblemLine(p));
        inv.console().Out(ProblemCountText(problems));
    }
    return ErrorCount(problems) > 0 ? EXIT_FAILED : EXIT_OK;
}

int ConfigSheetCommand(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("config sheet");
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The sheet to write: OUT.pdf, or OUT.html for a web page."),
                                    QStringLiteral("OUT.pdf"));
    const QCommandLineOption paper(QStringLiteral("paper"), QStringLiteral("a4 or letter (default: as the system's locale)."),
                                   QStringLiteral("SIZE"));
    const QCommandLineOption boxName(QStringLiteral("box-name"),
                                     QStringLiteral("The box name printed in the header (files hold none)."), QStringLiteral("NAME"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Writes the configuration sheet of a configuration file: outputs with pins, "
                                         "current limits and triggers, inputs, CAN inputs, virtual inputs as formulas, "
                                         "the load-management functions, the CAN exports, the problems and a drawing of "
                                         "each connector."),
                          {output, paper, boxName}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    const QString out = inv.parser.value(output);
    if (out.isEmpty()) return UsageError(inv, QStringLiteral("-o OUT.pdf or -o OUT.html is required"));
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("html") && suffix != QLatin1String("htm"))
        return UsageError(inv, QStringLiteral("the sheet is a .pdf or an .html file, not \"%1\"").arg(out));
    SheetPaper size = DefaultSheetPaper();
    if (inv.parser.isSet(paper)) {
        const QString p = inv.parser.value(paper).toLower();
        if (p == QLatin1String("a4")) size = SheetPaper::A4;
        else if (p == QLatin1String("letter")) size = SheetPaper::Letter;
        else return UsageError(inv, QStringLiteral("--paper is a4 or letter, not \"%1\"").arg(inv.parser.value(paper)));
    }
    const QString name = inv.parser.value(boxName);
    bool mapped = true;
    const QByteArray box = StringToCp1252(name, &mapped);
    if (name.size() > kChannelNameLength || !mapped)
        return UsageError(inv, QStringLiteral("--box-name holds at most %1 characters of Windows-1252").arg(kChannelNameLength));

    ConfigModel model;
    if (auto failed = LoadGivenFile(inv, inv.positional.at(0), model)) return *failed;
    model.SetBoxName(box);
    SheetInfo info;
    info.fileName = QFileInfo(ConfigFilePath(inv.positional.at(0))).fileName();
    info.created = QDateTime::currentDateTime();
    info.toolVersion = QStringLiteral(RELVANE_VERSION);
    QString error;
    if (!ExportSheet(model, info, out, size, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    inv.console().Err(QStringLiteral("Sheet written to %1").arg(QFileInfo(out).absoluteFilePath()));
    return EXIT_OK;
}

std::optional<int> RefuseProblems(Invocation& inv, const ConfigModel& model, bool force) {
    const QList<ConfigProblem> problems = CheckConfig(model);
    for (const ConfigProblem& p : problems) inv.console().Err(ProblemLine(p));
    if (ErrorCount(problems) == 0) return std::nullopt;
    if (force) {
        inv.console().Err(QStringLiteral("Uploading despite %1 (--force)").arg(ProblemCountText(problems)));
        return std::nullopt;
    }
    inv.console().Err(QStringLiteral("The configuration has %1; nothing was uploaded (--force uploads anyway)")
                          .arg(ProblemCountText(problems)));
    return EXIT_FAILED;
}

bool NeedsGuiApplication(const QStringList& args) {
    const qsizetype config = args.indexOf(QStringLiteral("config"));
    return config >= 0 && args.indexOf(QStringLiteral("sheet"), config + 1) > config;
}

}  // namespace relvane::cli
