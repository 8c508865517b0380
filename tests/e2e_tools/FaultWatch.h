#pragma once
// What the fault tables share: the loss count the status bar shows, a page without traffic of
// its own, and the wait until the program is calm again after a row.

#include "E2eRig.h"

#include <QApplication>
#include <QTimer>

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
