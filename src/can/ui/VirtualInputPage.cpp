#include "can/ui/VirtualInputPage.h"

#include "can/CanEditorRules.h"
#include "can/ui/CanWidgets.h"
#include "config/EditorRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

namespace {

// The numeric edits' key rule: a typed comma is entered as a full stop.
class CommaFilter final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->text() == QStringLiteral(",")) {
                if (auto* edit = qobject_cast<QLineEdit*>(watched))
                    edit->insert(QString(TjekEditKeyPress(QLatin1Char(','))));
                return true;
            }
        }
        return false;
    }
};

}  // namespace

TVirtualInputPage::TVirtualInputPage(ConfigModel& model, SelectionLists& lists, QWidget* parent)
    : QWidget(parent), model_(model), lists_(lists)
{
    setObjectName(QStringLiteral("TabSheetVirtualInputs"));
    listBox_ = new QListView(this);
    listBox_->setObjectName(QStringLiteral("ListBoxVIRTUAL_INPUT"));
    listBox_->setModel(lists_.VirtualInputNameList());
    listBox_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listBox_->setFixedWidth(150);

    group_ = new QGroupBox(this);
    group_->setObjectName(QStringLiteral("GroupBoxVirtuelParameter"));
    auto* filter = new CommaFilter(this);
    const QStringList notNames = {QStringLiteral("CheckBoxVirtuel_Channel_1"), QStringLiteral("CheckBoxVirtuel_Channel_2"),
                                  QStringLiteral("CheckBoxVirtuel_Channel_3")};
    const QStringList delayNames = {QStringLiteral("EditDelayTime"), QStringLiteral("EditDelayTime2"),
                                    QStringLiteral("EditDelayTime3")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(QStringLiteral("!"), group_);
        box->setObjectName(notNames.at(i));
        box->setToolTip(QStringLiteral("NOT"));
        not_[std::size_t(i)] = box;
        auto* source = new QComboBox(group_);
        source->setObjectName(QStringLiteral("ComboBoxVirtuel_1_Channel_%1").arg(i + 1));
        source->setModel(lists_.VirtualOperandList());
        source->setCurrentIndex(0);
        source->setMinimumWidth(130);
        sources_[std::size_t(i)] = source;
        auto* delay = MakeLimitedEdit(delayNames.at(i), QStringLiteral("0"), 4, group_);
        delay->installEventFilter(filter);
        delays_[std::size_t(i)] = delay;
    }
    for (int i = 0; i < 2; ++i) {
        auto* op = new QComboBox(group_);
        op->setObjectName(QStringLiteral("ComboBoxVirtuel_1_operator_%1").arg(i + 1));
        op->addItems(VirtualOperatorEntries());
        op->setEditable(true);
        op->setInsertPolicy(QComboBox::NoInsert);
        op->setCurrentIndex(0);
        op->setFixedWidth(70);
        operators_[std::size_t(i)] = op;
    }

    // ( !source1 op1 !source2 ) op2 !source3, the delays under their sources.
    auto* g = new QGridLayout(group_);
    int col = 0;
    g->addWidget(new QLabel(QStringLiteral("("), group_), 0, col++);
    auto addSource = [&](int i) {
        g->addWidget(not_[std::size_t(i)], 0, col);
        g->addWidget(sources_[std::size_t(i)], 0, col + 1);
        g->addWidget(new QLabel(QStringLiteral("Delay [sec]"), group_), 1, col + 1);
        g->addWidget(delays_[std::size_t(i)], 2, col + 1);
        col += 2;
    };
    addSource(0);
    g->addWidget(operators_[0], 0, col++);
    addSource(1);
    g->addWidget(new QLabel(QStringLiteral(")"), group_), 0, col++);
    g->addWidget(operators_[1], 0, col++);
    addSource(2);
    g->setColumnStretch(col, 1);
    g->setRowStretch(3, 1);

    auto* root = new QHBoxLayout(this);
    root->addWidget(listBox_);
    auto* right = new QVBoxLayout;
    right->addWidget(group_);
    right->addStretch();
    root->addLayout(right, 1);

    connect(listBox_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ListBoxVIRTUAL_INPUTClick(); });
    for (QComboBox* source : sources_)
        connect(source, &QComboBox::activated, this, &TVirtualInputPage::Virtual_Change);
    for (QComboBox* op : operators_) {
        connect(op, &QComboBox::activated, this, &TVirtualInputPage::Virtual_Change);
        connect(op->lineEdit(), &QLineEdit::textEdited, this, &TVirtualInputPage::Virtual_Change);
    }
    connect(delays_[0], &QLineEdit::textChanged, this, &TVirtualInputPage::EditDelayTimeChange);
    connect(delays_[1], &QLineEdit::textChanged, this, &TVirtualInputPage::EditDelayTime2Change);
    connect(delays_[2], &QLineEdit::textChanged, this, &TVirtualInputPage::EditDelayTime3Change);
    connect(not_[0], &QCheckBox::clicked, this, &TVirtualInputPage::CheckBoxVirtuel_Channel_1Click);
    connect(not_[1], &QCheckBox::clicked, this, &TVirtualInputPage::CheckBoxVirtuel_Channel_2Click);
    connect(not_[2], &QCheckBox::clicked, this, &TVirtualInputPage::CheckBoxVirtuel_Channel_3Click);
    connect(&model_, &ConfigModel::Changed, this, &TVirtualInputPage::OnModelChanged);
    connect(&lists_, &SelectionLists::NamesPropagated, this, &TVirtualInputPage::AfterNamePropagation);
}

