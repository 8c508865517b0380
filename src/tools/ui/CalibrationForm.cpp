#include "tools/ui/CalibrationForm.h"

#include "config/ui/DialogButtons.h"
#include "tools/ui/ToolForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

namespace {

QLabel* NamedLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QString Numbered(const char* prefix, int n) { return QLatin1String(prefix) + QString::number(n); }

}  // namespace

TCalibrationForm::TCalibrationForm(ToolHost& host, QWidget* parent)
    : QDialog(parent), host_(host), tool_(host) {
    setObjectName(QStringLiteral("TCalibrationForm"));
    setWindowTitle(QStringLiteral("Calibration"));

    auto* table = new QGridLayout;
    table->addWidget(NamedLabel(this, QStringLiteral("Label1"), QStringLiteral("High power calibration")), 0, 0, 1, 9);
    const QStringList headers{QString(), QStringLiteral("A/D Offset"), QStringLiteral("10 bit A/D"),
                              QStringLiteral("Amps"), QStringLiteral("M\u00e5lt Amps"), QString(),
                              QStringLiteral("Ration"), QStringLiteral("New Ration"), QString()};
    for (int c = 0; c < headers.size(); ++c)
        if (!headers.at(c).isEmpty()) table->addWidget(new QLabel(headers.at(c), this), 1, c);

    for (int n = 1; n <= kCalibrationChannels; ++n) {
        Row& r = rows_.at(std::size_t(n - 1));
        const int line = n + 1;
        table->addWidget(NamedLabel(this, Numbered("Label", n + 1), QStringLiteral("CH %1").arg(n)), line, 0);
        r.offset = NamedLabel(this, Numbered("Label_AD_Offset_", n), QString());
        r.ad = NamedLabel(this, Numbered("Label_AD_", n), QString());
        r.amps = NamedLabel(this, Numbered("Label_Amp_ch_", n), QString());
        r.current = new QLineEdit(this);
        r.current->setObjectName(Numbered("Edit_Current_", n));
        r.current->setMaximumWidth(70);
        r.marker = NamedLabel(this, Numbered("ChannelUpdateLabel", n), QString());
        r.ratio = NamedLabel(this, Numbered("Label_Ratio_", n), QString());
        r.newRatio = new QLineEdit(this);
        r.newRatio->setObjectName(Numbered("EditNewRation_", n));
        r.newRatio->setMaximumWidth(70);
        auto* calc = new QPushButton(QStringLiteral("Calculate new Ration"), this);
        calc->setObjectName(Numbered("Btn_NewRation_", n));
        table->addWidget(r.offset, line, 1);
        table->addWidget(r.ad, line, 2);
        table->addWidget(r.amps, line, 3);
        table->addWidget(r.current, line, 4);
        table->addWidget(r.marker, line, 5);
        table->addWidget(r.ratio, line, 6);
        table->addWidget(r.newRatio, line, 7);
        table->addWidget(calc, line, 8);
        connect(r.current, &QLineEdit::textChanged, this, [this, n](const QString& t) { tool_.setMeasuredCurrentText(n, t); });
        connect(r.newRatio, &QLineEdit::textChanged, this, [this, n](const QString& t) { tool_.setNewRatioText(n, t); });
        connect(calc, &QPushButton::clicked, this, [this, n] { BtnNewRationClick(n); });
        ShowRow(n);
    }

    // Step 1.
    auto* step1 = new QGroupBox(this);
    auto* s1 = new QVBoxLayout(step1);
    s1->addWidget(NamedLabel(step1, QStringLiteral("Label27"), QStringLiteral("Step 1")));
    auto* memo1 = new QPlainTextEdit(step1);
    memo1->setObjectName(QStringLiteral("Memo1"));
    memo1->setReadOnly(true);
    memo1->setPlainText(QStringLiteral(
        "Nothing may be connected to the high power outputs while this calibration is carried out.\n"
        "Press Store A/D offset, and once the Relvane has updated its A/D offsets, go on to the next step."));
    auto* storeOffset = new QPushButton(QStringLiteral("Store A/D offset"), step1);
    storeOffset->setObjectName(QStringLiteral("BtnUpload_AD_Offset"));
    offsetOk_ = NamedLabel(step1, QStringLiteral("UploadADoffsetOKlabel"), QStringLiteral("OK"));
    auto* s1Row = new QHBoxLayout;
    s1Row->addWidget(storeOffset);
    s1Row->addWidget(offsetOk_);
    s1Row->addStretch(1);
    s1->addWidget(memo1);
    s1->addLayout(s1Row);

    // Step 2.
    auto* step2 = new QGroupBox(this);
    auto* s2 = new QVBoxLayout(step2);
    s2->addWidget(NamedLabel(step2, QStringLiteral("Label21"), QStringLiteral("Step 2")));
    auto* down = new QPushButton(QStringLiteral("-"), step2);
    down->setObjectName(QStringLiteral("ChannelDownBtn"));
    channelEdit_ = new QLineEdit(tool_.channelText(), step2);
    channelEdit_->setObjectName(QStringLiteral("CalibrateChannelEdit"));
    channelEdit_->setMaximumWidth(50);
    auto* up = new QPushButton(QStringLiteral("+"), step2);
    up->setObjectName(QStringLiteral("ChannelUpBtn"));
    auto* update = new QPushButton(QStringLiteral("Update"), step2);
    update->setObjectName(QStringLiteral("ChannelUpdateBtn"));
    auto* s2Row = new QHBoxLayout;
    s2Row->addWidget(down);
    s2Row->addWidget(channelEdit_);
    s2Row->addWidget(up);
    s2Row->addWidget(update);
    s2Row->addStretch(1);
    auto* memo2 = new QPlainTextEdit(step2);
    memo2->setObjectName(QStringLiteral("Memo2"));
    auto* offsetBox = new QCheckBox(QStringLiteral("Use Offset values"), step2);
    offsetBox->setObjectName(QStringLiteral("CheckBoxOffset"));
    auto* ratioBox = new QCheckBox(QStringLiteral("Use ration values"), step2);
    ratioBox->setObjectName(QStringLiteral("CheckBoxRation"));
    auto* storeRatio = new QPushButton(QStringLiteral("Store Ration"), step2);
    storeRatio->setObjectName(QStringLiteral("BtnStoreRation"));
    storeOk_ = NamedLabel(step2, QStringLiteral("StoreCalibrationOKlabel"), QStringLiteral("OK"));
    auto* storeRow = new QHBoxLayout;
    storeRow->addWidget(storeRatio);
    storeRow->addWidget(storeOk_);
    storeRow->addStretch(1);
    s2->addLayout(s2Row);
    s2->addWidget(memo2);
    s2->addWidget(offsetBox);
    s2->addWidget(ratioBox);
    s2->addLayout(storeRow);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BtnOK"));

    auto* side = new QVBoxLayout;
    side->addWidget(step1);
    side->addWidget(step2);
    side->addStretch(1);
    side->addWidget(ok, 0, Qt::AlignRight);
    auto* h = new QHBoxLayout(this);
    h->addLayout(table, 1);
    h->addLayout(side);

    connect(channelEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { tool_.setChannelText(t); });
    connect(&tool_, &CalibrationTool::channelTextChanged, this, [this] {
        const QSignalBlocker block(channelEdit_);
        channelEdit_->setText(tool_.channelText());
    });
    connect(offsetBox, &QCheckBox::clicked, this, [this](bool on) { tool_.SetUseOffset(on); });
    connect(ratioBox, &QCheckBox::clicked, this, [this](bool on) { tool_.SetUseRatio(on); });
    connect(down, &QPushButton::clicked, this, [this] { tool_.ChannelDown(); });
    connect(up, &QPushButton::clicked, this, [this] { tool_.ChannelUp(); });
    connect(update, &QPushButton::clicked, this, [this] { tool_.ChannelUpdate(); });
    connect(storeOffset, &QPushButton::clicked, this, &TCalibrationForm::BtnUpload_AD_OffsetClick);
    connect(storeRatio, &QPushButton::clicked, this, &TCalibrationForm::BtnStoreRationClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(&tool_, &CalibrationTool::rowChanged, this, &TCalibrationForm::ShowRow);
    connect(&tool_, &CalibrationTool::newRatioChanged, this, &TCalibrationForm::ShowNewRatio);
    connect(&tool_, &CalibrationTool::labelsChanged, this, &TCalibrationForm::ShowLabels);
    ShowLabels();

    host_.SetCalibrationWindowExists(true);
    // Enter in a field presses no button.
    SetEnterButton(*this);
    host_.RegisterToolWindow(ToolSlot::Calibration, &tool_);
}

TCalibrationForm::~TCalibrationForm() {
    host_.UnregisterToolWindow(ToolSlot::Calibration, &tool_);
    host_.SetCalibrationWindowVisible(false);
    host_.SetCalibrationWindowExists(false);
}

void TCalibrationForm::ShowRow(int channel) {
    const CalibrationRow& d = tool_.row(channel);
    Row& r = rows_.at(std::size_t(channel - 1));
    r.offset->setText(d.offsetText());
    r.ad->setText(d.adText());
    r.amps->setText(d.currentText());
    r.marker->setText(d.markerText());
    r.ratio->setText(d.ratioText());
}

void TCalibrationForm::ShowNewRatio(int channel) {
    rows_.at(std::size_t(channel - 1)).newRatio->setText(tool_.newRatioText(channel));
}

void TCalibrationForm::ShowLabels() {
    offsetOk_->setVisible(tool_.offsetStoredShown());
    storeOk_->setVisible(tool_.ratiosStoredShown());
}

void TCalibrationForm::showEvent(QShowEvent* e) {
    tool_.Show();
    host_.SetCalibrationWindowVisible(true);
    QDialog::showEvent(e);
}

void TCalibrationForm::hideEvent(QHideEvent* e) {
    host_.SetCalibrationWindowVisible(false);
    QDialog::hideEvent(e);
}

void TCalibrationForm::BtnNewRationClick(int channel) {
    RunToolHandler(host_, [&] { tool_.CalculateRatio(channel); });
}

void TCalibrationForm::BtnStoreRationClick() {
    RunToolHandler(host_, [this] { tool_.StoreRatios(); });
}

void TCalibrationForm::BtnUpload_AD_OffsetClick() { tool_.StoreOffsets(); }

}  // namespace relvane
