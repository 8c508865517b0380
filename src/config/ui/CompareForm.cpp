#include "config/ui/CompareForm.h"

#include "config/ConfigFile.h"
#include "config/FieldCatalogue.h"
#include "config/ui/DialogButtons.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace relvane {

namespace {

enum Column { FIELD_COLUMN = 0, CHANNEL_COLUMN, SHOWN_COLUMN, OTHER_COLUMN, COLUMN_COUNT };

// A row item knows its group and row; a group item holds -1 as its row.
constexpr int kGroupRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole + 1;
// And the section and key of its field.
constexpr int kSectionRole = Qt::UserRole + 2;
constexpr int kKeyRole = Qt::UserRole + 3;

// Edits of the shown configuration come in bursts (a typed number, a file loaded); the list
// is compared again once they stop.
constexpr int kRefreshDelayMs = 200;

QString ConfigFilter() { return QStringLiteral("config files (*.cfg)|*.CFG"); }

}  // namespace

QString TCompareForm::FileMissingText(const QString& path)
{
    return QStringLiteral("Unable to read %1: there is no such file").arg(path);
}

QString TCompareForm::NotAFileText(const QString& path)
{
    return QStringLiteral("Unable to read %1: it is not a file").arg(path);
}

QString TCompareForm::ModuleIncompleteText()
{
    return QStringLiteral("The module's configuration was not read to the end; nothing was compared.");
}

QString TCompareForm::NothingComparedText() { return QStringLiteral("Nothing compared"); }

TCompareForm::TCompareForm(ConfigModel& shown, Dialogs& dialogs, QStringList pageCaptions, Hooks hooks,
                           QWidget* parent)
    : QDialog(parent), shown_(shown), dialogs_(dialogs), captions_(std::move(pageCaptions)), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("CompareForm"));
    setWindowTitle(QStringLiteral("Compare configuration"));
    setModal(false);
    resize(760, 480);

    auto* root = new QVBoxLayout(this);
    auto* sources = new QHBoxLayout;
    auto* with = new QLabel(QStringLiteral("Compare the configuration shown with:"), this);
    btnFile_ = new QPushButton(QStringLiteral("File") + QChar(0x2026), this);
    btnFile_->setObjectName(QStringLiteral("BtnCompareFile"));
    btnModule_ = new QPushButton(QStringLiteral("Module"), this);
    btnModule_->setObjectName(QStringLiteral("BtnCompareModule"));
    btnModule_->setEnabled(static_cast<bool>(hooks_.readModule));
    sources->addWidget(with);
    sources->addWidget(btnFile_);
    sources->addWidget(btnModule_);
    sources->addStretch(1);
    root->addLayout(sources);

    sourceLabel_ = new QLabel(this);
    sourceLabel_->setObjectName(QStringLiteral("LabelCompareSource"));
    sourceLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    root->addWidget(sourceLabel_);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TreeDifferences"));
    tree_->setColumnCount(COLUMN_COUNT);
    tree_->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Channel"), QStringLiteral("Shown value"),
                            QStringLiteral("Other value")});
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(FIELD_COLUMN, QHeaderView::Interactive);
    tree_->header()->setSectionResizeMode(CHANNEL_COLUMN, QHeaderView::Stretch);
    tree_->setColumnWidth(FIELD_COLUMN, 210);
    tree_->setColumnWidth(SHOWN_COLUMN, 130);
    tree_->setColumnWidth(OTHER_COLUMN, 130);
    root->addWidget(tree_, 1);

    auto* ticks = new QHBoxLayout;
    auto* tickAll = new QPushButton(QStringLiteral("Tick all"), this);
    tickAll->setObjectName(QStringLiteral("BtnTickAll"));
    auto* tickNone = new QPushButton(QStringLiteral("Tick none"), this);
    tickNone->setObjectName(QStringLiteral("BtnTickNone"));
    btnApply_ = new QPushButton(QStringLiteral("Apply ticked"), this);
    btnApply_->setObjectName(QStringLiteral("BtnApplyTicked"));
    btnApply_->setToolTip(QStringLiteral("The ticked rows take the other side's value into the configuration shown "
                                         "(Edit -> Undo takes it back)"));
    ticks->addWidget(tickAll);
    ticks->addWidget(tickNone);
    ticks->addWidget(btnApply_);
    ticks->addStretch(1);
    root->addLayout(ticks);

    auto* bottom = new QHBoxLayout;
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("LabelCompareSummary"));
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("BtnCompareClose"));
    bottom->addWidget(summary_, 1);
    bottom->addWidget(close);
    root->addLayout(bottom);

    connect(btnFile_, &QPushButton::clicked, this, &TCompareForm::BtnCompareFileClick);
    connect(btnModule_, &QPushButton::clicked, this, &TCompareForm::BtnCompareModuleClick);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(tickAll, &QPushButton::clicked, this, &TCompareForm::BtnTickAllClick);
    connect(tickNone, &QPushButton::clicked, this, &TCompareForm::BtnTickNoneClick);
    connect(btnApply_, &QPushButton::clicked, this, &TCompareForm::BtnApplyTickedClick);
    // A tick is remembered by its field, so it survives the list's rebuilds.
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != FIELD_COLUMN || item->data(0, kRowRole).toInt() < 0)
            return;
        const QPair<QString, QString> field{item->data(FIELD_COLUMN, kSectionRole).toString(),
                                            item->data(FIELD_COLUMN, kKeyRole).toString()};
        if (item->checkState(FIELD_COLUMN) == Qt::Checked)
            ticked_.insert(field);
        else
            ticked_.remove(field);
        btnApply_->setEnabled(!ticked_.isEmpty());
    });
    // Enter on a row goes to its control; it presses no button.
    SetEnterButton(*this);
    // Activation: a double click, or Enter on the current row, as the desktop's item views do.
    connect(tree_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { TreeDifferencesDoubleClick(item); });

    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshDelayMs);
    connect(&refresh_, &QTimer::timeout, this, &TCompareForm::Recompare);
    connect(&shown_, &ConfigModel::Changed, this, [this] {
        if (other_)
            refresh_.start();
    });

    ClearComparison(QStringLiteral("Choose a configuration file or the module."));
}

