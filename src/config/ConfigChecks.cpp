#include "config/ConfigChecks.h"

#include "config/ConfigModel.h"
#include "config/ConfigWords.h"
#include "config/Dialogs.h"
#include "config/SelectionLists.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace relvane {

// The rules are in ConfigCheckRules.cpp; this file holds what is said about their results.

int ErrorCount(const QList<ConfigProblem>& problems)
{
    return int(std::count_if(problems.begin(), problems.end(),
                             [](const ConfigProblem& p) { return p.severity == ProblemSeverity::Error; }));
}

int WarningCount(const QList<ConfigProblem>& problems)
{
    return int(problems.size()) - ErrorCount(problems);
}

QString SeverityText(ProblemSeverity severity)
{
    return severity == ProblemSeverity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

namespace {

QString Counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

QString ProblemCountText(const QList<ConfigProblem>& problems)
{
    const int errors = ErrorCount(problems);
    const int warnings = WarningCount(problems);
    QStringList parts;
    if (errors > 0)
        parts << Counted(errors, "error", "errors");
    if (warnings > 0)
        parts << Counted(warnings, "warning", "warnings");
    return parts.isEmpty() ? QStringLiteral("No problems") : parts.join(QStringLiteral(", "));
}

QString PageCaption(int page)
{
    static const char* const captions[] = {"General",        "Diagnostic", "Inputs",        "CAN Inputs",
                                           "Virtual Inputs", "CAN Export", "Outputs",       "Flash / Wiper",
                                           "Low Battery",    "Start / Kill Button", "Low Current", "Socket info"};
    if (page < 0 || page >= int(std::size(captions)))
        return QString();
    return QLatin1String(captions[page]);
}

QString LocationText(const FieldLocation& where, bool withControl)
{
    if (where.page == ComparePage::None)
        return QStringLiteral("no page");
    QStringList parts{PageCaption(where.page) + QStringLiteral(" page")};
    if (where.selectorRow >= 0) {
        if (where.selector == QLatin1String("ListBoxCAN_INPUT"))
            parts << QStringLiteral("CAN input %1").arg(where.selectorRow + 1);
        else if (where.selector == QLatin1String("ListBoxVIRTUAL_INPUT"))
            parts << QStringLiteral("virtual input %1").arg(where.selectorRow + 1);
        else if (where.selector == QLatin1String("ListBoxFlashNo"))
            parts << QStringLiteral("flash %1").arg(where.selectorRow + 1);
        else
            parts << QStringLiteral("%1 entry %2").arg(where.selector).arg(where.selectorRow + 1);
    }
    QString control = withControl ? where.control : QString();
    // The tick lists hold one row per output.
    if (where.controlRow >= 0)
        control += (control.isEmpty() ? QStringLiteral("output %1") : QStringLiteral(" (output %1)")).arg(where.controlRow + 1);
    if (!control.isEmpty())
        parts << control;
    return parts.join(QStringLiteral(", "));
}

QString ProblemLine(const ConfigProblem& p)
{
    return QStringLiteral("%1 %2: %3 [%4]").arg(SeverityText(p.severity), p.rule, p.message, LocationText(p.location));
}

QByteArray ProblemsJson(const QList<ConfigProblem>& problems)
{
    QJsonArray list;
    for (const ConfigProblem& p : problems) {
        const FieldLocation& l = p.location;
        QJsonObject o;
        o.insert(QStringLiteral("rule"), p.rule);
        o.insert(QStringLiteral("severity"), SeverityText(p.severity));
        o.insert(QStringLiteral("message"), p.message);
        o.insert(QStringLiteral("page"), l.page == ComparePage::None ? QJsonValue() : QJsonValue(PageCaption(l.page)));
        o.insert(QStringLiteral("pageIndex"), l.page);
        o.insert(QStringLiteral("selector"), l.selector.isEmpty() ? QJsonValue() : QJsonValue(l.selector));
        o.insert(QStringLiteral("selectorRow"), l.selectorRow);
        o.insert(QStringLiteral("control"), l.control.isEmpty() ? QJsonValue() : QJsonValue(l.control));
        o.insert(QStringLiteral("controlRow"), l.controlRow);
        list.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("errors"), ErrorCount(problems));
    root.insert(QStringLiteral("warnings"), WarningCount(problems));
    root.insert(QStringLiteral("problems"), list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString UploadAnywayQuestion(const QList<ConfigProblem>& problems)
{
    const qsizetype n = problems.size();
    QStringList lines{QStringLiteral("The configuration has %1 %2. Upload anyway?")
                          .arg(n)
                          .arg(n == 1 ? QStringLiteral("problem") : QStringLiteral("problems")),
                      QString()};
    // A message box taller than the screen hides its buttons: the rest is in the Problems panel.
    constexpr qsizetype shown = 12;
    for (qsizetype i = 0; i < std::min(n, shown); ++i) {
        const ConfigProblem& p = problems.at(i);
        lines << (p.severity == ProblemSeverity::Error ? QStringLiteral("Error: ") : QStringLiteral("Warning: "))
                     + p.message;
    }
    if (n > shown)
        lines << QStringLiteral("… and %1 more (see the Problems panel)").arg(n - shown);
    return lines.join(QLatin1Char('\n'));
}

bool ConfirmUploadDespiteProblems(const ConfigModel& model, Dialogs& dialogs)
{
    const QList<ConfigProblem> problems = CheckConfig(model);
    if (ErrorCount(problems) == 0)
        return true;
    return dialogs.WarningYesNo(UploadAnywayQuestion(problems));
}

}  // namespace relvane
