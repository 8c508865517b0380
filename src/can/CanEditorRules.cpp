#include "can/CanEditorRules.h"

#include "config/ConfigModel.h"
#include "config/EditorRules.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace relvane {

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(ConversionErrorText(text).toStdString()), text_(ConversionErrorText(text))
{
}

QString ConversionErrorText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

qint32 WholeNumberFromText(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    qsizetype digits = 0;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        ++digits;
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            throw ConversionError(text);
    }
    if (digits == 0 || i != n)
        throw ConversionError(text);
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        throw ConversionError(text);
    return static_cast<qint32>(value);
}

qint32 CanIdFromText(const QString& text)
{
    const QString full = QStringLiteral("0x") + text;
    if (text.isEmpty() || text.size() > 8)
        throw ConversionError(full);
    quint32 value = 0;
    for (const QChar c : text) {
        const int d = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (d < 0 || !c.isLetterOrNumber())
            throw ConversionError(full);
        value = value * 16 + quint32(d);
    }
    return static_cast<qint32>(value);
}

QString CanIdText(qint32 id)
{
    return QStringLiteral("%1").arg(quint32(id), 3, 16, QLatin1Char('0')).toUpper();
}

CanValueCorrection CorrectCanValue(qint32 typed, std::uint8_t dataType)
{
    if (dataType == 1) {
        if (typed > kCanSignedMax)
            return {kCanSignedMax, true};
        if (typed < kCanSignedMin)
            return {kCanSignedMin, true};
        return {typed, false};
    }
    if (typed > kCanUnsignedMax)
        return {kCanUnsignedMax, true};
    return {typed, false};
}

qint32 CanValueOnField(qint32 corrected) { return static_cast<qint32>(quint32(corrected) & 0xFFFFu); }

QString CanValueText(qint32 stored, std::uint8_t dataType)
{
    if (dataType == 1)
        return QString::number(static_cast<qint16>(quint32(stored) & 0xFFFFu));
    return QString::number(stored);
}

bool CanValueTextIgnored(const QString& text)
{
    return text.isEmpty() || text == QLatin1String("-");
}

QStringList CanOperatorEntries()
{
    return {QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"), QStringLiteral("&"),
            QStringLiteral("!&"), QStringLiteral("not")};
}

QStringList NoCanDataEntries()
{
    return {QStringLiteral("Set Off"), QStringLiteral("Set On"), QStringLiteral("Hold state")};
}

int NoCanDataPosition(qint32 stored) { return stored >= 0 && stored <= 2 ? int(stored) : 0; }

ByteCorrection CorrectRowIndex(qint32 typed)
{
    if (typed >= 8)
        return {7, true, 7};
    return {static_cast<std::uint8_t>(quint32(typed) & 0xFFu), false, typed};
}

ByteCorrection CorrectRowValue(qint32 typed)
{
    if (typed >= 256)
        return {255, true, 255};
    return {static_cast<std::uint8_t>(quint32(typed) & 0xFFu), false, typed};
}


float MultiplicatorFromText(const QString& text) { return static_cast<float>(NumberFromText(text)); }

QString MultiplicatorText(float value) { return QString::asprintf("%3.6f", double(value)); }

std::int8_t CalOffsetFromText(const QString& text)
{
    double v = NumberFromText(text);
    if (!(v >= -127.0))  // also NaN
        v = -127.0;
    if (v > 127.0)
        v = 127.0;
    return static_cast<std::int8_t>(std::trunc(v));
}

int BytePickerCell(int x, int width)
{
    const int cellWidth = std::max(1, BytePickerCellWidth(width));
    const int v = x / cellWidth + 1;
    return std::clamp(v, 1, kBytePickerCells);
}

QString NotSideBySideMessage()
{
    return QStringLiteral("If more than one byte, they have to be side by side");
}

PickOutcome PickByte(BytePair& pair, int v)
{
    if (pair.low > kBytePickerCells)
        pair.low = 0;
    if (pair.high > kBytePickerCells)
        pair.high = 0;
    if (v < 1 || v > kBytePickerCells)
        return PickOutcome::Ignored;
    if (pair.high == 0) {
        if (pair.low == 0) {
            pair.low = std::uint8_t(v);
        } else if (pair.low == v) {
            pair.low = 0;
        } else if (std::abs(int(pair.low) - v) > 1) {
            return PickOutcome::NotSideBySide;
        } else {
            pair.high = std::uint8_t(v);
        }
        return PickOutcome::Changed;
    }
    if (pair.high == v) {
        pair.high = 0;
        return PickOutcome::Changed;
    }
    return PickOutcome::Ignored;
}

CellMark CellMarkOf(const BytePair& pair, int k)
{
    if (pair.high == k)
        return CellMark::High;
    if (pair.low == k)
        return CellMark::Low;
    return CellMark::Number;
}

QString CellText(const BytePair& pair, int k)
{
    switch (CellMarkOf(pair, k)) {
    case CellMark::High: return QStringLiteral("Hi");
    case CellMark::Low: return QStringLiteral("Lo");
    case CellMark::Number: break;
    }
    return QString::number(k - 1);
}

QStringList VirtualOperatorEntries()
{
    return {QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOR")};
}

QString VirtualDelayLimitText() { return QString::asprintf("%3.1f", double(kVirtualDelayLimitSeconds)); }

std::optional<QString> VirtualDelayReplacement(const QString& text)
{
    const int whole = IntegerPartOfText(text);
    if (whole > kVirtualDelayLimitSeconds)
        return VirtualDelayLimitText();
    if (whole < 0)
        return QString::asprintf("%3.1f", 0.0);
    return std::nullopt;
}

std::uint8_t VirtualDelayFromText(const QString& text)
{
    const int tenths = TenthsFromText(text);
    return static_cast<std::uint8_t>(std::clamp(tenths, 0, 255));
}

QString VirtualDelayText(std::uint8_t tenths) { return TextFromTenths(tenths); }

std::uint8_t WithNotBit(std::uint8_t mask, int source, bool on)
{
    if (source < 1 || source > 3)
        return mask;
    const auto bit = std::uint8_t(1u << (source - 1));
    return on ? std::uint8_t(mask | bit) : std::uint8_t(mask & ~bit);
}

std::optional<QString> RefreshReplacement(const QString& text)
{
    if (IntegerPartOfText(text) < kExportRefreshMinimum)
        return QString::number(kExportRefreshMinimum);
    return std::nullopt;
}

RowCountCorrection CorrectRowCount(qint32 typed)
{
    if (typed >= 13)
        return {kExport1RowMax, true};
    return {typed, false};
}

QString Export1SelectorName(int entry)
{
    return QStringLiteral("ComboBox_CAN_Export1_DataByte%1").arg(entry);
}

int ExportEntryByte(int entry) { return entry / 8; }
int ExportEntryBit(int entry) { return 7 - entry % 8; }

QString ExportBitSelectorName(int exportNumber, int entry)
{
    return QStringLiteral("ComboBox_CAN_Export%1_DataByte%2_Bit%3")
        .arg(exportNumber)
        .arg(ExportEntryByte(entry))
        .arg(ExportEntryBit(entry));
}

}  // namespace relvane
