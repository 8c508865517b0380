#include "protocol/TransferSequencer.h"

#include "protocol/MessageCatalogue.h"

#include <algorithm>
#include <array>

namespace relvane {

namespace {

static_assert(kInputCount == 11 && kOutputCount == 34 && kCanInputCount == 32
              && kVirtualInputCount == 20 && kFlashCount == 5);

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

bool TransferHost::TakeRead(ConfigModel& model, const ConfigModel& read, bool)
{
    model.Assign(read);
    return true;
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
    host_.TransferStarting(TransferKind::Read);
    Send(BuildInputReadRequest());
    state_ = SEQ_READ_STREAM;
    host_.SetTransferBusy(true);
    progressOpen_ = true;
    host_.RunProgress([this] { Cancel(); });
    progressOpen_ = false;
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
    host_.TransferStarting(TransferKind::Upload);
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

    host_.TransferStarting(TransferKind::FactoryDefault);
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

void TransferSequencer::TakeBlock(std::uint8_t command, const std::uint8_t* frame, int count, int index)
{
    // DecodeConfigBlock changes nothing for an index out of range.
    if (DecodeConfigBlock(staged_ ? *staged_ : model_, frame, count) && staged_)
        blocksTaken_.insert({command, IsIndexedReadBlock(command) ? index : 0});
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
            if (host_.TakeRead(model_, *read, !progressOpen_)) {
                ++takenReads_;
                host_.SetTitleSourceModule();
            }
        } else if (stagedTaken_) {
            missingBlocks_ = missing;
        }
    }
    host_.CloseProgress();
    host_.RequestNamePropagation();
}

void TransferSequencer::OnFactoryDefaultConfirmed() { host_.CloseProgress(); }

}  // namespace relvane
