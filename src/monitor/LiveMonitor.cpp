#include "monitor/LiveMonitor.h"

#include <limits>

namespace relvane {

namespace {
constexpr int STATISTICS_DELAY_MS = 10;
constexpr int STOP_POLL_PAUSE_MS = 10;
constexpr int ALL_CHANNELS_PAUSE_MS = 25;
constexpr int LAMP_COUNT = 3;
}  // namespace

LiveMonitor::LiveMonitor(MonitorHost& host, QObject* parent)
    : QObject(parent), host_(host), timer1_(this), timerVersion_(this)
{
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(POLL_INTERVAL_MS);
    connect(&timer1_, &QTimer::timeout, this, &LiveMonitor::Timer1Timer);
    timerVersion_.setObjectName(QStringLiteral("TimerVersion"));
    timerVersion_.setInterval(VERSION_INTERVAL_MS);
    connect(&timerVersion_, &QTimer::timeout, this, &LiveMonitor::TimerVersionTimer);
    timer1_.start();
}

void LiveMonitor::Send(const Frame& frame)
{
    SendFrame(host_.TxQueue(), frame);
}

// --- poll ------------------------------------------------------------------

void LiveMonitor::Timer1Timer()
{
    if (host_.CalibrationWindowExists() && host_.CalibrationWindowVisible())
        return;
    if (Busy())
        return;
    if (host_.CurrentPageCaption() != QLatin1String("General") || !host_.Connected())
        return;
    switch (pollPhase_) {
    case 0:
        Send(BuildStatusSumRequest());
        pollPhase_ = 1;
        break;
    case 1:
        Send(BuildChannelStateRequest());
        pollPhase_ = 2;
        break;
    default:
        Send(BuildInputStateRequest());
        pollPhase_ = 0;
        break;
    }
}

// --- painting ----------------------------------------------------------------

void LiveMonitor::OnStatusSumCfm(const std::uint8_t* frame, int count)
{
    ShowStatusSummary(ReadStatusSummary(frame, count));
}

void LiveMonitor::OnInputStateCfm(const std::uint8_t* frame, int count)
{
    ShowInputStates(ReadInputStates(frame, count));
}

void LiveMonitor::OnChannelStateCfm(const std::uint8_t* frame, int count)
{
    ShowChannelState(ReadChannelState(frame, count));
}

void LiveMonitor::ShowStatusSummary(const StatusSummary& summary)
{
    if (display_)
        display_->ShowStatus(StatusSummaryTexts(summary));
}

void LiveMonitor::ShowInputStates(const InputStates& states)
{
    if (!display_)
        return;
    for (int i = 0; i < INPUT_COUNT; ++i)
        display_->ShowInput(i + 1, InputLook(states.inputs[static_cast<std::size_t>(i)]));
    for (int i = 0; i < CAN_INPUT_COUNT; ++i)
        display_->ShowCanInput(i + 1, InputLook(states.canInputs[static_cast<std::size_t>(i)]));
}

void LiveMonitor::ShowChannelState(const ChannelState& state)
{
    if (!display_ || !state.valid || state.channel < 1 || state.channel > CHANNEL_COUNT)
        return;
    if (state.channel <= HIGH_POWER_CHANNELS) {
        const HighPowerLook look = HighPowerChannelLook(state);
        display_->ShowChannelState(state.channel, look.state);
        display_->ShowChannelButton(state.channel, look.button);
    } else {
        display_->ShowChannelButton(state.channel, LowPowerChannelLook(state));
    }
}

void LiveMonitor::OnVersionCfm(const std::uint8_t* frame, int count)
{
    TakeVersion(ReadVersion(frame, count));
}

void LiveMonitor::TakeVersion(const VersionInfo& info)
{
    ModuleInfo& module = host_.Module();
    module.versionText = info.text;
    module.secondsSincePowerUp = info.uptimeSeconds;
    answered_ = true;
}

void LiveMonitor::OnStatisticsCfm(const std::uint8_t* frame, int count)
{
    TakeStatistics(ReadStatistics(frame, count));
}

void LiveMonitor::TakeStatistics(const Statistics& s)
{
    ModuleInfo& module = host_.Module();
    module.maxCurrentTenths = static_cast<std::uint32_t>(s.maxCurrentTenths);
    module.maxTemperature = static_cast<std::uint8_t>(s.maxTemperature);
    module.watchdogCount = static_cast<std::uint8_t>(s.watchdogCount);
}

void LiveMonitor::ResetLiveDisplay()
{
    if (!display_)
        return;
    display_->ShowIdleStatus(IdleStatusLook());
    for (int ch = 1; ch <= HIGH_POWER_CHANNELS; ++ch)
        display_->ShowChannelState(ch, IdleHighPowerStateLook());
    for (int ch = 1; ch <= CHANNEL_COUNT; ++ch)
        display_->ShowChannelButton(ch, IdleButtonLook());
    for (int i = 1; i <= INPUT_COUNT; ++i)
        display_->ShowInput(i, InputLook(false));
    for (int i = 1; i <= CAN_INPUT_COUNT; ++i)
        display_->ShowCanInput(i, InputLook(false));
}

// --- modes and switching -------------------------------------------------------

void LiveMonitor::RadioButtonAutoClick()
{
    if (host_.Connected())
        Send(BuildModeRequest(MODE_AUTOMATIC));
    manualMode_ = false;
    if (display_)
        display_->SetChannelButtonsEnabled(false);
}

void LiveMonitor::RadioButtonManuelClick()
{
    if (host_.Connected())
        Send(BuildModeRequest(MODE_MANUAL_TEST));
    manualMode_ = true;
    if (display_)
        display_->SetChannelButtonsEnabled(true);
}

void LiveMonitor::ChannelButtonClick(int channel, const QString& buttonText)
{
    // The button keeps its look; the next channel status repaints it.
    SendOutputSwitch(channel, buttonText != QLatin1String("On"));
}

void LiveMonitor::SendOutputSwitch(int channel, bool on)
{
    if (channel < 1 || channel > CHANNEL_COUNT)
        return;
    if (!manualMode_ || !host_.Connected())
        return;
    Send(BuildChannelSwitchRequest(channel, on));
}

void LiveMonitor::AllChannelsKey()
{
    if (!manualMode_)
        return;
    for (int ch = 1; ch <= CHANNEL_COUNT; ++ch) {
        host_.PauseMs(ALL_CHANNELS_PAUSE_MS);
        SendOutputSwitch(ch, allChannelsToggle_);
    }
    allChannelsToggle_ = !allChannelsToggle_;
}

bool LiveMonitor::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key != Qt::Key_Slash || !(modifiers & Qt::KeypadModifier))
        return false;
    AllChannelsKey();
    return true;
}

