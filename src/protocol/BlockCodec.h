#pragma once
// The configuration blocks on the wire: each block frame built from the model,
// and each received block written into it.

#include "config/ConfigModel.h"
#include "link/Frame.h"

#include <array>
#include <cstdint>
#include <optional>

namespace relvane {

enum class BlockKind {
    Input,           // index: input number 1 to 11
    Output,          // index: output number 1 to 34
    Pwm,             // index unused
    LowBattery,      // index unused
    CanSetup,        // index unused
    StartKill,       // index unused
    CanInput,        // index: 0 to 31 for CAN inputs 1 to 32
    CanInputEnable,  // index unused
    BoxName,         // index unused
    VirtualInput,    // index: 0 to 19 for virtual inputs 1 to 20
    Flash,           // index: 0 to 4 for flash functions 1 to 5
    Wiper,           // index unused
    CanExport1,      // index unused
    CanExport,       // index: 0, 1, 2 for CAN exports 2, 3, 4
};

// Lengths of the block frames (the same for the write request and the read answer).
inline constexpr int INPUT_BLOCK_LENGTH = 21;
inline constexpr int OUTPUT_BLOCK_LENGTH = 30;
inline constexpr int PWM_BLOCK_LENGTH = 12;
inline constexpr int LOW_BATTERY_BLOCK_LENGTH = 18;
inline constexpr int CAN_SETUP_BLOCK_LENGTH = 14;
inline constexpr int START_KILL_BLOCK_LENGTH = 35;
inline constexpr int CAN_INPUT_BLOCK_LENGTH = 49;
inline constexpr int CAN_INPUT_ENABLE_BLOCK_LENGTH = 20;
inline constexpr int NAME_BLOCK_LENGTH = 20;
inline constexpr int VIRTUAL_INPUT_BLOCK_LENGTH = 31;
inline constexpr int FLASH_BLOCK_LENGTH = 30;
inline constexpr int WIPER_BLOCK_LENGTH = 10;
inline constexpr int CAN_EXPORT1_BLOCK_LENGTH = 29;
inline constexpr int CAN_EXPORT_BLOCK_LENGTH = 74;

// Builds the sealed write request of one block from the model; nothing for an
// index out of range. Only reads the model, except that a CAN setup block writes
// its corrected NoCANdelay and AutoResetError texts back.
std::optional<Frame> EncodeConfigBlock(ConfigModel& model, BlockKind kind, int index = 0);

// Writes a received block (one of the *_READ_CFM frames; the write request
// frames are read the same way) into the model. Fields are taken only where
// all their bytes were received, so a short frame never brings in stale bytes.
// Returns false, changing nothing, for a command that is no block or an index
// out of range.
bool DecodeConfigBlock(ConfigModel& model, const std::uint8_t* frame, int count);

// One block of a whole configuration, with the index EncodeConfigBlock takes.
struct BlockRef {
    BlockKind kind;
    int index;
};
inline constexpr int CONFIG_BLOCK_COUNT = 113;
// Every block of a configuration in the order an upload sends them.
const std::array<BlockRef, CONFIG_BLOCK_COUNT>& AllConfigBlocks();

// The block kind a read answer or write request carries, if it is one.
std::optional<BlockKind> BlockKindOfCommand(std::uint8_t command);

// Name accessors, model side. Numbers count from 1; setters ignore a number out
// of range, getters give an empty name for one. Names are cut to 15 characters.
void SetInputName(ConfigModel& model, int n, const ChannelName& text);
void SetOutputName(ConfigModel& model, int n, const ChannelName& text);
void SetCanInputName(ConfigModel& model, int n, const ChannelName& text);
void SetVirtualInputName(ConfigModel& model, int n, const ChannelName& text);
void SetFlashName(ConfigModel& model, int n, const ChannelName& text);
ChannelName GetInputName(const ConfigModel& model, int n);
ChannelName GetOutputName(const ConfigModel& model, int n);
ChannelName GetCanInputName(const ConfigModel& model, int n);
ChannelName GetVirtualInputName(const ConfigModel& model, int n);
ChannelName GetFlashName(const ConfigModel& model, int n);

}  // namespace relvane
