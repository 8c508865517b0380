// EEPROM dump raw files (.bin) as the EEPROM tool's raw reader takes them.
//
// Input: the file's bytes. Every byte that fits the grid reads back as it was,
// the rest of the last row read is 00, and the reader says false exactly when
// the file is longer than the grid.

#include "FuzzSupport.h"

#include "tools/EepromBuffer.h"

#include <QBuffer>

using namespace relvane;
using namespace relvane::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&content);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    EepromBuffer buffer;
    const bool fitted = buffer.ReadRaw(in);
    FUZZ_CHECK(fitted == (size <= std::size_t(kEepromBufferEnd)));

    const int loaded = int(std::min<std::size_t>(size, std::size_t(kEepromBufferEnd)));
    for (int a = 0; a < loaded; ++a) FUZZ_CHECK(buffer.ByteAt(a) == data[a]);
    // The row of the read that met the end gets 00 for the bytes it lacked.
    if (size < std::size_t(kEepromBufferEnd)) {
        const int rowEnd = (loaded / kEepromBytesPerRow + 1) * kEepromBytesPerRow;
        for (int a = loaded; a < rowEnd; ++a) FUZZ_CHECK(buffer.ByteAt(a) == 0);
        for (int a = rowEnd; a < kEepromBufferEnd; a += kEepromBytesPerRow)
            FUZZ_CHECK(buffer.cell(EepromRowOfAddress(a), 1).isEmpty());
    }
    return 0;
}
