#include "monitor/TrendSeries.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>

namespace relvane {

namespace {

const std::deque<TrendPoint>& NoPoints()
{
    static const std::deque<TrendPoint> none;
    return none;
}

bool ValidChannel(int channel) { return channel >= 1 && channel <= TREND_CHANNELS; }

}  // namespace

// --- series ------------------------------------------------------------------

void TrendSeries::Append(std::deque<TrendPoint>& points, qint64 ms, int value)
{
    points.push_back({ms, value});
    while (points.size() > MAX_POINTS)
        points.pop_front();
    PruneOne(points, ms - RETENTION_MS);
}

void TrendSeries::PruneOne(std::deque<TrendPoint>& points, qint64 oldestMs)
{
    while (!points.empty() && points.front().ms < oldestMs)
        points.pop_front();
}

void TrendSeries::AddStatus(qint64 ms, const StatusSummary& summary)
{
    Append(sums_[static_cast<std::size_t>(TrendSum::Current)], ms, summary.currentTenths);
    Append(sums_[static_cast<std::size_t>(TrendSum::Voltage)], ms, summary.voltageTenths);
    Append(sums_[static_cast<std::size_t>(TrendSum::Temperature)], ms, summary.temperature);
    lastStatusMs_ = ms;
}

void TrendSeries::AddChannel(qint64 ms, int channel, int currentTenths)
{
    if (!ValidChannel(channel))
        return;
    Append(channels_[static_cast<std::size_t>(channel - 1)], ms, currentTenths);
}

void TrendSeries::Prune(qint64 nowMs)
{
    const qint64 oldest = nowMs - RETENTION_MS;
    for (auto& s : sums_)
        PruneOne(s, oldest);
    for (auto& c : channels_)
        PruneOne(c, oldest);
}

void TrendSeries::Clear()
{
    for (auto& s : sums_)
        s.clear();
    for (auto& c : channels_)
        c.clear();
    lastStatusMs_.reset();
}

const std::deque<TrendPoint>& TrendSeries::Sum(TrendSum which) const
{
    return sums_[static_cast<std::size_t>(which)];
}

const std::deque<TrendPoint>& TrendSeries::Channel(int channel) const
{
    return ValidChannel(channel) ? channels_[static_cast<std::size_t>(channel - 1)] : NoPoints();
}

namespace {

using PointIt = std::deque<TrendPoint>::const_iterator;

PointIt FirstToPlot(const std::deque<TrendPoint>& points, qint64 fromMs)
{
    auto first = std::lower_bound(points.begin(), points.end(), fromMs,
                                  [](const TrendPoint& p, qint64 ms) { return p.ms < ms; });
    if (first != points.begin())
        --first;
    return first;
}

// [first, last) as at most maxPoints points: the first and the last point, so the line
// spans the same time, and between them the lowest and highest of each stretch in time order.
std::vector<TrendPoint> Thin(PointIt first, PointIt last, std::size_t maxPoints)
{
    const auto count = static_cast<std::size_t>(last - first);
    maxPoints = std::max<std::size_t>(maxPoints, 4);
    if (count <= maxPoints)
        return std::vector<TrendPoint>(first, last);

    std::vector<TrendPoint> out;
    out.reserve(maxPoints);
    const auto keep = [&out](const TrendPoint& p) {
        if (out.empty() || out.back().ms < p.ms)
            out.push_back(p);
    };
    keep(*first);
    const std::size_t buckets = (maxPoints - 2) / 2;
    for (std::size_t b = 0; b < buckets; ++b) {
        const auto from = first + static_cast<std::ptrdiff_t>(b * count / buckets);
        const auto to = first + static_cast<std::ptrdiff_t>((b + 1) * count / buckets);
        if (from == to)
            continue;
        const auto [lo, hi] = std::minmax_element(
            from, to, [](const TrendPoint& a, const TrendPoint& c) { return a.value < c.value; });
        keep(lo->ms <= hi->ms ? *lo : *hi);
        keep(lo->ms <= hi->ms ? *hi : *lo);
    }
    keep(*(last - 1));
    return out;
}

}  // namespace

std::vector<TrendPoint> PlotPoints(const std::deque<TrendPoint>& points, qint64 fromMs, std::size_t maxPoints)
{
    return Thin(FirstToPlot(points, fromMs), points.end(), maxPoints);
}

std::vector<std::vector<TrendPoint>> PlotSegments(const std::deque<TrendPoint>& points, qint64 fromMs,
                                                  std::size_t maxPoints, qint64 gapMs)
{
    std::vector<std::vector<TrendPoint>> segments;
    const PointIt first = FirstToPlot(points, fromMs);
    const auto count = static_cast<std::size_t>(points.end() - first);
    PointIt begin = first;
    for (PointIt it = first; it != points.end(); ++it) {
        const PointIt next = it + 1;
        if (next == points.end() || next->ms - it->ms > gapMs) {
            // Each piece gets its share of the points.
            const auto size = static_cast<std::size_t>(next - begin);
            segments.push_back(Thin(begin, next, maxPoints * size / count));
            begin = next;
        }
    }
    // The sample before the edge only leads the line in; on its own it shows nothing.
    if (!segments.empty() && segments.front().back().ms < fromMs)
        segments.erase(segments.begin());
    return segments;
}

// --- CSV ---------------------------------------------------------------------

QString TenthsText(int tenths)
{
    const int magnitude = tenths < 0 ? -tenths : tenths;
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10)
        .arg(magnitude % 10);
}

