#pragma once
// The progress window of a configuration transfer: a bar that cycles while the
// transfer runs, Cancel, and the time-out after about 50 s. It closes at the end of
// the transfer, on FACTORY_DEFAULT_CFM, at its time-out and on Cancel only:
// switching to another application leaves it open, so the reboot question after an
// upload never comes while blocks are still being sent.

#include "config/Dialogs.h"
#include "protocol/TransferSequencer.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace relvane {

class TUpdateForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpdateForm(Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the window modally until it closes. cancel runs when the user cancels,
    // before the window closes. Only one run at a time; a second call returns at once.
    ProgressEnd Run(const std::function<void()>& cancel);
    // The sequencer's end of a transfer and FACTORY_DEFAULT_CFM: stop the timer and
    // close. Nothing when the window is not running.
    void TransferEnded();
    bool IsRunning() const { return running_; }

    // Handlers.
    void FormActivate();
    void Timer1Timer() { progress_.Tick(); }
    void BtnCancelClick();

    UpdateProgress& Progress() { return progress_; }
    QProgressBar* ProgressBar1() const { return progressBar1_; }
    QPushButton* BtnCancel() const { return btnCancel_; }

public Q_SLOTS:
    // Escape and the window's close button cancel, like the button: a progress
    // window that went away without stopping the transfer would leave it running
    // unseen.
    void reject() override;

private:
    void Finish(ProgressEnd end);
    void OnTimedOut();

    Dialogs& dialogs_;
    UpdateProgress progress_;
    QProgressBar* progressBar1_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QLabel* label_ = nullptr;
    std::function<void()> cancel_;
    std::optional<ProgressEnd> end_;
    bool running_ = false;
};

}  // namespace relvane
