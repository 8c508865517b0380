#include "link/FrameCodec.h"

#include <cstring>

namespace relvane {

std::uint8_t FrameChecksum(const std::uint8_t* bytes, int n) {
    std::uint8_t sum = 0;
    for (int i = 0; i < n; ++i) sum ^= bytes[i];
    return sum;
}

bool FrameChecksumValid(const std::uint8_t* frame, int count) {
    if (count < FRAME_HEADER_LENGTH) return false;
    const int length = frame[FRAME_LENGTH];
    if (length < FRAME_HEADER_LENGTH || length > count) return false;
    return FrameChecksum(frame + 1, length - 1) == frame[FRAME_CHECKSUM];
}

Frame::Frame(std::uint8_t type, std::uint8_t command, int length) {
    bytes_[FRAME_LENGTH] = static_cast<std::uint8_t>(length);
    bytes_[FRAME_TYPE] = type;
    bytes_[FRAME_COMMAND] = command;
}

Frame& Frame::Seal() {
    bytes_[FRAME_CHECKSUM] = FrameChecksum(bytes_.data() + 1, length() - 1);
    return *this;
}

int EncodeFrame(const std::uint8_t* frame, int count, std::uint8_t* out) {
    if (count < 0) return -1;
    int n = 0;
    out[n++] = SLIP_END;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t b = frame[i];
        const bool escaped = (b == SLIP_END || b == SLIP_ESC);
        // Room for this byte (two when escaped) and the closing END.
        if (n + (escaped ? 2 : 1) + 1 > ENCODED_FRAME_MAX) return -1;
        if (b == SLIP_END) {
            out[n++] = SLIP_ESC;
            out[n++] = SLIP_ESC_END;
        } else if (b == SLIP_ESC) {
            out[n++] = SLIP_ESC;
            out[n++] = SLIP_ESC_ESC;
        } else {
            out[n++] = b;
        }
    }
    out[n++] = SLIP_END;
    return n;
}

bool SendFrame(TxSink& queue, const std::uint8_t* frame, int count) {
    std::uint8_t out[ENCODED_FRAME_MAX] = {};
    const int n = EncodeFrame(frame, count, out);
    if (n < 0) return false;
    return queue.AddToTxQueue(out, n);
}

SlipReceiver::SlipReceiver(FrameSink* sink) : sink_(sink) {
    std::memset(buffer_, 0, sizeof buffer_);
}

void SlipReceiver::Feed(std::uint8_t b) {
    if (b != SLIP_END) {
        if (count_ < SLIP_RECEIVE_BUFFER) {
            buffer_[count_++] = b;
        } else {
            // Overflow: everything collected and this byte are discarded.
            std::memset(buffer_, 0, sizeof buffer_);
            count_ = 0;
        }
        return;
    }
    if (count_ == 0) return;  // leading END or back-to-back ENDs

    // Un-escape in place; the write index never overtakes the read index.
    int out = 0;
    for (int in = 0; in < count_; ++in) {
        std::uint8_t c = buffer_[in];
        if (c == SLIP_ESC && in + 1 < count_) {
            const std::uint8_t next = buffer_[in + 1];
            if (next == SLIP_ESC_END) {
                c = SLIP_END;
                ++in;
            } else if (next == SLIP_ESC_ESC) {
                c = SLIP_ESC;
                ++in;
            }
            // Any other byte after ESC: the ESC stands for itself and the
            // checksum test decides the frame's fate.
        }
        buffer_[out++] = c;
    }
    // Emptied before the frame is handed on: a handler that throws must not leave this
    // frame in front of the next one.
    count_ = 0;
    if (sink_) sink_->DispatchFrame(buffer_, out);
}

}  // namespace relvane
