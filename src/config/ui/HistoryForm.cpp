#include "config/ui/HistoryForm.h"

#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "config/Dialogs.h"
#include "config/ui/DialogButtons.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace relvane {

namespace {
enum Column { TIME_COLUMN = 0, EVENT_COLUMN, BOX_COLUMN, ADAPTER_COLUMN, COLUMN_COUNT };
}  // namespace

THistoryForm::THistoryForm(QString folder, Dialogs& dialogs, Hooks hooks, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), dialogs_(dialogs), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral("History"));
    setModal(false);
    resize(720, 420);

    auto* root = new QVBoxLayout(this);
    folderLabel_ = new QLabel(this);
    folderLabel_->setObjectName(QStringLiteral("LabelHistoryFolder"));
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    root->addWidget(folderLabel_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListRestorePoints"));
    list_->setColumnCount(COLUMN_COUNT);
    list_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Event"), QStringLiteral("Box name"),
                            QStringLiteral("Adapter")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(TIME_COLUMN, 160);
    list_->setColumnWidth(EVENT_COLUMN, 180);
    list_->setColumnWidth(BOX_COLUMN, 140);
    root->addWidget(list_, 1);

    skipped_ = new QLabel(this);
    skipped_->setObjectName(QStringLiteral("LabelHistorySkipped"));
    skipped_->setWordWrap(true);
    skipped_->setStyleSheet(QStringLiteral("color: #a00000;"));
    root->addWidget(skipped_);

    auto* buttons = new QHBoxLayout;
    compare_ = new QPushButton(QStringLiteral("Compare"), this);
    compare_->setObjectName(QStringLiteral("BtnHistoryCompare"));
    compare_->setToolTip(QStringLiteral("The compare window: the configuration shown against this restore point"));
    restore_ = new QPushButton(QStringLiteral("Restore"), this);
    restore_->setObjectName(QStringLiteral("BtnHistoryRestore"));
    restore_->setToolTip(QStringLiteral("Show this restore point as the configuration (Edit -> Undo takes it back)"));
    auto* open = new QPushButton(QStringLiteral("Open folder"), this);
    open->setObjectName(QStringLiteral("BtnHistoryOpenFolder"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("BtnHistoryClose"));
    buttons->addWidget(compare_);
    buttons->addWidget(restore_);
    buttons->addWidget(open);
    buttons->addStretch(1);
    buttons->addWidget(close);
    root->addLayout(buttons);

    connect(compare_, &QPushButton::clicked, this, &THistoryForm::BtnCompareClick);
    connect(restore_, &QPushButton::clicked, this, &THistoryForm::BtnRestoreClick);
    connect(open, &QPushButton::clicked, this, &THistoryForm::BtnOpenFolderClick);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // Enter on a row compares; it presses no button.
    SetEnterButton(*this);
    // A double click (or Enter) on a row compares, as the compare window's rows lead somewhere.
    connect(list_, &QTreeWidget::itemActivated, this, [this] { BtnCompareClick(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const bool one = !list_->selectedItems().isEmpty();
        compare_->setEnabled(one);
        restore_->setEnabled(one);
    });
    Reload();
}

void THistoryForm::showEvent(QShowEvent* event)
{
    Reload();
    QDialog::showEvent(event);
}

void THistoryForm::Reload()
{
    listing_ = ConfigHistory(folder_).List();
    QString where = QStringLiteral("Restore points in %1 (at most %2 per box name)")
                        .arg(QDir::toNativeSeparators(folder_))
                        .arg(listing_.limit);
    // An empty list says why, rather than looking broken.
    if (listing_.points.isEmpty())
        where += QStringLiteral("\nNone yet: one is written at every Read, and before every Upload, Default "
                                "settings and firmware Program.");
    folderLabel_->setText(where);
    list_->clear();
    for (int i = 0; i < listing_.points.size(); ++i) {
        const RestorePoint& p = listing_.points.at(i);
        auto* item = new QTreeWidgetItem(list_);
        item->setText(TIME_COLUMN, p.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(EVENT_COLUMN, HistoryEventText(p.event));
        item->setText(BOX_COLUMN, p.boxName.isEmpty() ? QStringLiteral("(no name)") : Cp1252ToString(p.boxName));
        item->setText(ADAPTER_COLUMN, p.adapter);
        item->setToolTip(TIME_COLUMN, QDir::toNativeSeparators(p.file));
        item->setData(TIME_COLUMN, Qt::UserRole, i);
    }
    skipped_->setText(SkippedText());
    skipped_->setVisible(!listing_.skipped.isEmpty());
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    const bool one = !list_->selectedItems().isEmpty();
    compare_->setEnabled(one);
    restore_->setEnabled(one);
}

QString THistoryForm::SkippedText() const
{
    if (listing_.skipped.isEmpty())
        return QString();
    return QStringLiteral("Skipped: ") + listing_.skipped.join(QStringLiteral("; "));
}

void THistoryForm::SelectRow(int n)
{
    if (QTreeWidgetItem* item = list_->topLevelItem(n))
        list_->setCurrentItem(item);
}

bool THistoryForm::ReadSelected(ConfigModel& into, RestorePoint* point)
{
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return false;
    const int i = selected.first()->data(TIME_COLUMN, Qt::UserRole).toInt();
    if (i < 0 || i >= listing_.points.size())
        return false;
    const RestorePoint& p = listing_.points.at(i);
    QString why;
    if (!ReadRestorePointFile(p.file, &into, point, &why)) {
        dialogs_.Error(QStringLiteral("The restore point %1 %2.").arg(QDir::toNativeSeparators(p.file), why));
        return false;
    }
    return true;
}

void THistoryForm::BtnCompareClick()
{
    ConfigModel model;
    RestorePoint p;
    if (hooks_.compare && ReadSelected(model, &p))
        hooks_.compare(model, p);
}

void THistoryForm::BtnRestoreClick()
{
    ConfigModel model;
    RestorePoint p;
    if (hooks_.restore && ReadSelected(model, &p))
        hooks_.restore(model, p);
}

void THistoryForm::BtnOpenFolderClick()
{
    QDir().mkpath(folder_);
    if (hooks_.openFolder)
        hooks_.openFolder(folder_);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder_));
}

}  // namespace relvane
