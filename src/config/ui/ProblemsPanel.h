#pragma once
// The "Problems" panel: the configuration checks of the configuration shown, kept up to date as
// the user edits, in a dock the user can hide. A double click (or Enter) on a problem takes the
// user to its control, as the compare window does; the main window shows the count in its
// status bar.

#include "config/ConfigChecks.h"

#include <QDockWidget>
#include <QTimer>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace relvane {

class ConfigModel;

class TProblemsPanel final : public QDockWidget {
    Q_OBJECT
public:
    // goTo shows a problem's control in the main window.
    TProblemsPanel(ConfigModel& model, std::function<void(const FieldLocation&)> goTo, QWidget* parent = nullptr);

    // Checks the configuration now (edits are checked once they pause).
    void Recheck();
    const QList<ConfigProblem>& Problems() const { return problems_; }
    // "2 errors, 1 warning", "No problems".
    QString CountText() const { return ProblemCountText(problems_); }
    QTreeWidget* ListProblems() const { return list_; }
    // A double click on a row.
    void ListProblemsDoubleClick(QTreeWidgetItem* item);

Q_SIGNALS:
    // After every check, with the new count.
    void ProblemsChanged(const QString& countText, int errors);

private:
    void Show();

    ConfigModel& model_;
    std::function<void(const FieldLocation&)> goTo_;
    QList<ConfigProblem> problems_;
    QTreeWidget* list_ = nullptr;
    QTimer recheck_;
};

}  // namespace relvane
