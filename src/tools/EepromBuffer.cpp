#include "tools/EepromBuffer.h"

#include "tools/ToolText.h"

#include <QBuffer>
#include <QIODevice>

namespace relvane {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// The cell texts of the 256 byte values, made once: a whole grid holds some 16000 of them.
const QString& ByteText(std::uint8_t v) {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> t;
        for (int b = 0; b < 256; ++b) {
            const QChar digits[2] = {QChar(kHexDigits[b >> 4]), QChar(kHexDigits[b & 0xF])};
            t[std::size_t(b)] = QString(digits, 2);
        }
        return t;
    }();
    return texts[v];
}

// A data row's address column (rows 1 to kEepromDataRows). Made once and shared, like the byte
// texts: every window opened fills 256 rows with them.
const QString& AddressText(int row) {
    static const std::array<QString, kEepromGridRows> texts = [] {
        std::array<QString, kEepromGridRows> t;
        for (int r = 1; r < kEepromGridRows; ++r) {
            const int address = (r - 1) * kEepromBytesPerRow;
            QString text(4, Qt::Uninitialized);
            for (int i = 0; i < 4; ++i) text[i] = QChar(kHexDigits[(address >> (12 - 4 * i)) & 0xF]);
            t[std::size_t(r)] = text;
        }
        return t;
    }();
    return texts[std::size_t(row)];
}

const QString& EmptyRowAscii() {
    static const QString dots = QStringLiteral(". ").repeated(kEepromBytesPerRow);
    return dots;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A cell's text as a number when it is wholly hexadecimal.
std::optional<std::uint32_t> WholeHex(const QString& text) {
    try {
        return HexOrThrow(text);
    } catch (const ToolInputError&) {
        return std::nullopt;
    }
}

bool ValidRow(int row) { return row >= 1 && row <= kEepromDataRows; }

}  // namespace

QString EepromAsciiOf(const QStringList& byteCells) {
    QString out;
    out.reserve(2 * byteCells.size());
    for (const QString& c : byteCells) {
        if (c.isEmpty()) continue;
        // Two hexadecimal digits, the text of nearly every cell, without the general conversion.
        const int high = c.size() == 2 && c.at(0).unicode() < 0x80 ? HexValue(char(c.at(0).unicode())) : -1;
        const int low = high >= 0 && c.at(1).unicode() < 0x80 ? HexValue(char(c.at(1).unicode())) : -1;
        const std::optional<std::uint32_t> v = low >= 0 ? std::optional<std::uint32_t>(high * 16 + low) : WholeHex(c);
        if (v && *v >= 33 && *v <= 126) out.append(QChar(char16_t(*v)));
        else out.append(QStringLiteral(". "));
    }
    return out;
}

EepromBuffer::EepromBuffer(QObject* parent)
    : QObject(parent), blocks_((kEepromGridRows + kRowsPerBlock - 1) / kRowsPerBlock) {}

EepromBuffer::Row& EepromBuffer::MakeRow(int row) {
    if (row < 0 || row >= kEepromGridRows) throw std::out_of_range("EEPROM grid row");
    std::unique_ptr<RowBlock>& block = blocks_[std::size_t(row / kRowsPerBlock)];
    if (!block) block = std::make_unique<RowBlock>();
    return (*block)[std::size_t(row % kRowsPerBlock)];
}

QString& EepromBuffer::at(int row, int column) { return MakeRow(row).at(std::size_t(column)); }

QString EepromBuffer::cell(int row, int column) const {
    if (row < 0 || row >= kEepromGridRows || column < 0 || column >= kEepromGridColumns) return {};
    const std::unique_ptr<RowBlock>& block = blocks_[std::size_t(row / kRowsPerBlock)];
    if (!block) return {};
    return (*block)[std::size_t(row % kRowsPerBlock)][std::size_t(column)];
}

void EepromBuffer::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= kEepromGridRows || column < 0 || column >= kEepromGridColumns) return;
    at(row, column) = text;
    Q_EMIT rowsChanged(row, row);
}

QStringList EepromBuffer::ByteCells(int row) const {
    QStringList cells;
    for (int c = 1; c <= kEepromBytesPerRow; ++c) cells.append(cell(row, c));
    return cells;
}

void EepromBuffer::InitializeShown() {
    Row& header = MakeRow(0);
    header[0] = QStringLiteral("Addr");
    for (int c = 1; c <= kEepromBytesPerRow; ++c) header[std::size_t(c)] = QString(QChar(kHexDigits[c - 1]));
    header[kEepromAsciiColumn] = QStringLiteral("**** ASCII *****");
    const QString zero = ByteText(0);
    for (int r = 1; r <= kEepromShownRows; ++r) {
        Row& row = MakeRow(r);
        row[0] = AddressText(r);
        for (int c = 1; c <= kEepromBytesPerRow; ++c) row[std::size_t(c)] = zero;
        row[kEepromAsciiColumn] = EmptyRowAscii();
    }
    Q_EMIT rowsChanged(0, kEepromShownRows);
}

void EepromBuffer::EnsureRow(int row) {
    if (!ValidRow(row)) return;
    if (at(row, 0).isEmpty()) at(row, 0) = AddressText(row);
    for (int c = 1; c <= kEepromBytesPerRow; ++c)
        if (at(row, c).isEmpty()) at(row, c) = QStringLiteral("00");
}

void EepromBuffer::RecomputeAscii(int row) {
    if (!ValidRow(row)) return;
    at(row, kEepromAsciiColumn) = EepromAsciiOf(ByteCells(row));
    Q_EMIT rowsChanged(row, row);
}

