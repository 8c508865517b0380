// The live view's heartbeat: the version request on each tick, the lamps, and the
// link watchdog with what holds it back; the dispatcher's way in and the timers.

#include "test_live_monitor.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::test;

// --- heartbeat and watchdog ------------------------------------------------------------------

void TestLiveMonitor::versionTickOrder()
{
    Answer();
    monitor_->TimerVersionTimer();
    QCOMPARE(host_->log, (QStringList{QStringLiteral("lamps 0"), QStringLiteral("send 06"),
                                      QStringLiteral("pause 10"), QStringLiteral("send 60"),
                                      QStringLiteral("title"), QStringLiteral("names")}));
    QCOMPARE(host_->queue.frames[0], ModuleFrame(FRAME_TYPE_COMMAND, VERSION_REQ, 4, {}));
    QCOMPARE(host_->queue.frames[1], ModuleFrame(FRAME_TYPE_COMMAND, STATISTICS_REQ, 4, {}));
    QCOMPARE(monitor_->LampStep(), 1);
    QVERIFY(!monitor_->Answered());
}

void TestLiveMonitor::versionTickWithoutAboutWindow()
{
    host_->aboutExists = false;
    monitor_->TimerVersionTimer();
    QCOMPARE(host_->Sends(), QStringList{QStringLiteral("send 06")});
    QVERIFY(host_->log.filter(QStringLiteral("pause")).isEmpty());
}

void TestLiveMonitor::versionTickSkippedWhileCalibrationVisible()
{
    host_->calibrationExists = host_->calibrationVisible = true;
    Answer();
    monitor_->TimerVersionTimer();
    QVERIFY(host_->log.isEmpty());  // no lamps, no request, no title, no names
    QVERIFY(monitor_->Answered());  // kept for the next tick
}

void TestLiveMonitor::versionRequestHeldBack_data()
{
    QTest::addColumn<QString>("condition");
    QTest::newRow("not connected") << "connected";
    QTest::newRow("transfer busy") << "transfer";
    QTest::newRow("firmware busy") << "firmware";
}

void TestLiveMonitor::versionRequestHeldBack()
{
    QFETCH(QString, condition);
    HoldBack(condition);
    monitor_->TimerVersionTimer();
    QVERIFY(host_->Sends().isEmpty());
    QVERIFY(host_->log.contains(QStringLiteral("title")));
    QVERIFY(host_->log.contains(QStringLiteral("names")));
}

void TestLiveMonitor::lampsStepOnlyWhenAnswered()
{
    for (int i = 0; i < 4; ++i) {
        Answer();
        monitor_->TimerVersionTimer();
    }
    Ticks(2);
    QCOMPARE(host_->lamps, (std::vector<int>{0, 1, 2, 0, 1, 1}));
}

void TestLiveMonitor::watchdogClearsOnSeventhSilentTick()
{
    Answer();
    Ticks(1);  // the last tick that saw an answer
    for (int i = 1; i <= 6; ++i) {
        display_->Clear();
        Ticks(1);
        QVERIFY2(display_->buttons.empty(), qPrintable(QStringLiteral("cleared on tick %1").arg(i)));
        QVERIFY(!monitor_->LinkLost());
    }
    QCOMPARE(monitor_->SilenceCount(), 6);
    display_->Clear();
    Ticks(1);
    QVERIFY(monitor_->LinkLost());
    QCOMPARE(int(display_->buttons.size()), CHANNEL_COUNT);
    QCOMPARE(display_->status.current, QStringLiteral("--"));
    // repeated while the silence lasts
    display_->Clear();
    Ticks(1);
    QCOMPARE(int(display_->buttons.size()), CHANNEL_COUNT);
}

void TestLiveMonitor::watchdogResendsModeOnFirstAnswer_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<int>("modeByte");
    QTest::newRow("auto") << false << 0;
    QTest::newRow("manual test") << true << 1;
}

void TestLiveMonitor::watchdogResendsModeOnFirstAnswer()
{
    QFETCH(bool, manual);
    if (manual) {
        display_->autoSelected = false;
        display_->manualSelected = true;
    }
    Ticks(7);  // silent from start-up
    QVERIFY(monitor_->LinkLost());
    host_->ClearRecords();
    Answer();
    Ticks(1);
    QVERIFY(!monitor_->LinkLost());
    QCOMPARE(host_->queue.Commands().first(), int(MODE_REQ));
    QTEST(int(static_cast<std::uint8_t>(host_->queue.frames.first().at(4))), "modeByte");
    QCOMPARE(monitor_->ManualMode(), manual);
    QCOMPARE(display_->buttonsEnabled, manual);
    // only once
    host_->ClearRecords();
    Answer();
    Ticks(1);
    QVERIFY(!host_->queue.Commands().contains(int(MODE_REQ)));
}

