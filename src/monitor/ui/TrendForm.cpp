#include "monitor/ui/TrendForm.h"

#include "config/Cp1252.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace relvane {

namespace {

// Message boxes and file dialogs of the platform, for a window that was given none.
class WidgetDialogs final : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* parent) : parent_(parent) {}

    MessageAnswer Message(MessageKind kind, const QString& text, MessageButtons buttons,
                          const QString& title) override
    {
        const QMessageBox::Icon icon = kind == MessageKind::Error         ? QMessageBox::Critical
                                       : kind == MessageKind::Warning     ? QMessageBox::Warning
                                       : kind == MessageKind::Question    ? QMessageBox::Question
                                       : kind == MessageKind::Information ? QMessageBox::Information
                                                                          : QMessageBox::NoIcon;
        const QMessageBox::StandardButtons shown = buttons == MessageButtons::YesNo
                                                       ? QMessageBox::Yes | QMessageBox::No
                                                   : buttons == MessageButtons::OkCancel
                                                       ? QMessageBox::Ok | QMessageBox::Cancel
                                                       : QMessageBox::Ok;
        QMessageBox box(icon, title.isEmpty() ? QStringLiteral("Trend") : title, text, shown, parent_);
        switch (box.exec()) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        case QMessageBox::Ok: return MessageAnswer::Ok;
        default:
            return buttons == MessageButtons::YesNo      ? MessageAnswer::No
                   : buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
                                                         : MessageAnswer::Ok;
        }
    }
    std::optional<QString> OpenFile(const FileDialogOptions& options) override { return Run(options, false); }
    std::optional<QString> SaveFile(const FileDialogOptions& options) override { return Run(options, true); }

private:
    std::optional<QString> Run(const FileDialogOptions& options, bool save)
    {
        QFileDialog dialog(parent_, options.title, options.initialFolder);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The window asks about an existing file itself, with its own text.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        QStringList filters;
        for (const FileFilterEntry& e : SplitFileFilter(options.filter))
            filters << QStringLiteral("%1 (%2)").arg(e.text, QString(e.patterns).replace(QLatin1Char(';'), QLatin1Char(' ')));
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        QString suffix = options.defaultExtension.section(QLatin1Char('|'), 0, 0);
        if (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
        if (!options.fileName.isEmpty())
            dialog.selectFile(options.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    QWidget* parent_;
};

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

TTrendForm::TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, QWidget* parent)
    : TTrendForm(dispatcher, model, nullptr, parent, {}, {})
{
}

TTrendForm::TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, Dialogs& dialogs, QWidget* parent,
                       TrendMonitor::Clock clock, TrendMonitor::WallClock wallClock)
    : TTrendForm(dispatcher, model, &dialogs, parent, std::move(clock), std::move(wallClock))
{
}

TTrendForm::TTrendForm(Dispatcher& dispatcher, const ConfigModel& model, Dialogs* dialogs, QWidget* parent,
                       TrendMonitor::Clock clock, TrendMonitor::WallClock wallClock)
    : QWidget(parent, Qt::Window), dispatcher_(dispatcher), model_(model),
      ownDialogs_(dialogs ? nullptr : std::make_unique<WidgetDialogs>(this)),
      dialogs_(dialogs ? *dialogs : *ownDialogs_), trend_(std::move(clock), std::move(wallClock)),
      timerRepaint_(this)
{
    setObjectName(QStringLiteral("TTrendForm"));
    setWindowTitle(QStringLiteral("Trend"));
    resize(1180, 760);
    Build();

    trend_.SetFailureHandler([this](const QString& message) { RecordingFailed(message); });
    listening_ = dispatcher_.AddHandler(&trend_);

    timerRepaint_.setObjectName(QStringLiteral("TimerRepaint"));
    timerRepaint_.setInterval(REPAINT_INTERVAL_MS);
    connect(&timerRepaint_, &QTimer::timeout, this, &TTrendForm::TimerRepaintTimer);
    connect(&model_, &ConfigModel::Changed, this, [this](ConfigBlock block, int) {
        if (block == ConfigBlock::Output)
            RefreshNames();
    });
    ShowRecordingState();
    TimerRepaintTimer();
}

TTrendForm::~TTrendForm()
{
    dispatcher_.RemoveHandler(&trend_);
    trend_.StopRecording();
}

