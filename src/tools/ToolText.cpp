#include "tools/ToolText.h"

#include "link/Frame.h"

#include <limits>

namespace relvane {

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

QString NotAnInteger(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

}  // namespace

std::optional<std::int32_t> ParseInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text.at(i))) return std::nullopt;
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t IntegerOrThrow(const QString& text) {
    const auto v = ParseInteger(text);
    if (!v) throw ToolInputError(NotAnInteger(text));
    return *v;
}

std::int32_t IntegerOrZero(const QString& text) { return ParseInteger(text).value_or(0); }

double LeadingDecimal(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' ')) ++i;
    const qsizetype begin = i;
    if (i < s.size() && (s.at(i) == QLatin1Char('-') || s.at(i) == QLatin1Char('+'))) ++i;
    qsizetype digits = 0;
    while (i < s.size() && IsDigit(s.at(i))) { ++i; ++digits; }
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && IsDigit(s.at(i))) { ++i; ++digits; }
    }
    if (digits == 0) return 0.0;
    // An exponent counts only when digits follow it.
    if (i < s.size() && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == QLatin1Char('-') || s.at(j) == QLatin1Char('+'))) ++j;
        qsizetype expDigits = 0;
        while (j < s.size() && IsDigit(s.at(j))) { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    bool ok = false;
    const double v = s.mid(begin, i - begin).toDouble(&ok);
    return ok ? v : 0.0;
}

std::optional<std::uint32_t> LeadingHex(const QString& text) {
    if (text.isEmpty() || HexDigit(text.at(0)) < 0) return std::nullopt;
    std::uint64_t value = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int d = HexDigit(text.at(i));
        if (d < 0) break;
        value = value * 16 + std::uint64_t(d);
        if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // saturate; callers only compare
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t HexOrThrow(const QString& text) {
    // A blank is no digit: a byte cell " 5" or "5 " (from a text file) is not a byte.
    if (text.isEmpty() || text.size() > 8) throw ToolInputError(NotAnInteger(text));
    std::uint32_t value = 0;
    for (QChar c : text) {
        const int d = HexDigit(c);
        if (d < 0) throw ToolInputError(NotAnInteger(text));
        value = value * 16 + std::uint32_t(d);
    }
    return value;
}

QString FromWindows1252(const QByteArray& bytes) {
    // 0x80-0x9F differ from Latin-1; the five undefined positions stay as they are.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        out.append(QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b)));
    }
    return out;
}

bool ToolFrameAccepted(const std::uint8_t* frame, int count, std::uint8_t type) {
    return frame != nullptr && FrameChecksumValid(frame, count) && frame[FRAME_TYPE] == type;
}

}  // namespace relvane
