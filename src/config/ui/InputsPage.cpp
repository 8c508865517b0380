#include "config/ui/InputsPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

TInputsPage::TInputsPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : TEditorPage(model, lists, dialogs, QStringLiteral("TabSheetInputs"), parent)
{
    auto* layout = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    auto* inputs = new QGroupBox(QStringLiteral("Input"), this);
    inputs->setObjectName(QStringLiteral("GroupBoxInput"));
    auto* grid = new QGridLayout(inputs);
    grid->setVerticalSpacing(2);
    grid->addWidget(MakeLabel(QStringLiteral("Name"), inputs), 0, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Mode"), inputs), 0, 2);
    for (int n = 1; n <= kInputCount; ++n) {
        const QString num = QString::number(n);
        auto* edit = new TNameEdit(QStringLiteral("EditInputName_ch") + num, inputs);
        auto* mode = MakeFixedSelector(QStringLiteral("ComboBoxInput_ch") + num,
                                       {QStringLiteral("Latching"), QStringLiteral("Momentary")}, inputs);
        inputNames_[std::size_t(n - 1)] = edit;
        modes_[std::size_t(n - 1)] = mode;
        grid->addWidget(MakeLabel(num, inputs), n, 0);
        grid->addWidget(edit, n, 1);
        grid->addWidget(mode, n, 2);
        connect(edit, &QLineEdit::textChanged, this, [this, n] { InputName_Change(ConfigBlock::Input, n); });
        connect(mode, &QComboBox::activated, this, [this, n, mode] {
            const int m = mode->currentIndex();
            WriteModel([&] { model_.ModifyInput(n, [&](InputConfig& r) { r.MODE = m; }); });
        });
    }
    pwm_ = new QCheckBox(QStringLiteral("Enable PWM"), inputs);
    pwm_->setObjectName(QStringLiteral("CheckBoxInputPWMEnable"));
    pwm_->setVisible(false);  // carried between module, file and model only
    connect(pwm_, &QCheckBox::clicked, this, [this](bool on) {
        WriteModel([&] { model_.ModifyInputBlock([&](InputBlockConfig& b) { b.PWM_ENABLE = on; }); });
    });
    left->addWidget(inputs);

    auto* box = new QGroupBox(QStringLiteral("Edit Box name"), this);
    box->setObjectName(QStringLiteral("GroupBoxBoxName"));
    auto* boxLayout = new QHBoxLayout(box);
    boxName_ = new TNameEdit(QStringLiteral("EditBoxName"), box);
    boxLayout->addWidget(boxName_);
    connect(boxName_, &QLineEdit::textChanged, this, [this] {
        const ChannelName name = boxName_->Name();
        WriteModel([&] {
            if (model_.BoxName() != name)
                model_.SetBoxName(name);
        });
    });
    left->addWidget(box);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ReadButton(QStringLiteral("BtnLoad")));
    buttons->addWidget(UploadButton(QStringLiteral("BtnSave")));
    buttons->addWidget(DefaultButton(QStringLiteral("BtnDefaultValue")));
    left->addLayout(buttons);
    left->addStretch(1);
    layout->addLayout(left);

    auto* virtuals = new QGroupBox(QStringLiteral("Virtual Inputs"), this);
    virtuals->setObjectName(QStringLiteral("GroupBoxVirtualInputs"));
    auto* vgrid = new QGridLayout(virtuals);
    vgrid->setVerticalSpacing(2);
    for (int n = 1; n <= kVirtualInputCount; ++n) {
        const QString num = QString::number(n);
        auto* edit = new TNameEdit(QStringLiteral("EditInputName_Virtuel_ch") + num, virtuals);
        virtualNames_[std::size_t(n - 1)] = edit;
        vgrid->addWidget(MakeLabel(num, virtuals), n - 1, 0);
        vgrid->addWidget(edit, n - 1, 1);
        connect(edit, &QLineEdit::textChanged, this, [this, n] { InputName_Change(ConfigBlock::VirtualInput, n); });
    }
    vgrid->setRowStretch(kVirtualInputCount, 1);
    layout->addWidget(virtuals, 0, Qt::AlignTop);

    auto* cans = new QGroupBox(QStringLiteral("CAN Inputs"), this);
    cans->setObjectName(QStringLiteral("GroupBoxCanInputs"));
    auto* cgrid = new QGridLayout(cans);
    cgrid->setVerticalSpacing(2);
    constexpr int kPerColumn = kCanInputCount / 2;
    for (int n = 1; n <= kCanInputCount; ++n) {
        const QString num = QString::number(n);
        auto* edit = new TNameEdit(QStringLiteral("EditCanInputName_ch") + num, cans);
        canNames_[std::size_t(n - 1)] = edit;
        const int row = (n - 1) % kPerColumn;
        const int col = (n - 1) / kPerColumn * 2;
        cgrid->addWidget(MakeLabel(num, cans), row, col);
        cgrid->addWidget(edit, row, col + 1);
        connect(edit, &QLineEdit::textChanged, this, [this, n] { InputName_Change(ConfigBlock::CanInput, n); });
    }
    cgrid->setRowStretch(kPerColumn, 1);
    layout->addWidget(cans, 0, Qt::AlignTop);
    layout->addStretch(1);

    ShowAllBlocks();
}

void TInputsPage::InputName_Change(ConfigBlock block, int n)
{
    // The model's NameChanged asks for the propagation (unless a device transfer runs).
    WriteModel([&] {
        switch (block) {
        case ConfigBlock::Input: {
            const ChannelName name = inputNames_[std::size_t(n - 1)]->Name();
            if (model_.Input(n).NAME != name)
                model_.ModifyInput(n, [&](InputConfig& r) { r.NAME = name; });
            break;
        }
        case ConfigBlock::VirtualInput: {
            const ChannelName name = virtualNames_[std::size_t(n - 1)]->Name();
            if (model_.VirtualInput(n).VIRTUAL_NAME != name)
                model_.ModifyVirtualInput(n, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = name; });
            break;
        }
        case ConfigBlock::CanInput: {
            const ChannelName name = canNames_[std::size_t(n - 1)]->Name();
            if (model_.CanInput(n).CAN_NAME != name)
                model_.ModifyCanInput(n, [&](CanInputConfig& r) { r.CAN_NAME = name; });
            break;
        }
        default: break;
        }
    });
}

void TInputsPage::ShowModel(ConfigBlock block, int index)
{
    const auto each = [index](int count, auto&& show) {
        for (int n = 1; n <= count; ++n) {
            if (index < 0 || index == n)
                show(n);
        }
    };
    switch (block) {
    case ConfigBlock::Input:
        if (index < 0)
            pwm_->setChecked(model_.InputBlock().PWM_ENABLE);
        each(kInputCount, [&](int n) {
            inputNames_[std::size_t(n - 1)]->SetName(model_.Input(n).NAME);
            SelectPosition(modes_[std::size_t(n - 1)], model_.Input(n).MODE);
        });
        break;
    case ConfigBlock::VirtualInput:
        each(kVirtualInputCount,
             [&](int n) { virtualNames_[std::size_t(n - 1)]->SetName(model_.VirtualInput(n).VIRTUAL_NAME); });
        break;
    case ConfigBlock::CanInput:
        each(kCanInputCount, [&](int n) { canNames_[std::size_t(n - 1)]->SetName(model_.CanInput(n).CAN_NAME); });
        break;
    case ConfigBlock::BoxName:
        boxName_->SetName(model_.BoxName());
        break;
    default: break;
    }
}

}  // namespace relvane
