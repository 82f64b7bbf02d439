#include "card/hex_scan.h"

#include "card/hex_codec.h"

std::optional<std::uint32_t> ScanHex2(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    int width = 2;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
        --width;
    }
    std::uint32_t value = 0;
    int digits = 0;
    for (; digits < width && pos < text.size(); ++digits, ++pos) {
        int digit = 0;
        if (!HexDigitValue(static_cast<std::uint8_t>(text[pos]), digit))
            break;
        value = value * 16 + std::uint32_t(digit);
    }
    if (digits == 0)
        return std::nullopt;
    return negative ? std::uint32_t(0) - value : value;
}
