#pragma once
// Pieces of the configuration sheet's HTML shared by its source files; internal to config/.

#include "config/ConfigModel.h"
#include "config/ConfigWords.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace relvane {

struct ConfigProblem;

namespace sheet {

inline QString E(const QString& text) { return text.toHtmlEscaped(); }

inline const char* const kStyle =
    "body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 8pt; }"
    "h1 { font-size: 15pt; margin-bottom: 4pt; }"
    "h2 { font-size: 11pt; margin-top: 12pt; margin-bottom: 4pt; }"
    "table.grid { border-collapse: collapse; border-color: #a0a0a0; font-size: 7.5pt; }"
    "table.grid th { background-color: #e8e8e8; text-align: left; font-weight: bold; }"
    "td.num { text-align: right; }"
    "p.note { color: #505050; }"
    "p.gap { font-size: 6pt; margin: 0; }"
    "span.error { color: #b00000; font-weight: bold; }"
    "span.warning { color: #8a5a00; font-weight: bold; }";

// A column of a table: its head, its share of the width in percent, and whether it holds
// numbers (set right).
struct Column {
    QString head;
    int width = 0;
    bool numeric = false;
};

// A table of escaped cells; the head row repeats on every page the table runs over. An empty
// line follows it: the text layout drops the top margin of a heading right after a table.
inline QString Table(const QList<Column>& columns, const QList<QStringList>& rows)
{
    QString html = QStringLiteral("<table class=\"grid\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\"><thead><tr>");
    for (const Column& c : columns)
        html += QStringLiteral("<th width=\"%1%\">").arg(c.width) + E(c.head) + QStringLiteral("</th>");
    html += QStringLiteral("</tr></thead>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (qsizetype i = 0; i < row.size(); ++i)
            html += (i < columns.size() && columns.at(i).numeric ? QStringLiteral("<td class=\"num\">") : QStringLiteral("<td>"))
                    + row.at(i) + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table><p class=\"gap\">&nbsp;</p>");
}

inline QString H2(const QString& text) { return QStringLiteral("<h2>") + E(text) + QStringLiteral("</h2>"); }
inline QString P(const QString& escaped) { return QStringLiteral("<p>") + escaped + QStringLiteral("</p>"); }
inline QString Note(const QString& text) { return QStringLiteral("<p class=\"note\">") + E(text) + QStringLiteral("</p>"); }

inline QString OutputsText(const ConfigModel& m, const OutputList& list)
{
    QStringList names;
    for (int n = 1; n <= kOutputCount; ++n)
        if (list.test(std::size_t(n - 1)))
            names << OutputWords(m, n);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

}  // namespace sheet

// The sections of ConfigSheetFunctions.cpp.
QString SheetFunctions(const ConfigModel& model);       // flash, wiper, low battery, start and kill
QString SheetExports(const ConfigModel& model);         // the CAN exports
QString SheetProblems(const QList<ConfigProblem>& problems);

}  // namespace relvane
