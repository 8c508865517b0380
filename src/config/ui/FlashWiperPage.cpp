#include "config/ui/FlashWiperPage.h"

#include "config/Cp1252.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

TFlashWiperPage::TFlashWiperPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetFlashWiper"), parent)
{
    auto* layout = new QHBoxLayout(this);

    flashNo_ = new QListWidget(this);
    flashNo_->setObjectName(QStringLiteral("ListBoxFlashNo"));
    for (int k = 1; k <= 4; ++k)
        flashNo_->addItem(QStringLiteral("Flash %1").arg(k));
    flashNo_->setCurrentRow(-1);
    flashNo_->setFixedWidth(140);
    flashNo_->setMaximumHeight(110);
    auto* flashColumn = new QVBoxLayout;
    flashColumn->addWidget(flashNo_);
    flashColumn->addStretch(1);
    layout->addLayout(flashColumn);

    flashGroup_ = new QGroupBox(QStringLiteral("Flash 1"), this);
    flashGroup_->setObjectName(QStringLiteral("GroupBoxFlash"));
    auto* fg = new QGridLayout(flashGroup_);
    flashTrigger_ = MakeSharedSelector(QStringLiteral("ComboBoxFlashInputTrig"), lists_.TriggerSourceList(), flashGroup_);
    flashOn_ = new QLineEdit(QStringLiteral("0"), flashGroup_);
    flashOn_->setObjectName(QStringLiteral("EditFlashOnTime"));
    flashOff_ = new QLineEdit(QStringLiteral("0"), flashGroup_);
    flashOff_->setObjectName(QStringLiteral("EditFlashOffTime"));
    flashDuration_ = new QLineEdit(QStringLiteral("0"), flashGroup_);
    flashDuration_->setObjectName(QStringLiteral("EditFlashDuration"));
    for (QLineEdit* e : {flashOn_, flashOff_, flashDuration_})
        e->setFixedWidth(70);
    flashContinues_ = new QCheckBox(QStringLiteral("Continues"), flashGroup_);
    flashContinues_->setObjectName(QStringLiteral("CheckBoxFlash"));
    flashOutputs_ = new TOutputCheckList(QStringLiteral("CheckListBoxFlashOutputList"), flashGroup_);
    flashName_ = new TNameEdit(QStringLiteral("EditFlashName"), flashGroup_);
    int row = 0;
    fg->addWidget(MakeLabel(QStringLiteral("Input Trigger"), flashGroup_), row, 0);
    fg->addWidget(flashTrigger_, row++, 1, 1, 2);
    fg->addWidget(MakeLabel(QStringLiteral("Flash On"), flashGroup_), row, 0);
    fg->addWidget(flashOn_, row, 1);
    fg->addWidget(MakeLabel(QStringLiteral("msec"), flashGroup_), row++, 2);
    fg->addWidget(MakeLabel(QStringLiteral("Flash Off"), flashGroup_), row, 0);
    fg->addWidget(flashOff_, row, 1);
    fg->addWidget(MakeLabel(QStringLiteral("msec"), flashGroup_), row++, 2);
    fg->addWidget(MakeLabel(QStringLiteral("Duration"), flashGroup_), row, 0);
    fg->addWidget(flashDuration_, row, 1);
    fg->addWidget(MakeLabel(QStringLiteral("msec"), flashGroup_), row++, 2);
    fg->addWidget(flashContinues_, row++, 1, 1, 2);
    fg->addWidget(MakeLabel(QStringLiteral("Outputs"), flashGroup_), row, 0, Qt::AlignTop);
    fg->addWidget(flashOutputs_, row++, 1, 1, 2);
    fg->addWidget(MakeLabel(QStringLiteral("Edit Name"), flashGroup_), row, 0);
    fg->addWidget(flashName_, row++, 1, 1, 2);
    layout->addWidget(flashGroup_, 0, Qt::AlignTop);

    auto* wiper = new QGroupBox(QStringLiteral(" Wiper control "), this);
    wiper->setObjectName(QStringLiteral("GroupBoxWiper"));
    auto* wg = new QGridLayout(wiper);
    QAbstractItemModel* base = lists_.TriggerSourceBaseList();
    wiperLow_ = MakeSharedSelector(QStringLiteral("WiperLowSpeedInputComboBox"), base, wiper);
    wiperHigh_ = MakeSharedSelector(QStringLiteral("WiperHighSpeedInputComboBox"), base, wiper);
    wiperHomePark_ = MakeSharedSelector(QStringLiteral("WiperHomeParkInputComboBox"), base, wiper);
    wiperHomeParkLevel_ = MakeFixedSelector(QStringLiteral("WiperHomeParkILevelComboBox"),
                                            {QStringLiteral("Stop on Low"), QStringLiteral("Stop on High")}, wiper);
    wiperInterval_ = MakeSharedSelector(QStringLiteral("WiperIntervalInputComboBox"), base, wiper);
    wiperIntervalTime_ = new QLineEdit(wiper);
    wiperIntervalTime_->setObjectName(QStringLiteral("WiperIntervalTimeEdit"));
    wiperIntervalTime_->setFixedWidth(60);
    row = 0;
    wg->addWidget(MakeLabel(QStringLiteral("Low speed"), wiper), row, 0);
    wg->addWidget(wiperLow_, row++, 1, 1, 2);
    wg->addWidget(MakeLabel(QStringLiteral("High speed"), wiper), row, 0);
    wg->addWidget(wiperHigh_, row++, 1, 1, 2);
    wg->addWidget(MakeLabel(QStringLiteral("Home / park"), wiper), row, 0);
    wg->addWidget(wiperHomePark_, row, 1);
    wg->addWidget(wiperHomeParkLevel_, row++, 2);
    wg->addWidget(MakeLabel(QStringLiteral("Interval"), wiper), row, 0);
    wg->addWidget(wiperInterval_, row++, 1, 1, 2);
    wg->addWidget(MakeLabel(QStringLiteral("Time:"), wiper), row, 0);
    wg->addWidget(wiperIntervalTime_, row, 1);
    wg->addWidget(MakeLabel(QStringLiteral("[x 100ms]    ( 2..250 )"), wiper), row++, 2);
    layout->addWidget(wiper, 0, Qt::AlignTop);
    layout->addStretch(1);

    // Selecting an entry, by click or by keys, shows that function; selections made in code are
    // made with the list's signals blocked.
    connect(flashNo_, &QListWidget::currentRowChanged, this, [this] { ListBoxFlashNoClick(); });
    connect(flashName_, &QLineEdit::textChanged, this, [this] { EditFlashNameChange(); });
    connect(flashOn_, &QLineEdit::textChanged, this, [this] { FlashTimeChange(flashOn_, &FlashConfig::FLASH_TIME_ON); });
    connect(flashOff_, &QLineEdit::textChanged, this,
            [this] { FlashTimeChange(flashOff_, &FlashConfig::FLASH_TIME_OFF); });
    connect(flashDuration_, &QLineEdit::textChanged, this,
            [this] { FlashTimeChange(flashDuration_, &FlashConfig::DURATION); });
    connect(flashContinues_, &QCheckBox::clicked, this, [this](bool on) {
        if (const int n = SelectedFlash())
            WriteModel([&] { model_.ModifyFlash(n, [&](FlashConfig& f) { f.CONTINUES = on ? 1 : 0; }); });
    });
    connect(flashTrigger_, &QComboBox::activated, this, [this] {
        // Stored by the base conversion: a wiper entry becomes 255 ("+30" when shown again).
        const int code = BasePositionToTriggerCode(flashTrigger_->currentIndex());
        if (const int n = SelectedFlash())
            WriteModel([&] { model_.ModifyFlash(n, [&](FlashConfig& f) { f.INPUT_TRIGGER = uint8_t(code); }); });
    });
    connect(flashOutputs_, &TOutputCheckList::ClickCheck, this, [this](int r) {
        const OutputList ticks = flashOutputs_->Ticks();
        if (OutputListTooMany(OutputListKind::Flash, ticks)) {
            flashOutputs_->SetTicked(r, false);
            dialogs_.ShowMessage(OutputListMaximumMessage(OutputListKind::Flash));
            return;
        }
        if (const int n = SelectedFlash()) {
            const auto slots = FlashSlotsFromOutputs(ticks);
            WriteModel([&] { model_.ModifyFlash(n, [&](FlashConfig& f) { f.CHANNEL_LIST = slots; }); });
        }
    });

    connect(wiperLow_, &QComboBox::activated, this, [this] { WriteWiperInput(wiperLow_, &WiperConfig::LOW_SPEED_INPUT); });
    connect(wiperHigh_, &QComboBox::activated, this,
            [this] { WriteWiperInput(wiperHigh_, &WiperConfig::HIGH_SPEED_INPUT); });
    connect(wiperInterval_, &QComboBox::activated, this,
            [this] { WriteWiperInput(wiperInterval_, &WiperConfig::INTERVAL_INPUT); });
    connect(wiperHomePark_, &QComboBox::activated, this, [this] {
        WriteWiperInput(wiperHomePark_, &WiperConfig::HOME_PARK_INPUT);
        if (const auto level = HomeParkLevelAfterInput(wiperHomePark_->currentIndex())) {
            WriteModel([&] { model_.ModifyWiper([&](WiperConfig& w) { w.HOME_PARK_LEVEL = *level; }); });
            SelectPosition(wiperHomeParkLevel_, *level);
        }
    });
    connect(wiperHomeParkLevel_, &QComboBox::activated, this, [this] {
        const int level = wiperHomeParkLevel_->currentIndex();
        WriteModel([&] { model_.ModifyWiper([&](WiperConfig& w) { w.HOME_PARK_LEVEL = level; }); });
    });
    connect(wiperIntervalTime_, &QLineEdit::textChanged, this, [this] {
        const int t = IntegerTextOr(wiperIntervalTime_->text(), kWiperIntervalFallback);
        WriteModel([&] {
            if (model_.Wiper().INTERVAL_TIME != t)
                model_.ModifyWiper([&](WiperConfig& w) { w.INTERVAL_TIME = t; });
        });
    });

    connect(&model_, &ConfigModel::NameChanged, this, [this](ConfigBlock block, int) {
        if (block == ConfigBlock::Output)
            flashOutputs_->SetNames(OutputNames(model_));
    });
    connect(&lists_, &SelectionLists::NamesPropagated, this, &TFlashWiperPage::AfterNamePropagation);
    flashOutputs_->SetNames(OutputNames(model_));
    ShowWiper();
}