void TTrendForm::Build()
{
    // Left: the channels to plot.
    auto* channelsCaption = new QLabel(QStringLiteral("Channels"), this);
    listChannels_ = new QListWidget(this);
    listChannels_->setObjectName(QStringLiteral("ListBoxChannels"));
    listChannels_->setMinimumWidth(190);
    listChannels_->setMaximumWidth(230);
    for (int n = 1; n <= TREND_CHANNELS; ++n) {
        auto* item = new QListWidgetItem(ChannelTitle(n), listChannels_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, n);
    }
    connect(listChannels_, &QListWidget::itemChanged, this, &TTrendForm::ChannelItemChanged);
    auto* left = new QVBoxLayout;
    left->addWidget(channelsCaption);
    left->addWidget(listChannels_, 1);

    // Top row: time window, recording.
    auto* windowCaption = new QLabel(QStringLiteral("Time window:"), this);
    comboWindow_ = new QComboBox(this);
    comboWindow_->setObjectName(QStringLiteral("ComboBoxWindow"));
    for (int minutes : WINDOW_MINUTES)
        comboWindow_->addItem(QStringLiteral("%1 min").arg(minutes));
    connect(comboWindow_, &QComboBox::activated, this, &TTrendForm::ComboBoxWindowChange);

    btnRecord_ = new QPushButton(QStringLiteral("Record"), this);
    btnRecord_->setObjectName(QStringLiteral("BtnRecord"));
    btnRecord_->setMinimumWidth(90);
    connect(btnRecord_, &QPushButton::clicked, this, &TTrendForm::BtnRecordClick);

    labelRecordFile_ = new QLabel(this);
    labelRecordFile_->setObjectName(QStringLiteral("LabelRecordFile"));
    labelRecordFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labelRecordFile_->setMinimumWidth(200);
    labelRecordFile_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    labelColumns_ = new QLabel(this);
    labelColumns_->setObjectName(QStringLiteral("LabelRecordColumns"));
    labelColumns_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    labelNoData_ = new QLabel(this);
    labelNoData_->setObjectName(QStringLiteral("LabelNoData"));
    labelNoData_->setStyleSheet(QStringLiteral("QLabel { color: rgb(180, 0, 0); font-weight: bold; }"));
    // Keeps its line when empty, so the plots do not jump when the note comes and goes.
    labelNoData_->setMinimumHeight(labelNoData_->fontMetrics().height() + 4);

    auto* controls = new QHBoxLayout;
    controls->addWidget(windowCaption);
    controls->addWidget(comboWindow_);
    controls->addSpacing(20);
    controls->addWidget(btnRecord_);
    controls->addWidget(labelRecordFile_, 1);

    // The plots: the three sums on their own axes, the channel currents below.
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
    sumView_ = new QChartView(sumChart_, this);
    sumView_->setObjectName(QStringLiteral("ChartSums"));
    sumView_->setRenderHint(QPainter::Antialiasing);
    sumView_->setMinimumHeight(260);

    channelChart_ = NewChart(QStringLiteral("Channel currents"));
    channelTime_ = TimeAxis(channelChart_);
    channelAxis_ = ValueAxis(channelChart_, QStringLiteral("A"), QColor(), Qt::AlignLeft);
    channelView_ = new QChartView(channelChart_, this);
    channelView_->setObjectName(QStringLiteral("ChartChannels"));
    channelView_->setRenderHint(QPainter::Antialiasing);
    channelView_->setMinimumHeight(260);

    // Both plots share the time axis's place, so a moment lies at the same x in both
    // (the sums' two extra axes on the right would otherwise shift it).
    connect(sumChart_, &QChart::plotAreaChanged, this, &TTrendForm::AlignPlots);
    connect(channelChart_, &QChart::plotAreaChanged, this, &TTrendForm::AlignPlots);

    auto* right = new QVBoxLayout;
    right->addLayout(controls);
    right->addWidget(labelColumns_);
    right->addWidget(labelNoData_);
    right->addWidget(sumView_, 1);
    right->addWidget(channelView_, 1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);
}

void TTrendForm::AlignPlots()
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

QString TTrendForm::ChannelTitle(int channel) const
{
    const QString name = Cp1252ToString(model_.Output(channel).NAME).trimmed();
    return name.isEmpty() ? QString::number(channel) : QStringLiteral("%1 %2").arg(channel).arg(name);
}

