// The trend window: ticks, time window, gaps, the no-data note, recording through
// the dialog, and sending nothing of its own.

#include "test_trend.h"

#include "monitor/LiveMonitor.h"
#include "monitor/ui/TrendForm.h"
#include "support/ScriptedDialogs.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

class NullHandler : public MainFrameHandler {};

}  // namespace

// --- the window ------------------------------------------------------------------

// With the window open and recording, the module gets the live poll's requests and
// nothing else.
void TestTrend::windowSendsNothing()
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

void TestTrend::windowRegistersWhileItExists()
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

void TestTrend::tickShowsKnownSamples()
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

void TestTrend::timeWindow_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("points");
    // samples 1700, 1000, 290, 90 and 10 s old; a sample before the edge would only lead
    // a line in, and these are too far apart to be joined
    QTest::newRow("1 min") << 0 << 1;
    QTest::newRow("5 min") << 1 << 3;
    QTest::newRow("30 min") << 2 << 5;
}

void TestTrend::timeWindow()
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
void TestTrend::gapsBreakTheLine()
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

void TestTrend::noDataNote()
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

void TestTrend::recordThroughDialog()
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

void TestTrend::recordErrorsTold()
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

void TestTrend::closingStopsRecording()
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
