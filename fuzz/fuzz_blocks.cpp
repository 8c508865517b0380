// Every configuration block decoder, with the block frames a module (or a
// write request read back) may carry.
//
// Input: byte 0 picks the block's command (the read answers and the write
// requests of all 14 kinds), byte 1 is the length byte, the rest the payload;
// the checksum is made to match when the length fits.
// Besides surviving any bytes, the codec must settle: after one pass of
// encoding and decoding, encoding the model, decoding that frame and encoding
// again gives the same frame, for every block of the decoded kind.

#include "FuzzSupport.h"

#include "config/ConfigModel.h"
#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"

#include <array>
#include <memory>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

constexpr std::array<std::uint8_t, 28> kCommands = {
    INPUT_READ_CFM, OUTPUT_READ_CFM, PWM_READ_CFM, LOW_BATTERY_READ_CFM, CAN_SETUP_READ_CFM,
    START_KILL_READ_CFM, CAN_INPUT_READ_CFM, CAN_INPUT_ENABLE_READ_CFM, NAME_READ_CFM,
    VIRTUAL_INPUT_READ_CFM, FLASH_READ_CFM, WIPER_READ_CFM, CAN_EXPORT1_READ_CFM, CAN_EXPORT_READ_CFM,
    INPUT_WRITE_REQ, OUTPUT_WRITE_REQ, PWM_WRITE_REQ, LOW_BATTERY_WRITE_REQ, CAN_SETUP_WRITE_REQ,
    START_KILL_WRITE_REQ, CAN_INPUT_WRITE_REQ, CAN_INPUT_ENABLE_WRITE_REQ, NAME_WRITE_REQ,
    VIRTUAL_INPUT_WRITE_REQ, FLASH_WRITE_REQ, WIPER_WRITE_REQ, CAN_EXPORT1_WRITE_REQ, CAN_EXPORT_WRITE_REQ,
};

bool SameFrame(const Frame& a, const Frame& b) {
    if (a.length() != b.length()) return false;
    return std::equal(a.data(), a.data() + a.length(), b.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    if (size < 2) return 0;
    const std::uint8_t command = kCommands[data[0] % kCommands.size()];
    const std::size_t payload = std::min<std::size_t>(size - 2, SLIP_RECEIVE_BUFFER - FRAME_PAYLOAD);
    const int count = FRAME_PAYLOAD + int(payload);
    // Exactly the bytes received, so a read past them is caught.
    std::unique_ptr<std::uint8_t[]> frame(new std::uint8_t[std::size_t(count)]);
    frame[FRAME_LENGTH] = data[1];
    frame[FRAME_TYPE] = FRAME_TYPE_COMMAND;
    frame[FRAME_COMMAND] = command;
    std::copy(data + 2, data + 2 + payload, frame.get() + FRAME_PAYLOAD);
    const int length = frame[FRAME_LENGTH];
    frame[FRAME_CHECKSUM] = (length >= FRAME_HEADER_LENGTH && length <= count)
                                ? FrameChecksum(frame.get() + 1, length - 1)
                                : 0;

    ConfigModel model;
    if (!DecodeConfigBlock(model, frame.get(), count)) return 0;

    const auto kind = BlockKindOfCommand(command);
    FUZZ_CHECK(kind.has_value());
    for (const BlockRef& ref : AllConfigBlocks()) {
        if (ref.kind != *kind) continue;
        // The first pass may normalise (a "nothing selected" the module's byte
        // cannot carry reads back as the documented default); from then on the
        // block must stay as it is.
        const std::optional<Frame> first = EncodeConfigBlock(model, ref.kind, ref.index);
        FUZZ_CHECK(first.has_value());
        FUZZ_CHECK(FrameChecksumValid(first->data(), first->length()));
        FUZZ_CHECK(DecodeConfigBlock(model, first->data(), first->length()));
        const std::optional<Frame> second = EncodeConfigBlock(model, ref.kind, ref.index);
        FUZZ_CHECK(second.has_value());
        FUZZ_CHECK(DecodeConfigBlock(model, second->data(), second->length()));
        const std::optional<Frame> third = EncodeConfigBlock(model, ref.kind, ref.index);
        FUZZ_CHECK(third.has_value());
        FUZZ_CHECK(SameFrame(*second, *third));
    }
    return 0;
}
