// EEPROM dump text files (.txt) as the EEPROM tool's text reader takes them.
//
// Input: the file's bytes. Afterwards every row's ASCII column matches its
// bytes, and every row whose 16 cells hold two characters each is written and
// read back unchanged (saving a loaded file keeps it).

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
    buffer.ReadText(in);

    QByteArray dump = buffer.TextDump(0, kEepromBufferEnd);
    QBuffer out(&dump);
    FUZZ_CHECK(out.open(QIODevice::ReadOnly));
    EepromBuffer reread;
    reread.ReadText(out);

    for (int row = 1; row <= kEepromDataRows; ++row) {
        QStringList cells;
        bool wellFormed = !buffer.cell(row, 0).isEmpty();
        for (int c = 1; c <= kEepromBytesPerRow; ++c) {
            cells.append(buffer.cell(row, c));
            if (cells.last().size() != 2 || cells.last().contains(QLatin1Char('\n'))) wellFormed = false;
        }
        if (buffer.cell(row, 0).isEmpty()) {
            // A row no line touched stays empty.
            for (const QString& c : cells) FUZZ_CHECK(c.isEmpty());
            continue;
        }
        FUZZ_CHECK(buffer.cell(row, kEepromAsciiColumn) == EepromAsciiOf(cells));
        if (!wellFormed) continue;
        for (int c = 1; c <= kEepromBytesPerRow; ++c) FUZZ_CHECK(reread.cell(row, c) == cells.at(c - 1));
    }
    return 0;
}
