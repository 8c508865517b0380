#include "monitor/ui/TrendPlots.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace relvane {

namespace {

constexpr int CHART_MARGIN = 4;

// Colours of the three sums, and of the channel lines in the order they are free.
const QColor CURRENT_COLOUR(0, 90, 200);
const QColor VOLTAGE_COLOUR(200, 40, 30);
const QColor TEMPERATURE_COLOUR(230, 130, 0);
const std::array<QColor, 10> CHANNEL_COLOURS{
    QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44), QColor(214, 39, 40),
    QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
    QColor(188, 189, 34), QColor(23, 190, 207)};

// A value axis range around what is shown: never narrower than minSpan, from zero
// when fromZero, rounded out to whole steps.
void FitAxis(QValueAxis* axis, double lo, double hi, double minSpan, bool fromZero)
{
    if (lo > hi) {  // nothing shown
        lo = 0;
        hi = minSpan;
    }
    if (fromZero)
        lo = std::min(lo, 0.0);
    if (hi - lo < minSpan) {
        const double mid = (hi + lo) / 2;
        lo = fromZero ? lo : mid - minSpan / 2;
        hi = fromZero ? lo + minSpan : mid + minSpan / 2;
    }
    const double pad = (hi - lo) * 0.08;
    hi += pad;
    if (!fromZero || lo < 0)
        lo -= pad;
    // Round ticks (0, 5, 10 rather than 0, 8.1, 16.2).
    axis->setTickCount(6);
    axis->setRange(lo, hi);
    axis->applyNiceNumbers();
}

QDateTimeAxis* TimeAxis(QChart* chart)
{
    auto* axis = new QDateTimeAxis(chart);
    axis->setTickCount(7);
    axis->setFormat(QStringLiteral("hh:mm:ss"));
    chart->addAxis(axis, Qt::AlignBottom);
    return axis;
}

QValueAxis* ValueAxis(QChart* chart, const QString& title, const QColor& colour, Qt::Alignment side)
{
    auto* axis = new QValueAxis(chart);
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.1f"));
    axis->setTickCount(6);
    if (colour.isValid()) {
        axis->setLabelsColor(colour);
        axis->setTitleBrush(colour);
        axis->setLinePenColor(colour);
    }
    chart->addAxis(axis, side);
    return axis;
}

QChart* NewChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(CHART_MARGIN, CHART_MARGIN, CHART_MARGIN, CHART_MARGIN));
    chart->setBackgroundRoundness(0);
    return chart;
}

}  // namespace

TrendPlots::TrendPlots(const TrendMonitor& trend, qint64 gapMs, QWidget* parent)
    : QObject(parent), trend_(trend), gapMs_(gapMs)
{
    sumChart_ = NewChart(QStringLiteral("Total current, supply voltage, temperature"));
    sumTime_ = TimeAxis(sumChart_);
    sumAxes_[0] = ValueAxis(sumChart_, QStringLiteral("A"), CURRENT_COLOUR, Qt::AlignLeft);
    sumAxes_[1] = ValueAxis(sumChart_, QStringLiteral("V"), VOLTAGE_COLOUR, Qt::AlignRight);
    sumAxes_[2] = ValueAxis(sumChart_, QStringLiteral("\u00B0C"), TEMPERATURE_COLOUR, Qt::AlignRight);
    sumAxes_[2]->setLabelFormat(QStringLiteral("%d"));
    const std::array<QString, 3> names{QStringLiteral("Total current (A)"), QStringLiteral("Supply voltage (V)"),
                                       QStringLiteral("Temperature (\u00B0C)")};
    const std::array<QColor, 3> colours{CURRENT_COLOUR, VOLTAGE_COLOUR, TEMPERATURE_COLOUR};
    for (std::size_t i = 0; i < 3; ++i)
        ShowLine(sumLines_[i], sumChart_, sumTime_, sumAxes_[i], names[i], QPen(colours[i], 2));
    sumView_ = new QChartView(sumChart_, parent);
    sumView_->setObjectName(QStringLiteral("ChartSums"));
    sumView_->setRenderHint(QPainter::Antialiasing);
    sumView_->setMinimumHeight(260);

    channelChart_ = NewChart(QStringLiteral("Channel currents"));
    channelTime_ = TimeAxis(channelChart_);
    channelAxis_ = ValueAxis(channelChart_, QStringLiteral("A"), QColor(), Qt::AlignLeft);
    channelView_ = new QChartView(channelChart_, parent);
    channelView_->setObjectName(QStringLiteral("ChartChannels"));
    channelView_->setRenderHint(QPainter::Antialiasing);
    channelView_->setMinimumHeight(260);

    // Both plots share the time axis's place, so a moment lies at the same x in both
    // (the sums' two extra axes on the right would otherwise shift it).
    connect(sumChart_, &QChart::plotAreaChanged, this, &TrendPlots::AlignPlots);
    connect(channelChart_, &QChart::plotAreaChanged, this, &TrendPlots::AlignPlots);
}

