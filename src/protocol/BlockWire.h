#pragma once
// Inside the block codec: one encoder and one decoder per block layout, and the reading of a
// received frame in which a field counts only when all its bytes arrived. Only the codec's own
// files include this.

#include "config/ConfigModel.h"
#include "link/Frame.h"

#include <algorithm>
#include <cstdint>

namespace relvane::blockwire {

// Outputs 1 to 18 measure current; the others carry fixed filler bytes.
inline bool IsHighPower(int n) { return n >= 1 && n <= kHighPowerOutputCount; }

// ---------------------------------------------------------------------------
// Encoders: each builds the unsealed write request of its block; the index is in range.

Frame EncodeInput(const ConfigModel& m, int n);
Frame EncodeOutput(const ConfigModel& m, int n);
Frame EncodePwm(const ConfigModel& m);
Frame EncodeLowBattery(const ConfigModel& m);
// Writes the corrected NoCANdelay and AutoResetError texts back into the model.
Frame EncodeCanSetup(ConfigModel& m);
Frame EncodeStartKill(const ConfigModel& m);
Frame EncodeCanInput(const ConfigModel& m, int i);
Frame EncodeCanInputEnable(const ConfigModel& m);
Frame EncodeBoxName(const ConfigModel& m);
Frame EncodeVirtualInput(const ConfigModel& m, int i);
Frame EncodeFlash(const ConfigModel& m, int i);
Frame EncodeWiper(const ConfigModel& m);
Frame EncodeCanExport1(const ConfigModel& m);
Frame EncodeCanExport(const ConfigModel& m, int selector);

// ---------------------------------------------------------------------------
// Reading a block: a field counts only when all its bytes arrived.

class Received {
public:
    Received(const std::uint8_t* frame, int count)
        : f_(frame), n_(frame == nullptr ? 0 : std::clamp(count, 0, SLIP_RECEIVE_BUFFER)) {}

    bool Has(int at, int len = 1) const { return at >= 0 && len >= 0 && at + len <= n_; }
    std::uint8_t U8(int at) const { return f_[at]; }
    std::int8_t S8(int at) const { return static_cast<std::int8_t>(f_[at]); }
    int Le16(int at) const { return f_[at] | (f_[at + 1] << 8); }
    int Be16(int at) const { return (f_[at] << 8) | f_[at + 1]; }

    // The bytes of a name run up to its first zero or its end.
    QByteArray Name(int at, int run) const {
        int len = 0;
        while (len < run && f_[at + len] != 0) ++len;
        return QByteArray(reinterpret_cast<const char*>(f_ + at), len);
    }

    // An output list run: cleared, then every byte from 1 to 34 sets that output.
    OutputList List(int at, int run) const {
        OutputList list;
        for (int i = 0; i < run; ++i) {
            const int out = f_[at + i];
            if (out >= 1 && out <= kOutputCount) list.set(static_cast<std::size_t>(out - 1));
        }
        return list;
    }

    // A received position, or nothing selected when the list has no such entry.
    int Position(int at, int listSize) const {
        const int p = f_[at];
        return p < listSize ? p : kNoSelection;
    }

private:
    const std::uint8_t* f_;
    int n_;
};

// ---------------------------------------------------------------------------
// Decoders. Each returns false when the block's index is out of range.

bool DecodeInput(ConfigModel& m, const Received& b);
bool DecodeOutput(ConfigModel& m, const Received& b);
bool DecodePwm(ConfigModel& m, const Received& b);
bool DecodeLowBattery(ConfigModel& m, const Received& b);
// lengthByte: the frame's length byte; an older module's short block carries the bit rate only.
bool DecodeCanSetup(ConfigModel& m, const Received& b, int lengthByte);
bool DecodeStartKill(ConfigModel& m, const Received& b);
bool DecodeCanInput(ConfigModel& m, const Received& b);
bool DecodeCanInputEnable(ConfigModel& m, const Received& b);
bool DecodeBoxName(ConfigModel& m, const Received& b);
bool DecodeVirtualInput(ConfigModel& m, const Received& b);
bool DecodeFlash(ConfigModel& m, const Received& b);
bool DecodeWiper(ConfigModel& m, const Received& b);
bool DecodeCanExport1(ConfigModel& m, const Received& b);
bool DecodeCanExport(ConfigModel& m, const Received& b);

}  // namespace relvane::blockwire
