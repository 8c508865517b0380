#pragma once
// The EEPROM tool's buffer: the grid of 1000 rows (a header row and 999 rows of
// 16 bytes) whose cell texts are the data, with its ASCII column, the cell
// editor's rule, the fill and the text and raw dump formats.

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace relvane {

inline constexpr int kEepromGridRows = 1000;            // header row included
inline constexpr int kEepromDataRows = kEepromGridRows - 1;
inline constexpr int kEepromGridColumns = 18;           // address, 16 bytes, ASCII
inline constexpr int kEepromAsciiColumn = 17;
inline constexpr int kEepromBytesPerRow = 16;
inline constexpr int kEepromBufferEnd = kEepromDataRows * kEepromBytesPerRow;  // 0x3E70, one past the last
inline constexpr int kEepromShownRows = 256;            // rows filled when the window opens
inline constexpr int kEepromLineMax = 99;               // text reader line limit

// Row of the grid that holds an address (row 0 is the header).
inline constexpr int EepromRowOfAddress(int address) { return address / kEepromBytesPerRow + 1; }
inline constexpr bool EepromAddressInGrid(int address) { return address >= 0 && address < kEepromBufferEnd; }

// The ASCII view of a row's byte cells: the character for 33 … 126, ". " for any
// other value (and for text that is no hexadecimal number), nothing for an empty cell.
QString EepromAsciiOf(const QStringList& byteCells);

// What the cell editor's rule made of a change.
enum class CellEdit {
    Unchanged,  // empty text, or the text the cell had when the editor took it up
    Changed,
    Refused,    // no hexadecimal digit: the cell is "00" and the caller beeps
};

class EepromBuffer : public QObject {
    Q_OBJECT
public:
    explicit EepromBuffer(QObject* parent = nullptr);

    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);

    // The header row and rows 1 … 256 with their addresses, "00" and the dots.
    void InitializeShown();
    // A row that is about to receive data gets its address and "00" in any empty
    // byte cell, so that it saves and loads like every other row.
    void EnsureRow(int row);
    void RecomputeAscii(int row);

    // Stores a byte at an address of the grid (ignored outside it); the caller
    // recomputes the ASCII columns (see TouchedRows) when done.
    void SetByte(int address, std::uint8_t value);
    // The byte at an address, its cell read as a hexadecimal number; throws
    // ToolInputError for a cell that is no hexadecimal text.
    std::uint8_t ByteAt(int address) const;

    // Fills whole rows for a = start, start + 16, … while a < end (within the grid).
    void Fill(int start, int end, std::uint8_t value);

    // The cell editor: the editor takes up a cell (its text is remembered), then
    // reports each new text. Digits shift into the cell from the right.
    void BeginEdit(int row, int column);
    QString rememberedText() const { return remembered_; }
    CellEdit EditText(int row, int column, const QString& text);

    // Text format: one line per row, "AAAA:b0,b1,…,b15;//ascii".
    QByteArray TextLine(int row) const;
    // Rows for a = start, start + 16, … while a < end, within the grid.
    QByteArray TextDump(int start, int end) const;
    // Applies one text line (without or with its line end); false when skipped. A
    // line with a byte that is not hexadecimal text (an empty one, from a short line,
    // is taken) changes nothing: it returns false with the conversion message
    // "'<byte>' is not a valid integer value" in *error.
    bool ApplyTextLine(const QByteArray& line, QString* error = nullptr);
    // Text reader: applies the lines in order and stops at a line with a byte that is
    // not hexadecimal; returns that line's conversion message, empty when all loaded.
    // The rows of the lines before it stay loaded.
    QString ReadText(QIODevice& in);
    QString ReadText(const QByteArray& content);
    // Raw reader; a file that does not fit the grid loads what fits and returns false.
    bool ReadRaw(QIODevice& in);

Q_SIGNALS:
    // Cells of rows first … last (inclusive) changed.
    void rowsChanged(int first, int last);

private:
    using Row = std::array<QString, kEepromGridColumns>;
    // The grid is kept in blocks of rows, each made when a row of it is first
    // written: a row not yet made reads as empty, and a few rows far apart cost a
    // few blocks, not the whole grid.
    static constexpr int kRowsPerBlock = 32;
    using RowBlock = std::array<Row, kRowsPerBlock>;

    QString& at(int row, int column);
    Row& MakeRow(int row);
    QStringList ByteCells(int row) const;

    std::vector<std::unique_ptr<RowBlock>> blocks_;
    QString remembered_;
};

}  // namespace relvane
