// Wire bytes from the module, as the link hands them over: the frame receiver
// un-escapes them and the dispatcher offers each frame to every tool window
// and the main window's handlers.
//
// Input: byte 0 says what the user started before (FrameWorld::Setup), byte 1
// which timers run out between frames; the rest is the byte stream.

#include "FrameWorld.h"

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

// Sits between the receiver and the dispatcher so timers can run out between frames.
class TickingSink final : public FrameSink {
public:
    TickingSink(FrameWorld& world, std::uint8_t ticks) : world_(world), ticks_(ticks) {}
    void DispatchFrame(const std::uint8_t* frame, int count) override {
        FUZZ_CHECK(count >= 1 && count <= SLIP_RECEIVE_BUFFER);
        world_.dispatcher.DispatchFrame(frame, count);
        const int bit = frames_++ % 8;
        if (ticks_ & (1u << bit)) world_.Tick(std::uint8_t(bit));
        world_.CheckState();
    }

private:
    FrameWorld& world_;
    std::uint8_t ticks_;
    int frames_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    if (size < 2) return 0;
    FrameWorld world;
    world.Setup(data[0]);
    TickingSink sink(world, data[1]);
    SlipReceiver receiver(&sink);
    receiver.Feed(data + 2, int(size - 2));
    FUZZ_CHECK(receiver.count() >= 0 && receiver.count() <= SLIP_RECEIVE_BUFFER);
    world.CheckState();
    return 0;
}