void TrendPlots::AlignPlots()
{
    const QRectF a = sumChart_->plotArea();
    const QRectF b = channelChart_->plotArea();
    if (a.isEmpty() || b.isEmpty())
        return;
    // What each chart needs beside its plot without the margins (axis labels and titles);
    // the chart that needs less gets the difference as margin.
    const QMargins ma = sumChart_->margins();
    const QMargins mb = channelChart_->margins();
    const double leftA = a.left() - ma.left(), leftB = b.left() - mb.left();
    const double rightA = sumChart_->size().width() - a.right() - ma.right();
    const double rightB = channelChart_->size().width() - b.right() - mb.right();
    const double left = std::max(leftA, leftB), right = std::max(rightA, rightB);
    const QMargins wantA(CHART_MARGIN + qRound(left - leftA), ma.top(), CHART_MARGIN + qRound(right - rightA), ma.bottom());
    const QMargins wantB(CHART_MARGIN + qRound(left - leftB), mb.top(), CHART_MARGIN + qRound(right - rightB), mb.bottom());
    if (wantA != ma)
        sumChart_->setMargins(wantA);
    if (wantB != mb)
        channelChart_->setMargins(wantB);
}

const TrendPlots::PlotLine* TrendPlots::Channel(int channel) const
{
    return channel >= 1 && channel <= TREND_CHANNELS ? &channelLines_[static_cast<std::size_t>(channel - 1)] : nullptr;
}

bool TrendPlots::ChannelShown(int channel) const
{
    const PlotLine* line = Channel(channel);
    return line && !line->pieces.empty();
}

void TrendPlots::ShowChannel(int channel, const QString& title)
{
    if (Channel(channel))
        ShowLine(channelLines_[static_cast<std::size_t>(channel - 1)], channelChart_, channelTime_, channelAxis_,
                 title, QPen(FreeChannelColour(), 2));
}

void TrendPlots::HideChannel(int channel)
{
    if (Channel(channel))
        HideLine(channelLines_[static_cast<std::size_t>(channel - 1)]);
}

void TrendPlots::RenameChannel(int channel, const QString& title)
{
    if (Channel(channel))
        RenameLine(channelLines_[static_cast<std::size_t>(channel - 1)], title);
}

QColor TrendPlots::FreeChannelColour() const
{
    const auto shown = [](const PlotLine& l) { return !l.pieces.empty(); };
    for (const QColor& c : CHANNEL_COLOURS) {
        const bool used = std::any_of(channelLines_.begin(), channelLines_.end(),
                                      [&](const PlotLine& l) { return shown(l) && l.pen.color() == c; });
        if (!used)
            return c;
    }
    // More lines than colours: repeat in order.
    const auto count = std::count_if(channelLines_.begin(), channelLines_.end(), shown);
    return CHANNEL_COLOURS[static_cast<std::size_t>(count) % CHANNEL_COLOURS.size()];
}

void TrendPlots::ShowLine(PlotLine& line, QChart* chart, QDateTimeAxis* time, QValueAxis* axis, const QString& name,
                          const QPen& pen)
{
    HideLine(line);
    line.chart = chart;
    line.time = time;
    line.axis = axis;
    line.name = name;
    line.pen = pen;
    AddPiece(line);
}

void TrendPlots::HideLine(PlotLine& line)
{
    for (QLineSeries* s : line.pieces) {
        line.chart->removeSeries(s);
        delete s;
    }
    line.pieces.clear();
}

QLineSeries* TrendPlots::AddPiece(PlotLine& line)
{
    auto* s = new QLineSeries(line.chart);
    s->setName(line.name);
    s->setPen(line.pen);
    line.chart->addSeries(s);
    s->attachAxis(line.time);
    s->attachAxis(line.axis);
    // One legend entry per line, not per piece.
    if (!line.pieces.empty())
        for (QLegendMarker* m : line.chart->legend()->markers(s))
            m->setVisible(false);
    line.pieces.push_back(s);
    return s;
}

