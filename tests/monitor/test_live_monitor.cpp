// The live view's rules and its logic without widgets: painting tables, the
// poll, modes and switching, and pages.

#include "test_live_monitor.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::test;

Q_DECLARE_METATYPE(relvane::LiveColour)

namespace {

ChannelState Channel(int channel, bool on, int fault, int current, bool highlight)
{
    return ChannelState{true, channel, on, static_cast<std::uint8_t>(fault), current, highlight};
}

}  // namespace

void TestLiveMonitor::init()
{
    host_ = new FakeHost;
    display_ = new FakeDisplay;
    monitor_ = new LiveMonitor(*host_);
    monitor_->Timer1().stop();  // ticks are driven by hand
    monitor_->SetDisplay(display_);
}

void TestLiveMonitor::cleanup()
{
    delete monitor_;
    delete display_;
    delete host_;
}

// --- painting rules ---------------------------------------------------------

void TestLiveMonitor::highPowerTable_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("highlight");
    QTest::addColumn<QString>("stateText");
    QTest::addColumn<LiveColour>("stateColour");
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<LiveColour>("buttonColour");
    // current 300 tenths throughout
    QTest::newRow("fault 1 on") << true << 1 << false << "-SHORT" << R << "fail" << R;
    QTest::newRow("fault 2 on") << true << 2 << false << "+SHORT" << R << "fail" << R;
    QTest::newRow("fault 2 off") << false << 2 << false << "+SHORT" << R << "fail" << R;
    QTest::newRow("fault 4 off") << false << 4 << true << "OPEN" << R << "fail" << R;
    QTest::newRow("fault 8 on highlight") << true << 8 << true << "OVERLOAD" << R << "fail" << R;
    QTest::newRow("on highlight") << true << 0 << true << "30.0 A" << Y << "On" << Y;
    QTest::newRow("on") << true << 0 << false << "30.0 A" << G << "On" << G;
    QTest::newRow("off highlight") << false << 0 << true << "--" << W << "Off" << Y;
    QTest::newRow("off") << false << 0 << false << "--" << W << "Off" << N;
    QTest::newRow("fault 3 is none") << true << 3 << false << "30.0 A" << G << "On" << G;
    QTest::newRow("fault 16 is none") << false << 16 << false << "--" << W << "Off" << N;
}

void TestLiveMonitor::highPowerTable()
{
    QFETCH(bool, on);
    QFETCH(int, fault);
    QFETCH(bool, highlight);
    const HighPowerLook look = HighPowerChannelLook(Channel(5, on, fault, 300, highlight));
    QTEST(look.state.text, "stateText");
    QTEST(look.state.colour, "stateColour");
    QTEST(look.button.text, "buttonText");
    QTEST(look.button.colour, "buttonColour");
}

void TestLiveMonitor::lowPowerTable_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("highlight");
    QTest::addColumn<QString>("text");
    QTest::addColumn<LiveColour>("colour");
    QTest::newRow("on fault 1") << true << 1 << false << "fail" << R;
    QTest::newRow("on fault 2") << true << 2 << true << "fail" << R;
    QTest::newRow("on fault 4") << true << 4 << false << "fail" << R;
    QTest::newRow("on fault 8") << true << 8 << false << "On" << G;
    QTest::newRow("on fault 8 highlight") << true << 8 << true << "On" << Y;
    QTest::newRow("on") << true << 0 << false << "On" << G;
    QTest::newRow("off fault 1") << false << 1 << false << "Off" << N;
    QTest::newRow("off fault 4 highlight") << false << 4 << true << "Off" << Y;
    QTest::newRow("off") << false << 0 << false << "Off" << N;
}

void TestLiveMonitor::lowPowerTable()
{
    QFETCH(bool, on);
    QFETCH(int, fault);
    QFETCH(bool, highlight);
    const LiveLook look = LowPowerChannelLook(Channel(20, on, fault, 12, highlight));
    QTEST(look.text, "text");
    QTEST(look.colour, "colour");
}

