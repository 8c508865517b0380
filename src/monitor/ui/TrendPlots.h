#pragma once
// The two plots of the trend window: total current, supply voltage and temperature on their
// own axes above, the ticked channels' currents below, both over the same time window and
// lined up so a moment lies at the same x in both. The window places the two views.

#include "monitor/TrendSeries.h"

#include <QObject>
#include <QPen>

#include <array>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QWidget;

namespace relvane {

class TrendPlots final : public QObject {
    Q_OBJECT
public:
    // Points per plotted line; longer stretches are thinned to their lows and highs.
    static constexpr std::size_t MAX_PLOT_POINTS = 1200;

    // Samples further apart than gapMs are not joined by a line. The views are children of
    // parent.
    TrendPlots(const TrendMonitor& trend, qint64 gapMs, QWidget* parent);

    QChartView* SumView() const { return sumView_; }
    QChartView* ChannelView() const { return channelView_; }

    // A channel's line, shown with the next free colour, renamed or removed.
    bool ChannelShown(int channel) const;
    void ShowChannel(int channel, const QString& title);
    void HideChannel(int channel);
    void RenameChannel(int channel, const QString& title);

    // Time labels for a window of that many minutes.
    void SetWindowMinutes(int minutes);
    // Everything again from the series over the last windowMinutes, the axes moved to now.
    void Redraw();

    // What is plotted. A line is drawn in pieces where answers were missing; the first
    // piece carries the legend entry (and exists while the line is shown).
    QLineSeries* SumSeries(TrendSum which) const;
    QLineSeries* ChannelSeries(int channel) const;  // nullptr unless shown
    QList<QPointF> PlottedPoints(TrendSum which) const;
    QList<QPointF> PlottedPoints(int channel) const;
    int PlottedPieces(TrendSum which) const;
    int PlottedPieces(int channel) const;

private:
    // One plotted line: its pieces share name, pen and axes.
    struct PlotLine {
        QChart* chart = nullptr;
        QDateTimeAxis* time = nullptr;
        QValueAxis* axis = nullptr;
        QString name;
        QPen pen;
        std::vector<QLineSeries*> pieces;  // empty: not shown
    };
    static void ShowLine(PlotLine& line, QChart* chart, QDateTimeAxis* time, QValueAxis* axis, const QString& name,
                         const QPen& pen);
    static void HideLine(PlotLine& line);
    static QLineSeries* AddPiece(PlotLine& line);
    static void RenameLine(PlotLine& line, const QString& name);
    static QList<QPointF> LinePoints(const PlotLine& line);
    // Puts the segments into the line's pieces; lo and hi take the range of the values
    // from fromMs on.
    void SetLine(PlotLine& line, const std::deque<TrendPoint>& points, qint64 fromMs, double scale, double* lo,
                 double* hi);
    const PlotLine* Channel(int channel) const;
    void MoveAxes();
    // Lines the two plots up so a moment lies at the same x in both.
    void AlignPlots();
    QColor FreeChannelColour() const;

    const TrendMonitor& trend_;
    const qint64 gapMs_;
    int windowMinutes_ = 1;
    QChart* sumChart_ = nullptr;
    QChart* channelChart_ = nullptr;
    QChartView* sumView_ = nullptr;
    QChartView* channelView_ = nullptr;
    QDateTimeAxis* sumTime_ = nullptr;
    QDateTimeAxis* channelTime_ = nullptr;
    std::array<QValueAxis*, 3> sumAxes_{};
    QValueAxis* channelAxis_ = nullptr;
    std::array<PlotLine, 3> sumLines_;
    std::array<PlotLine, TREND_CHANNELS> channelLines_;
};

}  // namespace relvane
