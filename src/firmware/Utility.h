#pragma once
// Conversion of hexadecimal text (the fields of a HEX record) to numbers.

#include <QString>

#include <cstdint>
#include <string_view>

namespace relvane {

class Utility {
public:
    // Digits 0-9, a-f, A-F, at most eight of them; anything else throws ErrorMsg.
    static std::uint32_t HexToNumber(std::string_view text);
    static std::uint32_t HexToNumber(const QString& text);
};

}  // namespace relvane
