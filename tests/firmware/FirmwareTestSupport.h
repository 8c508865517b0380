#pragma once
// Helpers shared by the firmware tests: HEX record text, image files, and a
// recorder for the transmit queue.

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace relvane::test {

// One record ":LLOOOOTT<data>CC" with a correct checksum (upper case, no line break).
inline QByteArray Record(int type, std::uint16_t offset, const QByteArray& data) {
    QByteArray raw;
    raw.append(char(data.size()));
    raw.append(char(offset >> 8));
    raw.append(char(offset & 0xFF));
    raw.append(char(type));
    raw.append(data);
    std::uint8_t sum = 0;
    for (char c : raw) sum = std::uint8_t(sum + std::uint8_t(c));
    raw.append(char(std::uint8_t(0x100 - sum)));
    return ':' + raw.toHex().toUpper();
}

inline QByteArray DataRecord(std::uint16_t offset, const QByteArray& data) {
    return Record(0, offset, data);
}

inline QByteArray LinearAddress(std::uint16_t upper) {
    return Record(4, 0, QByteArray::fromHex(QByteArray::number(upper, 16).rightJustified(4, '0')));
}

inline const QByteArray& EndRecord() {
    static const QByteArray end(":00000001FF");
    return end;
}

// A byte pattern that differs from its neighbours and from the fill value at most addresses.
inline std::uint8_t Pattern(std::uint32_t address) {
    return std::uint8_t((address * 7 + (address >> 8) + 3) & 0xFF);
}

// HEX text covering [from, to] with Pattern bytes (or pattern(address) if given), 16 bytes
// a record, extended linear address records where the upper 16 bits change.
inline QByteArray HexText(std::uint32_t from, std::uint32_t to,
                          const std::function<std::uint8_t(std::uint32_t)>& pattern = Pattern) {
    QByteArray text;
    std::uint32_t upper = 0;
    for (std::uint32_t a = from; a <= to;) {
        if ((a >> 16) != upper) {
            upper = a >> 16;
            text += LinearAddress(std::uint16_t(upper)) + "\n";
        }
        // Stop each record at the 64 KiB boundary and at the range's end.
        const std::uint32_t limit = std::min<std::uint32_t>(to, (a | 0xFFFF));
        const std::uint32_t n = std::min<std::uint32_t>(16, limit - a + 1);
        QByteArray data;
        for (std::uint32_t i = 0; i < n; ++i) data.append(char(pattern(a + i)));
        text += DataRecord(std::uint16_t(a & 0xFFFF), data) + "\n";
        a += n;
    }
    return text;
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    f.write(content);
    return path;
}

// The frame inside one queued SLIP entry.
inline QByteArray Unslip(const QByteArray& wire) {
    QByteArray out;
    for (int i = 1; i + 1 < wire.size(); ++i) {
        char c = wire[i];
        if (std::uint8_t(c) == SLIP_ESC && i + 2 < wire.size()) {
            ++i;
            c = std::uint8_t(wire[i]) == SLIP_ESC_END ? char(SLIP_END) : char(SLIP_ESC);
        }
        out.append(c);
    }
    return out;
}

// Records every entry queued.
struct TxRecorder : TxSink {
    QList<QByteArray> entries;
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        entries.append(QByteArray(reinterpret_cast<const char*>(bytes), count));
        return true;
    }
};

}  // namespace relvane::test
