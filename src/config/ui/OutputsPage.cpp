#include "config/ui/OutputsPage.h"

#include "config/Cp1252.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace relvane {

namespace {

OptionalNumber OutputConfig::* FieldOf(NumericEditorKind kind, bool lowCurrentPage)
{
    switch (kind) {
    case NumericEditorKind::Current:
        return lowCurrentPage ? &OutputConfig::LOW_CURRENT : &OutputConfig::MAX_CURRENT;
    case NumericEditorKind::OnTimer:
        return lowCurrentPage ? &OutputConfig::LOW_CURRENT_TIME : &OutputConfig::ON_TIME;
    case NumericEditorKind::Delay: return &OutputConfig::DELAY;
    case NumericEditorKind::PeakTime: return &OutputConfig::PEAK_TIME;
    default: return nullptr;
    }
}

// The current fields are 16 bits wide, the time fields one byte.
int FieldMax(NumericEditorKind kind) { return kind == NumericEditorKind::Current ? kWordFieldMax : kByteFieldMax; }

// Shows value in edit through the field's conversion. A whole block (a Read, a file) is always
// shown so, also where the text typed before already stands for the value ("0" becomes
// "CONT.", "12" becomes "12.0"). A change of one record from elsewhere leaves such a text as it
// is, so a number being typed stays when another field of its record changes.
void ShowTenths(TNumericEdit* edit, const OptionalNumber& value, int fieldMax, bool onTime, bool wholeBlock)
{
    if (!edit)
        return;
    const QString shown = onTime ? OnTimeFieldText(value) : TenthsFieldText(value);
    if (edit->text() == shown || (!wholeBlock && TenthsFieldFromText(edit->text(), fieldMax) == value))
        return;
    edit->setText(shown);
}

QLabel* Heading(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

bool WriteNumber(ConfigModel& model, int n, OptionalNumber OutputConfig::* field, const OptionalNumber& value)
{
    if (model.Output(n).*field == value)
        return false;
    model.ModifyOutput(n, [&](OutputConfig& r) { r.*field = value; });
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Outputs

TOutputsPage::TOutputsPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetOutputs"), parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollBoxOutputs"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(BuildRows());
    layout->addWidget(scroll, 1);

    // Block-wide flags the module and the file carry; no visible editor changes them.
    pwm1_ = new QCheckBox(QStringLiteral("Enable PWM"), this);
    pwm1_->setObjectName(QStringLiteral("CheckBoxPWM_enable1"));
    pwm1_->setVisible(false);
    pwm2_ = new QCheckBox(QStringLiteral("Enable PWM"), this);
    pwm2_->setObjectName(QStringLiteral("CheckBoxPWM_enable2"));
    pwm2_->setVisible(false);
    connect(pwm1_, &QCheckBox::clicked, this, [this](bool on) {
        WriteModel([&] { model_.ModifyOutputBlock([&](OutputBlockConfig& b) { b.PWM_1 = on; }); });
    });
    connect(pwm2_, &QCheckBox::clicked, this, [this](bool on) {
        WriteModel([&] { model_.ModifyOutputBlock([&](OutputBlockConfig& b) { b.PWM_2 = on; }); });
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ReadButton(QStringLiteral("Button3")));
    buttons->addWidget(UploadButton(QStringLiteral("Button2")));
    buttons->addWidget(DefaultButton(QStringLiteral("Button4")));
    layout->addLayout(buttons);

    connect(&lists_, &SelectionLists::NamesPropagated, this, &TOutputsPage::AfterNamePropagation);
    ShowModel(ConfigBlock::Output, -1);
}

QGroupBox* TOutputsPage::BuildRows()
{
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBoxOutputSettings"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    const QStringList headings = {QStringLiteral("Name Pin"),      QStringLiteral("Input Trigger"),
                                  QStringLiteral("Trig By"),       QStringLiteral("Input Pin Conn."),
                                  QStringLiteral("Delay [sec]"),   QStringLiteral("Timer[sec]"),
                                  QStringLiteral("Max. [A]"),      QStringLiteral("Peak [sec]"),
                                  QStringLiteral("Output Pin Conn.")};
    for (int c = 0; c < headings.size(); ++c)
        grid->addWidget(Heading(headings.at(c), group), 0, c + 1);

    for (int n = 1; n <= kOutputCount; ++n) {
        Row& r = rows_[std::size_t(n - 1)];
        const QString num = QString::number(n);
        r.number = new QLabel(num, group);
        r.number->setObjectName(QStringLiteral("LabelOutput") + num);
        r.name = new TNameEdit(QStringLiteral("EditOutputName_ch") + num, group);
        r.name->setFixedWidth(120);
        r.trigger = MakeSharedSelector(QStringLiteral("ComboBoxInputTrigCH") + num, lists_.TriggerSourceList(), group);
        r.level = MakeFixedSelector(QStringLiteral("ComboBoxTrigLevelCH") + num, DefaultTrigLevelEntries(), group);
        r.level->setMinimumContentsLength(5);
        r.inputPin = new QLabel(group);
        r.inputPin->setObjectName(QStringLiteral("LabelInputpin") + num);
        r.inputPin->setMinimumWidth(190);
        r.delay = new TNumericEdit(QStringLiteral("EditDelayCH") + num, 0, group);
        r.onTime = new TNumericEdit(QStringLiteral("EditOnTimeCH") + num, 5, group);
        r.onTime->setToolTip(QStringLiteral("Output ON timer \nEnter 0 for continuous"));
        for (QLineEdit* e : {static_cast<QLineEdit*>(r.delay), static_cast<QLineEdit*>(r.onTime)})
            e->setFixedWidth(55);
        int col = 0;
        grid->addWidget(r.number, n, col++);
        grid->addWidget(r.name, n, col++);
        grid->addWidget(r.trigger, n, col++);
        grid->addWidget(r.level, n, col++);
        grid->addWidget(r.inputPin, n, col++);
        grid->addWidget(r.delay, n, col++);
        grid->addWidget(r.onTime, n, col++);
        if (n <= kHighPowerOutputCount) {
            r.maxCurrent = new TNumericEdit(QStringLiteral("EditMaxCurrentCH") + num, 4, group);
            r.peakTime = new TNumericEdit(QStringLiteral("EditCurrentPeakTimeCH") + num, 0, group);
            r.maxCurrent->setFixedWidth(55);
            r.peakTime->setFixedWidth(55);
            grid->addWidget(r.maxCurrent, n, col);
            grid->addWidget(r.peakTime, n, col + 1);
        }
        col += 2;
        r.outputPin = new QLabel(OutputPinText(n), group);
        r.outputPin->setObjectName(QStringLiteral("LabelOutputPin") + num);
        grid->addWidget(r.outputPin, n, col);

        connect(r.name, &QLineEdit::textChanged, this, [this, n] { OutputNameChange(n); });
        connect(r.trigger, &QComboBox::activated, this, [this, n] { ComboBoxInputTrigChange(n); });
        connect(r.level, &QComboBox::activated, this, [this, n] { LevelChange(n); });
        connect(r.delay, &QLineEdit::textChanged, this,
                [this, n, e = r.delay] { NumericChange(n, e, NumericEditorKind::Delay); });
        connect(r.onTime, &QLineEdit::textChanged, this,
                [this, n, e = r.onTime] { NumericChange(n, e, NumericEditorKind::OnTimer); });
        if (r.maxCurrent) {
            connect(r.maxCurrent, &QLineEdit::textChanged, this,
                    [this, n, e = r.maxCurrent] { NumericChange(n, e, NumericEditorKind::Current); });
            connect(r.peakTime, &QLineEdit::textChanged, this,
                    [this, n, e = r.peakTime] { NumericChange(n, e, NumericEditorKind::PeakTime); });
        }
    }
    grid->setColumnStretch(int(headings.size()) + 1, 1);
    grid->setRowStretch(kOutputCount + 1, 1);
    return group;
}

void TOutputsPage::UpdateInputPinLabel(const QComboBox* trigger, QLabel* inputPin)
{
    inputPin->setText(InputPinText(trigger->currentIndex()));
}

void TOutputsPage::UpdateTrigLevelChoices(const QComboBox* trigger, QComboBox* level)
{
    const TrigLevelChoices c = TrigLevelChoicesFor(trigger->currentIndex(), level->currentIndex());
    if (!c.rebuild)
        return;
    QStringList now;
    for (int i = 0; i < level->count(); ++i)
        now << level->itemText(i);
    if (now != c.entries) {
        level->clear();
        level->addItems(c.entries);
    }
    level->setEnabled(c.enabled);
    level->setCurrentIndex(c.selected);
}

void TOutputsPage::ComboBoxInputTrigChange(int n)
{
    if (n < 1 || n > kOutputCount)
        return;
    Row& r = rows_[std::size_t(n - 1)];
    const int p = r.trigger->currentIndex();
    const int code = p < 0 ? kNoSelection : PositionToTriggerCode(p);
    WriteModel([&] {
        if (model_.Output(n).TRIGGER != code)
            model_.ModifyOutput(n, [&](OutputConfig& o) { o.TRIGGER = code; });
    });
    UpdateInputPinLabel(r.trigger, r.inputPin);
    UpdateTrigLevelChoices(r.trigger, r.level);
    // A rebuilt level selector's choice is the channel's level ("-", "+30" and "+12v" are 1).
    if (TrigLevelChoicesFor(p, 0).rebuild) {
        const int level = PositionToTriggerLevel(r.level->currentIndex());
        WriteModel([&] {
            if (model_.Output(n).TRIGLEVEL != level)
                model_.ModifyOutput(n, [&](OutputConfig& o) { o.TRIGLEVEL = level; });
        });
    }
}

void TOutputsPage::AfterNamePropagation()
{
    for (int n = 1; n <= kOutputCount; ++n)
        ComboBoxInputTrigChange(n);
}

void TOutputsPage::LevelChange(int n)
{
    const int level = PositionToTriggerLevel(rows_[std::size_t(n - 1)].level->currentIndex());
    WriteModel([&] {
        if (model_.Output(n).TRIGLEVEL != level)
            model_.ModifyOutput(n, [&](OutputConfig& o) { o.TRIGLEVEL = level; });
    });
}

void TOutputsPage::OutputNameChange(int n)
{
    const ChannelName name = rows_[std::size_t(n - 1)].name->Name();
    WriteModel([&] {
        if (model_.Output(n).NAME != name)
            model_.ModifyOutput(n, [&](OutputConfig& o) { o.NAME = name; });
    });
}

void TOutputsPage::NumericChange(int n, TNumericEdit* edit, NumericEditorKind kind)
{
    if (const auto replacement = LimitReplacement(kind, edit->text()); replacement && *replacement != edit->text()) {
        edit->setText(*replacement);  // runs this check again with the replacement
        return;
    }
    const OptionalNumber value = TenthsFieldFromText(edit->text(), FieldMax(kind));
    WriteModel([&] { WriteNumber(model_, n, FieldOf(kind, false), value); });
}

void TOutputsPage::ShowModel(ConfigBlock block, int index)
{
    if (block != ConfigBlock::Output)
        return;
    if (index < 0) {
        const OutputBlockConfig& b = model_.OutputBlock();
        pwm1_->setChecked(b.PWM_1);
        pwm2_->setChecked(b.PWM_2);
        for (int n = 1; n <= kOutputCount; ++n)
            ShowOutput(n, true);
    } else {
        ShowOutput(index, false);
    }
}

void TOutputsPage::ShowOutput(int n, bool wholeBlock)
{
    if (n < 1 || n > kOutputCount)
        return;
    Row& r = rows_[std::size_t(n - 1)];
    const OutputConfig& o = model_.Output(n);
    r.name->SetName(o.NAME);

    const int p = o.TRIGGER == kNoSelection ? -1 : TriggerCodeToPosition(o.TRIGGER);
    SelectPosition(r.trigger, p);
    UpdateInputPinLabel(r.trigger, r.inputPin);
    const int levelPos = o.TRIGLEVEL == kNoSelection ? -1 : TriggerLevelToPosition(o.TRIGLEVEL);
    const TrigLevelChoices c = TrigLevelChoicesFor(p, levelPos);
    if (c.rebuild) {
        UpdateTrigLevelChoices(r.trigger, r.level);
        // The model's level, where the choices can show it.
        SelectPosition(r.level, c.entries.size() == 1 ? 0 : levelPos);
    } else {
        SelectPosition(r.level, r.level->count() == 1 ? 0 : levelPos);
    }

    ShowTenths(r.delay, o.DELAY, kByteFieldMax, false, wholeBlock);
    ShowTenths(r.onTime, o.ON_TIME, kByteFieldMax, true, wholeBlock);
    ShowTenths(r.maxCurrent, o.MAX_CURRENT, kWordFieldMax, false, wholeBlock);
    ShowTenths(r.peakTime, o.PEAK_TIME, kByteFieldMax, false, wholeBlock);
}

// ---------------------------------------------------------------------------------------------
// Low Current

TLowCurrentPage::TLowCurrentPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetLowCurrent"), parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Low Current diagnostic setup"), this);
    group->setObjectName(QStringLiteral("GroupBox25"));
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    grid->addWidget(Heading(QStringLiteral("High Power Channels"), group), 0, 0, 1, 2);
    grid->addWidget(Heading(QStringLiteral("Min. [A]"), group), 0, 2);
    grid->addWidget(Heading(QStringLiteral("Timer[sec]"), group), 0, 3);
    for (int n = 1; n <= kHighPowerOutputCount; ++n) {
        const QString num = QString::number(n);
        auto* number = new QLabel(num, group);
        number->setObjectName(QStringLiteral("LabelLowCurrent") + num);
        auto* name = new QLabel(QStringLiteral("High power"), group);
        name->setObjectName(QStringLiteral("LabelHighPowerCh_") + num);
        name->setMinimumWidth(120);
        auto* low = new TNumericEdit(QStringLiteral("EditLowCurrentCH") + num, 4, group);
        auto* time = new TNumericEdit(QStringLiteral("EditLowCurrentTimeCH") + num, 5, group);
        low->setFixedWidth(60);
        time->setFixedWidth(60);
        names_[std::size_t(n - 1)] = name;
        lowCurrent_[std::size_t(n - 1)] = low;
        lowTime_[std::size_t(n - 1)] = time;
        grid->addWidget(number, n, 0);
        grid->addWidget(name, n, 1);
        grid->addWidget(low, n, 2);
        grid->addWidget(time, n, 3);
        connect(low, &QLineEdit::textChanged, this, [this, n, low] { NumericChange(n, low, NumericEditorKind::Current); });
        connect(time, &QLineEdit::textChanged, this,
                [this, n, time] { NumericChange(n, time, NumericEditorKind::OnTimer); });
    }
    grid->setColumnStretch(4, 1);
    layout->addWidget(group);
    layout->addStretch(1);

    // The name labels read "High power" until names are first set: by a name propagation, or
    // by a name change reaching the model.
    connect(&model_, &ConfigModel::NameChanged, this, [this](ConfigBlock block, int index) {
        if (block == ConfigBlock::Output)
            ShowNames(index);
    });
    connect(&lists_, &SelectionLists::NamesPropagated, this, [this] { ShowNames(-1); });
    ShowModel(ConfigBlock::Output, -1);
}

