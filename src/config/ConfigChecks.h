#pragma once
// Checks of a configuration as a whole, before it reaches a vehicle: each editor limits its own
// field, but only a look at all of them finds a virtual input that depends on itself, a CAN
// input that can never switch, two CAN exports on one identifier, and the like. Each problem
// names its rule (a stable identifier), its severity, the channel or input by number and name,
// and the page and control where it is mended. The window's "Problems" panel, the upload
// question, "relvane config check" and the printed sheet all use this one list.

#include "config/ConfigCompare.h"

#include <QList>
#include <QString>

namespace relvane {

class ConfigModel;
class Dialogs;

enum class ProblemSeverity { Error, Warning };

// One rule: its identifier, severity and a line that says what it finds.
struct CheckRule {
    const char* id;
    ProblemSeverity severity;
    const char* summary;
};
// Every rule, in the order the checks run (the README documents each with its reason).
const QList<CheckRule>& CheckRules();

struct ConfigProblem {
    QString rule;  // "virtual-loop"
    ProblemSeverity severity = ProblemSeverity::Error;
    QString message;  // one sentence, naming the channel or input by number and name
    FieldLocation location;  // page and control; page ComparePage::None when no page shows it

    bool operator==(const ConfigProblem&) const = default;
};

// Every problem of the configuration: errors first, then warnings, each group in rule order.
// Any model is checked, whatever its values.
QList<ConfigProblem> CheckConfig(const ConfigModel& model);

int ErrorCount(const QList<ConfigProblem>& problems);
int WarningCount(const QList<ConfigProblem>& problems);

// "error" or "warning".
QString SeverityText(ProblemSeverity severity);
// "2 errors, 1 warning", "1 error", "No problems".
QString ProblemCountText(const QList<ConfigProblem>& problems);
// The caption of a notebook page ("Outputs"); empty for ComparePage::None.
QString PageCaption(int page);
// "Outputs page, ComboBoxInputTrigCH5", "Virtual Inputs page, virtual input 3,
// ComboBoxVirtuel_1_Channel_2"; "no page" when none shows the field. Without the control's
// name for people ("Virtual Inputs page, virtual input 3").
QString LocationText(const FieldLocation& location, bool withControl = true);
// "error virtual-loop: <message> [<location>]"
QString ProblemLine(const ConfigProblem& problem);
// The list as a JSON document: {"errors": n, "warnings": n, "problems": [{"rule", "severity",
// "message", "page", "pageIndex", "selector", "selectorRow", "control", "controlRow"}]}.
QByteArray ProblemsJson(const QList<ConfigProblem>& problems);
// "The configuration has 3 problems. Upload anyway?" followed by the problems, one a line.
QString UploadAnywayQuestion(const QList<ConfigProblem>& problems);
// Before an upload: with errors, asks UploadAnywayQuestion (warning, Yes and No); warnings alone
// ask nothing. True when the upload may go on.
bool ConfirmUploadDespiteProblems(const ConfigModel& model, Dialogs& dialogs);

}  // namespace relvane
