#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// ASCII hex as the card speaks it: upper-case digits written, either case read, 16-bit values most
// significant digit first. `end` is one past the last character that may be read.

bool HexDigitValue(std::uint8_t c, int& value);
char HexDigitChar(int value, char substitute);
bool DecodeHexByte(const std::uint8_t* text, std::size_t pos, std::size_t end, std::uint8_t& value);
bool DecodeHexWord(const std::uint8_t* text, std::size_t pos, std::size_t end, std::uint16_t& value);
void AppendHexByte(std::vector<std::uint8_t>& out, std::uint8_t b);
void AppendHexWord(std::vector<std::uint8_t>& out, std::uint16_t w);