// --- pages -----------------------------------------------------------------------

void LiveMonitor::StopStatusPolling()
{
    timer1_.stop();
    host_.PauseMs(STOP_POLL_PAUSE_MS);
}

void LiveMonitor::ResumeStatusPolling()
{
    if (currentPage_ == GENERAL_PAGE)
        timer1_.start();
}

void LiveMonitor::TabbedNotebook1Change(int index)
{
    currentPage_ = index;
    if (index == GENERAL_PAGE) {
        ResumeStatusPolling();
        return;
    }
    // Every other page's own selection work lives with the host's pages.
    host_.OnOtherPageSelected(index);
    StopStatusPolling();
}

// --- heartbeat ---------------------------------------------------------------------

void LiveMonitor::WatchdogStep()
{
    host_.ShowActivityLamps(lampStep_);
    if (answered_) {
        lampStep_ = (lampStep_ + 1) % LAMP_COUNT;
        if (linkLost_ && host_.Connected() && !Busy()) {
            linkLost_ = false;
            // Answers are back: tell the module the mode the user chose.
            if (display_ && display_->ManualSelected())
                RadioButtonManuelClick();
            else if (display_ && display_->AutoSelected())
                RadioButtonAutoClick();
        }
    } else if (!host_.CalibrationWindowExists() && host_.Connected() && !Busy()
               && silenceCount_ > SILENT_TICKS_BEFORE_CLEAR) {
        linkLost_ = true;
        ResetLiveDisplay();
    }
}

void LiveMonitor::TimerVersionTimer()
{
    if (host_.CalibrationWindowExists() && host_.CalibrationWindowVisible())
        return;
    WatchdogStep();
    if (host_.Connected() && !Busy()) {
        Send(BuildVersionRequest());
        if (host_.AboutWindowExists()) {
            host_.PauseMs(STATISTICS_DELAY_MS);
            Send(BuildStatisticsRequest());
        }
    }
    if (!host_.TransferBusy()) {
        if (answered_)
            silenceCount_ = 0;
        else if (silenceCount_ < std::numeric_limits<int>::max())
            ++silenceCount_;
        answered_ = false;
    }
    host_.UpdateTitle();
    host_.ServeNamePropagation();
}

}  // namespace relvane
