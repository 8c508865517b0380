#pragma once
// The trend's test class, in two files: samples, their pruning and thinning, and the
// CSV recording (test_trend.cpp), and the window over them (test_trend_form.cpp); and
// the helpers both use.

#include "monitor/MonitorTestSupport.h"
#include "monitor/TrendSeries.h"

#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <memory>

namespace relvane::test {

inline QByteArray StatusFrame(int errorsA, int errorsB, int currentTenths, int voltageTenths, int temperature)
{
    return ModuleFrame(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, STATUS_SUM_CFM_LENGTH,
                       {errorsA, errorsB, (currentTenths >> 8) & 0xFF, currentTenths & 0xFF, voltageTenths,
                        temperature});
}

inline void Dispatch(Dispatcher& dispatcher, const QByteArray& bytes)
{
    ReceivedFrame f(bytes);
    dispatcher.DispatchFrame(f.buffer, f.count);
}

// A device that takes `budget` bytes and then fails every write, like a full disk.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 budget) : budget_(budget) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        if (len > budget_) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        budget_ -= len;
        written.append(data, len);
        return len;
    }

private:
    qint64 budget_;
};

inline QStringList FileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read>")};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // after the last line end
    return lines;
}

}  // namespace relvane::test

class TestTrend : public QObject {
    Q_OBJECT

private:
    qint64 now_ = 0;
    std::unique_ptr<relvane::Dispatcher> dispatcher_;
    std::unique_ptr<relvane::TrendMonitor> trend_;
    QTemporaryDir dir_;

    relvane::TrendMonitor::Clock Clock()
    {
        return [this] { return now_; };
    }

private Q_SLOTS:
    void init();
    void cleanup();

    // --- samples from answers ------------------------------------------------------

    void statusAnswers_data();
    void statusAnswers();
    void channelAnswers_data();
    void channelAnswers();
    void invalidChannelStateIgnored_data();
    void invalidChannelStateIgnored();

    // --- pruning and bounds ----------------------------------------------------------

    void pruning_data();
    void pruning();
    void memoryBounded();

    // --- thinning for the plot -------------------------------------------------------

    void plotPoints_data();
    void plotPoints();
    void plotSegments_data();
    void plotSegments();
    void plotSegmentsThinned();
    void thinningKeepsPeaks();

    // --- CSV -------------------------------------------------------------------------

    void csvFields_data();
    void csvFields();
    void tenthsText_data();
    void tenthsText();
    void csvRecording();
    void csvRestartReplaces();
    void csvUnwritable_data();
    void csvUnwritable();
    void csvWriteFailureStops();

    // --- the window ------------------------------------------------------------------

    void windowSendsNothing();
    void windowRegistersWhileItExists();
    void tickShowsKnownSamples();
    void timeWindow_data();
    void timeWindow();
    void gapsBreakTheLine();
    void noDataNote();
    void recordThroughDialog();
    void recordErrorsTold();
    void closingStopsRecording();
};
