#pragma once
// The live view's logic: the 150 ms status poll, the painting of the status
// answers, the Auto / manual test modes and manual switching, the page-change
// handling, and the 400 ms heartbeat with the link watchdog. It paints through
// a LiveDisplay (the "General" page) and reaches the rest of the main window
// through its MonitorHost.

#include "monitor/LivePainting.h"
#include "monitor/MonitorHost.h"
#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"

#include <QObject>
#include <QTimer>

#include <cstdint>

namespace relvane {

// What the "General" page shows; the page widget implements it.
class LiveDisplay {
public:
    virtual ~LiveDisplay() = default;

    virtual void ShowStatus(const StatusTexts& texts) = 0;
    // Each of the four summary labels gets the same idle look.
    virtual void ShowIdleStatus(const LiveLook& look) = 0;
    // State label of high-power channel 1 to 18.
    virtual void ShowChannelState(int channel, const LiveLook& look) = 0;
    // Button of channel 1 to 34.
    virtual void ShowChannelButton(int channel, const LiveLook& look) = 0;
    virtual void ShowInput(int input, const LiveLook& look) = 0;        // 1 to 11
    virtual void ShowCanInput(int canInput, const LiveLook& look) = 0;  // 1 to 32
    virtual void SetChannelButtonsEnabled(bool enabled) = 0;

    // Which mode radio button is selected.
    virtual bool AutoSelected() const = 0;
    virtual bool ManualSelected() const = 0;
};

// Also a handler of the dispatcher: add it with Dispatcher::AddHandler and the
// status, version and statistics answers arrive already read.
class LiveMonitor : public QObject, public MainFrameHandler {
    Q_OBJECT
public:
    static constexpr int POLL_INTERVAL_MS = 150;
    static constexpr int VERSION_INTERVAL_MS = 400;
    static constexpr int SILENT_TICKS_BEFORE_CLEAR = 5;  // cleared when the count is above this
    static constexpr int GENERAL_PAGE = 0;

    // Timer1 (the poll) runs from construction; TimerVersion from
    // StartVersionTimer(), which the main window calls once all start-up
    // windows exist. Both are children named by their roles.
    explicit LiveMonitor(MonitorHost& host, QObject* parent = nullptr);

    void SetDisplay(LiveDisplay* display) { display_ = display; }
    void StartVersionTimer() { timerVersion_.start(); }

    // Timers, so tests and the main window can find and stop them.
    QTimer& Timer1() { return timer1_; }
    QTimer& TimerVersion() { return timerVersion_; }

    // Ticks (also run by the timers).
    void Timer1Timer();
    void TimerVersionTimer();

    // Received frames, handed over by the main window's dispatcher handler.
    void OnStatusSumCfm(const std::uint8_t* frame, int count);
    void OnInputStateCfm(const std::uint8_t* frame, int count);
    void OnChannelStateCfm(const std::uint8_t* frame, int count);
    void OnVersionCfm(const std::uint8_t* frame, int count);     // answered flag, version, uptime
    void OnStatisticsCfm(const std::uint8_t* frame, int count);  // statistics for the About window

    // The same, from already-read messages.
    void ShowStatusSummary(const StatusSummary& summary);
    void ShowInputStates(const InputStates& states);
    void ShowChannelState(const ChannelState& state);
    void TakeVersion(const VersionInfo& info);
    void TakeStatistics(const Statistics& statistics);

    // MainFrameHandler
    void OnStatusSum(const StatusSummary& summary) override { ShowStatusSummary(summary); }
    void OnInputState(const InputStates& states) override { ShowInputStates(states); }
    void OnChannelState(const ChannelState& state) override { ShowChannelState(state); }
    void OnVersion(const VersionInfo& info) override { TakeVersion(info); }
    void OnStatistics(const Statistics& statistics) override { TakeStatistics(statistics); }

    // Mode radio buttons.
    void RadioButtonAutoClick();
    void RadioButtonManuelClick();

    // A channel button was clicked; buttonText is its text at the time.
    void ChannelButtonClick(int channel, const QString& buttonText);
    // Sends CHANNEL_SWITCH_REQ only in manual mode while Connected.
    void SendOutputSwitch(int channel, bool on);
    // Keypad divide: every channel switched in turn, 25 ms apart, then the
    // direction flips. Only in manual mode.
    void AllChannelsKey();
    // The main window's key filter: true when the key was the all-channels key
    // (and has been handled); other keys are left to the caller.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    void ResetLiveDisplay();
    void StopStatusPolling();
    void ResumeStatusPolling();

    // TabbedNotebook1Change: stores the page; "General" resumes polling, every
    // other page does its own work through the host and stops polling.
    void TabbedNotebook1Change(int index);

    // State, for the main window and tests.
    bool ManualMode() const { return manualMode_; }
    int PollPhase() const { return pollPhase_; }
    bool AllChannelsToggle() const { return allChannelsToggle_; }
    int CurrentPage() const { return currentPage_; }
    bool Answered() const { return answered_; }
    int SilenceCount() const { return silenceCount_; }
    bool LinkLost() const { return linkLost_; }
    int LampStep() const { return lampStep_; }

private:
    bool Busy() const { return host_.TransferBusy() || host_.FirmwareBusy(); }
    void Send(const Frame& frame);
    void WatchdogStep();

    MonitorHost& host_;
    LiveDisplay* display_ = nullptr;
    QTimer timer1_;
    QTimer timerVersion_;

    bool manualMode_ = false;
    int pollPhase_ = 0;
    bool allChannelsToggle_ = false;
    int currentPage_ = 0;
    bool answered_ = false;
    int silenceCount_ = 0;
    bool linkLost_ = false;
    int lampStep_ = 0;
};

}  // namespace relvane
