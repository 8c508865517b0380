// EEPROM dump text files (.txt) as the EEPROM tool's text reader takes them, from
// memory (the tool hands it the opened file).
//
// Input: the file's bytes. Afterwards every row's ASCII column matches its bytes,
// rows no line touched stay empty, and every row whose 16 cells hold two
// characters each is written and read back unchanged (saving a loaded file keeps
// it). The checks visit the rows the input touched, so a short input is quick.

#include "FuzzSupport.h"

#include "tools/EepromBuffer.h"

#include <QBuffer>

#include <vector>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

QStringList ByteCells(const EepromBuffer& buffer, int row) {
    QStringList cells;
    for (int c = 1; c <= kEepromBytesPerRow; ++c) cells.append(buffer.cell(row, c));
    return cells;
}

bool WellFormed(const QStringList& cells) {
    for (const QString& c : cells)
        if (c.size() != 2 || c.contains(QLatin1Char('\n'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&content);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    EepromBuffer buffer;
    buffer.ReadText(in);

    QByteArray saved;  // the lines of the well-formed rows, as a save writes them
    std::vector<int> wellFormed;
    // Which rows a line touched, looked up once: the grid has a thousand rows and a
    // short input touches a few.
    std::vector<bool> touchedRows(std::size_t(kEepromGridRows) + 1, false);
    for (int row = 1; row <= kEepromDataRows; ++row) touchedRows[std::size_t(row)] = !buffer.cell(row, 0).isEmpty();
    const auto touched = [&](int row) { return touchedRows[std::size_t(row)]; };
    for (int row = 1; row <= kEepromDataRows; ++row) {
        if (!touched(row)) {
            // A row no line touched stays empty: looked at wholly beside a touched row,
            // where a line put into the wrong row would land.
            if (touched(row - 1) || touched(row + 1))
                for (int c = 1; c < kEepromGridColumns; ++c) FUZZ_CHECK(buffer.cell(row, c).isEmpty());
            continue;
        }
        const QStringList cells = ByteCells(buffer, row);
        FUZZ_CHECK(buffer.cell(row, kEepromAsciiColumn) == EepromAsciiOf(cells));
        if (!WellFormed(cells)) continue;
        saved += buffer.TextLine(row);
        wellFormed.push_back(row);
    }

    QBuffer out(&saved);
    FUZZ_CHECK(out.open(QIODevice::ReadOnly));
    EepromBuffer reread;
    reread.ReadText(out);
    for (int row : wellFormed) FUZZ_CHECK(ByteCells(reread, row) == ByteCells(buffer, row));
    return 0;
}
