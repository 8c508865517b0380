#pragma once
// The plain rules of the CAN input, virtual input and CAN export editors: text conversions,
// the corrections the edits apply, the byte picker and the names of the generated selectors.
// The pages in can/ui only call these, so every rule is tested without widgets.

#include "config/ConfigModel.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace relvane {

// A text that is not a whole number where one is required. what() is the UTF-8 of Text(),
// "'<text>' is not a valid integer value", the message the editors show.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text);
    const QString& Text() const { return text_; }

private:
    QString text_;
};

// The conversion error's text for a given input.
QString ConversionErrorText(const QString& text);

// A whole number in decimal: optional leading blanks, an optional sign, digits, nothing else.
// Throws ConversionError for anything else and for numbers beyond 32 bits.
qint32 WholeNumberFromText(const QString& text);

// ---------------------------------------------------------------------------------------------
// CAN input editor.

// The identifier edits: the text read as hexadecimal with "0x" put in front. Throws
// ConversionError (quoting the text with its "0x") when it is no hexadecimal number or does
// not fit 32 bits.
qint32 CanIdFromText(const QString& text);
// Hexadecimal, upper case, at least 3 digits ("1A3", "00A").
QString CanIdText(qint32 id);

inline constexpr int kCanSignedMax = 32767;
inline constexpr int kCanSignedMin = -32767;
inline constexpr int kCanUnsignedMax = 65535;

// A typed comparison value after the limits of the data type (DATA_TYPE_ 1 signed: -32767 to
// 32767; otherwise at most 65535). corrected tells whether the edit must show the new number.
struct CanValueCorrection {
    qint32 value = 0;
    bool corrected = false;
};
CanValueCorrection CorrectCanValue(qint32 typed, std::uint8_t dataType);
// What the ON value edit stores: the low 16 bits as 0 to 65535.
qint32 CanValueOnField(qint32 corrected);
// What the OFF value edit stores: the number itself.
inline qint32 CanValueOffField(qint32 corrected) { return corrected; }
// How a stored value is shown: signed type as the low 16 bits read as a signed 16-bit number,
// otherwise the 32-bit value, in decimal.
QString CanValueText(qint32 stored, std::uint8_t dataType);
// True for the value-edit texts the handlers ignore ("" and "-").
bool CanValueTextIgnored(const QString& text);

// Entries of the operator selectors and the "No CAN data:" selector.
QStringList CanOperatorEntries();  // "=", ">", "<", "&", "!&", "not"
QStringList NoCanDataEntries();    // "Set Off", "Set On", "Hold state"
// The position a stored NO_CAN_DATA_STATE selects: itself if 0 to 2, else 0.
int NoCanDataPosition(qint32 stored);

// The row counter edits: byte number 8 or more becomes 7, byte value 256 or more becomes 255.
// The field takes the low 8 bits of the result.
struct ByteCorrection {
    std::uint8_t field = 0;
    bool corrected = false;
    qint32 shown = 0;  // the number the edit shows after the correction
};
ByteCorrection CorrectRowIndex(qint32 typed);
ByteCorrection CorrectRowValue(qint32 typed);

// The multiplicator edit: the leading number as a 32-bit float.
float MultiplicatorFromText(const QString& text);
// "%3.6f" of the stored multiplicator.
QString MultiplicatorText(float value);
// The offset edit: the leading number limited to -127 .. 127 and truncated toward zero. The
// field is a signed byte, so a typed 128 is stored as 127 rather than wrapping to -128.
std::int8_t CalOffsetFromText(const QString& text);

// The unit edit: at most 5 characters.
inline constexpr int kDimensionLength = kDimensionNameLength;

// ---------------------------------------------------------------------------------------------
// Byte picker.

inline constexpr int kBytePickerWidth = 241;
inline constexpr int kBytePickerHeight = 25;
inline constexpr int kBytePickerCells = 8;