void TTrendForm::RefreshNames()
{
    const QSignalBlocker block(listChannels_);
    for (int n = 1; n <= TREND_CHANNELS; ++n) {
        listChannels_->item(n - 1)->setText(ChannelTitle(n));
        RenameLine(channelLines_[static_cast<std::size_t>(n - 1)], ChannelTitle(n));
    }
}

QList<int> TTrendForm::TickedChannels() const
{
    QList<int> ticked;
    for (int n = 1; n <= TREND_CHANNELS; ++n)
        if (listChannels_->item(n - 1)->checkState() == Qt::Checked)
            ticked << n;
    return ticked;
}

void TTrendForm::SetChannelTicked(int channel, bool ticked)
{
    if (channel < 1 || channel > TREND_CHANNELS)
        return;
    listChannels_->item(channel - 1)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QColor TTrendForm::FreeChannelColour() const
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

void TTrendForm::ChannelItemChanged(QListWidgetItem* item)
{
    const int n = item->data(Qt::UserRole).toInt();
    if (n < 1 || n > TREND_CHANNELS)
        return;
    PlotLine& line = channelLines_[static_cast<std::size_t>(n - 1)];
    const bool ticked = item->checkState() == Qt::Checked;
    if (ticked == !line.pieces.empty())
        return;
    if (ticked)
        ShowLine(line, channelChart_, channelTime_, channelAxis_, ChannelTitle(n), QPen(FreeChannelColour(), 2));
    else
        HideLine(line);
    // Show what is already known at once, not only at the next tick.
    Redraw();
}

void TTrendForm::ShowLine(PlotLine& line, QChart* chart, QDateTimeAxis* time, QValueAxis* axis, const QString& name,
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

void TTrendForm::HideLine(PlotLine& line)
{
    for (QLineSeries* s : line.pieces) {
        line.chart->removeSeries(s);
        delete s;
    }
    line.pieces.clear();
}

QLineSeries* TTrendForm::AddPiece(PlotLine& line)
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

void TTrendForm::RenameLine(PlotLine& line, const QString& name)
{
    line.name = name;
    for (QLineSeries* s : line.pieces)
        s->setName(name);
}

QList<QPointF> TTrendForm::LinePoints(const PlotLine& line)
{
    QList<QPointF> points;
    for (const QLineSeries* s : line.pieces)
        points += s->points();
    return points;
}

void TTrendForm::SetLine(PlotLine& line, const std::deque<TrendPoint>& points, qint64 fromMs, double scale,
                         double* lo, double* hi)
{
    if (line.pieces.empty())
        return;
    const std::vector<std::vector<TrendPoint>> segments = PlotSegments(points, fromMs, MAX_PLOT_POINTS, GAP_MS);
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

void TTrendForm::ComboBoxWindowChange(int index)
{
    if (index < 0 || index >= int(WINDOW_MINUTES.size()))
        return;
    windowIndex_ = index;
    if (comboWindow_->currentIndex() != index) {
        const QSignalBlocker block(comboWindow_);
        comboWindow_->setCurrentIndex(index);
    }
    const QString format = WindowMinutes() >= 30 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss");
    sumTime_->setFormat(format);
    channelTime_->setFormat(format);
    Redraw();
}

QLineSeries* TTrendForm::SumSeries(TrendSum which) const
{
    const PlotLine& line = sumLines_[static_cast<std::size_t>(which)];
    return line.pieces.empty() ? nullptr : line.pieces.front();
}

QLineSeries* TTrendForm::ChannelSeries(int channel) const
{
    if (channel < 1 || channel > TREND_CHANNELS)
        return nullptr;
    const PlotLine& line = channelLines_[static_cast<std::size_t>(channel - 1)];
    return line.pieces.empty() ? nullptr : line.pieces.front();
}

QList<QPointF> TTrendForm::PlottedPoints(TrendSum which) const
{
    return LinePoints(sumLines_[static_cast<std::size_t>(which)]);
}

QList<QPointF> TTrendForm::PlottedPoints(int channel) const
{
    return channel >= 1 && channel <= TREND_CHANNELS ? LinePoints(channelLines_[static_cast<std::size_t>(channel - 1)])
                                                     : QList<QPointF>();
}

int TTrendForm::PlottedPieces(TrendSum which) const
{
    return int(sumLines_[static_cast<std::size_t>(which)].pieces.size());
}

int TTrendForm::PlottedPieces(int channel) const
{
    return channel >= 1 && channel <= TREND_CHANNELS ? int(channelLines_[static_cast<std::size_t>(channel - 1)].pieces.size())
                                                     : 0;
}

void TTrendForm::TimerRepaintTimer()
{
    trend_.Prune();
    Redraw();
    if (!listening_) {
        labelNoData_->setText(QStringLiteral("Cannot listen to the module's answers: too many windows listen already"));
    } else {
        const std::optional<qint64> last = trend_.Series().LastStatusMs();
        const bool silent = !last || trend_.Now() - *last > NO_DATA_MS;
        labelNoData_->setText(silent ? QStringLiteral("No live data: show the General page to poll") : QString());
    }
}

void TTrendForm::Redraw()
{
    // Everything each time: the window's edge moves on even when no answers come, and
    // thinned lines cost little (at most MAX_PLOT_POINTS each, a few times a second).
    const qint64 from = trend_.Now() - qint64(WindowMinutes()) * 60 * 1000;
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

void TTrendForm::MoveAxes()
{
    const QDateTime now = trend_.WallTimeOf(trend_.Now());
    const QDateTime from = now.addSecs(-qint64(WindowMinutes()) * 60);
    sumTime_->setRange(from, now);
    channelTime_->setRange(from, now);
}

void TTrendForm::BtnRecordClick()
{
    if (trend_.Recorder().Recording()) {
        StopRecording();
        return;
    }
    FileDialogOptions options;
    options.title = QStringLiteral("Record trend");
    options.filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*)|*");
    options.defaultExtension = QStringLiteral("csv");
    options.initialFolder = lastFolder_;
    options.fileName = QStringLiteral("trend.csv");
    const std::optional<QString> chosen = dialogs_.SaveFile(options);
    if (!chosen || chosen->isEmpty())
        return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (QFileInfo::exists(path)
        && !dialogs_.WarningYesNo(QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path)))
        return;
    lastFolder_ = QFileInfo(path).absolutePath();
    StartRecording(path);
}

bool TTrendForm::StartRecording(const QString& path)
{
    QList<TrendRecorder::Column> columns;
    for (int n : TickedChannels())
        columns.append({n, ChannelTitle(n)});
    QString error;
    failure_.clear();
    if (!trend_.StartRecording(path, columns, &error)) {
        failure_ = error;
        ShowRecordingState();
        dialogs_.Error(error);
        return false;
    }
    ShowRecordingState();
    return true;
}

void TTrendForm::StopRecording()
{
    trend_.StopRecording();
    ShowRecordingState();
}

void TTrendForm::RecordingFailed(const QString& message)
{
    // Called inside the dispatch: show the box once the frame has been handled.
    failure_ = message;
    ShowRecordingState();
    QTimer::singleShot(0, this, [this, message] { dialogs_.Error(message); });
}

void TTrendForm::ShowRecordingState()
{
    const TrendRecorder& r = trend_.Recorder();
    btnRecord_->setText(r.Recording() ? QStringLiteral("Stop") : QStringLiteral("Record"));
    QString text;
    if (!failure_.isEmpty())
        text = failure_;
    else if (r.Recording())
        text = QStringLiteral("Recording to %1").arg(r.Path());
    else if (!r.Path().isEmpty())
        text = QStringLiteral("Recorded to %1").arg(r.Path());
    else
        text = QStringLiteral("Not recording");
    labelRecordFile_->setText(text);
    labelRecordFile_->setToolTip(text);
    labelRecordFile_->setStyleSheet(failure_.isEmpty() ? QString() : QStringLiteral("QLabel { color: rgb(180, 0, 0); }"));

    if (r.Recording()) {
        QStringList channels;
        for (const TrendRecorder::Column& c : r.Columns())
            channels << QString::number(c.channel);
        labelColumns_->setText(
            channels.isEmpty()
                ? QStringLiteral("Columns fixed at the start: the sums only (no channel was ticked)")
                : QStringLiteral("Columns fixed at the start: the sums and channels %1").arg(channels.join(QStringLiteral(", "))));
    } else {
        labelColumns_->setText(QStringLiteral("The channels ticked when Record is pressed become the file's columns"));
    }
}

void TTrendForm::closeEvent(QCloseEvent* event)
{
    // A closed window leaves no recording running out of sight.
    StopRecording();
    QWidget::closeEvent(event);
}

void TTrendForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    TimerRepaintTimer();
    timerRepaint_.start();
}

void TTrendForm::hideEvent(QHideEvent* event)
{
    timerRepaint_.stop();
    QWidget::hideEvent(event);
}

}  // namespace relvane
