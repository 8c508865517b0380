#include "config/ui/EditorWidgets.h"

#include "config/Cp1252.h"
#include "config/EditorRules.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValidator>

#include <algorithm>

namespace relvane {

namespace {

class Cp1252Validator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        Q_UNUSED(pos);
        for (const QChar c : input) {
            if (!IsCp1252Char(c) || c == QChar(0))
                return Invalid;
        }
        return Acceptable;
    }
};

}  // namespace

TNumericEdit::TNumericEdit(const QString& objectName, int maxLength, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(objectName);
    if (maxLength > 0)
        setMaxLength(maxLength);
}

void TNumericEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && TjekEditKeyPress(text.at(0)) != text.at(0)) {
        QKeyEvent replaced(event->type(), Qt::Key_Period, event->modifiers(),
                           QString(TjekEditKeyPress(text.at(0))), event->isAutoRepeat(),
                           static_cast<quint16>(event->count()));
        QLineEdit::keyPressEvent(&replaced);
        event->setAccepted(replaced.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

TNameEdit::TNameEdit(const QString& objectName, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(objectName);
    setMaxLength(kChannelNameLength);
    setValidator(new Cp1252Validator(this));
}

ChannelName TNameEdit::Name() const { return CutChannelName(StringToCp1252(text())); }

void TNameEdit::SetName(const ChannelName& name)
{
    const QString shown = Cp1252ToString(name);
    if (text() != shown)
        setText(shown);
}

QComboBox* MakeSharedSelector(const QString& objectName, QAbstractItemModel* list, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->setModel(list);
    box->setEditable(false);
    // Sizing from a fixed length keeps a rename from re-measuring every entry of every selector.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    box->setMaxVisibleItems(20);
    box->setCurrentIndex(-1);
    return box;
}

QComboBox* MakeFixedSelector(const QString& objectName, const QStringList& entries, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->addItems(entries);
    box->setCurrentIndex(-1);
    return box;
}

void SelectPosition(QComboBox* box, int position)
{
    const int p = position >= 0 && position < box->count() ? position : -1;
    if (box->currentIndex() != p)
        box->setCurrentIndex(p);
}

TOutputCheckList::TOutputCheckList(const QString& objectName, QWidget* parent) : QListWidget(parent)
{
    setObjectName(objectName);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!quiet_)
            Q_EMIT ClickCheck(row(item));
    });
    QStringList blank;
    for (int i = 0; i < kOutputCount; ++i)
        blank << QString();
    SetNames(blank);
    // All 34 entries at once, without a scroll bar.
    setFixedHeight(std::max(14, sizeHintForRow(0)) * kOutputCount + 2 * frameWidth() + 2);
    setMinimumWidth(200);
}

void TOutputCheckList::SetNames(const QStringList& names)
{
    quiet_ = true;
    setUpdatesEnabled(false);
    for (int i = 0; i < names.size(); ++i) {
        if (i < count()) {
            if (item(i)->text() != names.at(i))
                item(i)->setText(names.at(i));
        } else {
            auto* it = new QListWidgetItem(names.at(i), this);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            it->setCheckState(Qt::Unchecked);
        }
    }
    setUpdatesEnabled(true);
    quiet_ = false;
}

OutputList TOutputCheckList::Ticks() const
{
    OutputList ticks;
    for (int i = 0; i < count() && i < kOutputCount; ++i)
        ticks.set(std::size_t(i), item(i)->checkState() == Qt::Checked);
    return ticks;
}

void TOutputCheckList::SetTicks(const OutputList& ticks)
{
    for (int i = 0; i < count() && i < kOutputCount; ++i)
        SetTicked(i, ticks[std::size_t(i)]);
}

void TOutputCheckList::SetTicked(int row, bool ticked)
{
    if (row < 0 || row >= count())
        return;
    const Qt::CheckState state = ticked ? Qt::Checked : Qt::Unchecked;
    if (item(row)->checkState() == state)
        return;
    quiet_ = true;
    item(row)->setCheckState(state);
    quiet_ = false;
}

bool TOutputCheckList::Ticked(int row) const
{
    return row >= 0 && row < count() && item(row)->checkState() == Qt::Checked;
}

QStringList OutputNames(const ConfigModel& model)
{
    QStringList names;
    for (int n = 1; n <= kOutputCount; ++n)
        names << Cp1252ToString(model.Output(n).NAME);
    return names;
}

TEditorPage::TEditorPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, const QString& objectName,
                         QWidget* parent)
    : QWidget(parent), model_(model), lists_(lists), dialogs_(dialogs)
{
    setObjectName(objectName);
    connect(&model_, &ConfigModel::Changed, this, &TEditorPage::OnModelChanged);
}

void TEditorPage::OnModelChanged(ConfigBlock block, int index)
{
    if (Writing())
        return;
    ShowModel(block, index);
}

void TEditorPage::ShowAllBlocks()
{
    for (ConfigBlock b : {ConfigBlock::Input, ConfigBlock::Output, ConfigBlock::LowBattery, ConfigBlock::StartButton,
                          ConfigBlock::KillButton, ConfigBlock::CanSetup, ConfigBlock::CanInput,
                          ConfigBlock::CanInputEnable, ConfigBlock::VirtualInput, ConfigBlock::Flash,
                          ConfigBlock::Wiper, ConfigBlock::CanExport, ConfigBlock::BoxName})
        ShowModel(b, -1);
}

QPushButton* TEditorPage::ReadButton(const QString& objectName)
{
    auto* b = new QPushButton(QStringLiteral("Read"), this);
    b->setObjectName(objectName);
    connect(b, &QPushButton::clicked, this, &TEditorPage::ReadRequested);
    return b;
}

QPushButton* TEditorPage::UploadButton(const QString& objectName)
{
    auto* b = new QPushButton(QStringLiteral("Upload"), this);
    b->setObjectName(objectName);
    connect(b, &QPushButton::clicked, this, &TEditorPage::UploadRequested);
    return b;
}

QPushButton* TEditorPage::DefaultButton(const QString& objectName)
{
    auto* b = new QPushButton(QStringLiteral("Default settings"), this);
    b->setObjectName(objectName);
    connect(b, &QPushButton::clicked, this, &TEditorPage::DefaultRequested);
    return b;
}

QLabel* TEditorPage::MakeLabel(const QString& text, QWidget* parent, const QString& objectName)
{
    auto* l = new QLabel(text, parent ? parent : this);
    if (!objectName.isEmpty())
        l->setObjectName(objectName);
    return l;
}

}  // namespace relvane
