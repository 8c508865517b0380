#include "protocol/ui/UpdateForm.h"

#include "config/ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

TUpdateForm::TUpdateForm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), progress_(this)
{
    setObjectName(QStringLiteral("TUpdateForm"));
    setWindowTitle(QStringLiteral("Update relvane"));
    setModal(true);
    resize(320, 110);

    label_ = new QLabel(QStringLiteral("Updating settings"), this);
    label_->setObjectName(QStringLiteral("Label1"));
    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, UpdateProgress::BAR_MAX);
    progressBar1_->setValue(0);
    progressBar1_->setTextVisible(false);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCancel_);
    auto* v = new QVBoxLayout(this);
    v->addWidget(label_);
    v->addWidget(progressBar1_);
    v->addLayout(buttons);

    connect(btnCancel_, &QPushButton::clicked, this, &TUpdateForm::BtnCancelClick);
    SetEnterButton(*this);  // Enter does not cancel the transfer
    connect(&progress_, &UpdateProgress::progressChanged, progressBar1_, &QProgressBar::setValue);
    connect(&progress_, &UpdateProgress::timedOut, this, &TUpdateForm::OnTimedOut);
}

ProgressEnd TUpdateForm::Run(const std::function<void()>& cancel)
{
    if (running_)
        return ProgressEnd::Finished;
    running_ = true;
    cancel_ = cancel;
    end_.reset();
    // The counters start with each run, not with each activation: the window stays
    // up when the user switches away and back, and that must not postpone the time-out.
    FormActivate();
    if (!end_)
        exec();
    progress_.Stop();
    running_ = false;
    cancel_ = nullptr;
    return end_.value_or(ProgressEnd::Finished);
}

void TUpdateForm::FormActivate()
{
    progress_.Start();
}

void TUpdateForm::Finish(ProgressEnd end)
{
    if (!end_)
        end_ = end;
    progress_.Stop();
    if (isVisible())
        done(QDialog::Accepted);
    hide();
}

void TUpdateForm::TransferEnded()
{
    // While the time-out message is up the window is already on its way out.
    if (!running_ || end_)
        return;
    Finish(ProgressEnd::Finished);
}

void TUpdateForm::BtnCancelClick()
{
    if (!running_ || end_)
        return;
    if (cancel_)
        cancel_();
    Finish(ProgressEnd::Cancelled);
}

void TUpdateForm::reject() { BtnCancelClick(); }

void TUpdateForm::OnTimedOut()
{
    if (!running_ || end_)
        return;
    end_ = ProgressEnd::TimedOut;  // decided now; an end arriving under the message changes nothing
    dialogs_.ShowMessage(UpdateTimeoutText());
    Finish(ProgressEnd::TimedOut);
}

}  // namespace relvane
