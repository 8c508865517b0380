#pragma once
// The progress of a whole-configuration transfer: the clock the progress window runs on (a
// bar that shows a transfer is running, and its time-out) and a progress without a window
// for a front end that has none.

#include <QObject>
#include <QTimer>

class QEventLoop;

namespace relvane {

// How a progress window ended.
enum class ProgressEnd {
    Finished,   // closed by the sequencer (end of transfer, FACTORY_DEFAULT_CFM)
    Cancelled,  // the user's Cancel
    TimedOut,   // no end within the time-out
};

// The progress window's clock, without the window: a 100 ms tick that cycles the
// bar from 0 to 100 and back to 0, and the time-out on the 502nd tick (about
// 50 s). The bar does not measure the transfer; it shows that one is running.
class UpdateProgress : public QObject {
    Q_OBJECT
public:
    static constexpr int TICK_MS = 100;
    static constexpr int TIMEOUT_TICKS = 500;  // the time-out comes on the tick after these
    static constexpr int BAR_MAX = 100;

    explicit UpdateProgress(QObject* parent = nullptr);

    // Shorter clocks for tests; the defaults give about 50 s.
    void SetTickInterval(int ms) { timer_.setInterval(ms); }
    void SetTimeoutTicks(int ticks) { timeoutTicks_ = ticks; }
    int TickInterval() const { return timer_.interval(); }
    int TimeoutTicks() const { return timeoutTicks_; }

    // Activation: both counters and the bar to 0, the timer started.
    void Start();
    void Stop() { timer_.stop(); }
    bool Running() const { return timer_.isActive(); }
    // One tick (Timer1Timer).
    void Tick();

    int Progress() const { return progress_; }
    int TimeoutCounter() const { return timeoutCounter_; }
    QTimer& Timer() { return timer_; }

Q_SIGNALS:
    void progressChanged(int value);
    // The timer has stopped; the window shows " Update timeout " and closes.
    void timedOut();

private:
    QTimer timer_;
    int timeoutTicks_ = TIMEOUT_TICKS;
    int progress_ = 0;
    int timeoutCounter_ = 0;
};

// A progress "window" for a front end without windows: RunProgress waits in a
// local event loop until CloseProgress, a cancel or the time-out. It shows
// nothing; the caller reports the time-out itself.
class HeadlessProgress {
public:
    HeadlessProgress();
    ProgressEnd Run();
    // Ends a running Run() with Finished; nothing when none runs.
    void Close();
    // Ends a running Run() with Cancelled.
    void Cancel();
    bool IsOpen() const { return loop_ != nullptr; }
    UpdateProgress& Clock() { return clock_; }

private:
    void End(ProgressEnd end);

    UpdateProgress clock_;
    QEventLoop* loop_ = nullptr;
    ProgressEnd end_ = ProgressEnd::Finished;
};

}  // namespace relvane