void TestLiveMonitor::statusTexts_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("voltage");
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("errors");
    const auto f = [](int e1, int e2, int cur, int v, int t) {
        return ModuleFrame(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, STATUS_SUM_CFM_LENGTH,
                           {e1, e2, cur >> 8, cur & 0xFF, v, t});
    };
    const QString deg = QString(QChar(0x00B0)) + QLatin1Char('C');
    QTest::newRow("30.0 A") << f(0, 0, 0x012C, 125, 25) << "30.0 A" << "12.5 V"
                            << (QStringLiteral("25 ") + deg) << "0";
    QTest::newRow("zero") << f(0, 0, 0, 0, 0) << "0.0 A" << "0.0 V" << (QStringLiteral("0 ") + deg) << "0";
    QTest::newRow("max") << f(200, 100, 65535, 255, 200) << "6553.5 A" << "25.5 V"
                         << (QStringLiteral("200 ") + deg) << "300";
}

void TestLiveMonitor::statusTexts()
{
    QFETCH(QByteArray, frame);
    Feed(&LiveMonitor::OnStatusSumCfm, frame);
    QCOMPARE(display_->statusCalls, 1);
    QTEST(display_->status.current, "current");
    QTEST(display_->status.voltage, "voltage");
    QTEST(display_->status.temperature, "temperature");
    QTEST(display_->status.errors, "errors");
}

void TestLiveMonitor::inputStates()
{
    // inputs 1, 8, 9, 11; CAN inputs 1, 16, 17, 32 (the unused high bits of byte 5 are set)
    Feed(&LiveMonitor::OnInputStateCfm,
         ModuleFrame(FRAME_TYPE_COMMAND, INPUT_STATE_CFM, INPUT_STATE_CFM_LENGTH,
                     {0x81, 0x05 | 0xF8, 0x01, 0x80, 0x01, 0x80}));
    QCOMPARE(int(display_->inputs.size()), INPUT_COUNT);
    QCOMPARE(int(display_->canInputs.size()), CAN_INPUT_COUNT);
    for (int i = 1; i <= INPUT_COUNT; ++i) {
        const bool on = i == 1 || i == 8 || i == 9 || i == 11;
        QCOMPARE(display_->inputs[i], InputLook(on));
    }
    for (int i = 1; i <= CAN_INPUT_COUNT; ++i) {
        const bool on = i == 1 || i == 16 || i == 17 || i == 32;
        QCOMPARE(display_->canInputs[i], InputLook(on));
    }
    QCOMPARE(display_->inputs[1], (LiveLook{QStringLiteral("On"), G}));
    QCOMPARE(display_->inputs[2], (LiveLook{QStringLiteral("Off"), N}));
}

void TestLiveMonitor::channelFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("hasState");
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<LiveColour>("buttonColour");
    QTest::newRow("ch5 30.0 A") << ChannelStateFrame(5, 0xF0, 0, 0x012C, 0) << 5 << true << "On" << G;
    QTest::newRow("ch18 high power") << ChannelStateFrame(18, 0x0F, 1, 0, 0) << 18 << true << "fail" << R;
    QTest::newRow("ch19 low power") << ChannelStateFrame(19, 0xF0, 0, 5, 1) << 19 << false << "On" << Y;
    QTest::newRow("ch20 on fault 8") << ChannelStateFrame(20, 0xF0, 8, 0, 0) << 20 << false << "On" << G;
    QTest::newRow("ch20 off fault 1") << ChannelStateFrame(20, 0x0F, 1, 0, 0) << 20 << false << "Off" << N;
    QTest::newRow("ch34 state 0x00 is off") << ChannelStateFrame(34, 0x00, 0, 0, 0) << 34 << false << "Off" << N;
}

void TestLiveMonitor::channelFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, channel);
    QFETCH(bool, hasState);
    Feed(&LiveMonitor::OnChannelStateCfm, frame);
    QCOMPARE(int(display_->buttons.size()), 1);
    QVERIFY(display_->buttons.count(channel));
    QTEST(display_->buttons[channel].text, "buttonText");
    QTEST(display_->buttons[channel].colour, "buttonColour");
    QCOMPARE(int(display_->states.size()), hasState ? 1 : 0);
    if (channel == 5)
        QCOMPARE(display_->states[5], (LiveLook{QStringLiteral("30.0 A"), G}));
}

void TestLiveMonitor::channelOutOfRangeIgnored_data()
{
    QTest::addColumn<int>("channel");
    QTest::newRow("0") << 0;
    QTest::newRow("35") << 35;
    QTest::newRow("255") << 255;
}