TCompareForm::~TCompareForm() = default;

QString TCompareForm::SummaryText() const { return summary_->text(); }
QString TCompareForm::SourceText() const { return sourceLabel_->text(); }

void TCompareForm::BtnCompareFileClick()
{
    FileDialogOptions o;
    o.title = QStringLiteral("Compare with configuration file");
    o.filter = ConfigFilter();
    QString last = lastFile_;
    if (last.isEmpty() && hooks_.lastConfigPath)
        last = hooks_.lastConfigPath();
    if (!last.isEmpty()) {
        const QFileInfo info(last);
        o.initialFolder = info.isDir() ? last : info.absolutePath();
        if (info.isFile())
            o.fileName = last;
    }
    const std::optional<QString> chosen = dialogs_.OpenFile(o);
    if (!chosen || chosen->isEmpty())
        return;
    CompareWithFile(*chosen);
}

bool TCompareForm::CompareWithFile(const QString& path)
{
    // Loading a file that is not there would give every field its default, and the list would
    // compare against values nobody saved.
    // A folder or a pipe is refused before it is opened: reading a pipe would wait for a writer.
    const QString file = ConfigFilePath(path);
    const QFileInfo info(file);
    if (!info.exists() || !info.isFile()) {
        ClearComparison(NothingComparedText());
        dialogs_.Error(info.exists() ? NotAFileText(file) : FileMissingText(file));
        return false;
    }
    auto other = std::make_unique<ConfigModel>();
    QString error;
    if (!LoadConfigFile(*other, file, &error)) {
        ClearComparison(NothingComparedText());
        dialogs_.Error(error);
        return false;
    }
    lastFile_ = file;
    other_ = std::move(other);
    otherHasBoxName_ = false;
    source_ = QStringLiteral("File: ") + QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    tree_->headerItem()->setText(OTHER_COLUMN, QStringLiteral("File value"));
    Recompare();
    return true;
}

void TCompareForm::BtnCompareModuleClick()
{
    if (!hooks_.readModule)
        return;
    auto other = std::make_unique<ConfigModel>();
    btnModule_->setEnabled(false);
    btnFile_->setEnabled(false);
    const ModuleReadResult result = hooks_.readModule(*other);
    btnModule_->setEnabled(true);
    btnFile_->setEnabled(true);
    switch (result) {
    case ModuleReadResult::Complete:
        CompareWithModel(std::move(other), QStringLiteral("Module, as read just now"), QStringLiteral("Module value"),
                         true);
        return;
    case ModuleReadResult::NotStarted:
        // The read has told the user why (not connected, version) already.
        ClearComparison(NothingComparedText());
        return;
    case ModuleReadResult::Incomplete:
        // The read has told a time-out or a lost block itself, and a cancel was the user's:
        // the window says it in its summary rather than with a second message box.
        ClearComparison(ModuleIncompleteText());
        return;
    }
}