QLabel* TLowCurrentPage::NameLabel(int n) const
{
    return n >= 1 && n <= kHighPowerOutputCount ? names_[std::size_t(n - 1)] : nullptr;
}

void TLowCurrentPage::ShowNames(int index)
{
    for (int n = 1; n <= kHighPowerOutputCount; ++n) {
        if (index < 0 || index == n)
            names_[std::size_t(n - 1)]->setText(Cp1252ToString(model_.Output(n).NAME));
    }
}

void TLowCurrentPage::NumericChange(int n, TNumericEdit* edit, NumericEditorKind kind)
{
    if (const auto replacement = LimitReplacement(kind, edit->text()); replacement && *replacement != edit->text()) {
        edit->setText(*replacement);
        return;
    }
    const OptionalNumber value = TenthsFieldFromText(edit->text(), FieldMax(kind));
    WriteModel([&] { WriteNumber(model_, n, FieldOf(kind, true), value); });
}

void TLowCurrentPage::ShowModel(ConfigBlock block, int index)
{
    if (block != ConfigBlock::Output)
        return;
    for (int n = 1; n <= kHighPowerOutputCount; ++n) {
        if (index < 0 || index == n)
            ShowOutput(n, index < 0);
    }
}

void TLowCurrentPage::ShowOutput(int n, bool wholeBlock)
{
    const OutputConfig& o = model_.Output(n);
    ShowTenths(lowCurrent_[std::size_t(n - 1)], o.LOW_CURRENT, kWordFieldMax, false, wholeBlock);
    ShowTenths(lowTime_[std::size_t(n - 1)], o.LOW_CURRENT_TIME, kByteFieldMax, false, wholeBlock);
}

}  // namespace relvane