void TestLiveMonitor::channelOutOfRangeIgnored()
{
    QFETCH(int, channel);
    Feed(&LiveMonitor::OnChannelStateCfm, ChannelStateFrame(channel, 0xF0, 1, 10, 1));
    QVERIFY(display_->buttons.empty());
    QVERIFY(display_->states.empty());
}

void TestLiveMonitor::resetLiveDisplay()
{
    monitor_->ResetLiveDisplay();
    QCOMPARE(display_->status.current, QStringLiteral("--"));
    QCOMPARE(display_->status.errors, QStringLiteral("--"));
    QCOMPARE(int(display_->states.size()), HIGH_POWER_CHANNELS);
    for (const auto& [ch, look] : display_->states)
        QCOMPARE(look, (LiveLook{QStringLiteral("--"), W}));
    QCOMPARE(int(display_->buttons.size()), CHANNEL_COUNT);
    for (const auto& [ch, look] : display_->buttons)
        QCOMPARE(look, (LiveLook{QStringLiteral("Off"), N}));
    QCOMPARE(int(display_->inputs.size()), INPUT_COUNT);
    QCOMPARE(int(display_->canInputs.size()), CAN_INPUT_COUNT);
    for (const auto& [i, look] : display_->canInputs)
        QCOMPARE(look, (LiveLook{QStringLiteral("Off"), N}));
}

// --- poll --------------------------------------------------------------------

void TestLiveMonitor::pollOrder()
{
    for (int i = 0; i < 7; ++i)
        monitor_->Timer1Timer();
    QCOMPARE(host_->queue.Commands(), (QList<int>{0x20, 0x22, 0x21, 0x20, 0x22, 0x21, 0x20}));
    QCOMPARE(host_->queue.frames[0], ModuleFrame(FRAME_TYPE_COMMAND, 0x20, 4, {}));
    QCOMPARE(host_->queue.frames[1], ModuleFrame(FRAME_TYPE_COMMAND, 0x22, 5, {0xFF}));
    QCOMPARE(host_->queue.frames[2], ModuleFrame(FRAME_TYPE_COMMAND, 0x21, 4, {}));
    QCOMPARE(monitor_->PollPhase(), 1);
}

void TestLiveMonitor::pollHeldBack_data()
{
    QTest::addColumn<QString>("condition");
    QTest::newRow("not connected") << "connected";
    QTest::newRow("transfer busy") << "transfer";
    QTest::newRow("firmware busy") << "firmware";
    QTest::newRow("calibration visible") << "calibration";
    QTest::newRow("other page") << "page";
}

void TestLiveMonitor::pollHeldBack()
{
    QFETCH(QString, condition);
    HoldBack(condition);
    if (condition == QLatin1String("calibration"))
        host_->calibrationExists = host_->calibrationVisible = true;
    for (int i = 0; i < 4; ++i)
        monitor_->Timer1Timer();
    QVERIFY(host_->queue.frames.isEmpty());
    QCOMPARE(monitor_->PollPhase(), 0);
}

void TestLiveMonitor::pollWithHiddenCalibrationWindow()
{
    host_->calibrationExists = true;  // exists but not visible
    monitor_->Timer1Timer();
    QCOMPARE(host_->queue.Commands(), QList<int>{0x20});
}

void TestLiveMonitor::pageChangeStopsAndResumesWherePollStopped()
{
    monitor_->Timer1().start();
    monitor_->Timer1Timer();  // phase 0 -> 1
    monitor_->TabbedNotebook1Change(1);
    QCOMPARE(monitor_->CurrentPage(), 1);
    QVERIFY(!monitor_->Timer1().isActive());
    // the other page's own work runs first, then the pause of the stop
    QCOMPARE(host_->log.mid(host_->log.size() - 2),
             (QStringList{QStringLiteral("page 1"), QStringLiteral("pause 10")}));
    monitor_->ResumeStatusPolling();  // not on page 0: nothing
    QVERIFY(!monitor_->Timer1().isActive());
    host_->ClearRecords();
    monitor_->TabbedNotebook1Change(0);
    QVERIFY(monitor_->Timer1().isActive());
    QVERIFY(host_->log.filter(QStringLiteral("page")).isEmpty());
    monitor_->Timer1Timer();
    QCOMPARE(host_->queue.Commands(), QList<int>{0x22});
}

// --- modes and switching ---------------------------------------------------------------

void TestLiveMonitor::modeChange_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("connected") << true;
    QTest::newRow("not connected") << false;
}