int TFlashWiperPage::SelectedFlash() const
{
    const int k = flashNo_->currentRow();
    return k >= 0 && k < kFlashCount ? k + 1 : 0;
}

void TFlashWiperPage::ListBoxFlashNoClick()
{
    const int n = SelectedFlash();
    if (n == 0)
        return;
    const QString entry = flashNo_->item(n - 1)->text();
    flashGroup_->setTitle(entry);
    // The name editor takes the entry's text, and its change stores it as the function's name.
    if (flashName_->text() != entry)
        flashName_->setText(entry);
    else
        EditFlashNameChange();
    ReloadFlashEditor(n, false);
}

void TFlashWiperPage::ReloadFlashEditor(int n, bool withName)
{
    if (n < 1 || n > kFlashCount)
        return;
    const FlashConfig& f = model_.Flash(n);
    flashContinues_->setChecked(f.CONTINUES != 0);
    SelectPosition(flashTrigger_, TriggerCodeToBasePosition(f.INPUT_TRIGGER));
    // Copies: the time editors' own handlers write the model while these are shown.
    const uint8_t on = f.FLASH_TIME_ON, off = f.FLASH_TIME_OFF, duration = f.DURATION;
    const auto slots = f.CHANNEL_LIST;
    const ChannelName name = f.FLASH_NAME;
    flashOn_->setText(FlashTimeText(on));
    flashOff_->setText(FlashTimeText(off));
    flashDuration_->setText(FlashTimeText(duration));
    if (withName)
        flashName_->SetName(name);
    flashOutputs_->SetNames(OutputNames(model_));
    flashOutputs_->SetTicks(FlashOutputsFromSlots(slots));
}

