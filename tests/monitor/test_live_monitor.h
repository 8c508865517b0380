#pragma once
// The live view's test class, in two files: the painting rules, the poll, modes and
// switching (test_live_monitor.cpp), and the heartbeat with the link watchdog
// (test_live_heartbeat.cpp); and the display both record through.

#include "monitor/LiveMonitor.h"
#include "monitor/MonitorTestSupport.h"

#include <QObject>

#include <map>

namespace relvane::test {

class FakeDisplay : public LiveDisplay {
public:
    void ShowStatus(const StatusTexts& t) override
    {
        status = t;
        ++statusCalls;
    }
    void ShowIdleStatus(const LiveLook& look) override
    {
        status = {look.text, look.text, look.text, look.text};
        ++statusCalls;
    }
    void ShowChannelState(int channel, const LiveLook& look) override { states[channel] = look; }
    void ShowChannelButton(int channel, const LiveLook& look) override { buttons[channel] = look; }
    void ShowInput(int input, const LiveLook& look) override { inputs[input] = look; }
    void ShowCanInput(int canInput, const LiveLook& look) override { canInputs[canInput] = look; }
    void SetChannelButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    bool AutoSelected() const override { return autoSelected; }
    bool ManualSelected() const override { return manualSelected; }

    void Clear()
    {
        states.clear();
        buttons.clear();
        inputs.clear();
        canInputs.clear();
        statusCalls = 0;
    }

    StatusTexts status;
    int statusCalls = 0;
    std::map<int, LiveLook> states, buttons, inputs, canInputs;
    bool buttonsEnabled = false;
    bool autoSelected = true;
    bool manualSelected = false;
};

inline const LiveColour N = LiveColour::Neutral, R = LiveColour::Red, G = LiveColour::Green,
                        Y = LiveColour::Yellow, W = LiveColour::White;

}  // namespace relvane::test

class TestLiveMonitor : public QObject {
    Q_OBJECT

private:
    relvane::test::FakeHost* host_ = nullptr;
    relvane::test::FakeDisplay* display_ = nullptr;
    relvane::LiveMonitor* monitor_ = nullptr;

    void Feed(void (relvane::LiveMonitor::*handler)(const std::uint8_t*, int), const QByteArray& bytes)
    {
        relvane::test::ReceivedFrame f(bytes);
        (monitor_->*handler)(f.buffer, f.count);
    }
    void Answer() { Feed(&relvane::LiveMonitor::OnVersionCfm, relvane::test::VersionFrame("9.08")); }
    // The host as a held-back row names it: "connected" (not connected), "transfer" or
    // "firmware" (busy), "page" (another page shown).
    void HoldBack(const QString& condition)
    {
        if (condition == QLatin1String("connected"))
            host_->connected = false;
        if (condition == QLatin1String("transfer"))
            host_->transferBusy = true;
        if (condition == QLatin1String("firmware"))
            host_->firmwareBusy = true;
        if (condition == QLatin1String("page"))
            host_->pageCaption = QStringLiteral("Diagnostic");
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            monitor_->TimerVersionTimer();
    }

private Q_SLOTS:
    void init();
    void cleanup();

    // --- painting rules ---------------------------------------------------------

    void highPowerTable_data();
    void highPowerTable();
    void lowPowerTable_data();
    void lowPowerTable();
    void statusTexts_data();
    void statusTexts();
    void inputStates();
    void channelFrames_data();
    void channelFrames();
    void channelOutOfRangeIgnored_data();
    void channelOutOfRangeIgnored();
    void resetLiveDisplay();

    // --- poll --------------------------------------------------------------------

    void pollOrder();
    void pollHeldBack_data();
    void pollHeldBack();
    void pollWithHiddenCalibrationWindow();
    void pageChangeStopsAndResumesWherePollStopped();

    // --- modes and switching ---------------------------------------------------------------

    void modeChange_data();
    void modeChange();
    void buttonClick_data();
    void buttonClick();
    void switchGated();
    void divideKey();

    // --- heartbeat and watchdog ------------------------------------------------------------------

    void versionTickOrder();
    void versionTickWithoutAboutWindow();
    void versionTickSkippedWhileCalibrationVisible();
    void versionRequestHeldBack_data();
    void versionRequestHeldBack();
    void lampsStepOnlyWhenAnswered();
    void watchdogClearsOnSeventhSilentTick();
    void watchdogResendsModeOnFirstAnswer_data();
    void watchdogResendsModeOnFirstAnswer();
    void watchdogHeldBack_data();
    void watchdogHeldBack();
    void transferFreezesSilenceCount();
    void versionAndStatisticsStored();
    void throughTheDispatcher();
    void timersRunOnTheirOwn();
};
