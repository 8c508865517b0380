#pragma once
// Moving a whole configuration between the tool and the module: the Read, Upload
// and Default settings commands and the sequencer that chains the block messages.
// Each answer of the module moves the sequencer on by one message, so a transfer
// is a chain of request -> answer -> next request. Windows, message boxes and the
// main window's flags are reached through TransferHost, so the same sequencer
// serves the windowed program and a headless front end.

#include "config/ConfigModel.h"
#include "link/FrameCodec.h"
#include "protocol/BlockCodec.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferHost.h"
#include "protocol/TransferProgress.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <set>
#include <utility>

namespace relvane {

// Sequencer states; the comment says what the state sends when it runs.
enum TransferState : int {
    SEQ_IDLE = 0,                  // nothing
    SEQ_READ_STREAM = 1,           // nothing: inputs and outputs stream in
    SEQ_UPLOAD_INPUTS = 3,         // next input block, or the first output block
    SEQ_UPLOAD_OUTPUTS = 4,        // next output block, or the low-battery block
    SEQ_UPLOAD_LOW_BATTERY = 5,    // nothing: low-battery block sent, waiting
    SEQ_UPLOAD_CAN_SETUP = 6,      // nothing: CAN setup block sent, waiting
    SEQ_READ_CAN_SETUP = 7,        // nothing: CAN setup requested, waiting
    SEQ_UPLOAD_CAN_INPUTS = 8,     // CAN input block at position
    SEQ_READ_CAN_INPUTS = 9,       // CAN_INPUT_READ_REQ for position
    SEQ_UPLOAD_VIRTUAL = 10,       // virtual input block at position
    SEQ_READ_VIRTUAL = 11,         // VIRTUAL_INPUT_READ_REQ for position
    SEQ_UPLOAD_START_KILL = 12,    // start/kill block
    SEQ_READ_START_KILL = 13,      // START_KILL_READ_REQ
    SEQ_UPLOAD_PWM = 14,           // PWM block
    SEQ_READ_PWM = 15,             // PWM_READ_REQ
    SEQ_UPLOAD_FLASH = 16,         // flash block at position
    SEQ_READ_FLASH = 17,           // FLASH_READ_REQ for position
    SEQ_UPLOAD_WIPER = 18,         // wiper block
    SEQ_READ_WIPER = 19,           // WIPER_READ_REQ
    SEQ_READ_EXPORT1 = 20,         // CAN_EXPORT1_READ_REQ
    SEQ_UPLOAD_EXPORT1 = 21,       // CAN export 1 block
    SEQ_READ_EXPORTS = 22,         // CAN_EXPORT_READ_REQ, selector 0, 1, else 2
    SEQ_UPLOAD_EXPORTS = 23,       // CAN export block for position 0, 1 or 2
    SEQ_READ_CAN_ENABLE = 24,      // CAN_INPUT_ENABLE_READ_REQ
    SEQ_UPLOAD_CAN_ENABLE = 25,    // CAN input enable block
    SEQ_READ_NAME = 26,            // NAME_READ_REQ
    SEQ_UPLOAD_NAME = 27,          // box name block
};

// The commands' fixed texts.
QString NotConnectedText();        // "Is not connected to target, please connect USB"
QString VersionTimeoutText();      // "Timeout for software version"
QString WrongVersionText();        // "Wrong software version in target, use other program"
QString RebootQuestionText();      // "Reboot Target to use new settings?"
QString FactoryQuestionText();     // "This will reset the relvane to factory settings?"
QString UpdateTimeoutText();        // " Update timeout " (blanks on both sides)
// A read that ended while some blocks never came; the model is left as it was.
QString ReadIncompleteText(int missing);

// The pause after the CAN monitor selection was moved back to its first entry.
inline constexpr int MONITOR_RESET_PAUSE_MS = 200;

class TransferSequencer : public MainFrameHandler {
public:
    TransferSequencer(ConfigModel& model, TransferHost& host);

    // The commands (BtnLoadClick, BtnSaveClick, BtnDefaultValueClick). Each runs
    // to its end, modal windows included. A command asked for while another one
    // runs is refused (returns false) so the running transfer is not broken into.
    bool Read();
    bool Upload();
    bool FactoryDefault();
    // True from the start of a command to its end.
    bool CommandRunning() const { return commandRunning_; }

    // Sends the frame of the current state and position; in states 3 and 4 it
    // also moves the position on.
    void StepSequencer();
    // The progress window's Cancel: back to idle; answers still arriving send nothing, and the
    // read broken off changes nothing in the model.
    void Cancel();

    int State() const { return state_; }
    int Position() const { return position_; }
    // Direct control, for tests and for resuming a chain by hand.
    void SetState(int state, int position)
    {
        state_ = state;
        position_ = position;
    }

    // MainFrameHandler: the module's answers act whatever the state.
    void OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count) override;
    void OnConfigBlockWritten(std::uint8_t command, int index) override;
    void OnFactoryDefaultConfirmed() override;

    // How many transfers have ended (end of read or upload), for observers.
    int EndedTransfers() const { return endedTransfers_; }
    // How many reads the model has taken: a read that ended without every block is not counted.
    int TakenReads() const { return takenReads_; }

private:
    class CommandGuard;

    bool CheckConnected();
    void ResetMonitor();
    bool CheckVersion();
    bool RunRead();
    void SendBlock(BlockKind kind, int index = 0);
    // Decodes a received block into the read's copy (or the model outside a read) and counts
    // it as taken; index is its byte 4.
    void TakeBlock(std::uint8_t command, const std::uint8_t* frame, int count, int index);
    void Send(const Frame& frame);
    void EndOfTransfer();

    ConfigModel& model_;
    TransferHost& host_;
    // While a read runs: the copy its blocks are decoded into, taken by the model at the end of
    // the read unless the read was cancelled. Outside a read, answers go to the model directly.
    std::unique_ptr<ConfigModel> staged_;
    bool stagedTaken_ = false;
    // (answer, index) of every block the read has taken in; a repeat counts once.
    std::set<std::pair<std::uint8_t, int>> blocksTaken_;
    int missingBlocks_ = 0;  // of the read that just ended without them
    int state_ = SEQ_IDLE;
    int position_ = 0;
    bool commandRunning_ = false;
    bool progressOpen_ = false;  // a read's progress window is showing
    int endedTransfers_ = 0;
    int takenReads_ = 0;
};

}  // namespace relvane
