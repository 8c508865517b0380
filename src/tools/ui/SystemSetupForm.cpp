#include "tools/ui/SystemSetupForm.h"

#include "config/ui/DialogButtons.h"
#include "tools/ui/ToolForm.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

namespace {
QLineEdit* Field(QWidget* parent, const char* name, int maxLength) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    // Limits typing only: a longer text the module reports is still shown whole.
    if (maxLength > 0)
        e->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral(".{0,%1}").arg(maxLength)), e));
    return e;
}
QLabel* Caption(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}
}  // namespace

TSystemSetupForm::TSystemSetupForm(ToolHost& host, QWidget* parent)
    : QDialog(parent), host_(host), tool_(host) {
    setObjectName(QStringLiteral("TSystemSetupForm"));
    setWindowTitle(QStringLiteral("Orvik system setup"));

    auto* group = new QGroupBox(QStringLiteral(" Main unit "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    serialEdit_ = Field(group, "SerialEdit", 8);
    yearEdit_ = Field(group, "YearEdit", 7);
    weekEdit_ = Field(group, "WeekEdit", 7);
    hwEdit_ = Field(group, "EditHW_version", 0);
    version_ = Caption(group, "MaunUnitVersion", QString());

    auto* grid = new QGridLayout(group);
    grid->addWidget(Caption(group, "Label1", QStringLiteral("Serial number")), 0, 0);
    grid->addWidget(serialEdit_, 0, 1);
    grid->addWidget(Caption(group, "Label2", QStringLiteral("Production year")), 1, 0);
    grid->addWidget(yearEdit_, 1, 1);
    grid->addWidget(Caption(group, "Label3", QStringLiteral("Production week")), 2, 0);
    grid->addWidget(weekEdit_, 2, 1);
    grid->addWidget(Caption(group, "Label5", QStringLiteral("Hardware version")), 3, 0);
    grid->addWidget(hwEdit_, 3, 1);
    grid->addWidget(Caption(group, "Label4", QStringLiteral("Software version")), 4, 0);
    grid->addWidget(version_, 4, 1);

    auto* upload = new QPushButton(QStringLiteral("Upload"), this);
    upload->setObjectName(QStringLiteral("BtnUpload"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BtnOK"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(upload);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* v = new QVBoxLayout(this);
    v->addWidget(group);
    v->addLayout(buttons);

    connect(upload, &QPushButton::clicked, this, &TSystemSetupForm::BtnUploadClick);
    connect(ok, &QPushButton::clicked, this, &TSystemSetupForm::BtnOKClick);
    connect(serialEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { tool_.setSerialText(t); });
    connect(yearEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { tool_.setYearText(t); });
    connect(weekEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { tool_.setWeekText(t); });
    connect(hwEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { tool_.setHardwareText(t); });
    connect(&tool_, &SystemSetupTool::changed, this, &TSystemSetupForm::ShowFields);
    ShowFields();

    // Enter in a field presses no button.
    SetEnterButton(*this);
    host_.RegisterToolWindow(ToolSlot::SystemSetup, &tool_);
}

TSystemSetupForm::~TSystemSetupForm() { host_.UnregisterToolWindow(ToolSlot::SystemSetup, &tool_); }

void TSystemSetupForm::ShowFields() {
    serialEdit_->setText(tool_.serialText());
    yearEdit_->setText(tool_.yearText());
    weekEdit_->setText(tool_.weekText());
    hwEdit_->setText(tool_.hardwareText());
    version_->setText(tool_.versionText());
}

bool TSystemSetupForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(e);
}

void TSystemSetupForm::FormActivate() { tool_.Activate(); }

void TSystemSetupForm::BtnUploadClick() {
    RunToolHandler(host_, [this] { tool_.Upload(); });
}

}  // namespace relvane
