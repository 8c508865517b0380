// The trend: samples taken from the module's status answers as the dispatcher hands
// them over, their pruning and thinning, the CSV recording and its failures, and the
// window over it (ticks, time window, no-data note, recording, sending nothing).

#include "monitor/LiveMonitor.h"
#include "monitor/MonitorTestSupport.h"
#include "monitor/TrendSeries.h"
#include "monitor/ui/TrendForm.h"
#include "support/ScriptedDialogs.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QFile>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

using namespace relvane;
using namespace relvane::test;

namespace {

QByteArray StatusFrame(int errorsA, int errorsB, int currentTenths, int voltageTenths, int temperature)
{
    return ModuleFrame(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, STATUS_SUM_CFM_LENGTH,
                       {errorsA, errorsB, (currentTenths >> 8) & 0xFF, currentTenths & 0xFF, voltageTenths,
                        temperature});
}

void Dispatch(Dispatcher& dispatcher, const QByteArray& bytes)
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

QStringList FileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read>")};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // after the last line end
    return lines;
}

// 14:03:07.412 on 2 May 2024, two hours ahead of UTC.
QDateTime FixedWallTime()
{
    return QDateTime(QDate(2024, 5, 2), QTime(14, 3, 7, 412), QTimeZone(7200));
}

class NullHandler : public MainFrameHandler {};

}  // namespace

class TestTrend : public QObject {
    Q_OBJECT

private:
    qint64 now_ = 0;
    std::unique_ptr<Dispatcher> dispatcher_;
    std::unique_ptr<TrendMonitor> trend_;
    QTemporaryDir dir_;

    TrendMonitor::Clock Clock()
    {
        return [this] { return now_; };
    }

private Q_SLOTS:
    void init()
    {
        now_ = 100000;
        dispatcher_ = std::make_unique<Dispatcher>();
        trend_ = std::make_unique<TrendMonitor>(Clock(), [] { return FixedWallTime(); });
        dispatcher_->AddHandler(trend_.get());
    }
    void cleanup()
    {
        trend_.reset();
        dispatcher_.reset();
        QLocale::setDefault(QLocale::c());
    }

    // --- samples from answers ------------------------------------------------------