void EepromBuffer::SetByte(int address, std::uint8_t value) {
    if (!EepromAddressInGrid(address)) return;
    const int row = EepromRowOfAddress(address);
    EnsureRow(row);
    at(row, address % kEepromBytesPerRow + 1) = ByteText(value);
}

std::uint8_t EepromBuffer::ByteAt(int address) const {
    if (!EepromAddressInGrid(address))
        throw ToolInputError(QStringLiteral("Address %1 is outside the buffer").arg(address, 4, 16, QLatin1Char('0')).toUpper());
    return std::uint8_t(HexOrThrow(cell(EepromRowOfAddress(address), address % kEepromBytesPerRow + 1)) & 0xFF);
}

void EepromBuffer::Fill(int start, int end, std::uint8_t value) {
    int first = -1;
    int last = -1;
    for (int a = start; a < end; a += kEepromBytesPerRow) {
        const int row = EepromRowOfAddress(a);
        if (!ValidRow(row)) break;
        at(row, 0) = AddressText(row);
        for (int c = 1; c <= kEepromBytesPerRow; ++c) at(row, c) = ByteText(value);
        at(row, kEepromAsciiColumn) = EmptyRowAscii();
        if (first < 0) first = row;
        last = row;
    }
    // Filling with FF shows ". " too: FF is outside 33 … 126.
    if (first >= 0) Q_EMIT rowsChanged(first, last);
}

void EepromBuffer::BeginEdit(int row, int column) {
    if (ValidRow(row) && column >= 1 && column <= kEepromBytesPerRow) {
        EnsureRow(row);
        remembered_ = at(row, column);
    } else {
        remembered_ = cell(row, column);
    }
}

CellEdit EepromBuffer::EditText(int row, int column, const QString& text) {
    // Only byte cells hold data; the address and ASCII columns follow from them.
    if (!ValidRow(row) || column < 1 || column > kEepromBytesPerRow) return CellEdit::Unchanged;
    // An emptied editor keeps the cell's byte: a byte cell is never left without one.
    if (text.isEmpty() || text == remembered_) return CellEdit::Unchanged;
    const auto number = LeadingHex(text);
    if (!number) {
        at(row, column) = QStringLiteral("00");
        Q_EMIT rowsChanged(row, row);
        return CellEdit::Refused;
    }
    if (*number >= 256) {
        at(row, column) = QStringLiteral("00");
    } else {
        at(row, column) = remembered_.mid(1) + QString::number(*number & 0xF, 16).toUpper();
    }
    RecomputeAscii(row);
    return CellEdit::Changed;
}

QByteArray EepromBuffer::TextLine(int row) const {
    QString line = cell(row, 0) + QLatin1Char(':');
    for (int c = 1; c <= kEepromBytesPerRow; ++c) {
        line += cell(row, c);
        line += c < kEepromBytesPerRow ? QLatin1Char(',') : QLatin1Char(';');
    }
    line += QStringLiteral("//") + cell(row, kEepromAsciiColumn) + QLatin1Char('\n');
    return line.toLatin1();
}

QByteArray EepromBuffer::TextDump(int start, int end) const {
    QByteArray out;
    for (int a = start; a < end; a += kEepromBytesPerRow) {
        const int row = EepromRowOfAddress(a);
        if (!ValidRow(row)) break;
        out += TextLine(row);
    }
    return out;
}

bool EepromBuffer::ApplyTextLine(const QByteArray& raw, QString* error) {
    QByteArray line = raw.left(kEepromLineMax);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    if (line.size() < 5 || line.at(4) != ':') return false;
    int address = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexValue(line.at(i));
        if (digit < 0) return false;
        address = address * 16 + digit;
    }
    const int row = EepromRowOfAddress(address);
    if (!ValidRow(row)) return false;
    // The two characters of each byte are taken as they are (the separators between
    // them are not looked at); a short line gives what it has.
    std::array<QString, kEepromBytesPerRow> bytes;
    for (int i = 0; i < kEepromBytesPerRow; ++i) {
        bytes.at(std::size_t(i)) = QString::fromLatin1(line.mid(5 + 3 * i, 2));
        const QString& b = bytes.at(std::size_t(i));
        if (b.isEmpty()) continue;
        try {
            HexOrThrow(b);
        } catch (const ToolInputError& e) {
            if (error) *error = e.Text();
            return false;
        }
    }
    EnsureRow(row);
    for (int i = 0; i < kEepromBytesPerRow; ++i) at(row, i + 1) = bytes.at(std::size_t(i));
    RecomputeAscii(row);
    return true;
}

QString EepromBuffer::ReadText(QIODevice& in) {
    while (!in.atEnd()) {
        const QByteArray line = in.readLine();
        if (line.isEmpty()) break;
        QString error;
        ApplyTextLine(line, &error);
        if (!error.isEmpty()) return error;
    }
    return {};
}

QString EepromBuffer::ReadText(const QByteArray& content) {
    QByteArray copy = content;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    return ReadText(in);
}

bool EepromBuffer::ReadRaw(QIODevice& in) {
    for (int row = 1; row <= kEepromDataRows; ++row) {
        const QByteArray block = in.read(kEepromBytesPerRow);
        EnsureRow(row);
        for (int i = 0; i < kEepromBytesPerRow; ++i)
            at(row, i + 1) = ByteText(i < block.size() ? std::uint8_t(block.at(i)) : 0);
        RecomputeAscii(row);
        if (block.size() < kEepromBytesPerRow) return true;  // this read met the end
    }
    // The grid is full: anything left in the file did not fit.
    return in.atEnd() || in.peek(1).isEmpty();
}

}  // namespace relvane
