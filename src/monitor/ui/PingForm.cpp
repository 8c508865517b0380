#include "monitor/ui/PingForm.h"

#include "config/ui/DialogButtons.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

TPingForm::TPingForm(TxSink& queue, PingState& state, Dialogs& dialogs, Dispatcher* dispatcher,
                     QWidget* parent, PingTest::Random random, PingTest::Clock clock)
    : QDialog(parent), dialogs_(dialogs), dispatcher_(dispatcher),
      ping_(queue, state, std::move(random), std::move(clock)), timer1_(this)
{
    setObjectName(QStringLiteral("TPingForm"));
    setWindowTitle(QStringLiteral("Ping"));
    resize(520, 380);

    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setReadOnly(true);
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(mono.pointSizeF() * 0.85);
    memo1_->setFont(mono);

    btnPing_ = new QPushButton(QStringLiteral("Ping"), this);
    btnPing_->setObjectName(QStringLiteral("BtnPing"));
    btnTimer_ = new QPushButton(QStringLiteral("Start timer"), this);
    btnTimer_->setObjectName(QStringLiteral("BtnTimer"));
    timeEdit_ = new QLineEdit(QStringLiteral("500"), this);
    timeEdit_->setObjectName(QStringLiteral("TimeEdit"));
    timeEdit_->setToolTip(QStringLiteral("Time in [ms]"));
    timeEdit_->setMaximumWidth(70);
    auto* errorCaption = new QLabel(QStringLiteral("Error count :"), this);
    labelErrorCount_ = new QLabel(QStringLiteral("0"), this);
    labelErrorCount_->setObjectName(QStringLiteral("LabelErrorCount"));
    labelErrorCount_->setMinimumWidth(40);

    auto* controls = new QHBoxLayout;
    controls->addWidget(btnPing_);
    controls->addWidget(btnTimer_);
    controls->addWidget(timeEdit_);
    controls->addSpacing(16);
    controls->addWidget(errorCaption);
    controls->addWidget(labelErrorCount_);
    controls->addStretch(1);

    auto* v = new QVBoxLayout(this);
    v->addWidget(memo1_, 1);
    v->addLayout(controls);

    timer1_.setObjectName(QStringLiteral("Timer1"));
    connect(&timer1_, &QTimer::timeout, this, &TPingForm::Timer1Timer);
    connect(btnPing_, &QPushButton::clicked, this, &TPingForm::BtnPingClick);
    connect(btnTimer_, &QPushButton::clicked, this, &TPingForm::BtnTimerClick);
    SetEnterButton(*this);  // Enter in TimeEdit sends no ping
    if (dispatcher_)
        dispatcher_->RegisterToolWindow(ToolSlot::Ping, this);
}

TPingForm::~TPingForm()
{
    if (dispatcher_)
        dispatcher_->UnregisterToolWindow(ToolSlot::Ping, this);
}

void TPingForm::AddLines(const QStringList& lines)
{
    for (const QString& line : lines)
        memo1_->appendPlainText(line);
}

void TPingForm::SetErrorCount(int count)
{
    errorCount_ = count;
    labelErrorCount_->setText(QString::number(count));
}

void TPingForm::BtnPingClick() { AddLines({ping_.Ping()}); }

void TPingForm::OnToolFrame(const std::uint8_t* frame, int count)
{
    const PingTest::FrameResult r = ping_.OnFrame(frame, count);
    AddLines(r.lines);
    if (r.dataError)
        SetErrorCount(errorCount_ + 1);
}

void TPingForm::Timer1Timer() { AddLines(ping_.TimerTick()); }

void TPingForm::BtnTimerClick()
{
    if (timer1_.isActive()) {
        timer1_.stop();
        btnTimer_->setText(QStringLiteral("Start timer"));
        return;
    }
    const std::optional<int> interval = PingIntervalFromText(timeEdit_->text());
    if (!interval) {
        dialogs_.Error(InvalidIntegerText(timeEdit_->text()));
        return;
    }
    timer1_.setInterval(*interval);
    timer1_.start();
    btnTimer_->setText(QStringLiteral("Stop timer"));
    SetErrorCount(0);
}

void TPingForm::closeEvent(QCloseEvent* e)
{
    timer1_.stop();
    QDialog::closeEvent(e);
}

void TPingForm::hideEvent(QHideEvent* e)
{
    // A modal window that is done (Escape, the close box) is only hidden; the
    // timed test must not go on sending behind it.
    timer1_.stop();
    btnTimer_->setText(QStringLiteral("Start timer"));
    QDialog::hideEvent(e);
}

}  // namespace relvane
