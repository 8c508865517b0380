#pragma once
// What the fault tables share: the loss count the status bar shows, a page without traffic of
// its own, and the wait until the program is calm again after a row.

#include "E2eRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace relvane::e2e {

// Counts each change of the status bar to "USB DISCONNECTED": a loss reported once per pulled
// cable, never a flood.
class LossWatch {
public:
    explicit LossWatch(TMainForm& main)
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, &main] {
            const bool lost = main.StatusText() == QStringLiteral("USB DISCONNECTED");
            if (lost && !lost_)
                ++losses_;
            lost_ = lost;
        });
        timer_.start();
    }
    int Losses() const { return losses_; }

private:
    QTimer timer_;
    int losses_ = 0;
    bool lost_ = false;
};

// Whether a fault given to the simulator as "after N FAULT" has struck, from its counters
// taken before the row.
inline bool FaultStruck(sim::Simulator& sim, const QString& fault, const sim::SimulatorCounters& before)
{
    const sim::SimulatorCounters now = sim.Counters();
    if (fault.startsWith(QLatin1String("replug")))
        return now.plugs > before.plugs;  // pulled and plugged in again
    if (fault == QLatin1String("drop"))
        return now.dropped > before.dropped;
    if (fault == QLatin1String("corrupt"))
        return now.corrupted > before.corrupted;
    if (fault == QLatin1String("silent"))
        return sim.IsSilent();
    return false;
}

// How long an exchange that a fault has struck must have stood still to count as stalled.
inline constexpr int kQuietMs = 3000;

// A stalled exchange, told by the event instead of by a short time-out: once the fault has
// struck and the exchange's progress has not moved for quietMs, expire runs once and brings
// the exchange's own time-out forward. The exchanges keep time-outs long enough for a slow
// machine; only a row that has shown its stall waits less.
class StallWatch {
public:
    StallWatch(std::function<bool()> struck, std::function<qint64()> progress, std::function<void()> expire,
               int quietMs)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, struck, progress, expire, quietMs] {
            if (fired_ || !struck())
                return;
            const qint64 now = progress();
            if (!quiet_.isValid() || now != last_) {
                last_ = now;
                quiet_.start();
            } else if (quiet_.elapsed() >= quietMs) {
                fired_ = true;
                expire();
            }
        });
        timer_.start();
    }
    bool Fired() const { return fired_; }

private:
    QTimer timer_;
    QElapsedTimer quiet_;
    qint64 last_ = 0;
    bool fired_ = false;
};

// The last notebook page: the General page's poll would count as the command's frames.
inline void ShowQuietPage(TMainForm& main)
{
    main.Notebook()->setCurrentIndex(main.Notebook()->count() - 1);
}

// Link open, no command, no window, and no connection read still to come.
inline bool Calm(ToolProgram& program)
{
    return program.Link().State() == LINK_OPEN && !program.Transfer().Sequencer().CommandRunning()
        && !program.MainForm().TimerSerial()->isActive() && QApplication::activeModalWidget() == nullptr;
}

}  // namespace relvane::e2e
