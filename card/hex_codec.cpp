#include "card/hex_codec.h"

bool HexDigitValue(std::uint8_t c, int& value) {
    if (c >= '0' && c <= '9') {
        value = c - '0';
        return true;
    }
    if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
        return true;
    }
    if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
        return true;
    }
    value = 0;
    return false;
}

char HexDigitChar(int value, char substitute) {
    if (value >= 0 && value <= 9)
        return static_cast<char>('0' + value);
    if (value >= 10 && value <= 15)
        return static_cast<char>('A' + value - 10);
    return substitute;
}

namespace {

// Decodes `digits` characters at pos into value; false if they do not all fit before end or one is
// not a digit.
bool DecodeHexDigits(const std::uint8_t* text, std::size_t pos, std::size_t end, int digits,
                     unsigned& value) {
    value = 0;
    if (pos > end || end - pos < static_cast<std::size_t>(digits))
        return false;
    unsigned result = 0;
    for (int i = 0; i < digits; ++i) {
        int digit = 0;
        if (!HexDigitValue(text[pos + static_cast<std::size_t>(i)], digit))
            return false;
        result = result * 16 + static_cast<unsigned>(digit);
    }
    value = result;
    return true;
}

} // namespace

bool DecodeHexByte(const std::uint8_t* text, std::size_t pos, std::size_t end, std::uint8_t& value) {
    unsigned v = 0;
    const bool ok = DecodeHexDigits(text, pos, end, 2, v);
    value = static_cast<std::uint8_t>(v);
    return ok;
}

bool DecodeHexWord(const std::uint8_t* text, std::size_t pos, std::size_t end, std::uint16_t& value) {
    unsigned v = 0;
    const bool ok = DecodeHexDigits(text, pos, end, 4, v);
    value = static_cast<std::uint16_t>(v);
    return ok;
}

void AppendHexByte(std::vector<std::uint8_t>& out, std::uint8_t b) {
    out.push_back(static_cast<std::uint8_t>(HexDigitChar((b >> 4) & 0x0F, '?')));
    out.push_back(static_cast<std::uint8_t>(HexDigitChar(b & 0x0F, '?')));
}

void AppendHexWord(std::vector<std::uint8_t>& out, std::uint16_t w) {
    AppendHexByte(out, static_cast<std::uint8_t>(w >> 8));
    AppendHexByte(out, static_cast<std::uint8_t>(w & 0xFF));
}