void TrendPlots::RenameLine(PlotLine& line, const QString& name)
{
    line.name = name;
    for (QLineSeries* s : line.pieces)
        s->setName(name);
}

QList<QPointF> TrendPlots::LinePoints(const PlotLine& line)
{
    QList<QPointF> points;
    for (const QLineSeries* s : line.pieces)
        points += s->points();
    return points;
}

void TrendPlots::SetLine(PlotLine& line, const std::deque<TrendPoint>& points, qint64 fromMs, double scale,
                         double* lo, double* hi)
{
    if (line.pieces.empty())
        return;
    const std::vector<std::vector<TrendPoint>> segments = PlotSegments(points, fromMs, MAX_PLOT_POINTS, gapMs_);
    const std::size_t wanted = std::max<std::size_t>(segments.size(), 1);
    while (line.pieces.size() < wanted)
        AddPiece(line);
    while (line.pieces.size() > wanted) {
        line.chart->removeSeries(line.pieces.back());
        delete line.pieces.back();
        line.pieces.pop_back();
    }
    for (std::size_t i = 0; i < line.pieces.size(); ++i) {
        QList<QPointF> out;
        if (i < segments.size()) {
            out.reserve(qsizetype(segments[i].size()));
            for (const TrendPoint& p : segments[i]) {
                const double v = p.value * scale;
                out.append(QPointF(double(trend_.WallMsOf(p.ms)), v));
                if (p.ms >= fromMs) {
                    *lo = std::min(*lo, v);
                    *hi = std::max(*hi, v);
                }
            }
        }
        line.pieces[i]->replace(out);
    }
}

void TrendPlots::SetWindowMinutes(int minutes)
{
    windowMinutes_ = minutes;
    const QString format = minutes >= 30 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss");
    sumTime_->setFormat(format);
    channelTime_->setFormat(format);
}

QLineSeries* TrendPlots::SumSeries(TrendSum which) const
{
    const PlotLine& line = sumLines_[static_cast<std::size_t>(which)];
    return line.pieces.empty() ? nullptr : line.pieces.front();
}

QLineSeries* TrendPlots::ChannelSeries(int channel) const
{
    const PlotLine* line = Channel(channel);
    return !line || line->pieces.empty() ? nullptr : line->pieces.front();
}

QList<QPointF> TrendPlots::PlottedPoints(TrendSum which) const
{
    return LinePoints(sumLines_[static_cast<std::size_t>(which)]);
}

QList<QPointF> TrendPlots::PlottedPoints(int channel) const
{
    const PlotLine* line = Channel(channel);
    return line ? LinePoints(*line) : QList<QPointF>();
}

int TrendPlots::PlottedPieces(TrendSum which) const
{
    return int(sumLines_[static_cast<std::size_t>(which)].pieces.size());
}

int TrendPlots::PlottedPieces(int channel) const
{
    const PlotLine* line = Channel(channel);
    return line ? int(line->pieces.size()) : 0;
}

void TrendPlots::Redraw()
{
    // Everything each time: the window's edge moves on even when no answers come, and
    // thinned lines cost little (at most MAX_PLOT_POINTS each, a few times a second).
    const qint64 from = trend_.Now() - qint64(windowMinutes_) * 60 * 1000;
    const std::array<double, 3> scales{0.1, 0.1, 1.0};
    const std::array<double, 3> minSpans{2.0, 2.0, 20.0};
    for (std::size_t i = 0; i < 3; ++i) {
        double lo = 1e300, hi = -1e300;
        SetLine(sumLines_[i], trend_.Series().Sum(static_cast<TrendSum>(i)), from, scales[i], &lo, &hi);
        // Currents from zero; voltage and temperature around their values, so a sag shows.
        FitAxis(sumAxes_[i], lo, hi, minSpans[i], i == 0);
    }
    double lo = 1e300, hi = -1e300;
    for (int n = 1; n <= TREND_CHANNELS; ++n)
        SetLine(channelLines_[static_cast<std::size_t>(n - 1)], trend_.Series().Channel(n), from, 0.1, &lo, &hi);
    FitAxis(channelAxis_, lo, hi, 2.0, true);
    MoveAxes();
}

void TrendPlots::MoveAxes()
{
    const QDateTime now = trend_.WallTimeOf(trend_.Now());
    const QDateTime from = now.addSecs(-qint64(windowMinutes_) * 60);
    sumTime_->setRange(from, now);
    channelTime_->setRange(from, now);
}

}  // namespace relvane
