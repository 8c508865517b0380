#pragma once
// The frame every message travels in, its checksum and its SLIP wrapping.

#include <array>
#include <cstdint>

namespace relvane {

// SLIP byte values (RFC 1055).
inline constexpr std::uint8_t SLIP_END = 0xC0;
inline constexpr std::uint8_t SLIP_ESC = 0xDB;
inline constexpr std::uint8_t SLIP_ESC_END = 0xDC;
inline constexpr std::uint8_t SLIP_ESC_ESC = 0xDD;

// Frame field offsets: checksum, length, type, command, then the payload.
inline constexpr int FRAME_CHECKSUM = 0;
inline constexpr int FRAME_LENGTH = 1;
inline constexpr int FRAME_TYPE = 2;
inline constexpr int FRAME_COMMAND = 3;
inline constexpr int FRAME_PAYLOAD = 4;

inline constexpr int FRAME_HEADER_LENGTH = 4;
inline constexpr int FRAME_MAX_LENGTH = 255;   // bounded by the length byte
inline constexpr int ENCODED_FRAME_MAX = 256;  // the encoder's output buffer
inline constexpr int SLIP_RECEIVE_BUFFER = 200;

// Frame types.
inline constexpr std::uint8_t FRAME_TYPE_SERVICE = 0;  // link control and service windows
inline constexpr std::uint8_t FRAME_TYPE_COMMAND = 1;  // the main command space

// XOR of n bytes, starting from 0.
std::uint8_t FrameChecksum(const std::uint8_t* bytes, int n);

// True when a received frame's checksum matches. The length is taken from the
// frame's own byte 1; a length below the header or beyond the bytes received
// counts as a mismatch, so the test never reads past what arrived.
bool FrameChecksumValid(const std::uint8_t* frame, int count);

// A frame being built: length, type and command are set on construction, the
// payload is zero until written, and Seal() stores the checksum.
class Frame {
public:
    Frame(std::uint8_t type, std::uint8_t command, int length);

    std::uint8_t& operator[](int i) { return bytes_[static_cast<std::size_t>(i)]; }
    std::uint8_t operator[](int i) const { return bytes_[static_cast<std::size_t>(i)]; }
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    int length() const { return bytes_[FRAME_LENGTH]; }
    std::uint8_t type() const { return bytes_[FRAME_TYPE]; }
    std::uint8_t command() const { return bytes_[FRAME_COMMAND]; }

    // Checksum over bytes 1 to length-1 into byte 0; returns *this for chaining.
    Frame& Seal();

private:
    std::array<std::uint8_t, FRAME_MAX_LENGTH + 1> bytes_{};
};

}  // namespace relvane