    void statusAnswers_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("voltage");
        QTest::addColumn<int>("temperature");
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("typical") << 125 << 138 << 41;
        QTest::newRow("high byte of the current") << 0x012C << 125 << 200;
        QTest::newRow("largest") << 65535 << 255 << 255;
    }
    void statusAnswers()
    {
        QFETCH(int, current);
        QFETCH(int, voltage);
        QFETCH(int, temperature);
        Dispatch(*dispatcher_, StatusFrame(200, 100, current, voltage, temperature));
        const TrendSeries& s = trend_->Series();
        QCOMPARE(s.Sum(TrendSum::Current).size(), std::size_t(1));
        QCOMPARE(s.Sum(TrendSum::Current).back().value, current);
        QCOMPARE(s.Sum(TrendSum::Voltage).back().value, voltage);
        QCOMPARE(s.Sum(TrendSum::Temperature).back().value, temperature);
        QCOMPARE(s.Sum(TrendSum::Current).back().ms, now_);
        QCOMPARE(s.LastStatusMs(), std::optional<qint64>(now_));
    }

    void channelAnswers_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("kept");
        QTest::newRow("channel 5, 30.0 A") << 5 << 0x012C << true;
        QTest::newRow("channel 1") << 1 << 7 << true;
        QTest::newRow("channel 34") << 34 << 65535 << true;
        QTest::newRow("channel 0") << 0 << 12 << false;
        QTest::newRow("channel 35") << 35 << 12 << false;
        QTest::newRow("channel 255") << 255 << 12 << false;
    }
    void channelAnswers()
    {
        QFETCH(int, channel);
        QFETCH(int, current);
        QFETCH(bool, kept);
        Dispatch(*dispatcher_, ChannelStateFrame(channel, CHANNEL_SWITCH_ON, 0, current, 0));
        int stored = 0;
        for (int n = 1; n <= TREND_CHANNELS; ++n)
            stored += int(trend_->Series().Channel(n).size());
        QCOMPARE(stored, kept ? 1 : 0);
        if (kept)
            QCOMPARE(trend_->Series().Channel(channel).back().value, current);
        // A channel answer is no status answer.
        QVERIFY(!trend_->Series().LastStatusMs());
    }

    // The handler does not rely on the dispatcher's check of the channel number.
    void invalidChannelStateIgnored_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("channel");
        QTest::newRow("flagged invalid") << false << 5;
        QTest::newRow("channel 0") << true << 0;
        QTest::newRow("channel 35") << true << 35;
        QTest::newRow("negative") << true << -1;
    }
    void invalidChannelStateIgnored()
    {
        QFETCH(bool, valid);
        QFETCH(int, channel);
        trend_->OnChannelState(ChannelState{valid, channel, true, 0, 50, false});
        for (int n = 1; n <= TREND_CHANNELS; ++n)
            QVERIFY(trend_->Series().Channel(n).empty());
    }

    // --- pruning and bounds ----------------------------------------------------------

    void pruning_data()
    {
        QTest::addColumn<qint64>("age");
        QTest::addColumn<bool>("kept");
        QTest::newRow("just inside") << TrendSeries::RETENTION_MS - 1 << true;
        QTest::newRow("at the edge") << TrendSeries::RETENTION_MS << true;
        QTest::newRow("just beyond") << TrendSeries::RETENTION_MS + 1 << false;
        QTest::newRow("long ago") << 3 * TrendSeries::RETENTION_MS << false;
    }
    void pruning()
    {
        QFETCH(qint64, age);
        QFETCH(bool, kept);
        Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 120, 30));
        Dispatch(*dispatcher_, ChannelStateFrame(7, CHANNEL_SWITCH_ON, 0, 44, 0));
        now_ += age;
        trend_->Prune();
        QCOMPARE(trend_->Series().Sum(TrendSum::Voltage).size(), std::size_t(kept ? 1 : 0));
        QCOMPARE(trend_->Series().Channel(7).size(), std::size_t(kept ? 1 : 0));

        // A new sample prunes its own series even without a Prune call.
        Dispatch(*dispatcher_, ChannelStateFrame(7, CHANNEL_SWITCH_ON, 0, 45, 0));
        QCOMPARE(trend_->Series().Channel(7).size(), std::size_t(kept ? 2 : 1));
    }

    void memoryBounded()
    {
        const std::size_t extra = 25;
        for (std::size_t i = 0; i < TrendSeries::MAX_POINTS + extra; ++i) {
            now_ += 1;
            Dispatch(*dispatcher_, ChannelStateFrame(3, CHANNEL_SWITCH_ON, 0, int(i % 60000), 0));
        }
        const std::deque<TrendPoint>& points = trend_->Series().Channel(3);
        QCOMPARE(points.size(), TrendSeries::MAX_POINTS);
        QCOMPARE(points.front().value, int(extra));
    }

    // --- thinning for the plot -------------------------------------------------------

    void plotPoints_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<int>("maxPoints");
        QTest::addColumn<int>("expected");  // -1: thinned to at most maxPoints
        // points at ms 0, 10, 20, ...
        QTest::newRow("all fit") << 100 << qint64(-1) << 1200 << 100;
        QTest::newRow("edge between points: one before it") << 100 << qint64(455) << 1200 << 55;
        QTest::newRow("edge on a point: one before it") << 100 << qint64(450) << 1200 << 56;
        QTest::newRow("edge before the first") << 100 << qint64(-50) << 1200 << 100;
        QTest::newRow("edge after the last: the last") << 100 << qint64(5000) << 1200 << 1;
        QTest::newRow("thinned") << 10000 << qint64(0) << 1200 << -1;
        QTest::newRow("thinned, odd limit") << 10000 << qint64(0) << 7 << -1;
        QTest::newRow("thinned from the edge") << 10000 << qint64(50000) << 300 << -1;
    }
    void plotPoints()
    {
        QFETCH(int, count);
        QFETCH(qint64, from);
        QFETCH(int, maxPoints);
        QFETCH(int, expected);
        std::deque<TrendPoint> points;
        for (int i = 0; i < count; ++i)
            points.push_back({qint64(i) * 10, (i * 37) % 101});
        const std::vector<TrendPoint> out = PlotPoints(points, from, std::size_t(maxPoints));
        if (expected >= 0) {
            QCOMPARE(int(out.size()), expected);
        } else {
            QVERIFY(int(out.size()) <= maxPoints);
            QVERIFY(int(out.size()) >= maxPoints - 2);
        }
        const std::size_t first = std::size_t(std::max<qint64>(0, std::min<qint64>(from / 10 - (from % 10 ? 0 : 1), count - 1)));
        QCOMPARE(out.front().ms, points[first].ms);  // and starts at the window's edge
        QCOMPARE(out.back().ms, points.back().ms);  // the line reaches the newest sample
        for (std::size_t i = 1; i < out.size(); ++i)
            QVERIFY(out[i - 1].ms < out[i].ms);
    }

    void plotSegments_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("no gap") << QList<qint64>{0, 450, 900, 1350} << QList<int>{4};
        QTest::newRow("gap of exactly the limit") << QList<qint64>{0, 2000, 2450} << QList<int>{3};
        QTest::newRow("one gap") << QList<qint64>{0, 450, 2451, 2900} << QList<int>{2, 2};
        QTest::newRow("lone samples") << QList<qint64>{0, 5000, 10000} << QList<int>{1, 1, 1};
        QTest::newRow("none") << QList<qint64>{} << QList<int>{};
        QTest::newRow("lead-in sample apart from the rest") << QList<qint64>{-9000, 100, 550} << QList<int>{2};
        QTest::newRow("lead-in sample joined") << QList<qint64>{-300, 100, 550} << QList<int>{3};
        QTest::newRow("all before the edge") << QList<qint64>{-9000, -8000} << QList<int>{};
    }
    void plotSegments()
    {
        QFETCH(QList<qint64>, times);
        std::deque<TrendPoint> points;
        for (qint64 t : times)
            points.push_back({t, 1});
        QList<int> sizes;
        for (const std::vector<TrendPoint>& piece : PlotSegments(points, 0, 1200, 2000))
            sizes << int(piece.size());
        QTEST(sizes, "sizes");
    }

    // Thinning stays within the budget and never bridges a gap.
    void plotSegmentsThinned()
    {
        std::deque<TrendPoint> points;
        for (int i = 0; i < 4000; ++i)
            points.push_back({qint64(i) * 450 + (i >= 3000 ? 600000 : 0), i % 7});
        const auto pieces = PlotSegments(points, 0, 1200, 2000);
        QCOMPARE(pieces.size(), std::size_t(2));
        QVERIFY(pieces[0].size() + pieces[1].size() <= 1200);
        QCOMPARE(pieces[0].back().ms, qint64(2999) * 450);
        QCOMPARE(pieces[1].front().ms, qint64(3000) * 450 + 600000);
        QCOMPARE(pieces[1].back().ms, points.back().ms);
    }

    void thinningKeepsPeaks()
    {
        std::deque<TrendPoint> points;
        for (int i = 0; i < 10000; ++i)
            points.push_back({qint64(i), 100});
        points[4321].value = 900;  // a one-sample spike
        points[8765].value = 3;    // and a dip
        const std::vector<TrendPoint> out = PlotPoints(points, 0, 200);
        QVERIFY(out.size() <= 200);
        const auto [lo, hi] = std::minmax_element(out.begin(), out.end(),
                                                  [](const TrendPoint& a, const TrendPoint& b) { return a.value < b.value; });
        QCOMPARE(hi->value, 900);
        QCOMPARE(hi->ms, qint64(4321));
        QCOMPARE(lo->value, 3);
    }

    // --- CSV -------------------------------------------------------------------------

    void csvFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "5 Headlight (A)" << "5 Headlight (A)";
        QTest::newRow("comma") << "5 Head, left (A)" << "\"5 Head, left (A)\"";
        QTest::newRow("quote") << "5 12\" fan (A)" << "\"5 12\"\" fan (A)\"";
        QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
        QTest::newRow("trailing blank") << "5 Pump " << "\"5 Pump \"";
        QTest::newRow("empty") << "" << "";
    }
    void csvFields()
    {
        QFETCH(QString, text);
        QTEST(CsvField(text), "field");
    }

    void tenthsText_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0.0";
        QTest::newRow("5") << 5 << "0.5";
        QTest::newRow("125") << 125 << "12.5";
        QTest::newRow("65535") << 65535 << "6553.5";
        QTest::newRow("-15") << -15 << "-1.5";
    }
    void tenthsText()
    {
        QFETCH(int, tenths);
        QTEST(TenthsText(tenths), "text");
    }

    // Header, then one line per status answer, each readable while the recording goes on.
    void csvRecording()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // decimal comma there
        const QString path = dir_.filePath(QStringLiteral("rec.csv"));
        QString error;
        QVERIFY2(trend_->StartRecording(path, {{3, QStringLiteral("3 Head, light")}, {12, QStringLiteral("12 Fan")}},
                                        &error),
                 qPrintable(error));
        QVERIFY(trend_->Recorder().Recording());
        QCOMPARE(FileLines(path), QStringList{QStringLiteral(
                                      "Time,Seconds,Total current (A),Supply voltage (V),Temperature (\u00B0C),"
                                      "\"3 Head, light (A)\",12 Fan (A)")});

        // A round of the poll: status, then the channels.
        now_ += 450;
        Dispatch(*dispatcher_, StatusFrame(1, 2, 125, 138, 41));
        QCOMPARE(FileLines(path).size(), 2);
        QCOMPARE(FileLines(path).at(1), QStringLiteral("2024-05-02T14:03:07.412+02:00,0.450,12.5,13.8,41,,"));
        now_ += 150;
        Dispatch(*dispatcher_, ChannelStateFrame(3, CHANNEL_SWITCH_ON, 0, 28, 0));
        Dispatch(*dispatcher_, ChannelStateFrame(12, CHANNEL_SWITCH_ON, 0, 0x012C, 0));
        Dispatch(*dispatcher_, ChannelStateFrame(5, CHANNEL_SWITCH_ON, 0, 99, 0));  // not a column
        QCOMPARE(FileLines(path).size(), 2);  // channel answers add no line

        now_ += 300;
        Dispatch(*dispatcher_, StatusFrame(0, 0, 65535, 255, 255));
        QCOMPARE(FileLines(path).at(2), QStringLiteral("2024-05-02T14:03:07.412+02:00,0.900,6553.5,25.5,255,2.8,30.0"));

        // No channel answer since the last line: the cells stay empty, never a stale value.
        now_ += 450;
        Dispatch(*dispatcher_, ChannelStateFrame(12, CHANNEL_SWITCH_OFF, 0, 0, 0));
        Dispatch(*dispatcher_, StatusFrame(0, 0, 7, 120, 30));
        QCOMPARE(FileLines(path).at(3), QStringLiteral("2024-05-02T14:03:07.412+02:00,1.350,0.7,12.0,30,,0.0"));
        QCOMPARE(trend_->Recorder().LinesWritten(), 3);

        trend_->StopRecording();
        Dispatch(*dispatcher_, StatusFrame(0, 0, 7, 120, 30));
        QCOMPARE(FileLines(path).size(), 4);
    }

    // Starting again empties the file: one header, no lines of the earlier recording.
    void csvRestartReplaces()
    {
        const QString path = dir_.filePath(QStringLiteral("again.csv"));
        QVERIFY(trend_->StartRecording(path, {}, nullptr));
        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));
        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));
        QVERIFY(trend_->StartRecording(path, {}, nullptr));
        const QStringList lines = FileLines(path);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Time,")));
    }

    void csvUnwritable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << dir_.filePath(QStringLiteral("no/such/folder/t.csv"));
        QTest::newRow("a folder") << dir_.path();
        QTest::newRow("full device") << QStringLiteral("/dev/full");
    }
    void csvUnwritable()
    {
        QFETCH(QString, path);
        if (path == QLatin1String("/dev/full") && !QFile::exists(path))
            QSKIP("no /dev/full here");
        QString error;
        QVERIFY(!trend_->StartRecording(path, {}, &error));
        QVERIFY(!trend_->Recorder().Recording());
        QVERIFY2(error.startsWith(QStringLiteral("Cannot write '%1': ").arg(path)), qPrintable(error));
        QVERIFY(error.size() > QStringLiteral("Cannot write '%1': ").arg(path).size());
        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));  // and nothing breaks afterwards
        QCOMPARE(trend_->Series().Sum(TrendSum::Current).size(), std::size_t(1));
    }

    void csvWriteFailureStops()
    {
        QStringList failures;
        trend_->SetFailureHandler([&](const QString& m) { failures << m; });
        auto device = std::make_unique<FailingDevice>(140);  // the header (68 bytes) and one line (46) fit, not two
        FailingDevice* d = device.get();
        QVERIFY(trend_->StartRecordingOn(std::move(device), QStringLiteral("/media/stick/t.csv"), {}, nullptr));
        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));
        QCOMPARE(trend_->Recorder().LinesWritten(), 1);
        QVERIFY(failures.isEmpty());
        const QByteArray before = d->written;

        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));
        QCOMPARE(failures, QStringList{QStringLiteral(
                               "Recording stopped: cannot write '/media/stick/t.csv': No space left on device")});
        QVERIFY(!trend_->Recorder().Recording());
        // Later answers are still plotted and do not report again.
        Dispatch(*dispatcher_, StatusFrame(0, 0, 1, 2, 3));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(trend_->Series().Sum(TrendSum::Current).size(), std::size_t(3));
        QVERIFY(before.endsWith('\n'));
    }

    // --- the window ------------------------------------------------------------------

    // With the window open and recording, the module gets the live poll's requests and
    // nothing else.
    void windowSendsNothing()
    {
        FakeHost host;
        LiveMonitor live(host);
        live.Timer1().stop();
        Dispatcher dispatcher;
        dispatcher.AddHandler(&live);
        ConfigModel model;
        ScriptedDialogs dialogs;
        dialogs.QueueFile(dir_.filePath(QStringLiteral("sent.csv")));
        TTrendForm form(dispatcher, model, dialogs, nullptr, Clock());
        form.SetChannelTicked(2, true);
        form.findChild<QPushButton*>(QStringLiteral("BtnRecord"))->click();
        QVERIFY(form.Trend().Recorder().Recording());
        for (int round = 0; round < 3; ++round) {
            live.Timer1Timer();
            Dispatch(dispatcher, StatusFrame(0, 0, 10, 130, 40));
            live.Timer1Timer();
            for (int n = 1; n <= 34; ++n)
                Dispatch(dispatcher, ChannelStateFrame(n, CHANNEL_SWITCH_ON, 0, n, 0));
            live.Timer1Timer();
            now_ += 450;
            form.TimerRepaintTimer();
        }
        form.ComboBoxWindowChange(2);
        form.SetChannelTicked(2, false);
        form.findChild<QPushButton*>(QStringLiteral("BtnRecord"))->click();
        QCOMPARE(host.queue.Commands(), (QList<int>{STATUS_SUM_REQ, CHANNEL_STATE_REQ, INPUT_STATE_REQ, STATUS_SUM_REQ,
                                                    CHANNEL_STATE_REQ, INPUT_STATE_REQ, STATUS_SUM_REQ,
                                                    CHANNEL_STATE_REQ, INPUT_STATE_REQ}));
        QCOMPARE(FileLines(dir_.filePath(QStringLiteral("sent.csv"))).size(), 4);
    }

    void windowRegistersWhileItExists()
    {
        Dispatcher dispatcher;
        ConfigModel model;
        ScriptedDialogs dialogs;
        std::array<NullHandler, Dispatcher::MAX_HANDLERS> others;
        for (int i = 0; i < Dispatcher::MAX_HANDLERS - 1; ++i)
            QVERIFY(dispatcher.AddHandler(&others[std::size_t(i)]));
        {
            TTrendForm form(dispatcher, model, dialogs, nullptr, Clock());
            QVERIFY(form.Listening());
            QVERIFY(!dispatcher.AddHandler(&others.back()));  // the window holds the last place
        }
        QVERIFY(dispatcher.AddHandler(&others.back()));
        Dispatch(dispatcher, StatusFrame(0, 0, 1, 2, 3));  // reaches no destroyed window

        // No place left: the window says it cannot listen instead of waiting for data.
        TTrendForm crowded(dispatcher, model, dialogs, nullptr, Clock());
        QVERIFY(!crowded.Listening());
        QVERIFY(crowded.findChild<QLabel*>(QStringLiteral("LabelNoData"))->text().startsWith(
            QStringLiteral("Cannot listen to the module's answers")));
    }

    void tickShowsKnownSamples()
    {
        ConfigModel model;
        model.ModifyOutput(5, [](OutputConfig& o) { o.NAME = QByteArray("Headlight"); });
        ScriptedDialogs dialogs;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        auto* list = form.findChild<QListWidget*>(QStringLiteral("ListBoxChannels"));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->item(4)->text(), QStringLiteral("5 Headlight"));
        QCOMPARE(list->item(5)->text(), QStringLiteral("6"));

        for (int i = 0; i < 4; ++i) {
            now_ += 450;
            Dispatch(*dispatcher_, ChannelStateFrame(5, CHANNEL_SWITCH_ON, 0, 100 + i, 0));
        }
        QVERIFY(!form.ChannelSeries(5));
        list->item(4)->setCheckState(Qt::Checked);  // as a click does
        QCOMPARE(form.TickedChannels(), QList<int>{5});
        QLineSeries* s = form.ChannelSeries(5);
        QVERIFY(s);
        QCOMPARE(s->count(), 4);  // at once, before the next repaint tick
        QCOMPARE(s->at(3).y(), 10.3);
        QCOMPARE(s->name(), QStringLiteral("5 Headlight"));

        model.ModifyOutput(5, [](OutputConfig& o) { o.NAME = QByteArray("Fog \xE9"); });  // cp1252 e acute
        QCOMPARE(list->item(4)->text(), QStringLiteral("5 Fog \u00E9"));
        QCOMPARE(s->name(), QStringLiteral("5 Fog \u00E9"));

        list->item(4)->setCheckState(Qt::Unchecked);
        QVERIFY(!form.ChannelSeries(5));
        QVERIFY(form.TickedChannels().isEmpty());
    }

    void timeWindow_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("points");
        // samples 1700, 1000, 290, 90 and 10 s old; a sample before the edge would only lead
        // a line in, and these are too far apart to be joined
        QTest::newRow("1 min") << 0 << 1;
        QTest::newRow("5 min") << 1 << 3;
        QTest::newRow("30 min") << 2 << 5;
    }
    void timeWindow()
    {
        QFETCH(int, index);
        ScriptedDialogs dialogs;
        ConfigModel model;
        const qint64 start = now_;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        for (qint64 age : {1700, 1000, 290, 90, 10}) {
            now_ = start + (1800 - age) * 1000;
            Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 130, 40));
        }
        now_ = start + 1800 * 1000;
        form.ComboBoxWindowChange(index);
        form.TimerRepaintTimer();
        QCOMPARE(form.WindowMinutes(), int(TTrendForm::WINDOW_MINUTES[std::size_t(index)]));
        QTEST(int(form.PlottedPoints(TrendSum::Voltage).size()), "points");
        QCOMPARE(form.PlottedPoints(TrendSum::Voltage).at(0).y(), 13.0);
        for (const QPointF& p : form.PlottedPoints(TrendSum::Voltage))
            QVERIFY(p.x() >= form.Trend().WallMsOf(now_ - qint64(form.WindowMinutes()) * 60000));
        // Minutes apart: every sample stands alone, no line joins them.
        QTEST(form.PlottedPieces(TrendSum::Voltage), "points");
        auto* axis = qobject_cast<QDateTimeAxis*>(form.SumSeries(TrendSum::Current)->attachedAxes().value(0));
        QVERIFY(axis);
        QCOMPARE(axis->min().msecsTo(axis->max()), qint64(form.WindowMinutes()) * 60 * 1000);
    }

    // A pause in the answers (another page shown) breaks the lines instead of bridging it.
    void gapsBreakTheLine()
    {
        ScriptedDialogs dialogs;
        ConfigModel model;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        form.SetChannelTicked(9, true);
        const auto round = [&](int current) {
            Dispatch(*dispatcher_, StatusFrame(0, 0, current, 130, 40));
            Dispatch(*dispatcher_, ChannelStateFrame(9, CHANNEL_SWITCH_ON, 0, current, 0));
            now_ += 450;
        };
        for (int i = 0; i < 5; ++i)
            round(100);
        form.TimerRepaintTimer();
        QCOMPARE(form.PlottedPieces(TrendSum::Current), 1);
        QCOMPARE(form.PlottedPieces(9), 1);

        now_ += 20000;
        for (int i = 0; i < 3; ++i)
            round(200);
        form.TimerRepaintTimer();
        QCOMPARE(form.PlottedPieces(TrendSum::Current), 2);
        QCOMPARE(form.PlottedPieces(9), 2);
        QCOMPARE(form.PlottedPoints(9).size(), 8);
        QCOMPARE(form.PlottedPoints(9).last().y(), 20.0);
        // One legend entry per line however many pieces it has.
        form.show();
        int shownMarkers = 0;
        for (QLegendMarker* m : form.ChannelSeries(9)->chart()->legend()->markers())
            shownMarkers += m->isVisible() ? 1 : 0;
        QCOMPARE(shownMarkers, 1);

        // Once the old piece has left the window, one piece again.
        form.ComboBoxWindowChange(0);
        now_ += 40000;
        form.TimerRepaintTimer();
        QCOMPARE(form.PlottedPieces(9), 1);
        QCOMPARE(form.PlottedPoints(9).size(), 3);
    }

    void noDataNote()
    {
        ScriptedDialogs dialogs;
        ConfigModel model;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        auto* note = form.findChild<QLabel*>(QStringLiteral("LabelNoData"));
        const QString text = QStringLiteral("No live data: show the General page to poll");
        QCOMPARE(note->text(), text);
        Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 130, 40));
        form.TimerRepaintTimer();
        QCOMPARE(note->text(), QString());
        now_ += TTrendForm::NO_DATA_MS;
        form.TimerRepaintTimer();
        QCOMPARE(note->text(), QString());
        now_ += 1;
        form.TimerRepaintTimer();
        QCOMPARE(note->text(), text);
    }

    void recordThroughDialog()
    {
        ScriptedDialogs dialogs;
        ConfigModel model;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        auto* button = form.findChild<QPushButton*>(QStringLiteral("BtnRecord"));
        auto* file = form.findChild<QLabel*>(QStringLiteral("LabelRecordFile"));
        auto* columns = form.findChild<QLabel*>(QStringLiteral("LabelRecordColumns"));
        form.SetChannelTicked(12, true);
        form.SetChannelTicked(3, true);

        // A name without an extension gets ".csv".
        const QString path = dir_.filePath(QStringLiteral("trend"));
        dialogs.QueueFile(path);
        button->click();
        QCOMPARE(dialogs.Calls().size(), 1);
        QCOMPARE(dialogs.Calls().at(0).kind, DialogCall::Kind::SaveFile);
        QCOMPARE(dialogs.Calls().at(0).options.defaultExtension, QStringLiteral("csv"));
        QVERIFY(form.Trend().Recorder().Recording());
        QCOMPARE(form.Trend().Recorder().Path(), path + QStringLiteral(".csv"));
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QVERIFY(file->text().contains(path + QStringLiteral(".csv")));
        QCOMPARE(columns->text(), QStringLiteral("Columns fixed at the start: the sums and channels 3, 12"));
        QVERIFY(FileLines(path + QStringLiteral(".csv")).at(0).endsWith(QStringLiteral(",3 (A),12 (A)")));

        // Ticking more while recording leaves the file's columns alone.
        form.SetChannelTicked(7, true);
        Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 130, 40));
        QCOMPARE(FileLines(path + QStringLiteral(".csv")).at(1).count(QLatin1Char(',')), 6);

        button->click();
        QVERIFY(!form.Trend().Recorder().Recording());
        QCOMPARE(button->text(), QStringLiteral("Record"));

        // An existing file is replaced only on Yes.
        dialogs.QueueFile(path + QStringLiteral(".csv"));
        dialogs.QueueAnswer(MessageAnswer::No);
        button->click();
        QCOMPARE(dialogs.LastText(), QStringLiteral("File already exists: '%1.csv'\nOverwrite ?").arg(path));
        QVERIFY(!form.Trend().Recorder().Recording());
        QCOMPARE(FileLines(path + QStringLiteral(".csv")).size(), 2);

        // A cancelled dialog starts nothing.
        dialogs.QueueFile(std::nullopt);
        button->click();
        QVERIFY(!form.Trend().Recorder().Recording());
        QCOMPARE(dialogs.Unscripted(), 0);
    }

    void recordErrorsTold()
    {
        ScriptedDialogs dialogs;
        ConfigModel model;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        auto* button = form.findChild<QPushButton*>(QStringLiteral("BtnRecord"));
        auto* file = form.findChild<QLabel*>(QStringLiteral("LabelRecordFile"));

        const QString bad = dir_.filePath(QStringLiteral("missing/t.csv"));
        dialogs.QueueFile(bad);
        button->click();
        QCOMPARE(dialogs.Calls().last().messageKind, MessageKind::Error);
        QVERIFY(dialogs.LastText().startsWith(QStringLiteral("Cannot write '%1'").arg(bad)));
        QCOMPARE(button->text(), QStringLiteral("Record"));
        QCOMPARE(file->text(), dialogs.LastText());

        // A write that fails while recording: stopped, said in the window, then in a box
        // once the answer has been handled.
        QVERIFY(form.Trend().StartRecordingOn(std::make_unique<FailingDevice>(100), QStringLiteral("stick.csv"), {},
                                              nullptr));
        const int boxes = dialogs.Count();
        Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 130, 40));
        QVERIFY(!form.Trend().Recorder().Recording());
        QVERIFY(file->text().startsWith(QStringLiteral("Recording stopped: cannot write 'stick.csv'")));
        QCOMPARE(button->text(), QStringLiteral("Record"));
        QCOMPARE(dialogs.Count(), boxes);
        QTRY_COMPARE(dialogs.Count(), boxes + 1);
        QCOMPARE(dialogs.LastText(), file->text());
    }

    void closingStopsRecording()
    {
        ScriptedDialogs dialogs;
        ConfigModel model;
        TTrendForm form(*dispatcher_, model, dialogs, nullptr, Clock());
        QVERIFY(form.StartRecording(dir_.filePath(QStringLiteral("closed.csv"))));
        form.show();
        form.close();
        QVERIFY(!form.Trend().Recorder().Recording());
        Dispatch(*dispatcher_, StatusFrame(0, 0, 10, 130, 40));
        QCOMPARE(FileLines(dir_.filePath(QStringLiteral("closed.csv"))).size(), 1);
    }
};

QTEST_MAIN(TestTrend)
#include "test_trend.moc"
