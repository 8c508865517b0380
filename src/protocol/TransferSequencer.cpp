#include "protocol/TransferSequencer.h"

#include "protocol/MessageCatalogue.h"

#include <QEventLoop>

#include <algorithm>
#include <array>

namespace relvane {

namespace {

static_assert(kInputCount == 11 && kOutputCount == 34 && kCanInputCount == 32
              && kVirtualInputCount == 20 && kFlashCount == 5);

// Byte 4 of a received block: the input or output number, or the 0-based index.
// A frame too short to carry it reads as 0, as the dispatcher reads short fields.
int IndexByte(const std::uint8_t* frame, int count)
{
    return count > FRAME_PAYLOAD ? frame[FRAME_PAYLOAD] : 0;
}

// The blocks a whole read brings in, per answer.
struct ReadBlock {
    std::uint8_t command;
    int count;
};
constexpr ReadBlock kReadBlocks[] = {
    {INPUT_READ_CFM, kInputCount},        {OUTPUT_READ_CFM, kOutputCount},
    {LOW_BATTERY_READ_CFM, 1},            {CAN_SETUP_READ_CFM, 1},
    {CAN_INPUT_READ_CFM, kCanInputCount}, {CAN_INPUT_ENABLE_READ_CFM, 1},
    {NAME_READ_CFM, 1},                   {VIRTUAL_INPUT_READ_CFM, kVirtualInputCount},
    {START_KILL_READ_CFM, 1},             {FLASH_READ_CFM, kFlashCount},
    {WIPER_READ_CFM, 1},                  {PWM_READ_CFM, 1},
    {CAN_EXPORT1_READ_CFM, 1},            {CAN_EXPORT_READ_CFM, kCanExportCount - 1},
};

// Answers that carry one of several records, told apart by byte 4.
bool IsIndexedReadBlock(std::uint8_t command)
{
    for (const ReadBlock& b : kReadBlocks)
        if (b.command == command)
            return b.count > 1;
    return false;
}

}  // namespace

QString NotConnectedText() { return QStringLiteral("Is not connected to target, please connect USB"); }
QString VersionTimeoutText() { return QStringLiteral("Timeout for software version"); }
QString WrongVersionText() { return QStringLiteral("Wrong software version in target, use other program"); }
QString RebootQuestionText() { return QStringLiteral("Reboot Target to use new settings?"); }
QString FactoryQuestionText() { return QStringLiteral("This will reset the relvane to factory settings?"); }
QString ReadIncompleteText(int missing)
{
    return QStringLiteral("Read incomplete: %1 block(s) did not arrive from the module. "
                          "The configuration shown is unchanged.")
        .arg(missing);
}

QString UpdateTimeoutText() { return QStringLiteral(" Update timeout "); }

// --- UpdateProgress --------------------------------------------------------------

UpdateProgress::UpdateProgress(QObject* parent) : QObject(parent), timer_(this)
{
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setInterval(TICK_MS);
    connect(&timer_, &QTimer::timeout, this, &UpdateProgress::Tick);
}

void UpdateProgress::Start()
{
    progress_ = 0;
    timeoutCounter_ = 0;
    Q_EMIT progressChanged(progress_);
    timer_.start();
}

void UpdateProgress::Tick()
{
    const bool expired = timeoutCounter_ > timeoutTicks_;
    ++timeoutCounter_;
    progress_ = progress_ >= BAR_MAX ? 0 : progress_ + 1;
    Q_EMIT progressChanged(progress_);
    if (expired) {
        timer_.stop();
        Q_EMIT timedOut();
    }
}

// --- HeadlessProgress -------------------------------------------------------------

HeadlessProgress::HeadlessProgress()
{
    QObject::connect(&clock_, &UpdateProgress::timedOut, &clock_,
                     [this] { End(ProgressEnd::TimedOut); });
}

ProgressEnd HeadlessProgress::Run()
{
    if (loop_)
        return ProgressEnd::Finished;  // one progress at a time
    QEventLoop loop;
    loop_ = &loop;
    end_ = ProgressEnd::Finished;
    clock_.Start();
    loop.exec();
    clock_.Stop();
    loop_ = nullptr;
    return end_;
}

void HeadlessProgress::Close()
{
    if (loop_)
        End(ProgressEnd::Finished);
}

void HeadlessProgress::Cancel()
{
    if (loop_)
        End(ProgressEnd::Cancelled);
}

void HeadlessProgress::End(ProgressEnd end)
{
    if (!loop_)
        return;
    end_ = end;
    clock_.Stop();
    loop_->quit();
}

// --- TransferSequencer ------------------------------------------------------------

// Marks a command as running for its whole length, modal windows included.
class TransferSequencer::CommandGuard {
public:
    explicit CommandGuard(TransferSequencer& s) : s_(s) { s_.commandRunning_ = true; }
    ~CommandGuard() { s_.commandRunning_ = false; }
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;

private:
    TransferSequencer& s_;
};

TransferSequencer::TransferSequencer(ConfigModel& model, TransferHost& host)
    : model_(model), host_(host)
{
}

bool TransferSequencer::CheckConnected()
{
    if (host_.Connected() && !host_.FirmwareBusy())
        return true;
    host_.ShowMessage(NotConnectedText());
    return false;
}

void TransferSequencer::ResetMonitor()
{
    // The module is not told: the forwarded CAN traffic would only slow the transfer.
    if (host_.ResetMonitorSelection())
        host_.PauseMs(MONITOR_RESET_PAUSE_MS);
}

bool TransferSequencer::CheckVersion()
{
    switch (host_.RunVersionCheck()) {
    case VersionCheckResult::Accepted:
        return true;
    case VersionCheckResult::TimedOut:
        host_.ShowMessage(VersionTimeoutText());
        return false;
    case VersionCheckResult::WrongVersion:
        host_.ShowMessage(WrongVersionText());
        return false;
    }
    return false;
}

bool TransferSequencer::Read()
{
    if (commandRunning_)
        return false;
    CommandGuard guard(*this);
    RunRead();
    return true;
}

bool TransferSequencer::RunRead()
{
    if (!CheckConnected())
        return false;
    ResetMonitor();
    if (!CheckVersion())
        return false;

    // The blocks collect in a copy that the model takes whole at the end of the read; a read
    // that breaks off (lost cable, lost answer, Cancel) leaves the model as it was.
    staged_ = std::make_unique<ConfigModel>();
    staged_->Assign(model_);
    stagedTaken_ = true;
    blocksTaken_.clear();
    missingBlocks_ = 0;
    Send(BuildInputReadRequest());
    state_ = SEQ_READ_STREAM;
    host_.SetTransferBusy(true);
    host_.RunProgress([this] { Cancel(); });
    host_.SetTransferBusy(false);
    // Told here, not at the end of the read: that runs inside the link's hand-off.
    if (missingBlocks_ > 0) {
        host_.ShowMessage(ReadIncompleteText(missingBlocks_));
        missingBlocks_ = 0;
    }
    return true;
}

bool TransferSequencer::Upload()
{
    if (commandRunning_)
        return false;
    CommandGuard guard(*this);
    if (!CheckConnected())
        return true;
    ResetMonitor();
    if (!CheckVersion())
        return true;

    staged_.reset();  // a read broken off earlier has nothing more to bring in
    position_ = 1;
    SendBlock(BlockKind::Input, 1);
    state_ = SEQ_UPLOAD_INPUTS;
    host_.SetTransferBusy(true);
    host_.RunProgress([this] { Cancel(); });
    // Asked however the window closed: part of the settings may have arrived.
    if (host_.AskYesNo(RebootQuestionText()))
        Send(BuildRebootRequest());
    host_.SetTransferBusy(false);
    return true;
}

bool TransferSequencer::FactoryDefault()
{
    if (commandRunning_)
        return false;
    CommandGuard guard(*this);
    if (!CheckConnected())
        return true;
    ResetMonitor();
    if (!host_.AskYesNo(FactoryQuestionText()))
        return true;

    Send(BuildFactoryDefaultRequest());
    host_.SetTransferBusy(true);
    host_.RunProgress([this] { Cancel(); });
    host_.SetTransferBusy(false);
    RunRead();
    return true;
}

void TransferSequencer::Send(const Frame& frame) { SendFrame(host_.TxQueue(), frame); }

void TransferSequencer::SendBlock(BlockKind kind, int index)
{
    // An index out of range builds nothing, and nothing is sent: the chain stalls
    // and the progress window's time-out tells the user.
    if (const std::optional<Frame> f = EncodeConfigBlock(model_, kind, index))
        Send(*f);
}

void TransferSequencer::StepSequencer()
{
    switch (state_) {
    case SEQ_UPLOAD_INPUTS:
        if (position_ < kInputCount) {
            ++position_;
            SendBlock(BlockKind::Input, position_);
        } else {
            position_ = 1;
            SendBlock(BlockKind::Output, 1);
            state_ = SEQ_UPLOAD_OUTPUTS;
        }
        break;
    case SEQ_UPLOAD_OUTPUTS:
        if (position_ < kOutputCount) {
            ++position_;
            SendBlock(BlockKind::Output, position_);
        } else {
            state_ = SEQ_UPLOAD_LOW_BATTERY;
            SendBlock(BlockKind::LowBattery);
        }
        break;
    case SEQ_UPLOAD_CAN_INPUTS: SendBlock(BlockKind::CanInput, position_); break;
    case SEQ_READ_CAN_INPUTS: Send(BuildCanInputReadRequest(position_)); break;
    case SEQ_UPLOAD_VIRTUAL: SendBlock(BlockKind::VirtualInput, position_); break;
    case SEQ_READ_VIRTUAL: Send(BuildVirtualInputReadRequest(position_)); break;
    case SEQ_UPLOAD_START_KILL: SendBlock(BlockKind::StartKill); break;
    case SEQ_READ_START_KILL: Send(BuildStartKillReadRequest()); break;
    case SEQ_UPLOAD_PWM: SendBlock(BlockKind::Pwm); break;
    case SEQ_READ_PWM: Send(BuildPwmReadRequest()); break;
    case SEQ_UPLOAD_FLASH: SendBlock(BlockKind::Flash, position_); break;
    case SEQ_READ_FLASH: Send(BuildFlashReadRequest(position_)); break;
    case SEQ_UPLOAD_WIPER: SendBlock(BlockKind::Wiper); break;
    case SEQ_READ_WIPER: Send(BuildWiperReadRequest()); break;
    case SEQ_READ_EXPORT1: Send(BuildCanExport1ReadRequest()); break;
    case SEQ_UPLOAD_EXPORT1: SendBlock(BlockKind::CanExport1); break;
    case SEQ_READ_EXPORTS: Send(BuildCanExportReadRequest(position_ == 0 ? 0 : position_ == 1 ? 1 : 2)); break;
    case SEQ_UPLOAD_EXPORTS: SendBlock(BlockKind::CanExport, position_); break;
    case SEQ_READ_CAN_ENABLE: Send(BuildCanInputEnableReadRequest()); break;
    case SEQ_UPLOAD_CAN_ENABLE: SendBlock(BlockKind::CanInputEnable); break;
    case SEQ_READ_NAME: Send(BuildNameReadRequest()); break;
    case SEQ_UPLOAD_NAME: SendBlock(BlockKind::BoxName); break;
    default:
        // 0, 1, 5, 6, 7 wait for an answer; any other value is no state.
        break;
    }
}

void TransferSequencer::Cancel()
{
    state_ = SEQ_IDLE;
    // Answers still on their way are taken into the copy, never into the model.
    stagedTaken_ = false;
}

void TransferSequencer::EndOfTransfer()
{
    position_ = 0;
    state_ = SEQ_IDLE;
    ++endedTransfers_;
    if (staged_) {
        const std::unique_ptr<ConfigModel> read = std::move(staged_);
        // The inputs and outputs stream in unasked, so a lost one does not stall the chain, and
        // an answer with an index out of range moves it on past blocks never received: a read
        // that ends without every block is not taken.
        std::array<int, 256> taken{};
        for (const auto& [command, index] : blocksTaken_)
            ++taken[command];
        int missing = 0;
        for (const ReadBlock& b : kReadBlocks)
            missing += std::max(0, b.count - taken[b.command]);
        if (stagedTaken_ && missing == 0) {
            model_.Assign(*read);
            ++takenReads_;
            host_.SetTitleSourceModule();
        } else if (stagedTaken_) {
            missingBlocks_ = missing;
        }
    }
    host_.CloseProgress();
    host_.RequestNamePropagation();
}

void TransferSequencer::OnConfigBlockWritten(std::uint8_t command, int index)
{
    switch (command) {
    case INPUT_WRITE_CFM:
    case OUTPUT_WRITE_CFM:
        StepSequencer();
        break;
    case LOW_BATTERY_WRITE_CFM:
        SendBlock(BlockKind::CanSetup);
        state_ = SEQ_UPLOAD_CAN_SETUP;
        break;
    case CAN_SETUP_WRITE_CFM:
        position_ = 0;
        state_ = SEQ_UPLOAD_START_KILL;
        StepSequencer();
        break;
    case START_KILL_WRITE_CFM:
        position_ = 0;
        state_ = SEQ_UPLOAD_CAN_INPUTS;
        StepSequencer();
        break;
    case CAN_INPUT_WRITE_CFM:
        position_ = index + 1;
        if (position_ >= kCanInputCount) {
            position_ = 0;
            state_ = SEQ_UPLOAD_CAN_ENABLE;
        }
        StepSequencer();
        break;
    case CAN_INPUT_ENABLE_WRITE_CFM:
        state_ = SEQ_UPLOAD_NAME;
        StepSequencer();
        break;
    case NAME_WRITE_CFM:
        position_ = 0;
        state_ = SEQ_UPLOAD_VIRTUAL;
        StepSequencer();
        break;
    case VIRTUAL_INPUT_WRITE_CFM:
        position_ = index + 1;
        if (position_ >= kVirtualInputCount) {
            state_ = SEQ_UPLOAD_FLASH;
            position_ = 0;
        }
        StepSequencer();
        break;
    case FLASH_WRITE_CFM: {
        int next = index;
        if (index < kFlashCount) {
            position_ = index + 1;
            next = position_;
        }
        if (next == kFlashCount) {
            state_ = SEQ_UPLOAD_WIPER;
            position_ = 0;
        }
        StepSequencer();
        break;
    }
    case WIPER_WRITE_CFM:
        state_ = SEQ_UPLOAD_PWM;
        position_ = 0;
        StepSequencer();
        break;
    case PWM_WRITE_CFM:
        state_ = SEQ_UPLOAD_EXPORT1;
        position_ = 0;
        StepSequencer();
        break;
    case CAN_EXPORT1_WRITE_CFM:
        state_ = SEQ_UPLOAD_EXPORTS;
        position_ = 0;
        StepSequencer();
        break;
    case CAN_EXPORT_WRITE_CFM:
        if (index == 0) {
            position_ = 1;
            StepSequencer();
        } else if (index == 1) {
            position_ = 2;
            StepSequencer();
        } else {
            EndOfTransfer();
        }
        break;
    default:
        break;
    }
}

void TransferSequencer::OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count)
{
    const int index = IndexByte(frame, count);
    // DecodeConfigBlock changes nothing for an index out of range, so an answer
    // like that still moves the sequencer below without bringing anything in.
    auto decode = [&] {
        if (DecodeConfigBlock(staged_ ? *staged_ : model_, frame, count) && staged_)
            blocksTaken_.insert({command, IsIndexedReadBlock(command) ? index : 0});
    };

    switch (command) {
    case INPUT_READ_CFM:
        decode();
        StepSequencer();
        if (index == kInputCount)
            Send(BuildOutputReadRequest());
        break;
    case OUTPUT_READ_CFM:
        decode();
        if (index == kOutputCount)
            Send(BuildLowBatteryReadRequest());
        break;
    case LOW_BATTERY_READ_CFM:
        decode();
        Send(BuildCanSetupReadRequest());
        state_ = SEQ_READ_CAN_SETUP;
        break;
    case CAN_SETUP_READ_CFM:
        decode();
        position_ = 0;
        state_ = SEQ_READ_CAN_INPUTS;
        StepSequencer();
        break;
    case CAN_INPUT_READ_CFM:
        if (index < kCanInputCount)
            decode();
        if (index + 1 < kCanInputCount)
            position_ = index + 1;
        else
            state_ = SEQ_READ_CAN_ENABLE;
        StepSequencer();
        break;
    case CAN_INPUT_ENABLE_READ_CFM:
        decode();
        position_ = 0;
        state_ = SEQ_READ_NAME;
        StepSequencer();
        break;
    case NAME_READ_CFM:
        decode();
        position_ = 0;
        state_ = SEQ_READ_VIRTUAL;
        StepSequencer();
        break;
    case VIRTUAL_INPUT_READ_CFM:
        if (index < kVirtualInputCount) {
            decode();
            position_ = index + 1;
            if (position_ == kVirtualInputCount) {
                state_ = SEQ_READ_START_KILL;
                position_ = 0;
            }
        } else {
            state_ = SEQ_READ_START_KILL;
            position_ = 0;
        }
        StepSequencer();
        break;
    case START_KILL_READ_CFM:
        decode();
        position_ = 0;
        state_ = SEQ_READ_FLASH;
        StepSequencer();
        break;
    case FLASH_READ_CFM:
        if (index < kFlashCount) {
            decode();
            position_ = index + 1;
            if (position_ == kFlashCount)
                state_ = SEQ_READ_WIPER;
        } else {
            state_ = SEQ_READ_WIPER;
        }
        StepSequencer();
        break;
    case WIPER_READ_CFM:
        decode();
        state_ = SEQ_READ_PWM;
        position_ = 0;
        StepSequencer();
        break;
    case PWM_READ_CFM:
        decode();
        state_ = SEQ_READ_EXPORT1;
        position_ = 0;
        StepSequencer();
        break;
    case CAN_EXPORT1_READ_CFM:
        decode();
        state_ = SEQ_READ_EXPORTS;
        position_ = 0;
        StepSequencer();
        break;
    case CAN_EXPORT_READ_CFM:
        if (index == 0) {
            decode();
            position_ = 1;
            StepSequencer();
        } else if (index == 1) {
            decode();
            position_ = 2;
            StepSequencer();
        } else {
            if (index == 2)
                decode();
            EndOfTransfer();
        }
        break;
    default:
        break;
    }
}

void TransferSequencer::OnFactoryDefaultConfirmed() { host_.CloseProgress(); }

}  // namespace relvane
