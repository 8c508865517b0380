// EEPROM dump raw files (.bin) as the EEPROM tool's raw reader takes them, from
// memory (the tool hands it the opened file).
//
// Input: the file's bytes. Every byte that fits the grid is in its cell as two
// hexadecimal digits (and reads back through ByteAt as it was),
// the rest of the last row read is 00, and the reader says false exactly when
// the file is longer than the grid.

#include "FuzzSupport.h"

#include "tools/EepromBuffer.h"

#include <QBuffer>

#include <array>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

// A byte's cell text: two upper-case hexadecimal digits.
const QString& CellText(std::uint8_t v) {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> t;
        for (int b = 0; b < 256; ++b) t[std::size_t(b)] = QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        return t;
    }();
    return texts[v];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&content);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    EepromBuffer buffer;
    const bool fitted = buffer.ReadRaw(in);
    FUZZ_CHECK(fitted == (size <= std::size_t(kEepromBufferEnd)));

    const int loaded = int(std::min<std::size_t>(size, std::size_t(kEepromBufferEnd)));
    for (int a = 0; a < loaded; ++a)
        FUZZ_CHECK(buffer.cell(EepromRowOfAddress(a), a % kEepromBytesPerRow + 1) == CellText(data[a]));
    if (loaded > 0) FUZZ_CHECK(buffer.ByteAt(loaded - 1) == data[loaded - 1]);
    // The row of the read that met the end gets 00 for the bytes it lacked.
    if (size < std::size_t(kEepromBufferEnd)) {
        const int rowEnd = (loaded / kEepromBytesPerRow + 1) * kEepromBytesPerRow;
        for (int a = loaded; a < rowEnd; ++a) FUZZ_CHECK(buffer.ByteAt(a) == 0);
        for (int a = rowEnd; a < kEepromBufferEnd; a += kEepromBytesPerRow)
            FUZZ_CHECK(buffer.cell(EepromRowOfAddress(a), 1).isEmpty());
    }
    return 0;
}
