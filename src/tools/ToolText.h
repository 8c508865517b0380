#pragma once
// Number and text conversions shared by the production tool windows, and the
// first test every tool window applies to an offered frame.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace relvane {

// A typed text that is not the number a handler needs. It escapes the handler
// on purpose: the application's general error display shows its text and the
// window keeps its state (nothing has been sent when it is thrown).
class ToolInputError : public std::runtime_error {
public:
    explicit ToolInputError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString Text() const { return QString::fromUtf8(what()); }
};

// A whole text as a signed 32-bit decimal integer (leading blanks and a sign
// allowed); nothing when it is not one.
std::optional<std::int32_t> ParseInteger(const QString& text);
// The same, throwing ToolInputError "'<text>' is not a valid integer value".
std::int32_t IntegerOrThrow(const QString& text);
// The same, 0 when the text is no integer.
std::int32_t IntegerOrZero(const QString& text);

// The leading decimal number of a text, a comma counting as the decimal point;
// 0 when the text does not begin with a number.
double LeadingDecimal(const QString& text);

// The leading hexadecimal digits of a text (at most 8 are taken); nothing when
// the text does not begin with a hexadecimal digit.
std::optional<std::uint32_t> LeadingHex(const QString& text);
// The whole text, 1 to 8 hexadecimal digits without blanks, as a number (used for
// byte cells); throws ToolInputError "'<text>' is not a valid integer value" otherwise.
std::uint32_t HexOrThrow(const QString& text);

// Module text bytes (Windows-1252) as a QString.
QString FromWindows1252(const QByteArray& bytes);

// True when the frame's checksum matches (bounded by the bytes received) and its
// type byte is the expected one. Every tool window tests this first.
bool ToolFrameAccepted(const std::uint8_t* frame, int count, std::uint8_t type);

}  // namespace relvane
