#include "config/EditorRules.h"

#include "config/SelectionLists.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace relvane {

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n') || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

QString Formatted(double v) { return QString::asprintf("%3.1f", v); }

}  // namespace

int IntegerPartOfText(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsBlank(text.at(i))) ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    constexpr long long kCap = std::numeric_limits<int>::max();
    while (i < n && IsDigit(text.at(i))) {
        value = std::min(kCap, value * 10 + (text.at(i).unicode() - '0'));
        ++i;
    }
    return static_cast<int>(negative ? -value : value);
}

double NumberFromText(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace(',', '.');
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n && IsBlank(QLatin1Char(bytes[i]))) ++i;
    const qsizetype start = i;
    if (i < n && (bytes[i] == '+' || bytes[i] == '-')) ++i;
    const auto digitAt = [&](qsizetype k) { return k < n && bytes[k] >= '0' && bytes[k] <= '9'; };
    qsizetype digits = 0;
    while (digitAt(i)) { ++i; ++digits; }
    if (i < n && bytes[i] == '.') {
        ++i;
        while (digitAt(i)) { ++i; ++digits; }
    }
    if (digits == 0) return 0.0;
    if (i < n && (bytes[i] == 'e' || bytes[i] == 'E')) {
        qsizetype k = i + 1;
        if (k < n && (bytes[k] == '+' || bytes[k] == '-')) ++k;
        if (digitAt(k)) {
            while (digitAt(k)) ++k;
            i = k;
        }
    }
    const qsizetype from = bytes[start] == '+' ? start + 1 : start;
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(bytes.constData() + from, bytes.constData() + i, parsed);
    Q_UNUSED(end);
    if (ec == std::errc::result_out_of_range) {
        // Overflow saturates; an underflowing exponent is as good as 0.
        const QByteArray mantissa = bytes.mid(start, i - start).toLower();
        const qsizetype e = mantissa.indexOf('e');
        const int exponent = e >= 0 ? mantissa.mid(e + 1).toInt() : 0;
        if (exponent < 0) return 0.0;
        return bytes[start] == '-' ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
    }
    return parsed;
}

std::optional<QString> LimitReplacement(NumericEditorKind kind, const QString& text)
{
    switch (kind) {
    case NumericEditorKind::Current:
        if (IntegerPartOfText(text) > 90) return Formatted(90.0);
        break;
    case NumericEditorKind::OnTimer:
        if (IntegerPartOfText(text) > 25) return Formatted(25.0);
        break;
    case NumericEditorKind::Delay:
        if (IntegerPartOfText(text) >= 10) return Formatted(10.0);
        break;
    case NumericEditorKind::PeakTime:
        if (NumberFromText(text) > 10.0) return Formatted(10.0);
        break;
    case NumericEditorKind::LowVoltage:
        if (IntegerPartOfText(text) > 16) return Formatted(12.0);
        break;
    case NumericEditorKind::UpperVoltage:
        if (IntegerPartOfText(text) > 16) return Formatted(12.3);
        break;
    }
    return std::nullopt;
}

OptionalNumber TenthsFieldFromText(const QString& text, int maxValue)
{
    if (text.isEmpty()) return std::nullopt;
    return std::clamp(TenthsFromText(text), 0, maxValue);
}

QString TenthsFieldText(const OptionalNumber& value)
{
    return value ? TextFromTenths(*value) : QString();
}

QString OnTimeFieldText(const OptionalNumber& value)
{
    return value ? OnTimeText(*value) : QString();
}

QChar TjekEditKeyPress(QChar key)
{
    return key == QLatin1Char(',') ? QLatin1Char('.') : key;
}

QString TjekEditText(QString text)
{
    return text.replace(QLatin1Char(','), QLatin1Char('.'));
}

QString InputPinText(int p)
{
    if (p >= kTriggerPosFirstInput && p < kTriggerPosFirstInput + kInputCount)
        return QStringLiteral("( Con. 4, Red ring, Pin %1 )").arg(p + 17);
    if (p >= kTriggerPosFirstCanInput && p < kTriggerPosFirstCanInput + kCanInputCount)
        return QStringLiteral("( CAN input %1 )").arg(p - 12);
    if (p >= kTriggerPosFirstVirtualInput && p < kTriggerPosFirstVirtualInput + kVirtualInputCount)
        return QStringLiteral("( Virtual input %1 )").arg(p - 44);
    if (p == kTriggerPosWiperSlow) return QStringLiteral("( Wiper Low speed )");
    if (p == kTriggerPosWiperFast) return QStringLiteral("( Wiper High speed )");
    return QString();
}

QStringList DefaultTrigLevelEntries() { return {QStringLiteral("GND"), QStringLiteral("OPEN")}; }

