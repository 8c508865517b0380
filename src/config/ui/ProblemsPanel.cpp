#include "config/ui/ProblemsPanel.h"

#include "config/ConfigModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

namespace relvane {

namespace {

enum Column { SEVERITY_COLUMN = 0, PROBLEM_COLUMN, WHERE_COLUMN, COLUMN_COUNT };
constexpr int kIndexRole = Qt::UserRole;  // the problem's place in the list; -1 for "No problems"

// Edits come in bursts (a typed number, a file loaded): the list is checked once they pause.
constexpr int kRecheckDelayMs = 200;

}  // namespace

TProblemsPanel::TProblemsPanel(ConfigModel& model, std::function<void(const FieldLocation&)> goTo, QWidget* parent)
    : QDockWidget(QStringLiteral("Problems"), parent), model_(model), goTo_(std::move(goTo))
{
    setObjectName(QStringLiteral("DockProblems"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListProblems"));
    list_->setColumnCount(COLUMN_COUNT);
    list_->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Problem"), QStringLiteral("Where")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setTextElideMode(Qt::ElideRight);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(SEVERITY_COLUMN, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(PROBLEM_COLUMN, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(WHERE_COLUMN, QHeaderView::Interactive);
    list_->setColumnWidth(WHERE_COLUMN, 230);
    setWidget(list_);

    // Activation: a double click, or Enter on the current row, as in the compare window.
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) { ListProblemsDoubleClick(item); });
    recheck_.setSingleShot(true);
    recheck_.setInterval(kRecheckDelayMs);
    connect(&recheck_, &QTimer::timeout, this, &TProblemsPanel::Recheck);
    connect(&model_, &ConfigModel::Changed, this, [this] { recheck_.start(); });

    Recheck();
}

void TProblemsPanel::Recheck()
{
    recheck_.stop();
    const QList<ConfigProblem> problems = CheckConfig(model_);
    if (problems == problems_ && list_->topLevelItemCount() > 0)
        return;
    problems_ = problems;
    Show();
    Q_EMIT ProblemsChanged(CountText(), ErrorCount(problems_));
}

void TProblemsPanel::Show()
{
    // The row the user was on stays selected while its problem is still there.
    ConfigProblem selected;
    if (const QTreeWidgetItem* current = list_->currentItem()) {
        const int i = current->data(SEVERITY_COLUMN, kIndexRole).toInt();
        if (i >= 0 && i < problems_.size())
            selected = problems_.at(i);
    }
    list_->clear();
    if (problems_.isEmpty()) {
        auto* none = new QTreeWidgetItem(list_);
        none->setText(PROBLEM_COLUMN, QStringLiteral("The checks found no problem."));
        none->setData(SEVERITY_COLUMN, kIndexRole, -1);
        return;
    }
    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QTreeWidgetItem* reselect = nullptr;
    for (int i = 0; i < problems_.size(); ++i) {
        const ConfigProblem& p = problems_.at(i);
        const bool error = p.severity == ProblemSeverity::Error;
        auto* item = new QTreeWidgetItem(list_);
        item->setIcon(SEVERITY_COLUMN, error ? errorIcon : warningIcon);
        item->setText(SEVERITY_COLUMN, error ? QStringLiteral("Error") : QStringLiteral("Warning"));
        item->setText(PROBLEM_COLUMN, p.message);
        item->setText(WHERE_COLUMN, LocationText(p.location, false));
        item->setData(SEVERITY_COLUMN, kIndexRole, i);
        // The whole message, for when the column cuts it.
        item->setToolTip(PROBLEM_COLUMN, p.message + QStringLiteral("\n(rule ") + p.rule + QLatin1Char(')'));
        item->setToolTip(WHERE_COLUMN, p.location.page == ComparePage::None
                                           ? QStringLiteral("No page shows this field")
                                           : QStringLiteral("Double click to go to the control (%1)").arg(p.location.control));
        if (p == selected)
            reselect = item;
    }
    if (reselect)
        list_->setCurrentItem(reselect);
}

void TProblemsPanel::ListProblemsDoubleClick(QTreeWidgetItem* item)
{
    if (!item || !goTo_)
        return;
    const int i = item->data(SEVERITY_COLUMN, kIndexRole).toInt();
    if (i < 0 || i >= problems_.size())
        return;
    goTo_(problems_.at(i).location);
}

}  // namespace relvane
