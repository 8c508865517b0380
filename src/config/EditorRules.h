#pragma once
// The plain rules of the output and load-management editors: limit checks, the typed-comma rule,
// the input-pin texts and trigger-level choices, the output-list maximums, the flash time and
// slot rules, the wiper home/park rule and the integer editors' fallbacks. The pages in
// config/ui only call these, so every rule is tested without widgets.

#include "config/ConfigModel.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

namespace relvane {

// The integer part of a typed number: leading blanks skipped, an optional sign, then decimal
// digits up to the first other character; a text without digits gives 0. Saturates far beyond
// any field instead of overflowing.
int IntegerPartOfText(const QString& text);

// The full decimal value of a typed number by the tenths rule (commas as full stops, optional
// sign, digits, decimal point and exponent); nothing readable gives 0.
double NumberFromText(const QString& text);

// The numeric editors of the output, low-current and low-battery pages.
enum class NumericEditorKind {
    Current,      // current limit and minimum current: integer part above 90 -> "90.0"
    OnTimer,      // on-timer and low-current time: integer part above 25 -> "25.0"
    Delay,        // delay: integer part 10 or more -> "10.0"
    PeakTime,     // peak time: full value above 10.0 -> "10.0"
    LowVoltage,   // low threshold: integer part above 16 -> "12.0"
    UpperVoltage, // high threshold: integer part above 16 -> "12.3"
};

// The text that replaces text when the editor's limit check fires, or nothing when it passes.
// The delay's replacement 10.0 fires its own check again: an editor replaces only a text that
// differs from the replacement, or it would replace forever.
std::optional<QString> LimitReplacement(NumericEditorKind kind, const QString& text);

// The stored value of a tenths editor's text, or nothing for an empty text (an empty number).
// maxValue is the field's width (255 for one byte, 65535 for 16 bits); a value outside
// 0..maxValue, which only a negative number or an on-time of 25.6 to 25.9 can give, is clamped
// so it never wraps around in the field.
OptionalNumber TenthsFieldFromText(const QString& text, int maxValue);
inline constexpr int kByteFieldMax = 255;
inline constexpr int kWordFieldMax = 65535;

// How a tenths field is shown: empty for an empty number, else "%3.1f" of value / 10.
QString TenthsFieldText(const OptionalNumber& value);
// The on-timer: empty for an empty number, "CONT." for 0, else as above.
QString OnTimeFieldText(const OptionalNumber& value);

// The key-press rule of the numeric editors: a typed comma is entered as a full stop.
QChar TjekEditKeyPress(QChar key);
// The same rule over a text (for pasted or otherwise inserted text).
QString TjekEditText(QString text);

// The input-pin label of a trigger selector at position (kNoSelection for none).
QString InputPinText(int position);

// The trigger-level selector after its trigger selector moved to position.
struct TrigLevelChoices {
    bool rebuild = false;   // false: leave the level selector as it is (position 0 or none)
    QStringList entries;
    bool enabled = false;
    int selected = kNoSelection;
};
// previousSelection is the level selector's position before the rebuild.
TrigLevelChoices TrigLevelChoicesFor(int position, int previousSelection);
// The level selector's entries before the first trigger choice: "GND", "OPEN", nothing selected.
QStringList DefaultTrigLevelEntries();

// The fixed connector text of output n (1 to 34), empty for other numbers.
QString OutputPinText(int output);

// The four output check lists and their maximums.
enum class OutputListKind { LowBattery, StartButton, KillButton, Flash };
int OutputListMaximum(OutputListKind kind);
// "Max " + maximum + the list's tail.
QString OutputListMaximumMessage(OutputListKind kind);
// Whether ticked (the list's ticks after the user's change) exceeds the list's maximum.
bool OutputListTooMany(OutputListKind kind, const OutputList& ticked);

// A flash time editor's text (milliseconds). replacement is set when the text must be replaced
// by "25000"; the result is the stored x 100 ms value (integer part, at most 25000, divided by
// 100 with the fraction cut off; a negative number stores 0 rather than wrapping in the byte).
struct FlashTimeResult {
    std::optional<QString> replacement;
    uint8_t stored = 0;
};
inline constexpr int kFlashTimeLimitMs = 25000;
FlashTimeResult FlashTimeFromText(const QString& text);
// A stored flash time as the editor shows it: value x 100 in decimal milliseconds.
QString FlashTimeText(uint8_t stored);

// The home/park level after WiperHomeParkInputComboBox moved to position: 1 ("Stop on High")
// unless the position is a hardwired input (2 to 12), in which case the level stays.
std::optional<int> HomeParkLevelAfterInput(int position);

// The integer editors (kill delay, wiper interval): the text as an integer, decimal or
// hexadecimal after "$" (or "0x"), leading and trailing blanks allowed; otherwise fallback.
int IntegerTextOr(const QString& text, int fallback);
inline constexpr int kKillDelayFallback = 10;
inline constexpr int kWiperIntervalFallback = 30;

}  // namespace relvane