TrigLevelChoices TrigLevelChoicesFor(int p, int previousSelection)
{
    TrigLevelChoices c;
    if (p == kTriggerPosPlus30) {
        c = {true, {QStringLiteral("+30")}, false, 0};
    } else if (p == kTriggerPosFirstInput) {
        c = {true, {QStringLiteral("+12v")}, false, 0};
    } else if (p > kTriggerPosFirstInput && p < kTriggerPosFirstCanInput) {
        // A previous position beyond the two entries (from a one-entry list it is 0) falls
        // back to "GND" like no selection does.
        const int keep = previousSelection == 0 || previousSelection == 1 ? previousSelection : 0;
        c = {true, DefaultTrigLevelEntries(), true, keep};
    } else if (p >= kTriggerPosFirstCanInput && p < kTriggerListSize) {
        c = {true, {QStringLiteral("-")}, false, 0};
    }
    return c;
}

QString OutputPinText(int output)
{
    static const char* const kHighPower[kHighPowerOutputCount] = {
        "( Con. 3, Yellow ring, Pin C )",   "( Con. 2, Red ring, Pin L )",
        "( Con. 2, Red ring, Pin H )",      "( Con. 2, Red ring, Pin F )",
        "( Con. 2, Red ring, Pin D )",      "( Con. 2, Red ring, Pin A,B )",
        "( Con. 3, Yellow ring, Pin L )",   "( Con. 3, Yellow ring, Pin A )",
        "( Con. 2, Red ring, Pin G )",      "( Con. 2, Red ring, Pin E )",
        "( Con. 2, Red ring, Pin C )",      "( Con. 3, Yellow ring, Pin G )",
        "( Con. 2, Red ring, Pin M )",      "( Con. 2, Red ring, Pin J,K )",
        "( Con. 3, Yellow ring, Pin D,E )", "( Con. 3, Yellow ring, Pin B )",
        "( Con. 3, Yellow ring, Pin M )",   "( Con. 3, Yellow ring, Pin J,K )",
    };
    if (output >= 1 && output <= kHighPowerOutputCount) return QLatin1String(kHighPower[output - 1]);
    if (output > kHighPowerOutputCount && output <= kOutputCount)
        return QStringLiteral("( Con. 4, Red ring, Pin %1 )").arg(output - kHighPowerOutputCount);
    return QString();
}

int OutputListMaximum(OutputListKind kind)
{
    switch (kind) {
    case OutputListKind::LowBattery: return 12;
    case OutputListKind::StartButton: return 14;
    case OutputListKind::KillButton: return 14;
    case OutputListKind::Flash: return 4;
    }
    return 0;
}

QString OutputListMaximumMessage(OutputListKind kind)
{
    QString tail;
    switch (kind) {
    case OutputListKind::LowBattery: tail = QStringLiteral(" in low battery list!"); break;
    case OutputListKind::StartButton: tail = QStringLiteral(" Start Button list!"); break;
    case OutputListKind::KillButton: tail = QStringLiteral(" Kill Button list!"); break;
    case OutputListKind::Flash: tail = QStringLiteral(" in output list!"); break;
    }
    return QStringLiteral("Max ") + QString::number(OutputListMaximum(kind)) + tail;
}

bool OutputListTooMany(OutputListKind kind, const OutputList& ticked)
{
    return static_cast<int>(ticked.count()) > OutputListMaximum(kind);
}

FlashTimeResult FlashTimeFromText(const QString& text)
{
    FlashTimeResult r;
    int ms = IntegerPartOfText(text);
    if (ms > kFlashTimeLimitMs) {
        r.replacement = QString::number(kFlashTimeLimitMs);
        ms = kFlashTimeLimitMs;
    }
    r.stored = static_cast<uint8_t>(std::max(0, ms / 100));
    return r;
}

QString FlashTimeText(uint8_t stored) { return QString::number(int(stored) * 100); }

std::optional<int> HomeParkLevelAfterInput(int position)
{
    if (position >= kTriggerPosFirstInput && position < kTriggerPosFirstInput + kInputCount)
        return std::nullopt;
    return 1;
}

int IntegerTextOr(const QString& text, int fallback)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < t.size() && t.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t.at(i) == QLatin1Char('0') &&
               (t.at(i + 1) == QLatin1Char('x') || t.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    const QStringView digits = QStringView(t).mid(i);
    if (digits.isEmpty() || !(IsDigit(digits.front()) || (base == 16 && digits.front().isLetter())))
        return fallback;
    bool ok = false;
    const qlonglong v = digits.toLongLong(&ok, base);
    if (!ok) return fallback;
    const qlonglong signedV = negative ? -v : v;
    if (signedV < std::numeric_limits<int>::min() || signedV > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(signedV);
}

}  // namespace relvane
