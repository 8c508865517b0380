#include "protocol/BlockCodec.h"

#include "protocol/BlockWire.h"
#include "protocol/MessageCatalogue.h"

namespace relvane {

using namespace blockwire;

namespace {

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

const std::array<BlockRef, CONFIG_BLOCK_COUNT>& AllConfigBlocks() {
    static const std::array<BlockRef, CONFIG_BLOCK_COUNT> blocks = [] {
        std::array<BlockRef, CONFIG_BLOCK_COUNT> b{};
        int k = 0;
        auto add = [&](BlockKind kind, int index) { b[static_cast<std::size_t>(k++)] = {kind, index}; };
        for (int n = 1; n <= kInputCount; ++n) add(BlockKind::Input, n);
        for (int n = 1; n <= kOutputCount; ++n) add(BlockKind::Output, n);
        add(BlockKind::LowBattery, 0);
        add(BlockKind::CanSetup, 0);
        add(BlockKind::StartKill, 0);
        for (int i = 0; i < kCanInputCount; ++i) add(BlockKind::CanInput, i);
        add(BlockKind::CanInputEnable, 0);
        add(BlockKind::BoxName, 0);
        for (int i = 0; i < kVirtualInputCount; ++i) add(BlockKind::VirtualInput, i);
        for (int i = 0; i < kFlashCount; ++i) add(BlockKind::Flash, i);
        add(BlockKind::Wiper, 0);
        add(BlockKind::Pwm, 0);
        add(BlockKind::CanExport1, 0);
        for (int i = 0; i < 3; ++i) add(BlockKind::CanExport, i);
        return b;
    }();
    return blocks;
}

std::optional<BlockKind> BlockKindOfCommand(std::uint8_t command) {
    switch (command) {
    case INPUT_WRITE_REQ: case INPUT_READ_CFM: return BlockKind::Input;
    case OUTPUT_WRITE_REQ: case OUTPUT_READ_CFM: return BlockKind::Output;
    case PWM_WRITE_REQ: case PWM_READ_CFM: return BlockKind::Pwm;
    case LOW_BATTERY_WRITE_REQ: case LOW_BATTERY_READ_CFM: return BlockKind::LowBattery;
    case CAN_SETUP_WRITE_REQ: case CAN_SETUP_READ_CFM: return BlockKind::CanSetup;
    case START_KILL_WRITE_REQ: case START_KILL_READ_CFM: return BlockKind::StartKill;
    case CAN_INPUT_WRITE_REQ: case CAN_INPUT_READ_CFM: return BlockKind::CanInput;
    case CAN_INPUT_ENABLE_WRITE_REQ: case CAN_INPUT_ENABLE_READ_CFM: return BlockKind::CanInputEnable;
    case NAME_WRITE_REQ: case NAME_READ_CFM: return BlockKind::BoxName;
    case VIRTUAL_INPUT_WRITE_REQ: case VIRTUAL_INPUT_READ_CFM: return BlockKind::VirtualInput;
    case FLASH_WRITE_REQ: case FLASH_READ_CFM: return BlockKind::Flash;
    case WIPER_WRITE_REQ: case WIPER_READ_CFM: return BlockKind::Wiper;
    case CAN_EXPORT1_WRITE_REQ: case CAN_EXPORT1_READ_CFM: return BlockKind::CanExport1;
    case CAN_EXPORT_WRITE_REQ: case CAN_EXPORT_READ_CFM: return BlockKind::CanExport;
    default: return std::nullopt;
    }
}

std::optional<Frame> EncodeConfigBlock(ConfigModel& model, BlockKind kind, int index) {
    std::optional<Frame> f;
    switch (kind) {
    case BlockKind::Input:
        if (InRange(index, 1, kInputCount)) f = EncodeInput(model, index);
        break;
    case BlockKind::Output:
        if (InRange(index, 1, kOutputCount)) f = EncodeOutput(model, index);
        break;
    case BlockKind::Pwm: f = EncodePwm(model); break;
    case BlockKind::LowBattery: f = EncodeLowBattery(model); break;
    case BlockKind::CanSetup: f = EncodeCanSetup(model); break;
    case BlockKind::StartKill: f = EncodeStartKill(model); break;
    case BlockKind::CanInput:
        if (InRange(index, 0, kCanInputCount - 1)) f = EncodeCanInput(model, index);
        break;
    case BlockKind::CanInputEnable: f = EncodeCanInputEnable(model); break;
    case BlockKind::BoxName: f = EncodeBoxName(model); break;
    case BlockKind::VirtualInput:
        if (InRange(index, 0, kVirtualInputCount - 1)) f = EncodeVirtualInput(model, index);
        break;
    case BlockKind::Flash:
        if (InRange(index, 0, kFlashCount - 1)) f = EncodeFlash(model, index);
        break;
    case BlockKind::Wiper: f = EncodeWiper(model); break;
    case BlockKind::CanExport1: f = EncodeCanExport1(model); break;
    case BlockKind::CanExport:
        if (InRange(index, 0, 2)) f = EncodeCanExport(model, index);
        break;
    }
    if (f) f->Seal();
    return f;
}

bool DecodeConfigBlock(ConfigModel& model, const std::uint8_t* frame, int count) {
    const Received b(frame, count);
    if (!b.Has(0, FRAME_HEADER_LENGTH)) return false;
    if (frame[FRAME_TYPE] != FRAME_TYPE_COMMAND) return false;
    const auto kind = BlockKindOfCommand(frame[FRAME_COMMAND]);
    if (!kind) return false;
    switch (*kind) {
    case BlockKind::Input: return DecodeInput(model, b);
    case BlockKind::Output: return DecodeOutput(model, b);
    case BlockKind::Pwm: return DecodePwm(model, b);
    case BlockKind::LowBattery: return DecodeLowBattery(model, b);
    case BlockKind::CanSetup: return DecodeCanSetup(model, b, frame[FRAME_LENGTH]);
    case BlockKind::StartKill: return DecodeStartKill(model, b);
    case BlockKind::CanInput: return DecodeCanInput(model, b);
    case BlockKind::CanInputEnable: return DecodeCanInputEnable(model, b);
    case BlockKind::BoxName: return DecodeBoxName(model, b);
    case BlockKind::VirtualInput: return DecodeVirtualInput(model, b);
    case BlockKind::Flash: return DecodeFlash(model, b);
    case BlockKind::Wiper: return DecodeWiper(model, b);
    case BlockKind::CanExport1: return DecodeCanExport1(model, b);
    case BlockKind::CanExport: return DecodeCanExport(model, b);
    }
    return false;
}

void SetInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyInput(n, [&](InputConfig& r) { r.NAME = text; });
}
void SetOutputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyOutput(n, [&](OutputConfig& r) { r.NAME = text; });
}
void SetCanInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyCanInput(n, [&](CanInputConfig& r) { r.CAN_NAME = text; });
}
void SetVirtualInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyVirtualInput(n, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = text; });
}
void SetFlashName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyFlash(n, [&](FlashConfig& r) { r.FLASH_NAME = text; });
}

ChannelName GetInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kInputCount) ? model.Input(n).NAME : ChannelName();
}
ChannelName GetOutputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kOutputCount) ? model.Output(n).NAME : ChannelName();
}
ChannelName GetCanInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kCanInputCount) ? model.CanInput(n).CAN_NAME : ChannelName();
}
ChannelName GetVirtualInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kVirtualInputCount) ? model.VirtualInput(n).VIRTUAL_NAME : ChannelName();
}
ChannelName GetFlashName(const ConfigModel& model, int n) {
    return InRange(n, 1, kFlashCount) ? model.Flash(n).FLASH_NAME : ChannelName();
}

}  // namespace relvane
