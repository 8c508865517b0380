#include "can/ui/DbcPickerForm.h"

#include "config/Cp1252.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace relvane {

namespace {

constexpr int kMessageRole = Qt::UserRole;
constexpr int kSignalRole = Qt::UserRole + 1;
constexpr int kProblemsShown = 10;
constexpr int kSearchPauseMs = 150;

QString Layout(const DbcSignal& s)
{
    return QStringLiteral("%1|%2 %3%4")
        .arg(s.startBit)
        .arg(s.length)
        .arg(s.order == DbcByteOrder::Intel ? QStringLiteral("Intel") : QStringLiteral("Motorola"))
        .arg(s.valueType != DbcValueType::Integer ? QStringLiteral(" float") : s.isSigned ? QStringLiteral(" signed") : QString());
}

QString MuxText(const DbcSignal& s)
{
    if (s.mux == DbcMux::Multiplexor)
        return QStringLiteral("multiplexor");
    if (s.mux == DbcMux::Multiplexed)
        return QStringLiteral("when %1").arg(s.muxValue);
    return {};
}

}  // namespace

FileDialogOptions DbcFileDialogOptions(const QString& lastPath)
{
    FileDialogOptions o;
    o.title = QStringLiteral("CAN database");
    o.filter = QStringLiteral("CAN database (*.dbc *.DBC)|*.dbc;*.DBC|Any file (*.*)|*.*");
    o.defaultExtension = QStringLiteral("dbc");
    if (!lastPath.isEmpty()) {
        o.initialFolder = QFileInfo(lastPath).absolutePath();
        o.fileName = lastPath;
    }
    return o;
}

std::shared_ptr<const DbcDatabase> ReadDbcForWindow(Dialogs& dialogs, const QString& path)
{
    DbcReadResult r = ReadDbcFile(path);
    if (!r.Ok()) {
        dialogs.Error(QStringLiteral("%1 cannot be read as a CAN database:\n%2").arg(QDir::toNativeSeparators(path), r.error));
        return nullptr;
    }
    if (r.problemCount > 0) {
        QStringList lines;
        for (const DbcProblem& p : r.problems.mid(0, kProblemsShown))
            lines << DbcProblemText(p);
        if (r.problemCount > kProblemsShown)
            lines << QStringLiteral("and %1 more").arg(r.problemCount - kProblemsShown);
        dialogs.Message(MessageKind::Warning, QStringLiteral("These lines of %1 could not be used and are left out; the rest "
                                                             "of the file is used:\n%2")
                                                  .arg(QFileInfo(path).fileName(), lines.join(QLatin1Char('\n'))));
    }
    return std::make_shared<const DbcDatabase>(std::move(r.database));
}

TDbcPickerForm::TDbcPickerForm(Dialogs& dialogs, int canInput, const CanInputConfig& current, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), canInput_(canInput), current_(current)
{
    setObjectName(QStringLiteral("DbcPickerForm"));
    setWindowTitle(QStringLiteral("From DBC - CAN input %1: %2").arg(canInput).arg(Cp1252ToString(current.CAN_NAME)));
    resize(760, 560);

    auto* root = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    fileLabel_ = new QLabel(QStringLiteral("No CAN database"), this);
    fileLabel_->setObjectName(QStringLiteral("LabelDbcFile"));
    fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* file = new QPushButton(QStringLiteral("File") + QChar(0x2026), this);
    file->setObjectName(QStringLiteral("BtnDbcFile"));
    fileRow->addWidget(fileLabel_, 1);
    fileRow->addWidget(file);
    root->addLayout(fileRow);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("EditDbcSearch"));
    search_->setPlaceholderText(QStringLiteral("Search: message or signal name, or identifier in hexadecimal"));
    search_->setClearButtonEnabled(true);
    root->addWidget(search_);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TreeDbcSignals"));
    tree_->setHeaderLabels({QStringLiteral("Message / signal"), QStringLiteral("ID"), QStringLiteral("Bits"),
                            QStringLiteral("Factor"), QStringLiteral("Offset"), QStringLiteral("Unit"),
                            QStringLiteral("Multiplexing")});
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Widths from the longest texts the columns hold, not from the items: measuring thousands
    // of rows would slow a large database down.
    const QStringList widest{QString(), QStringLiteral("0x18FEF1FE ext"), QStringLiteral("63|16 Motorola signed"),
                             QStringLiteral("0.0000125"), QStringLiteral("-12345.5"), QStringLiteral("km/h/s"),
                             QStringLiteral("multiplexor")};
    for (int c = 1; c < widest.size(); ++c)
        tree_->setColumnWidth(c, std::max(fontMetrics().horizontalAdvance(widest.at(c)),
                                          fontMetrics().horizontalAdvance(tree_->headerItem()->text(c))) + 24);
    root->addWidget(tree_, 1);

    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("LabelDbcPreview"));
    preview_->setWordWrap(true);
    preview_->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setMargin(6);
    root->addWidget(preview_);

    auto* bottom = new QHBoxLayout;
    takeName_ = new QCheckBox(QStringLiteral("The signal's name becomes the CAN input's name"), this);
    takeName_->setObjectName(QStringLiteral("CheckBoxDbcName"));
    fill_ = new QPushButton(QStringLiteral("Fill CAN input %1").arg(canInput), this);
    fill_->setObjectName(QStringLiteral("BtnDbcFill"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BtnDbcCancel"));
    // Enter belongs to the search and the list, never to a button: it must not fill by surprise.
    for (QPushButton* b : {file, fill_, cancel})
        b->setAutoDefault(false);
    bottom->addWidget(takeName_, 1);
    bottom->addWidget(fill_);
    bottom->addWidget(cancel);
    root->addLayout(bottom);

    searchPause_.setSingleShot(true);
    searchPause_.setInterval(kSearchPauseMs);
    connect(&searchPause_, &QTimer::timeout, this, &TDbcPickerForm::ApplySearch);
    connect(file, &QPushButton::clicked, this, &TDbcPickerForm::BtnDbcFileClick);
    connect(search_, &QLineEdit::textChanged, this, &TDbcPickerForm::EditDbcSearchChange);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &TDbcPickerForm::ShowSelection);
    connect(search_, &QLineEdit::returnPressed, this, [this] {
        ApplySearch();
        tree_->setFocus();
    });
    // A double click or Enter on a signal fills from it.
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && item->data(0, kSignalRole).toInt() >= 0)
            BtnDbcFillClick();
    });
    connect(takeName_, &QCheckBox::clicked, this, &TDbcPickerForm::ShowSelection);
    connect(fill_, &QPushButton::clicked, this, &TDbcPickerForm::BtnDbcFillClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowSelection();
}

