#include "config/ui/LoadPages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

std::optional<OutputList> CheckOutputListClick(TOutputCheckList* list, int row, OutputListKind kind,
                                               Dialogs& dialogs)
{
    const OutputList ticks = list->Ticks();
    if (OutputListTooMany(kind, ticks)) {
        // The changed entry goes back to unticked; the ticks before it stay.
        list->SetTicked(row, false);
        dialogs.ShowMessage(OutputListMaximumMessage(kind));
        return std::nullopt;
    }
    return ticks;
}

// ---------------------------------------------------------------------------------------------
// Low Battery

TLowBatteryPage::TLowBatteryPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetLowBattery"), parent)
{
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* grid = new QGridLayout;
    low_ = new TNumericEdit(QStringLiteral("EditLowVoltageTrig"), 4, this);
    low_->setToolTip(QStringLiteral("Lower threshold value for turning off channel eks. (12.0V)"));
    upper_ = new TNumericEdit(QStringLiteral("EditUpperVoltageTrig"), 4, this);
    upper_->setToolTip(QStringLiteral("Upper threshold value for turning on channel eks. (12.3V)"));
    low_->setFixedWidth(60);
    upper_->setFixedWidth(60);
    grid->addWidget(MakeLabel(QStringLiteral("Low Threshold")), 0, 0);
    grid->addWidget(low_, 0, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Volt")), 0, 2);
    grid->addWidget(MakeLabel(QStringLiteral("High Threshold")), 1, 0);
    grid->addWidget(upper_, 1, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Volt")), 1, 2);
    left->addLayout(grid);
    auto* warning = MakeLabel(QStringLiteral("WARNING: Be careful not to disable critical safety features."));
    warning->setObjectName(QStringLiteral("LabelLowBattWarning"));
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    left->addWidget(warning);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ReadButton(QStringLiteral("Button5")));
    buttons->addWidget(UploadButton(QStringLiteral("Button6")));
    buttons->addWidget(DefaultButton(QStringLiteral("BtnDefault")));
    left->addLayout(buttons);
    left->addStretch(1);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    right->addWidget(MakeLabel(QStringLiteral("Disable output")));
    list_ = new TOutputCheckList(QStringLiteral("CheckListBoxLowBatt"), this);
    right->addWidget(list_);
    right->addStretch(1);
    layout->addLayout(right);
    layout->addStretch(1);

    connect(low_, &QLineEdit::textChanged, this, [this] { ThresholdChange(low_, NumericEditorKind::LowVoltage); });
    connect(upper_, &QLineEdit::textChanged, this,
            [this] { ThresholdChange(upper_, NumericEditorKind::UpperVoltage); });
    connect(list_, &TOutputCheckList::ClickCheck, this, [this](int row) {
        if (const auto ticks = CheckOutputListClick(list_, row, OutputListKind::LowBattery, dialogs_))
            WriteModel([&] { model_.ModifyLowBattery([&](LowBatteryConfig& c) { c.LIST_SELECTED = *ticks; }); });
    });
    connect(&model_, &ConfigModel::NameChanged, this, [this](ConfigBlock block, int) {
        if (block == ConfigBlock::Output)
            list_->SetNames(OutputNames(model_));
    });
    connect(&lists_, &SelectionLists::NamesPropagated, this, [this] {
        list_->SetNames(OutputNames(model_));
        list_->SetTicks(model_.LowBattery().LIST_SELECTED);
    });
    list_->SetNames(OutputNames(model_));
    ShowModel(ConfigBlock::LowBattery, -1);
}

void TLowBatteryPage::ThresholdChange(TNumericEdit* edit, NumericEditorKind kind)
{
    if (const auto replacement = LimitReplacement(kind, edit->text()); replacement && *replacement != edit->text()) {
        edit->setText(*replacement);
        return;
    }
    const QString text = edit->text();
    const bool isLow = kind == NumericEditorKind::LowVoltage;
    WriteModel([&] {
        const LowBatteryConfig& c = model_.LowBattery();
        if ((isLow ? c.LOW_TRIG : c.UPPER_TRIG) != text)
            model_.ModifyLowBattery([&](LowBatteryConfig& m) { (isLow ? m.LOW_TRIG : m.UPPER_TRIG) = text; });
    });
}

void TLowBatteryPage::ShowModel(ConfigBlock block, int)
{
    if (block != ConfigBlock::LowBattery)
        return;
    const LowBatteryConfig& c = model_.LowBattery();
    if (low_->text() != c.LOW_TRIG)
        low_->setText(c.LOW_TRIG);
    if (upper_->text() != c.UPPER_TRIG)
        upper_->setText(c.UPPER_TRIG);
    list_->SetTicks(model_.LowBattery().LIST_SELECTED);
}

// ---------------------------------------------------------------------------------------------
// Start / Kill Button

TStartKillPage::TStartKillPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetStartKill"), parent)
{
    auto* layout = new QHBoxLayout(this);

    auto* start = new QGroupBox(QStringLiteral("Special Start Button"), this);
    start->setObjectName(QStringLiteral("GroupBoxStartButton"));
    auto* sl = new QGridLayout(start);
    startTrigger_ = MakeSharedSelector(QStringLiteral("ComboBoxInputTrigStartButton"), lists_.TriggerSourceList(), start);
    startList_ = new TOutputCheckList(QStringLiteral("CheckListBoxStartButton"), start);
    sl->addWidget(MakeLabel(QStringLiteral("Input Trigger"), start), 0, 0);
    sl->addWidget(startTrigger_, 0, 1);
    sl->addWidget(MakeLabel(QStringLiteral("Outputs"), start), 2, 0, Qt::AlignTop);
    sl->addWidget(startList_, 2, 1);
    layout->addWidget(start, 0, Qt::AlignTop);

    auto* kill = new QGroupBox(QStringLiteral("Special Kill Button"), this);
    kill->setObjectName(QStringLiteral("GroupBoxKillButton"));
    auto* kl = new QGridLayout(kill);
    killTrigger_ = MakeSharedSelector(QStringLiteral("ComboBoxInputTrigKillButton"), lists_.TriggerSourceList(), kill);
    killDelay_ = new QLineEdit(kill);
    killDelay_->setObjectName(QStringLiteral("KillInputDelayEdit"));
    killDelay_->setFixedWidth(60);
    killList_ = new TOutputCheckList(QStringLiteral("CheckListBoxKillButton"), kill);
    kl->addWidget(MakeLabel(QStringLiteral("Input Trigger"), kill), 0, 0);
    kl->addWidget(killTrigger_, 0, 1, 1, 2);
    kl->addWidget(MakeLabel(QStringLiteral("Input delay"), kill), 1, 0);
    kl->addWidget(killDelay_, 1, 1);
    kl->addWidget(MakeLabel(QStringLiteral("[x 100ms] "), kill), 1, 2);
    kl->addWidget(MakeLabel(QStringLiteral("Outputs"), kill), 2, 0, Qt::AlignTop);
    kl->addWidget(killList_, 2, 1, 1, 2);
    layout->addWidget(kill, 0, Qt::AlignTop);
    layout->addStretch(1);

    connect(startTrigger_, &QComboBox::activated, this, [this] {
        const int p = startTrigger_->currentIndex();
        WriteModel([&] { model_.ModifyStartButton([&](StartButtonConfig& c) { c.INPUT_TRIGGER_INDEX = p; }); });
    });
    connect(killTrigger_, &QComboBox::activated, this, [this] {
        const int p = killTrigger_->currentIndex();
        WriteModel([&] { model_.ModifyKillButton([&](KillButtonConfig& c) { c.INPUT_TRIGGER_INDEX = p; }); });
    });
    connect(killDelay_, &QLineEdit::textChanged, this, [this] {
        const int delay = IntegerTextOr(killDelay_->text(), kKillDelayFallback);
        WriteModel([&] {
            if (model_.KillButton().INPUT_DELAY != delay)
                model_.ModifyKillButton([&](KillButtonConfig& c) { c.INPUT_DELAY = delay; });
        });
    });
    connect(startList_, &TOutputCheckList::ClickCheck, this, [this](int row) {
        if (const auto ticks = CheckOutputListClick(startList_, row, OutputListKind::StartButton, dialogs_))
            WriteModel([&] { model_.ModifyStartButton([&](StartButtonConfig& c) { c.LIST_SELECTED = *ticks; }); });
    });
    connect(killList_, &TOutputCheckList::ClickCheck, this, [this](int row) {
        if (const auto ticks = CheckOutputListClick(killList_, row, OutputListKind::KillButton, dialogs_))
            WriteModel([&] { model_.ModifyKillButton([&](KillButtonConfig& c) { c.LIST_SELECTED = *ticks; }); });
    });
    connect(&model_, &ConfigModel::NameChanged, this, [this](ConfigBlock block, int) {
        if (block != ConfigBlock::Output)
            return;
        const QStringList names = OutputNames(model_);
        startList_->SetNames(names);
        killList_->SetNames(names);
    });
    connect(&lists_, &SelectionLists::NamesPropagated, this, &TStartKillPage::AfterNamePropagation);
    const QStringList names = OutputNames(model_);
    startList_->SetNames(names);
    killList_->SetNames(names);
    ShowModel(ConfigBlock::StartButton, -1);
    ShowModel(ConfigBlock::KillButton, -1);
}

void TStartKillPage::AfterNamePropagation()
{
    // A button selector without a selection takes "DISABLED", which the model then holds.
    if (startTrigger_->currentIndex() < 0) {
        startTrigger_->setCurrentIndex(0);
        WriteModel([&] { model_.ModifyStartButton([&](StartButtonConfig& c) { c.INPUT_TRIGGER_INDEX = 0; }); });
    }
    const QStringList names = OutputNames(model_);
    startList_->SetNames(names);
    startList_->SetTicks(model_.StartButton().LIST_SELECTED);
    if (killTrigger_->currentIndex() < 0) {
        killTrigger_->setCurrentIndex(0);
        WriteModel([&] { model_.ModifyKillButton([&](KillButtonConfig& c) { c.INPUT_TRIGGER_INDEX = 0; }); });
    }
    killList_->SetNames(names);
    killList_->SetTicks(model_.KillButton().LIST_SELECTED);
}

void TStartKillPage::ShowModel(ConfigBlock block, int)
{
    if (block == ConfigBlock::StartButton) {
        const StartButtonConfig& c = model_.StartButton();
        SelectPosition(startTrigger_, c.INPUT_TRIGGER_INDEX);
        startList_->SetTicks(c.LIST_SELECTED);
    } else if (block == ConfigBlock::KillButton) {
        const KillButtonConfig& c = model_.KillButton();
        SelectPosition(killTrigger_, c.INPUT_TRIGGER_INDEX);
        if (killDelay_->text() != QString::number(c.INPUT_DELAY))
            killDelay_->setText(QString::number(c.INPUT_DELAY));
        killList_->SetTicks(c.LIST_SELECTED);
    }
}

}  // namespace relvane
