#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

// The card's 71-byte status block, as the card sends it.
struct CardStatusRecord {
    static constexpr std::size_t kSize = 71;
    std::array<std::uint8_t, kSize> bytes{};
};

inline constexpr int kStatusFieldCount = 15;

// Field k covers the bytes from entry k up to, not including, entry k+1.
const std::array<int, 16>& StatusFieldOffsets();

// The texts of the status window, per field; an unknown field gives an empty text.
QString StatusFieldLabel(int field);
QString StatusFieldOffsetText(int field);
QString StatusRawText(const CardStatusRecord& record, int field);
QString StatusDecodedText(const CardStatusRecord& record, int field);

// A fixed-width text field up to its first zero byte, at most `width` bytes, as GBK text.
QString FormatFixedText(const std::uint8_t* field, std::size_t width);
QString FormatDottedQuad(const std::uint8_t* four);