int TVirtualInputPage::SelectedVirtualInput() const
{
    const QModelIndex current = listBox_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TVirtualInputPage::SelectVirtualInput(int position)
{
    {
        QSignalBlocker block(listBox_->selectionModel());
        listBox_->setCurrentIndex(listBox_->model()->index(position, 0));
    }
    ListBoxVIRTUAL_INPUTClick();
}

int TVirtualInputPage::Record() const
{
    const int position = SelectedVirtualInput();
    return position < 0 ? 1 : position + 1;
}

void TVirtualInputPage::Write(const std::function<void(VirtualInputConfig&)>& edit)
{
    writing_ = true;
    model_.ModifyVirtualInput(Record(), edit);
    writing_ = false;
}

void TVirtualInputPage::ListBoxVIRTUAL_INPUTClick()
{
    const int position = SelectedVirtualInput();
    if (position < 0)
        return;
    loaded_ = true;
    const VirtualInputConfig r = model_.VirtualInput(position + 1);
    group_->setTitle(listBox_->model()->index(position, 0).data().toString());
    const std::array<int, 3> sources = {r.CHANNEL_1_Index, r.CHANNEL_2_Index, r.CHANNEL_3_Index};
    for (std::size_t i = 0; i < 3; ++i) {
        QComboBox* box = sources_[i];
        box->setCurrentIndex(sources[i] < box->count() ? sources[i] : -1);
    }
    const std::array<int, 2> ops = {r.OPERATOR_1_Index, r.OPERATOR_2_Index};
    for (std::size_t i = 0; i < 2; ++i) {
        QComboBox* box = operators_[i];
        QSignalBlocker block(box);
        box->setCurrentIndex(ops[i] >= 0 && ops[i] < box->count() ? ops[i] : -1);
    }
    for (std::size_t i = 0; i < 3; ++i)
        not_[i]->setChecked((r.MASK_NOT >> i) & 1u);
    const std::array<std::uint8_t, 3> delays = {r.IN_DELAY_1_, r.IN_DELAY_2_, r.IN_DELAY_3_};
    for (std::size_t i = 0; i < 3; ++i)
        ShowThroughHandler(delays_[i], VirtualDelayText(delays[i]));
}

void TVirtualInputPage::Virtual_Change()
{
    std::array<std::uint8_t, 3> sources{};
    for (std::size_t i = 0; i < 3; ++i)
        sources[i] = SourceIndexField(sources_[i]->currentIndex());
    const std::int8_t op1 = OperatorIndexField(TypedPosition(operators_[0]));
    const std::int8_t op2 = OperatorIndexField(TypedPosition(operators_[1]));
    std::array<std::uint8_t, 3> delays{};
    for (std::size_t i = 0; i < 3; ++i)
        delays[i] = VirtualDelayFromText(delays_[i]->text());
    Write([&](VirtualInputConfig& c) {
        c.CHANNEL_1_Index = sources[0];
        c.CHANNEL_2_Index = sources[1];
        c.CHANNEL_3_Index = sources[2];
        c.OPERATOR_1_Index = op1;
        c.OPERATOR_2_Index = op2;
        c.IN_DELAY_1_ = delays[0];
        c.IN_DELAY_2_ = delays[1];
        c.IN_DELAY_3_ = delays[2];
    });
}

void TVirtualInputPage::DelayChange(int source)
{
    QLineEdit* edit = delays_[std::size_t(source - 1)];
    const QString text = edit->text();
    if (text.isEmpty())
        return;
    if (const std::optional<QString> replacement = VirtualDelayReplacement(text)) {
        edit->setText(*replacement);  // runs this handler again with the limit
        return;
    }
    const std::uint8_t tenths = VirtualDelayFromText(text);
    Write([&](VirtualInputConfig& c) {
        (source == 1 ? c.IN_DELAY_1_ : source == 2 ? c.IN_DELAY_2_ : c.IN_DELAY_3_) = tenths;
    });
}

void TVirtualInputPage::EditDelayTimeChange() { DelayChange(1); }
void TVirtualInputPage::EditDelayTime2Change() { DelayChange(2); }
void TVirtualInputPage::EditDelayTime3Change() { DelayChange(3); }

void TVirtualInputPage::NotClick(int source)
{
    const bool on = not_[std::size_t(source - 1)]->isChecked();
    Write([&](VirtualInputConfig& c) { c.MASK_NOT = WithNotBit(c.MASK_NOT, source, on); });
}

void TVirtualInputPage::CheckBoxVirtuel_Channel_1Click() { NotClick(1); }
void TVirtualInputPage::CheckBoxVirtuel_Channel_2Click() { NotClick(2); }
void TVirtualInputPage::CheckBoxVirtuel_Channel_3Click() { NotClick(3); }

void TVirtualInputPage::OnModelChanged(ConfigBlock block, int index)
{
    if (writing_ || block != ConfigBlock::VirtualInput || !loaded_)
        return;
    if (index == -1 || index == SelectedVirtualInput() + 1)
        ListBoxVIRTUAL_INPUTClick();
}

void TVirtualInputPage::PageSelected()
{
    if (SelectedVirtualInput() >= 0)
        return;
    QSignalBlocker block(listBox_->selectionModel());
    listBox_->setCurrentIndex(listBox_->model()->index(0, 0));
}

void TVirtualInputPage::AfterNamePropagation()
{
    int position = SelectedVirtualInput();
    if (position < 0 || position >= listBox_->model()->rowCount())
        position = 0;
    SelectVirtualInput(position);
    ListBoxVIRTUAL_INPUTClick();
}

}  // namespace relvane