QString CsvField(const QString& text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                    || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                    || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

TrendRecorder::~TrendRecorder() { Stop(); }

QString TrendRecorder::HeaderLine() const
{
    QStringList fields{QStringLiteral("Time"), QStringLiteral("Seconds"), QStringLiteral("Total current (A)"),
                       QStringLiteral("Supply voltage (V)"), QStringLiteral("Temperature (\u00B0C)")};
    for (const Column& c : columns_)
        fields << CsvField(c.title + QStringLiteral(" (A)"));
    return fields.join(QLatin1Char(','));
}

bool TrendRecorder::Start(const QString& path, const QList<Column>& columns, qint64 startMs, QString* error)
{
    Stop();
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("No file name given");
        return false;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("Cannot write '%1': %2").arg(path, file->errorString());
        return false;
    }
    return StartOn(std::move(file), path, columns, startMs, error);
}

bool TrendRecorder::StartOn(std::unique_ptr<QIODevice> device, const QString& name, const QList<Column>& columns,
                            qint64 startMs, QString* error)
{
    Stop();
    if (!device || !device->isWritable()) {
        if (error)
            *error = QStringLiteral("Cannot write '%1'").arg(name);
        return false;
    }
    device_ = std::move(device);
    name_ = name;
    columns_.clear();
    for (const Column& c : columns)
        if (ValidChannel(c.channel))
            columns_.append(c);
    startMs_ = startMs;
    lines_ = 0;
    QString why;
    if (Put(HeaderLine(), &why))
        return true;
    if (error)
        *error = QStringLiteral("Cannot write '%1': %2").arg(name, why);
    return false;
}

void TrendRecorder::Stop()
{
    if (!device_)
        return;
    device_->close();
    device_.reset();
}

bool TrendRecorder::Put(const QString& line, QString* why)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    bool ok = device_->write(bytes) == bytes.size();
    // Hand the line to the system now: a crash then costs at most the line being written.
    if (ok)
        if (auto* file = qobject_cast<QFileDevice*>(device_.get()))
            ok = file->flush();
    if (!ok) {
        if (why)
            *why = device_->errorString();
        // Whatever the close manages to write must not hide the failure.
        device_->close();
        device_.reset();
        return false;
    }
    return true;
}

bool TrendRecorder::WriteLine(const QDateTime& wallTime, qint64 ms, const StatusSummary& summary,
                              const std::array<std::optional<int>, TREND_CHANNELS>& channelTenths, QString* error)
{
    if (!device_)
        return false;
    const QDateTime stamped = wallTime.toOffsetFromUtc(wallTime.offsetFromUtc());
    QStringList fields{stamped.toString(Qt::ISODateWithMs),
                       QString::number(static_cast<double>(ms - startMs_) / 1000.0, 'f', 3),
                       TenthsText(summary.currentTenths), TenthsText(summary.voltageTenths),
                       QString::number(summary.temperature)};
    for (const Column& c : columns_) {
        const std::optional<int>& v = channelTenths[static_cast<std::size_t>(c.channel - 1)];
        fields << (v ? TenthsText(*v) : QString());
    }
    QString why;
    if (!Put(fields.join(QLatin1Char(',')), &why)) {
        if (error)
            *error = QStringLiteral("Recording stopped: cannot write '%1': %2").arg(name_, why);
        return false;
    }
    ++lines_;
    return true;
}

// --- handler -----------------------------------------------------------------

TrendMonitor::TrendMonitor(Clock clock, WallClock wallClock)
    : clock_(std::move(clock)), wallClock_(std::move(wallClock))
{
    if (!clock_) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        clock_ = [timer] { return timer->elapsed(); };
    }
    if (!wallClock_)
        wallClock_ = [] { return QDateTime::currentDateTime(); };
    wallOffsetMs_ = wallClock_().toMSecsSinceEpoch() - clock_();
}

QDateTime TrendMonitor::WallTimeOf(qint64 ms) const
{
    return QDateTime::fromMSecsSinceEpoch(wallOffsetMs_ + ms);
}

void TrendMonitor::OnStatusSum(const StatusSummary& summary)
{
    const qint64 now = clock_();
    series_.AddStatus(now, summary);
    if (recorder_.Recording()) {
        QString error;
        if (!recorder_.WriteLine(wallClock_(), now, summary, sinceLastLine_, &error) && onFailure_)
            onFailure_(error);
    }
    sinceLastLine_.fill(std::nullopt);
}

void TrendMonitor::OnChannelState(const ChannelState& state)
{
    if (!state.valid || !ValidChannel(state.channel))
        return;
    series_.AddChannel(clock_(), state.channel, state.currentTenths);
    sinceLastLine_[static_cast<std::size_t>(state.channel - 1)] = state.currentTenths;
}

bool TrendMonitor::StartRecording(const QString& path, const QList<TrendRecorder::Column>& columns, QString* error)
{
    sinceLastLine_.fill(std::nullopt);
    return recorder_.Start(path, columns, clock_(), error);
}

bool TrendMonitor::StartRecordingOn(std::unique_ptr<QIODevice> device, const QString& name,
                                    const QList<TrendRecorder::Column>& columns, QString* error)
{
    sinceLastLine_.fill(std::nullopt);
    return recorder_.StartOn(std::move(device), name, columns, clock_(), error);
}

}  // namespace relvane
