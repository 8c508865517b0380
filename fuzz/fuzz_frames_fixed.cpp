// The dispatcher and every tool window with frames whose checksum is right, so
// the fuzzer spends its time on the fields behind the checksum test. Each frame
// sits in a buffer of exactly its received size, so reading one byte beyond what
// arrived is caught.
//
// Input: byte 0 says what the user started before (FrameWorld::Setup); then
// records of [n][tick][n frame bytes]. Byte 0 of each frame is replaced by the
// checksum its own length byte calls for (when that length fits the record).
// A tick byte with its top bit set runs out the timer it names after the frame.

#include "FrameWorld.h"

#include <memory>

using namespace relvane;
using namespace relvane::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    if (size < 1) return 0;
    FrameWorld world;
    world.Setup(data[0]);
    std::size_t at = 1;
    while (at + 2 <= size) {
        const int wanted = data[at];
        const std::uint8_t tick = data[at + 1];
        at += 2;
        const int n = int(std::min<std::size_t>(std::size_t(std::min(wanted, SLIP_RECEIVE_BUFFER)), size - at));
        if (n <= 0) break;
        std::unique_ptr<std::uint8_t[]> frame(new std::uint8_t[std::size_t(n)]);
        std::copy(data + at, data + at + n, frame.get());
        at += std::size_t(n);
        if (n >= FRAME_HEADER_LENGTH) {
            const int length = frame[FRAME_LENGTH];
            if (length >= FRAME_HEADER_LENGTH && length <= n)
                frame[FRAME_CHECKSUM] = FrameChecksum(frame.get() + 1, length - 1);
        }
        world.dispatcher.DispatchFrame(frame.get(), n);
        if (tick & 0x80) world.Tick(tick);
        world.CheckState();
    }
    return 0;
}
