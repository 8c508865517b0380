#include "protocol/TransferProgress.h"

#include <QEventLoop>

namespace relvane {

// --- UpdateProgress --------------------------------------------------------------

UpdateProgress::UpdateProgress(QObject* parent) : QObject(parent), timer_(this)
{
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setInterval(TICK_MS);
    connect(&timer_, &QTimer::timeout, this, &UpdateProgress::Tick);
}

void UpdateProgress::Start()
{
    progress_ = 0;
    timeoutCounter_ = 0;
    Q_EMIT progressChanged(progress_);
    timer_.start();
}

void UpdateProgress::Tick()
{
    const bool expired = timeoutCounter_ > timeoutTicks_;
    ++timeoutCounter_;
    progress_ = progress_ >= BAR_MAX ? 0 : progress_ + 1;
    Q_EMIT progressChanged(progress_);
    if (expired) {
        timer_.stop();
        Q_EMIT timedOut();
    }
}

// --- HeadlessProgress -------------------------------------------------------------

HeadlessProgress::HeadlessProgress()
{
    QObject::connect(&clock_, &UpdateProgress::timedOut, &clock_,
                     [this] { End(ProgressEnd::TimedOut); });
}

ProgressEnd HeadlessProgress::Run()
{
    if (loop_)
        return ProgressEnd::Finished;  // one progress at a time
    QEventLoop loop;
    loop_ = &loop;
    end_ = ProgressEnd::Finished;
    clock_.Start();
    loop.exec();
    clock_.Stop();
    loop_ = nullptr;
    return end_;
}

void HeadlessProgress::Close()
{
    if (loop_)
        End(ProgressEnd::Finished);
}

void HeadlessProgress::Cancel()
{
    if (loop_)
        End(ProgressEnd::Cancelled);
}

void HeadlessProgress::End(ProgressEnd end)
{
    if (!loop_)
        return;
    end_ = end;
    clock_.Stop();
    loop_->quit();
}

}  // namespace relvane
