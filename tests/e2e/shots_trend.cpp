#include "Shots.h"

#include "LiveRig.h"
#include "monitor/ui/TrendForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace relvane::e2e {

namespace {

void Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

}  // namespace

// The trend window over the running poll: the outputs switched on by the "General" shot,
// three of them ticked, their loads, the supply and the temperature changed through the
// simulator console for about twenty seconds while the window records.
bool ShotTrend(LiveRig& rig, const QDir& out)
{
    TTrendForm form(rig.Program().FrameDispatcher(), rig.Main().Model(), rig.DialogBoxes());
    for (int ch : {3, 12, 16})
        form.SetChannelTicked(ch, true);
    form.show();
    form.raise();

    QTemporaryDir recordings;
    if (!recordings.isValid() || !form.StartRecording(recordings.filePath(QStringLiteral("trend.csv")))) {
        std::fprintf(stderr, "e2e_screenshots: the trend could not record\n");
        return false;
    }

    // One step a second: a fan that spins up, brake light pulses, the supply sagging
    // while the load rises, the power stage warming.
    const char* const steps[] = {
        "current 3 6.0",  "current 3 9.5",  "current 12 2.0", "current 3 12.0", "current 12 14.5",
        "supply 13.4",    "current 16 4.0", "temp 38",        "current 12 3.0", "supply 13.1",
        "current 3 15.5", "current 12 14.5", "temp 41",       "supply 12.8",    "current 16 6.5",
        "current 12 2.5", "current 3 11.0", "temp 44",        "supply 13.2",    "current 12 14.0",
    };
    rig.Simulator().Command(QStringLiteral("supply 13.8"));
    rig.Simulator().Command(QStringLiteral("temp 35"));
    for (const char* step : steps) {
        rig.Simulator().Command(QString::fromLatin1(step));
        Pump(1000);
    }
    Pump(600);

    const bool polled = form.Trend().Series().LastStatusMs().has_value()
                     && form.Trend().Now() - *form.Trend().Series().LastStatusMs() < TTrendForm::NO_DATA_MS;
    const bool recorded = form.Trend().Recorder().Recording() && form.Trend().Recorder().LinesWritten() > 20;
    if (!polled || !recorded)
        std::fprintf(stderr, "e2e_screenshots: the trend got no live answers (%d lines recorded)\n",
                     form.Trend().Recorder().LinesWritten());

    const QString path = out.filePath(QStringLiteral("trend.png"));
    const bool saved = form.grab().save(path, "PNG");
    std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path), form.width(), form.height());
    form.StopRecording();
    return saved && polled && recorded;
}

}  // namespace relvane::e2e