void TCompareForm::CompareWithModel(std::unique_ptr<ConfigModel> other, const QString& source,
                                    const QString& valueHeading, bool withBoxName)
{
    if (!other)
        return;
    other_ = std::move(other);
    otherHasBoxName_ = withBoxName;
    source_ = source;
    tree_->headerItem()->setText(OTHER_COLUMN, valueHeading);
    Recompare();
}

void TCompareForm::TickAll(bool ticked)
{
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        QTreeWidgetItem* top = tree_->topLevelItem(g);
        for (int r = 0; r < top->childCount(); ++r) {
            QTreeWidgetItem* item = top->child(r);
            if (item->flags() & Qt::ItemIsUserCheckable)
                item->setCheckState(FIELD_COLUMN, ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
}

void TCompareForm::BtnTickAllClick() { TickAll(true); }
void TCompareForm::BtnTickNoneClick() { TickAll(false); }

QList<QPair<QString, QString>> TCompareForm::TickedRows() const
{
    QList<QPair<QString, QString>> rows;
    for (const CompareGroup& g : groups_)
        for (const CompareRow& r : g.rows)
            if (ticked_.contains({r.difference.field.section, r.difference.field.key}))
                rows.append({r.difference.field.section, r.difference.field.key});
    return rows;
}

void TCompareForm::SetRowTicked(const QString& section, const QString& key, bool ticked)
{
    if (QTreeWidgetItem* item = RowItem(section, key); item && (item->flags() & Qt::ItemIsUserCheckable))
        item->setCheckState(FIELD_COLUMN, ticked ? Qt::Checked : Qt::Unchecked);
}

void TCompareForm::BtnApplyTickedClick()
{
    if (!other_)
        return;
    std::vector<FieldSpot> spots;
    for (const auto& [section, key] : TickedRows())
        if (const std::optional<FieldSpot> spot = FieldOfKey(section, key))
            spots.push_back(*spot);
    if (spots.empty())
        return;
    const auto work = [&] {
        ConfigModel::UpdateBatch batch(shown_);
        for (const FieldSpot& spot : spots)
            CopyField(shown_, *other_, spot);
    };
    if (hooks_.step)
        hooks_.step(QStringLiteral("Apply ticked"), work);
    else
        work();
    ticked_.clear();
    Recompare();
}

void TCompareForm::ClearComparison(const QString& why)
{
    refresh_.stop();
    other_.reset();
    groups_.clear();
    source_.clear();
    ticked_.clear();
    btnApply_->setEnabled(false);
    tree_->clear();
    tree_->headerItem()->setText(OTHER_COLUMN, QStringLiteral("Other value"));
    sourceLabel_->setText(QString());
    summary_->setText(why);
}

void TCompareForm::Recompare()
{
    if (!other_)
        return;
    groups_ = CompareConfigs(shown_, *other_, otherHasBoxName_);
    ShowGroups();
}

void TCompareForm::ShowGroups()
{
    // Keep the row the user had selected, if it still differs.
    QString selectedSection, selectedKey;
    if (const QTreeWidgetItem* current = tree_->currentItem(); current && current->data(0, kRowRole).toInt() >= 0) {
        selectedSection = current->data(FIELD_COLUMN, kSectionRole).toString();
        selectedKey = current->data(FIELD_COLUMN, kKeyRole).toString();
    }

    // Filling the list sets each row's tick; those are not the user's.
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    sourceLabel_->setText(source_);
    summary_->setText(CompareSummaryText(groups_));
    QSet<QPair<QString, QString>> stillTicked;
    QTreeWidgetItem* reselect = nullptr;
    for (int g = 0; g < groups_.size(); ++g) {
        const CompareGroup& group = groups_.at(g);
        const QString caption = group.page >= 0 && group.page < captions_.size()
                                    ? captions_.at(group.page)
                                    : QStringLiteral("Not on any page");
        auto* top = new QTreeWidgetItem(tree_);
        top->setText(FIELD_COLUMN, QStringLiteral("%1 (%2)").arg(caption).arg(group.rows.size()));
        top->setData(0, kGroupRole, g);
        top->setData(0, kRowRole, -1);
        top->setFirstColumnSpanned(true);
        QFont f = top->font(FIELD_COLUMN);
        f.setBold(true);
        top->setFont(FIELD_COLUMN, f);
        if (group.page == ComparePage::None)
            top->setToolTip(FIELD_COLUMN, QStringLiteral("Carried by the module and the file; no page shows these"));
        for (int r = 0; r < group.rows.size(); ++r) {
            const CompareRow& row = group.rows.at(r);
            const ConfigDifference& d = row.difference;
            auto* item = new QTreeWidgetItem(top);
            // Named as the page labels the field; the file's key is in the tooltip.
            item->setText(FIELD_COLUMN, FieldLabel(d.field.section, d.field.key));
            const QPair<QString, QString> field{d.field.section, d.field.key};
            if (FieldOfKey(d.field.section, d.field.key)) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                const bool ticked = ticked_.contains(field);
                item->setCheckState(FIELD_COLUMN, ticked ? Qt::Checked : Qt::Unchecked);
                if (ticked)
                    stillTicked.insert(field);
            }
            item->setText(CHANNEL_COLUMN, ChannelText(d));
            // As the controls show them; the file's own values in the tooltips.
            item->setText(SHOWN_COLUMN, ValueText(d.field, d.field.value, shown_));
            item->setText(OTHER_COLUMN, ValueText(d.field, d.otherValue, *other_));
            item->setToolTip(SHOWN_COLUMN, QStringLiteral("In the file: ") + d.field.value);
            item->setToolTip(OTHER_COLUMN, QStringLiteral("In the file: ") + d.otherValue);
            item->setData(0, kGroupRole, g);
            item->setData(0, kRowRole, r);
            item->setData(FIELD_COLUMN, kSectionRole, d.field.section);
            item->setData(FIELD_COLUMN, kKeyRole, d.field.key);
            const QString where = d.field.section.isEmpty() ? d.field.key : d.field.section + QLatin1Char(' ') + d.field.key;
            item->setToolTip(FIELD_COLUMN, row.location.page == ComparePage::None
                                               ? where + QStringLiteral(": no page shows this field")
                                               : where + QStringLiteral(": double click to go to the control"));
            if (d.field.section == selectedSection && d.field.key == selectedKey && !selectedKey.isEmpty())
                reselect = item;
        }
        top->setExpanded(true);
    }
    // A field that no longer differs is no longer ticked.
    ticked_ = stillTicked;
    btnApply_->setEnabled(!ticked_.isEmpty());
    if (reselect)
        tree_->setCurrentItem(reselect);
}

QTreeWidgetItem* TCompareForm::RowItem(const QString& section, const QString& key) const
{
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        QTreeWidgetItem* top = tree_->topLevelItem(g);
        for (int r = 0; r < top->childCount(); ++r) {
            QTreeWidgetItem* item = top->child(r);
            if (item->data(FIELD_COLUMN, kSectionRole).toString() == section
                && item->data(FIELD_COLUMN, kKeyRole).toString() == key)
                return item;
        }
    }
    return nullptr;
}