void TestLiveMonitor::modeChange()
{
    QFETCH(bool, connected);
    host_->connected = connected;
    monitor_->RadioButtonManuelClick();
    QVERIFY(monitor_->ManualMode());
    QVERIFY(display_->buttonsEnabled);
    monitor_->RadioButtonAutoClick();
    QVERIFY(!monitor_->ManualMode());
    QVERIFY(!display_->buttonsEnabled);
    if (connected) {
        QCOMPARE(host_->queue.frames.size(), 2);
        QCOMPARE(host_->queue.frames[0], ModuleFrame(FRAME_TYPE_COMMAND, MODE_REQ, 5, {1}));
        QCOMPARE(host_->queue.frames[1], ModuleFrame(FRAME_TYPE_COMMAND, MODE_REQ, 5, {0}));
    } else {
        QVERIFY(host_->queue.frames.isEmpty());
    }
}

void TestLiveMonitor::buttonClick_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<int>("switchByte");
    QTest::newRow("On switches off") << "On" << 0x0F;
    QTest::newRow("Off switches on") << "Off" << 0xF0;
    QTest::newRow("fail switches on") << "fail" << 0xF0;
    QTest::newRow("--- switches on") << "---" << 0xF0;
}

void TestLiveMonitor::buttonClick()
{
    QFETCH(QString, buttonText);
    QFETCH(int, switchByte);
    monitor_->RadioButtonManuelClick();
    host_->ClearRecords();
    monitor_->ChannelButtonClick(7, buttonText);
    QCOMPARE(host_->queue.frames.size(), 1);
    QCOMPARE(host_->queue.frames[0],
             ModuleFrame(FRAME_TYPE_COMMAND, CHANNEL_SWITCH_REQ, 12,
                         {7, switchByte, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

void TestLiveMonitor::switchGated()
{
    monitor_->SendOutputSwitch(3, true);  // auto mode
    QVERIFY(host_->queue.frames.isEmpty());
    monitor_->RadioButtonManuelClick();
    host_->ClearRecords();
    host_->connected = false;
    monitor_->SendOutputSwitch(3, true);
    QVERIFY(host_->queue.frames.isEmpty());
    host_->connected = true;
    monitor_->SendOutputSwitch(0, true);
    monitor_->SendOutputSwitch(35, true);
    QVERIFY(host_->queue.frames.isEmpty());
    monitor_->SendOutputSwitch(34, true);
    QCOMPARE(host_->queue.frames.size(), 1);
}

void TestLiveMonitor::divideKey()
{
    QVERIFY(!monitor_->FormKeyDown(Qt::Key_Slash, Qt::NoModifier));  // main keyboard slash
    QVERIFY(monitor_->FormKeyDown(Qt::Key_Slash, Qt::KeypadModifier));
    QVERIFY(host_->queue.frames.isEmpty());  // auto mode sends nothing
    QVERIFY(host_->log.filter(QStringLiteral("pause")).isEmpty());

    monitor_->RadioButtonManuelClick();
    host_->ClearRecords();
    QVERIFY(monitor_->FormKeyDown(Qt::Key_Slash, Qt::KeypadModifier));
    QCOMPARE(host_->queue.frames.size(), CHANNEL_COUNT);
    for (int ch = 1; ch <= CHANNEL_COUNT; ++ch) {
        const QByteArray& f = host_->queue.frames[ch - 1];
        QCOMPARE(int(static_cast<std::uint8_t>(f.at(4))), ch);
        QCOMPARE(int(static_cast<std::uint8_t>(f.at(5))), 0x0F);  // first press: all off
        // each switch follows its own 25 ms pause
        QCOMPARE(host_->log.at(2 * (ch - 1)), QStringLiteral("pause 25"));
    }
    QVERIFY(monitor_->AllChannelsToggle());
    host_->ClearRecords();
    monitor_->AllChannelsKey();
    QCOMPARE(host_->queue.frames.size(), CHANNEL_COUNT);
    for (const QByteArray& f : host_->queue.frames)
        QCOMPARE(int(static_cast<std::uint8_t>(f.at(5))), 0xF0);
    QVERIFY(!monitor_->AllChannelsToggle());
}

QTEST_GUILESS_MAIN(TestLiveMonitor)
#include "moc_test_live_monitor.cpp"