TDbcPickerForm::~TDbcPickerForm() = default;

bool TDbcPickerForm::OpenDatabase(const QString& path)
{
    std::shared_ptr<const DbcDatabase> db = ReadDbcForWindow(dialogs_, path);
    if (!db)
        return false;
    db_ = std::move(db);
    path_ = path;
    int signalCount = 0;
    for (const DbcMessage& m : db_->messages)
        signalCount += int(m.signalList.size());
    fileLabel_->setToolTip(QDir::toNativeSeparators(path));
    fileLabel_->setText(QStringLiteral("%1 - %2 messages, %3 signals")
                            .arg(QFileInfo(path).fileName())
                            .arg(db_->messages.size())
                            .arg(signalCount));
    Populate();
    ShowSelection();
    return true;
}

void TDbcPickerForm::BtnDbcFileClick()
{
    if (const std::optional<QString> path = dialogs_.OpenFile(DbcFileDialogOptions(path_)))
        OpenDatabase(*path);
}

void TDbcPickerForm::EditDbcSearchChange() { searchPause_.start(); }

void TDbcPickerForm::Populate()
{
    tree_->clear();
    if (!db_)
        return;
    QList<QTreeWidgetItem*> tops;
    for (qsizetype mi = 0; mi < db_->messages.size(); ++mi) {
        const DbcMessage& m = db_->messages.at(mi);
        const QString id = QStringLiteral("0x") + QString::number(m.id, 16).toUpper() + (m.extended ? QStringLiteral(" ext") : QString());
        auto* top = new QTreeWidgetItem({m.name, id, QStringLiteral("%1 bytes").arg(m.size)});
        top->setData(0, kMessageRole, int(mi));
        top->setData(0, kSignalRole, -1);
        if (!m.comment.isEmpty())
            top->setToolTip(0, m.comment);
        for (qsizetype si = 0; si < m.signalList.size(); ++si) {
            const DbcSignal& s = m.signalList.at(si);
            auto* item = new QTreeWidgetItem(top, {s.name, QString(), Layout(s), QString::number(s.factor, 'g', 10),
                                                   QString::number(s.offset, 'g', 10), s.unit, MuxText(s)});
            item->setData(0, kMessageRole, int(mi));
            item->setData(0, kSignalRole, int(si));
            if (const std::optional<QString> refusal = DbcFillRefusal(m, s)) {
                for (int c = 0; c < item->columnCount(); ++c) {
                    item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
                    item->setToolTip(c, *refusal);
                }
            } else if (!s.comment.isEmpty()) {
                item->setToolTip(0, s.comment);
            }
        }
        tops.append(top);
    }
    tree_->addTopLevelItems(tops);
    ApplySearch();
}

