#pragma once
// The trend: the live poll's answers kept as timestamped samples for plotting, and
// their recording to a CSV file. It only listens to the dispatcher; nothing here
// sends a frame, so the module sees exactly the live poll and nothing more.
//
// Samples are kept for RETENTION_MS (the longest time window the trend window
// offers) and at most MAX_POINTS per series, so memory stays bounded however fast
// answers arrive. All 34 channels are kept, ticked or not, so ticking a channel
// shows what is already known.

#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace relvane {

inline constexpr int TREND_CHANNELS = 34;

// One sample: the time on the trend's monotonic clock (ms) and the value in the
// message's fixed unit (0.1 A, 0.1 V, °C).
struct TrendPoint {
    qint64 ms;
    int value;
};

enum class TrendSum { Current, Voltage, Temperature };

class TrendSeries {
public:
    static constexpr qint64 RETENTION_MS = 30LL * 60 * 1000;
    // Thirty minutes of answers at five times the poll's rate; beyond this the
    // oldest samples go first.
    static constexpr std::size_t MAX_POINTS = 20000;

    void AddStatus(qint64 ms, const StatusSummary& summary);
    // Channels outside 1 to 34 are ignored.
    void AddChannel(qint64 ms, int channel, int currentTenths);
    // Drops everything older than nowMs - RETENTION_MS.
    void Prune(qint64 nowMs);
    void Clear();

    const std::deque<TrendPoint>& Sum(TrendSum which) const;
    // Empty for a channel outside 1 to 34.
    const std::deque<TrendPoint>& Channel(int channel) const;

    // Time of the newest status answer, or nothing before the first.
    std::optional<qint64> LastStatusMs() const { return lastStatusMs_; }

private:
    static void Append(std::deque<TrendPoint>& points, qint64 ms, int value);
    static void PruneOne(std::deque<TrendPoint>& points, qint64 oldestMs);

    std::array<std::deque<TrendPoint>, 3> sums_;
    std::array<std::deque<TrendPoint>, TREND_CHANNELS> channels_;
    std::optional<qint64> lastStatusMs_;
};

// The points of a series from fromMs on (and the one before, so the line enters at the
// window's edge), thinned to at most maxPoints (at least 4): the oldest and the newest
// point stay, and each stretch between gives its lowest and its highest point in time
// order, so short peaks stay visible.
std::vector<TrendPoint> PlotPoints(const std::deque<TrendPoint>& points, qint64 fromMs, std::size_t maxPoints);

// The same cut into pieces wherever two samples lie more than gapMs apart, so a plot
// never draws a line through a time without answers (another page shown, link lost).
// Each piece is thinned to its share of maxPoints.
std::vector<std::vector<TrendPoint>> PlotSegments(const std::deque<TrendPoint>& points, qint64 fromMs,
                                                  std::size_t maxPoints, qint64 gapMs);

// "12.5" from 125: the fixed-unit value with one decimal and a '.' whatever the locale.
QString TenthsText(int tenths);

// One CSV field, quoted (with doubled quotes) when it holds a comma, a quote, a line
// break or leading or trailing blanks.
QString CsvField(const QString& text);

// Writes the trend to a CSV file, one line per STATUS_SUM_CFM answer:
//
//   Time,Seconds,Total current (A),Supply voltage (V),Temperature (°C),3 Headlight (A),...
//   2024-05-02T14:03:07.412+02:00,0.000,12.5,13.8,41,2.8,...
//
// Time is the local time with milliseconds and the offset from UTC (ISO 8601),
// Seconds the time since the recording started. The channel columns are the ones
// given at Start and stay fixed for the whole file. A channel's cell holds its
// current from the newest CHANNEL_STATE_CFM since the previous line (the poll asks
// for the channels right after the status), and is empty when none arrived.
// UTF-8, '\n' line ends, '.' as the decimal point. Each line is flushed to the
// operating system as it is written, so a crash of the tool loses at most that line.
class TrendRecorder {
public:
    struct Column {
        int channel;    // 1 to 34
        QString title;  // e.g. "3 Headlight"; " (A)" is appended in the header
    };

    TrendRecorder() = default;
    ~TrendRecorder();
    TrendRecorder(const TrendRecorder&) = delete;
    TrendRecorder& operator=(const TrendRecorder&) = delete;

    // Creates (or empties) the file and writes the header. False with *error when
    // the file cannot be opened or the header cannot be written; nothing records then.
    bool Start(const QString& path, const QList<Column>& columns, qint64 startMs, QString* error);
    // The same on a device that is already open for writing (the recorder owns it from now on);
    // name is what messages call it.
    bool StartOn(std::unique_ptr<QIODevice> device, const QString& name, const QList<Column>& columns,
                 qint64 startMs, QString* error);
    // Closes the file; what was written stays.
    void Stop();

    bool Recording() const { return device_ != nullptr; }
    QString Path() const { return name_; }
    const QList<Column>& Columns() const { return columns_; }
    int LinesWritten() const { return lines_; }

    // One line. On a write failure the recording stops and *error says why.
    bool WriteLine(const QDateTime& wallTime, qint64 ms, const StatusSummary& summary,
                   const std::array<std::optional<int>, TREND_CHANNELS>& channelTenths, QString* error);

    QString HeaderLine() const;

private:
    // Writes and flushes one line; on failure closes the device and gives the reason.
    bool Put(const QString& line, QString* why);

    std::unique_ptr<QIODevice> device_;
    QString name_;
    QList<Column> columns_;
    qint64 startMs_ = 0;
    int lines_ = 0;
};

// The dispatcher handler of the trend: feeds the series and, while recording, the
// recorder. Register it with Dispatcher::AddHandler.
class TrendMonitor : public MainFrameHandler {
public:
    using Clock = std::function<qint64()>;         // monotonic milliseconds
    using WallClock = std::function<QDateTime()>;  // local date and time
    // Called (from inside the dispatch) when a write failed and the recording stopped.
    using FailureHandler = std::function<void(const QString& message)>;

    // Without clocks the trend uses a monotonic timer started here and the system time.
    explicit TrendMonitor(Clock clock = {}, WallClock wallClock = {});

    void OnStatusSum(const StatusSummary& summary) override;
    void OnChannelState(const ChannelState& state) override;

    const TrendSeries& Series() const { return series_; }
    qint64 Now() const { return clock_(); }
    // The local time that corresponds to a sample's time.
    QDateTime WallTimeOf(qint64 ms) const;
    // The same as milliseconds since the epoch.
    qint64 WallMsOf(qint64 ms) const { return wallOffsetMs_ + ms; }
    // Prunes the series against the clock (the window calls it while it repaints).
    void Prune() { series_.Prune(clock_()); }

    bool StartRecording(const QString& path, const QList<TrendRecorder::Column>& columns, QString* error);
    bool StartRecordingOn(std::unique_ptr<QIODevice> device, const QString& name,
                          const QList<TrendRecorder::Column>& columns, QString* error);
    void StopRecording() { recorder_.Stop(); }
    const TrendRecorder& Recorder() const { return recorder_; }
    void SetFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }

private:
    Clock clock_;
    WallClock wallClock_;
    qint64 wallOffsetMs_;  // wall-clock epoch ms minus monotonic ms, taken at construction
    TrendSeries series_;
    TrendRecorder recorder_;
    std::array<std::optional<int>, TREND_CHANNELS> sinceLastLine_{};
    FailureHandler onFailure_;
};

}  // namespace relvane
