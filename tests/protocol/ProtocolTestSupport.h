#pragma once
// Helpers shared by the protocol tests: frame builders from byte lists and a
// transmit queue that records what was queued.

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <vector>

namespace relvane::test {

// A received frame as the receiver would hand it over: type, command and the
// payload, with the length byte and checksum filled in.
inline std::vector<std::uint8_t> MakeFrame(std::uint8_t type, std::uint8_t command,
                                           std::vector<std::uint8_t> payload = {}) {
    std::vector<std::uint8_t> f(4 + payload.size());
    f[1] = static_cast<std::uint8_t>(f.size());
    f[2] = type;
    f[3] = command;
    for (std::size_t i = 0; i < payload.size(); ++i) f[4 + i] = payload[i];
    f[0] = FrameChecksum(f.data() + 1, static_cast<int>(f.size()) - 1);
    return f;
}

inline QByteArray Bytes(const std::uint8_t* p, int n) {
    return QByteArray(reinterpret_cast<const char*>(p), n);
}

class RecordingTxSink : public TxSink {
public:
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        entries.append(Bytes(bytes, count));
        return true;
    }
    QList<QByteArray> entries;
};

}  // namespace relvane::test
