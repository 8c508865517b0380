#pragma once
// SLIP encoding into the transmit queue and the byte-at-a-time frame receiver.

#include "link/Frame.h"

#include <cstdint>

namespace relvane {

// Where encoded frames go: the link's transmit queue, or a test's recorder.
class TxSink {
public:
    virtual ~TxSink() = default;
    // Queues one entry; false when it was refused (too long for a slot).
    virtual bool AddToTxQueue(const std::uint8_t* bytes, int count) = 0;
};

// The link's answer to the module's resend request.
class LinkControl {
public:
    virtual ~LinkControl() = default;
    // Queues the last queued entry once more, once per queued entry.
    virtual void ResendLastFrame() = 0;
};

// Where received frames go: the dispatcher.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // frame points to the receiver's 200-byte buffer; count is the decoded length.
    virtual void DispatchFrame(const std::uint8_t* frame, int count) = 0;
};

// SLIP-encodes count frame bytes into out (ENCODED_FRAME_MAX bytes) with an END
// before and after. Returns the encoded length, or -1 when the encoding would not
// fit the buffer (nothing a sender builds comes near it, so such a frame is refused).
int EncodeFrame(const std::uint8_t* frame, int count, std::uint8_t* out);

// Encodes the first count bytes of a built frame and queues them as one entry.
// count is the frame's own length byte for every message but the monitor mode
// request, which sends one byte more than its length says.
bool SendFrame(TxSink& queue, const std::uint8_t* frame, int count);
inline bool SendFrame(TxSink& queue, const Frame& frame) {
    return SendFrame(queue, frame.data(), frame.length());
}

// Accumulates wire bytes, un-escapes each complete frame in place and hands it
// to the sink. Fixed buffer; nothing is allocated per byte or per frame.
class SlipReceiver {
public:
    explicit SlipReceiver(FrameSink* sink = nullptr);

    void SetSink(FrameSink* sink) { sink_ = sink; }
    void Feed(std::uint8_t b);
    void Feed(const std::uint8_t* bytes, int n) {
        for (int i = 0; i < n; ++i) Feed(bytes[i]);
    }

    int count() const { return count_; }
    const std::uint8_t* buffer() const { return buffer_; }

private:
    std::uint8_t buffer_[SLIP_RECEIVE_BUFFER];
    int count_ = 0;
    FrameSink* sink_;
};

}  // namespace relvane