void TCompareForm::TreeDifferencesDoubleClick(QTreeWidgetItem* item)
{
    if (!item || !hooks_.goTo)
        return;
    const int g = item->data(0, kGroupRole).toInt();
    const int r = item->data(0, kRowRole).toInt();
    if (g < 0 || g >= groups_.size() || r < 0 || r >= groups_.at(g).rows.size())
        return;
    const FieldLocation where = groups_.at(g).rows.at(r).location;
    if (where.page == ComparePage::None)
        return;
    hooks_.goTo(where);
}

bool RevealControl(QWidget* page, const QString& objectName, int row)
{
    if (!page || objectName.isEmpty())
        return false;
    QWidget* control = page->findChild<QWidget*>(objectName);
    if (!control)
        return false;
    // Inner notebooks (the CAN input editor's, the CAN exports') show the tab that holds it,
    // scroll boxes scroll it into view.
    for (QWidget* w = control; w && w != page; w = w->parentWidget()) {
        QWidget* parent = w->parentWidget();
        if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                tabs->setCurrentWidget(w);
            else
                stack->setCurrentWidget(w);
        }
    }
    for (QWidget* w = control->parentWidget(); w && w != page->parentWidget(); w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w))
            scroll->ensureWidgetVisible(control);
    }
    // A list's row is made current (not ticked: a tick is the user's change).
    if (row >= 0) {
        if (auto* list = qobject_cast<QListWidget*>(control)) {
            if (row < list->count()) {
                list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
                list->scrollToItem(list->item(row));
            }
        }
    }
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

}  // namespace relvane
