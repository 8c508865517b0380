#include "can/ui/CanSetupGroup.h"

#include "can/ui/CanWidgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace relvane {

namespace {

const QString kHexDigits = QStringLiteral("0123456789abcdefABCDEF");

}  // namespace

TCanSetupGroup::TCanSetupGroup(ConfigModel& model, QWidget* parent)
    : QGroupBox(QStringLiteral(" CAN configuration options "), parent), model_(model)
{
    setObjectName(QStringLiteral("GroupBoxCANsetup"));
    noCanDelay_ = MakeLimitedEdit(QStringLiteral("CANdelayBeforeNoCANdataEdit"), model_.CanSetup().NoCANdelay, 4,
                                  this, QStringLiteral("0123456789"));
    resetId_ = MakeLimitedEdit(QStringLiteral("CANresetChannelErrorIDedit"), model_.CanSetup().ResetChannelErrorID, 3,
                               this, kHexDigits);
    resetDataByte_ = new QComboBox(this);
    resetDataByte_->setObjectName(QStringLiteral("CANresetChannelErrorDataCombo"));
    resetDataByte_->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                              QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")});
    resetDataByte_->setCurrentIndex(model_.CanSetup().ResetChannelErrorDataByte);
    resetMask_ = MakeLimitedEdit(QStringLiteral("CANresetChannelErrorBitMaskEdit"),
                                 model_.CanSetup().ResetChannelErrorMask, 2, this, kHexDigits);
    bitRate_ = new QComboBox(this);
    bitRate_->setObjectName(QStringLiteral("CANbitRateComboBox"));
    bitRate_->addItems({QStringLiteral("500 Kbit/s"), QStringLiteral("1 Mbit/s")});
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("CAN bit rate:"), this), 0, 0);
    g->addWidget(bitRate_, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Delay before \"No CAN data\":"), this), 1, 0);
    g->addWidget(noCanDelay_, 1, 1);
    g->addWidget(new QLabel(QStringLiteral(" x 100ms (2..2000)"), this), 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Reset channel error, CAN ID: 0x"), this), 2, 0);
    g->addWidget(resetId_, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("Data byte:"), this), 2, 2);
    g->addWidget(resetDataByte_, 2, 3);
    g->addWidget(new QLabel(QStringLiteral("Bit mask: 0x"), this), 2, 4);
    g->addWidget(resetMask_, 2, 5);
    g->setColumnStretch(6, 1);
    ShowCanSetup();
    Connect();
}

void TCanSetupGroup::Modify(const std::function<void(CanSetupConfig&)>& edit)
{
    writing_ = true;
    model_.ModifyCanSetup(edit);
    writing_ = false;
}

void TCanSetupGroup::Connect()
{
    // No handlers of their own: the edits are the fields.
    auto setupText = [this](QLineEdit* edit, QString CanSetupConfig::*field) {
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            Modify([&](CanSetupConfig& c) { c.*field = text; });
        });
    };
    setupText(noCanDelay_, &CanSetupConfig::NoCANdelay);
    setupText(resetId_, &CanSetupConfig::ResetChannelErrorID);
    setupText(resetMask_, &CanSetupConfig::ResetChannelErrorMask);
    connect(resetDataByte_, &QComboBox::activated, this, [this](int position) {
        Modify([&](CanSetupConfig& c) { c.ResetChannelErrorDataByte = position; });
    });
    connect(bitRate_, &QComboBox::activated, this, [this](int position) {
        Modify([&](CanSetupConfig& c) { c.BitRate = position == 0 ? 500 : 1000; });
    });
    connect(&model_, &ConfigModel::Changed, this, &TCanSetupGroup::OnModelChanged);
}

void TCanSetupGroup::OnModelChanged(ConfigBlock block, int)
{
    if (!writing_ && block == ConfigBlock::CanSetup)
        ShowCanSetup();
}

void TCanSetupGroup::ShowCanSetup()
{
    const CanSetupConfig& s = model_.CanSetup();
    auto show = [](QLineEdit* edit, const QString& text) {
        if (edit->text() != text) {
            QSignalBlocker block(edit);
            edit->setText(text);
        }
    };
    show(noCanDelay_, s.NoCANdelay);
    show(resetId_, s.ResetChannelErrorID);
    show(resetMask_, s.ResetChannelErrorMask);
    resetDataByte_->setCurrentIndex(s.ResetChannelErrorDataByte >= 0 && s.ResetChannelErrorDataByte < 8
                                        ? s.ResetChannelErrorDataByte : -1);
    bitRate_->setCurrentIndex(s.BitRate == 500 ? 0 : s.BitRate == 1000 ? 1 : -1);
}

}  // namespace relvane
