#include "monitor/ui/TrendForm.h"

#include "config/Cp1252.h"
#include "monitor/ui/WidgetDialogs.h"

#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

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
      ownDialogs_(dialogs ? nullptr : std::make_unique<WidgetDialogs>(this, QStringLiteral("Trend"))),
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
    plots_ = new TrendPlots(trend_, GAP_MS, this);
    plots_->SetWindowMinutes(WindowMinutes());

    auto* right = new QVBoxLayout;
    right->addLayout(controls);
    right->addWidget(labelColumns_);
    right->addWidget(labelNoData_);
    right->addWidget(plots_->SumView(), 1);
    right->addWidget(plots_->ChannelView(), 1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);
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
        plots_->RenameChannel(n, ChannelTitle(n));
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

void TTrendForm::ChannelItemChanged(QListWidgetItem* item)
{
    const int n = item->data(Qt::UserRole).toInt();
    if (n < 1 || n > TREND_CHANNELS)
        return;
    const bool ticked = item->checkState() == Qt::Checked;
    if (ticked == plots_->ChannelShown(n))
        return;
    if (ticked)
        plots_->ShowChannel(n, ChannelTitle(n));
    else
        plots_->HideChannel(n);
    // Show what is already known at once, not only at the next tick.
    plots_->Redraw();
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
    plots_->SetWindowMinutes(WindowMinutes());
    plots_->Redraw();
}

void TTrendForm::TimerRepaintTimer()
{
    trend_.Prune();
    plots_->Redraw();
    if (!listening_) {
        labelNoData_->setText(QStringLiteral("Cannot listen to the module's answers: too many windows listen already"));
    } else {
        const std::optional<qint64> last = trend_.Series().LastStatusMs();
        const bool silent = !last || trend_.Now() - *last > NO_DATA_MS;
        labelNoData_->setText(silent ? QStringLiteral("No live data: show the General page to poll") : QString());
    }
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
