#pragma once
// The "Trend" window: total current, supply voltage and temperature, and the currents
// of the ticked channels, plotted over the last 1, 5 or 30 minutes from the live
// poll's answers, with a CSV recording of the same values. Non-modal; it only
// listens to the dispatcher (registered for as long as it exists) and sends nothing.
// The caller creates it, then show()s and raise()s it.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "monitor/TrendSeries.h"
#include "monitor/ui/TrendPlots.h"
#include "protocol/Dispatcher.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace relvane {

class TTrendForm : public QWidget {
    Q_OBJECT
public:
    // The plots are redrawn at most this often, however fast answers come in.
    static constexpr int REPAINT_INTERVAL_MS = 500;
    // With no status answer for this long the window says that nothing is polled.
    static constexpr qint64 NO_DATA_MS = 2000;
    // Points per plotted line; longer stretches are thinned to their lows and highs.
    static constexpr std::size_t MAX_PLOT_POINTS = TrendPlots::MAX_PLOT_POINTS;
    // Samples further apart than this are not joined by a line.
    static constexpr qint64 GAP_MS = NO_DATA_MS;
    // The choices of the time window, in minutes.
    static constexpr std::array<int, 3> WINDOW_MINUTES{1, 5, 30};

    // Message boxes and the file dialog are the platform's own.
    TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, QWidget* parent = nullptr);
    // Message boxes and the file dialog go through dialogs; the clocks are for tests.
    TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, Dialogs& dialogs, QWidget* parent = nullptr,
               TrendMonitor::Clock clock = {}, TrendMonitor::WallClock wallClock = {});
    ~TTrendForm() override;

    TrendMonitor& Trend() { return trend_; }
    // False when the dispatcher had no room for another handler (the window says so).
    bool Listening() const { return listening_; }

    // "Record" asks for a file and starts; "Stop" ends the recording.
    void BtnRecordClick();
    // Starts recording into path with the ticked channels as columns; on failure the
    // user is told and false returned.
    bool StartRecording(const QString& path);
    void StopRecording();

    // The time window selector (index into WINDOW_MINUTES).
    void ComboBoxWindowChange(int index);
    int WindowMinutes() const { return WINDOW_MINUTES[static_cast<std::size_t>(windowIndex_)]; }

    // Channel ticks, as the list's check boxes hold them.
    QList<int> TickedChannels() const;
    void SetChannelTicked(int channel, bool ticked);

    // The repaint tick (also run by TimerRepaint): prunes, redraws what changed, moves
    // the time axes and updates the no-data note.
    void TimerRepaintTimer();

    // What is plotted. A line is drawn in pieces where answers were missing; the first
    // piece carries the legend entry (and exists while the line is shown).
    QLineSeries* SumSeries(TrendSum which) const { return plots_->SumSeries(which); }
    // nullptr unless ticked
    QLineSeries* ChannelSeries(int channel) const { return plots_->ChannelSeries(channel); }
    // Every plotted point of the line, all pieces in time order, and the number of pieces.
    QList<QPointF> PlottedPoints(TrendSum which) const { return plots_->PlottedPoints(which); }
    QList<QPointF> PlottedPoints(int channel) const { return plots_->PlottedPoints(channel); }
    int PlottedPieces(TrendSum which) const { return plots_->PlottedPieces(which); }
    int PlottedPieces(int channel) const { return plots_->PlottedPieces(channel); }

    // "5 Headlight" (or "5" for an unnamed output).
    QString ChannelTitle(int channel) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // dialogs null: the window makes its own platform dialogs.
    TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, Dialogs* dialogs, QWidget* parent,
               TrendMonitor::Clock clock, TrendMonitor::WallClock wallClock);

    void Build();
    void ChannelItemChanged(QListWidgetItem* item);
    void RefreshNames();
    void ShowRecordingState();
    void RecordingFailed(const QString& message);

    Dispatcher& dispatcher_;
    const ConfigModel& model_;
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs& dialogs_;
    TrendMonitor trend_;
    bool listening_ = false;
    int windowIndex_ = 0;
    QString lastFolder_;
    QString failure_;

    QTimer timerRepaint_;
    QListWidget* listChannels_ = nullptr;
    QComboBox* comboWindow_ = nullptr;
    QPushButton* btnRecord_ = nullptr;
    QLabel* labelRecordFile_ = nullptr;
    QLabel* labelColumns_ = nullptr;
    QLabel* labelNoData_ = nullptr;
    TrendPlots* plots_ = nullptr;
};

}  // namespace relvane