void TestLiveMonitor::watchdogHeldBack_data()
{
    QTest::addColumn<QString>("condition");
    QTest::newRow("calibration window exists") << "calibration";
    QTest::newRow("not connected") << "connected";
    QTest::newRow("firmware busy") << "firmware";
}

void TestLiveMonitor::watchdogHeldBack()
{
    QFETCH(QString, condition);
    HoldBack(condition);
    if (condition == QLatin1String("calibration"))
        host_->calibrationExists = true;  // open, not shown
    Ticks(10);
    QVERIFY(!monitor_->LinkLost());
    QVERIFY(display_->buttons.empty());
    QCOMPARE(monitor_->SilenceCount(), 10);  // still counted
}

void TestLiveMonitor::transferFreezesSilenceCount()
{
    Ticks(3);
    QCOMPARE(monitor_->SilenceCount(), 3);
    host_->transferBusy = true;
    Ticks(10);
    QCOMPARE(monitor_->SilenceCount(), 3);
    QVERIFY(!monitor_->LinkLost());
    Answer();
    Ticks(1);
    QVERIFY(monitor_->Answered());  // not consumed while the transfer runs
    host_->transferBusy = false;
    Ticks(1);
    QCOMPARE(monitor_->SilenceCount(), 0);
}

void TestLiveMonitor::versionAndStatisticsStored()
{
    Feed(&LiveMonitor::OnVersionCfm, VersionFrame("9.08", 3600));
    QCOMPARE(host_->module.versionText, QByteArray("9.08"));
    QCOMPARE(host_->module.secondsSincePowerUp, 3600u);
    QVERIFY(monitor_->Answered());
    Feed(&LiveMonitor::OnStatisticsCfm,
         ModuleFrame(FRAME_TYPE_COMMAND, STATISTICS_CFM, STATISTICS_CFM_LENGTH, {0xFD, 0x00, 87, 3}));
    QCOMPARE(host_->module.maxCurrentTenths, 253u);
    QCOMPARE(int(host_->module.maxTemperature), 87);
    QCOMPARE(int(host_->module.watchdogCount), 3);
}

void TestLiveMonitor::throughTheDispatcher()
{
    Dispatcher dispatcher;
    QVERIFY(dispatcher.AddHandler(monitor_));
    const auto dispatch = [&](const QByteArray& bytes) {
        ReceivedFrame f(bytes);
        dispatcher.DispatchFrame(f.buffer, f.count);
    };
    dispatch(ChannelStateFrame(0, 0xF0, 0, 0, 0));
    dispatch(ChannelStateFrame(35, 0xF0, 0, 0, 0));
    QVERIFY(display_->buttons.empty());
    dispatch(ChannelStateFrame(5, 0xF0, 0, 0x012C, 0));
    QCOMPARE(display_->states[5], (LiveLook{QStringLiteral("30.0 A"), G}));
    dispatch(ModuleFrame(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, 10, {1, 2, 0, 5, 120, 30}));
    QCOMPARE(display_->status.errors, QStringLiteral("3"));
    dispatch(ModuleFrame(FRAME_TYPE_COMMAND, INPUT_STATE_CFM, 10, {0x04, 0, 0, 0, 0, 0}));
    QCOMPARE(display_->inputs[3].text, QStringLiteral("On"));
    dispatch(VersionFrame("9.08", 3600));
    QVERIFY(monitor_->Answered());
    QCOMPARE(host_->module.secondsSincePowerUp, 3600u);
    dispatch(ModuleFrame(FRAME_TYPE_COMMAND, STATISTICS_CFM, 8, {0xFD, 0x00, 40, 1}));
    QCOMPARE(host_->module.maxCurrentTenths, 253u);
    // a damaged status answer is not painted
    QByteArray damaged = ChannelStateFrame(6, 0xF0, 0, 0, 0);
    damaged[0] = char(damaged[0] ^ 0x01);
    dispatch(damaged);
    QVERIFY(!display_->buttons.count(6));
}

void TestLiveMonitor::timersRunOnTheirOwn()
{
    monitor_->Timer1().start();
    monitor_->StartVersionTimer();
    QCOMPARE(monitor_->Timer1().interval(), 150);
    QCOMPARE(monitor_->TimerVersion().interval(), 400);
    QTRY_VERIFY_WITH_TIMEOUT(host_->Sends().contains(QStringLiteral("send 06")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(host_->Sends().contains(QStringLiteral("send 21")), 5000);
}