void TFlashWiperPage::EditFlashNameChange()
{
    const int n = SelectedFlash();
    if (n == 0)
        return;
    flashNo_->item(n - 1)->setText(flashName_->text());
    const ChannelName name = flashName_->Name();
    WriteModel([&] {
        if (model_.Flash(n).FLASH_NAME != name)
            model_.ModifyFlash(n, [&](FlashConfig& f) { f.FLASH_NAME = name; });
    });
}

void TFlashWiperPage::FlashTimeChange(QLineEdit* edit, uint8_t FlashConfig::* field)
{
    const FlashTimeResult r = FlashTimeFromText(edit->text());
    if (r.replacement && edit->text() != *r.replacement) {
        edit->setText(*r.replacement);
        return;
    }
    if (const int n = SelectedFlash()) {
        WriteModel([&] {
            if (model_.Flash(n).*field != r.stored)
                model_.ModifyFlash(n, [&](FlashConfig& f) { f.*field = r.stored; });
        });
    }
}

void TFlashWiperPage::AfterNamePropagation()
{
    const int remembered = flashNo_->currentRow();
    {
        const QSignalBlocker block(flashNo_);
        for (int k = 0; k < kFlashCount; ++k) {
            const QString name = Cp1252ToString(model_.Flash(k + 1).FLASH_NAME);
            if (k < flashNo_->count()) {
                if (flashNo_->item(k)->text() != name)
                    flashNo_->item(k)->setText(name);
            } else {
                flashNo_->addItem(name);
            }
        }
        flashNo_->setCurrentRow(remembered >= 0 && remembered < kFlashCount ? remembered : 0);
    }
    ReloadFlashEditor(SelectedFlash(), true);
}