// A byte position pair of one side (ON or OFF): cell numbers 1 to 8, 0 for none.
struct BytePair {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    friend bool operator==(const BytePair&, const BytePair&) = default;
};

// The width of one cell for a picture width (241 gives 30).
inline int BytePickerCellWidth(int width = kBytePickerWidth) { return width / kBytePickerCells; }
// The cell (1 to 8) under x. The picture's last pixel column lies beyond the eight cells and
// belongs to cell 8, whose outline it is.
int BytePickerCell(int x, int width = kBytePickerWidth);

enum class PickOutcome {
    Changed,        // the pair changed
    NotSideBySide,  // the second byte was not next to the first: show the message
    Ignored,        // with two bytes chosen, a click on another cell than the high one
};
// The message of PickOutcome::NotSideBySide.
QString NotSideBySideMessage();  // "If more than one byte, they have to be side by side"

// One click on cell v (1 to 8). Positions above 8 count as none first, so the pair is always
// normalised afterwards (also when nothing else changes).
PickOutcome PickByte(BytePair& pair, int v);

enum class CellMark { Number, Low, High };
// What cell k (1 to 8) shows: "Hi", "Lo" or the byte number k - 1.
CellMark CellMarkOf(const BytePair& pair, int k);
QString CellText(const BytePair& pair, int k);

// ---------------------------------------------------------------------------------------------
// Virtual input editor.

QStringList VirtualOperatorEntries();  // "AND", "OR", "NOR"

inline constexpr int kVirtualDelayLimitSeconds = 10;
// "%3.1f" of 10.0, the text a too large delay is replaced by.
QString VirtualDelayLimitText();
// The text that replaces a delay edit's text, or nothing when it passes: a whole-number part
// above 10 gives "10.0"; a negative one gives "0.0" (the field holds tenths 0 to 255; a
// negative delay would otherwise wrap around to a long one).
std::optional<QString> VirtualDelayReplacement(const QString& text);
// The stored delay of a text: the number times 10, truncated toward zero, limited to 0 .. 255.
std::uint8_t VirtualDelayFromText(const QString& text);
// "%3.1f" of a stored delay in tenths (25 shows 2.5).
QString VirtualDelayText(std::uint8_t tenths);
// MASK_NOT with the bit of source 1 to 3 set or cleared.
std::uint8_t WithNotBit(std::uint8_t mask, int source, bool on);
// What a selector position is stored as: its low 8 bits (none, -1, becomes 255).
inline std::uint8_t SourceIndexField(int position) { return static_cast<std::uint8_t>(position & 0xFF); }
inline std::int8_t OperatorIndexField(int position) { return static_cast<std::int8_t>(position); }

// ---------------------------------------------------------------------------------------------
// CAN export editor.

inline constexpr int kExportRefreshMinimum = 20;
inline constexpr int kExport1RowMax = 12;
inline constexpr int kExport1Rows = 12;
// The refresh edit's replacement, "20", when its whole-number part (an empty text reads 0) is
// below 20; nothing otherwise.
std::optional<QString> RefreshReplacement(const QString& text);
// The row count: 13 or more becomes 12.
struct RowCountCorrection {
    int rows = 0;
    bool corrected = false;
};
RowCountCorrection CorrectRowCount(qint32 typed);
// Whether the selector of "Counter" k (1 to 12) is enabled for a row count.
inline bool CounterEnabled(int rowCount, int k) { return rowCount >= k; }

// Export 1 selector names: entry 1 to 18, ComboBox_CAN_Export1_DataByte1 .. DataByte18.
QString Export1SelectorName(int entry);
// Bit selector names of export 2 to 4: entry e is bit 7 - (e mod 8) of data byte e div 8,
// ComboBox_CAN_Export<n>_DataByte<byte>_Bit<bit>.
QString ExportBitSelectorName(int exportNumber, int entry);
int ExportEntryByte(int entry);
int ExportEntryBit(int entry);

}  // namespace relvane
