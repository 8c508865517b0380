#include "tools/ui/RunTimeErrorForm.h"

#include "config/ui/DialogButtons.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

namespace {
QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
}  // namespace

TRunTimeErrorForm::TRunTimeErrorForm(ToolHost& host, QWidget* parent)
    : QDialog(parent), host_(host), log_(host) {
    setObjectName(QStringLiteral("TRunTimeErrorForm"));
    setWindowTitle(QStringLiteral("Runtime ERROR"));
    resize(480, 420);

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("MemoErrorLog"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* resetSystem = Button(this, "BtnResetSystemLog", QStringLiteral("Reset System Log"));
    auto* reboot = Button(this, "BtnReboot", QStringLiteral("Reboot"));
    auto* resetLog = Button(this, "BtnResetLog", QStringLiteral("ResetLog"));
    auto* ok = Button(this, "BtnOK", QStringLiteral("OK"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(resetSystem);
    buttons->addWidget(reboot);
    buttons->addWidget(resetLog);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* v = new QVBoxLayout(this);
    v->addWidget(memo_, 1);
    v->addLayout(buttons);

    connect(resetSystem, &QPushButton::clicked, this, &TRunTimeErrorForm::BtnResetSystemLogClick);
    connect(reboot, &QPushButton::clicked, this, &TRunTimeErrorForm::BtnRebootClick);
    connect(resetLog, &QPushButton::clicked, this, &TRunTimeErrorForm::BtnResetLogClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(&log_, &RuntimeErrorLog::cleared, memo_, &QPlainTextEdit::clear);
    connect(&log_, &RuntimeErrorLog::linesAdded, this, [this](const QStringList& lines) {
        for (const QString& line : lines) memo_->appendPlainText(line);
    });

    // Enter in a field presses no button.
    SetEnterButton(*this);
    host_.RegisterToolWindow(ToolSlot::RunTimeError, &log_);
}

TRunTimeErrorForm::~TRunTimeErrorForm() { host_.UnregisterToolWindow(ToolSlot::RunTimeError, &log_); }

bool TRunTimeErrorForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(e);
}

}  // namespace relvane
