#include "firmware/Utility.h"

#include "firmware/ErrorMsg.h"

namespace relvane {

std::uint32_t Utility::HexToNumber(std::string_view text) {
    if (text.empty())
        throw ErrorMsg(QStringLiteral("Cannot convert zero-length hex-string to number!"));
    if (text.size() > 8)
        throw ErrorMsg(QStringLiteral("Hex conversion overflow! Too many hex digits in string."));
    std::uint32_t result = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = std::uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = std::uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = std::uint32_t(c - 'A' + 10);
        else
            throw ErrorMsg(QStringLiteral("Invalid hex digit found!"));
        result = result * 16 + digit;
    }
    return result;
}

std::uint32_t Utility::HexToNumber(const QString& text) {
    // A character outside Latin-1 becomes '?', which is rejected like any other non-digit.
    const QByteArray bytes = text.toLatin1();
    return HexToNumber(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace relvane