void TDbcPickerForm::ApplySearch()
{
    searchPause_.stop();
    const QString text = search_->text();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        const DbcMessage& m = db_->messages.at(top->data(0, kMessageRole).toInt());
        const bool messageMatches = DbcSearchMatches(m, nullptr, text);
        int shown = 0;
        for (int k = 0; k < top->childCount(); ++k) {
            QTreeWidgetItem* item = top->child(k);
            const bool match = messageMatches || DbcSearchMatches(m, &m.signalList.at(item->data(0, kSignalRole).toInt()), text);
            item->setHidden(!match);
            shown += match ? 1 : 0;
        }
        top->setHidden(shown == 0 && !messageMatches);
        // A search shows its hits; without one the messages stay folded.
        top->setExpanded(!text.trimmed().isEmpty() && shown > 0 && shown <= 50);
    }
}

int TDbcPickerForm::VisibleSignals() const
{
    int n = 0;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* top = tree_->topLevelItem(i);
        if (top->isHidden())
            continue;
        for (int k = 0; k < top->childCount(); ++k)
            n += top->child(k)->isHidden() ? 0 : 1;
    }
    return n;
}

std::optional<DbcSignalRef> TDbcPickerForm::Selected() const
{
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!db_ || !item || item->data(0, kSignalRole).toInt() < 0)
        return std::nullopt;
    const DbcMessage& m = db_->messages.at(item->data(0, kMessageRole).toInt());
    return DbcSignalRef{&m, &m.signalList.at(item->data(0, kSignalRole).toInt())};
}

bool TDbcPickerForm::SelectSignal(const QString& messageDotSignal)
{
    if (!db_)
        return false;
    QString error;
    const std::optional<DbcSignalRef> ref = FindDbcSignal(*db_, messageDotSignal, &error);
    if (!ref)
        return false;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        if (&db_->messages.at(top->data(0, kMessageRole).toInt()) != ref->message || top->isHidden())
            continue;
        for (int k = 0; k < top->childCount(); ++k)
            if (&ref->message->signalList.at(top->child(k)->data(0, kSignalRole).toInt()) == ref->signal
                && !top->child(k)->isHidden()) {
                top->setExpanded(true);
                tree_->setCurrentItem(top->child(k));
                tree_->scrollToItem(top->child(k));
                return true;
            }
    }
    return false;
}

std::optional<DbcFillResult> TDbcPickerForm::Fill() const
{
    const std::optional<DbcSignalRef> ref = Selected();
    if (!ref)
        return std::nullopt;
    return FillCanInput(current_, *ref->message, *ref->signal, {takeName_->isChecked()});
}

void TDbcPickerForm::ShowSelection()
{
    const std::optional<DbcSignalRef> ref = Selected();
    fill_->setEnabled(ref.has_value());
    if (!ref) {
        preview_->setText(db_ ? QStringLiteral("Choose the signal that CAN input %1 compares.").arg(canInput_)
                              : QStringLiteral("Choose a CAN database with \"File…\"."));
        return;
    }
    const DbcFillResult r = *Fill();
    QStringList lines{QStringLiteral("<b>%1.%2</b> (0x%3)").arg(ref->message->name.toHtmlEscaped(), ref->signal->name.toHtmlEscaped(),
                                                               ref->message->IdText())};
    if (!ref->signal->comment.isEmpty())
        lines << ref->signal->comment.toHtmlEscaped();
    if (!r.Ok()) {
        lines << QStringLiteral("<span style=\"color:#b00000\">The module cannot compare this signal: %1</span>").arg(r.refusal->toHtmlEscaped());
    } else {
        lines << QStringLiteral("Fills CAN input %1 with (the comparisons stay as they are):").arg(canInput_);
        for (const QString& line : DbcFillSummary(current_, r.config))
            lines << QStringLiteral("&nbsp;&nbsp;") + line.toHtmlEscaped();
        for (const QString& note : r.notes)
            lines << QStringLiteral("<span style=\"color:#a06000\">%1</span>").arg(note.toHtmlEscaped());
    }
    preview_->setText(lines.join(QStringLiteral("<br>")));
}

QString TDbcPickerForm::PreviewText() const { return preview_->text(); }

void TDbcPickerForm::BtnDbcFillClick()
{
    const std::optional<DbcFillResult> r = Fill();
    if (!r)
        return;
    if (!r->Ok()) {
        dialogs_.Error(*r->refusal);
        return;
    }
    accept();
}

std::optional<CanInputConfig> RunDbcPicker(Dialogs& dialogs, const DbcFileMemory& files, int canInput,
                                           const CanInputConfig& current, QWidget* parent)
{
    QString path = files.Last();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        const std::optional<QString> chosen = dialogs.OpenFile(DbcFileDialogOptions(path));
        if (!chosen)
            return std::nullopt;
        path = *chosen;
    }
    TDbcPickerForm picker(dialogs, canInput, current, parent);
    // A file that cannot be read leaves the list empty; "File…" picks another.
    picker.OpenDatabase(path);
    const bool accepted = picker.exec() == QDialog::Accepted;
    if (!picker.DatabasePath().isEmpty())
        files.Remember(picker.DatabasePath());
    if (!accepted)
        return std::nullopt;
    return picker.Fill()->config;
}

}  // namespace relvane