void TFlashWiperPage::WriteWiperInput(QComboBox* box, int WiperConfig::* field)
{
    const int p = box->currentIndex();
    const int code = p < 0 ? kNoSelection : PositionToTriggerCode(p);
    WriteModel([&] { model_.ModifyWiper([&](WiperConfig& w) { w.*field = code; }); });
}

void TFlashWiperPage::ShowWiper()
{
    const WiperConfig w = model_.Wiper();
    const auto position = [](int code) { return code == kNoSelection ? -1 : TriggerCodeToPosition(code); };
    // Codes 53 and 54 (the wiper entries) are beyond the base list: nothing selected.
    SelectPosition(wiperLow_, position(w.LOW_SPEED_INPUT));
    SelectPosition(wiperHigh_, position(w.HIGH_SPEED_INPUT));
    SelectPosition(wiperHomePark_, position(w.HOME_PARK_INPUT));
    SelectPosition(wiperInterval_, position(w.INTERVAL_INPUT));
    SelectPosition(wiperHomeParkLevel_, w.HOME_PARK_LEVEL);
    if (wiperIntervalTime_->text() != QString::number(w.INTERVAL_TIME))
        wiperIntervalTime_->setText(QString::number(w.INTERVAL_TIME));
}

void TFlashWiperPage::ShowModel(ConfigBlock block, int index)
{
    if (block == ConfigBlock::Wiper) {
        ShowWiper();
    } else if (block == ConfigBlock::Flash) {
        const int n = SelectedFlash();
        if (n != 0 && (index < 0 || index == n))
            ReloadFlashEditor(n, true);
    }
}

}  // namespace relvane
