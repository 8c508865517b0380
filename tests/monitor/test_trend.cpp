// The trend: samples taken from the module's status answers as the dispatcher hands
// them over, their pruning and thinning, and the CSV recording and its failures.

#include "test_trend.h"

#include <QTimeZone>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

// 14:03:07.412 on 2 May 2024, two hours ahead of UTC.
QDateTime FixedWallTime()
{
    return QDateTime(QDate(2024, 5, 2), QTime(14, 3, 7, 412), QTimeZone(7200));
}

}  // namespace

void TestTrend::init()
{
    now_ = 100000;
    dispatcher_ = std::make_unique<Dispatcher>();
    trend_ = std::make_unique<TrendMonitor>(Clock(), [] { return FixedWallTime(); });
    dispatcher_->AddHandler(trend_.get());
}

void TestTrend::cleanup()
{
    trend_.reset();
    dispatcher_.reset();
    QLocale::setDefault(QLocale::c());
}

// --- samples from answers ------------------------------------------------------

void TestTrend::statusAnswers_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("voltage");
    QTest::addColumn<int>("temperature");
    QTest::newRow("zero") << 0 << 0 << 0;
    QTest::newRow("typical") << 125 << 138 << 41;
    QTest::newRow("high byte of the current") << 0x012C << 125 << 200;
    QTest::newRow("largest") << 65535 << 255 << 255;
}

void TestTrend::statusAnswers()
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

void TestTrend::channelAnswers_data()
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

void TestTrend::channelAnswers()
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
void TestTrend::invalidChannelStateIgnored_data()
{
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("channel");
    QTest::newRow("flagged invalid") << false << 5;
    QTest::newRow("channel 0") << true << 0;
    QTest::newRow("channel 35") << true << 35;
    QTest::newRow("negative") << true << -1;
}

void TestTrend::invalidChannelStateIgnored()
{
    QFETCH(bool, valid);
    QFETCH(int, channel);
    trend_->OnChannelState(ChannelState{valid, channel, true, 0, 50, false});
    for (int n = 1; n <= TREND_CHANNELS; ++n)
        QVERIFY(trend_->Series().Channel(n).empty());
}

// --- pruning and bounds ----------------------------------------------------------

void TestTrend::pruning_data()
{
    QTest::addColumn<qint64>("age");
    QTest::addColumn<bool>("kept");
    QTest::newRow("just inside") << TrendSeries::RETENTION_MS - 1 << true;
    QTest::newRow("at the edge") << TrendSeries::RETENTION_MS << true;
    QTest::newRow("just beyond") << TrendSeries::RETENTION_MS + 1 << false;
    QTest::newRow("long ago") << 3 * TrendSeries::RETENTION_MS << false;
}

void TestTrend::pruning()
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

void TestTrend::memoryBounded()
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

void TestTrend::plotPoints_data()
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

void TestTrend::plotPoints()
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

void TestTrend::plotSegments_data()
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

void TestTrend::plotSegments()
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
void TestTrend::plotSegmentsThinned()
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

void TestTrend::thinningKeepsPeaks()
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

void TestTrend::csvFields_data()
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

void TestTrend::csvFields()
{
    QFETCH(QString, text);
    QTEST(CsvField(text), "field");
}

void TestTrend::tenthsText_data()
{
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0.0";
    QTest::newRow("5") << 5 << "0.5";
    QTest::newRow("125") << 125 << "12.5";
    QTest::newRow("65535") << 65535 << "6553.5";
    QTest::newRow("-15") << -15 << "-1.5";
}

void TestTrend::tenthsText()
{
    QFETCH(int, tenths);
    QTEST(TenthsText(tenths), "text");
}

// Header, then one line per status answer, each readable while the recording goes on.
void TestTrend::csvRecording()
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
void TestTrend::csvRestartReplaces()
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

void TestTrend::csvUnwritable_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing folder") << dir_.filePath(QStringLiteral("no/such/folder/t.csv"));
    QTest::newRow("a folder") << dir_.path();
    QTest::newRow("full device") << QStringLiteral("/dev/full");
}

void TestTrend::csvUnwritable()
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

void TestTrend::csvWriteFailureStops()
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

QTEST_MAIN(TestTrend)
#include "moc_test_trend.cpp"
