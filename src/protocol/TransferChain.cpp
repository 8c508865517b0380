// The chain of a transfer: each answer of the module decodes its block and sends the next
// request or block, so the states follow one another without a clock of their own.

#include "protocol/TransferSequencer.h"

#include "protocol/MessageCatalogue.h"

namespace relvane {

namespace {

// Byte 4 of a received block: the input or output number, or the 0-based index.
// A frame too short to carry it reads as 0, as the dispatcher reads short fields.
int IndexByte(const std::uint8_t* frame, int count)
{
    return count > FRAME_PAYLOAD ? frame[FRAME_PAYLOAD] : 0;
}

}  // namespace

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
            host_.UploadCompleted();
        }
        break;
    default:
        break;
    }
}

void TransferSequencer::OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count)
{
    const int index = IndexByte(frame, count);
    // An index out of range brings nothing in, yet the answer still moves the sequencer below.
    auto decode = [&] { TakeBlock(command, frame, count, index); };

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

}  // namespace relvane
