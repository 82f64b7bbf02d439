#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The card's configuration block as it travels on the line and in .cfg files: bytes 0-127 are the
// basic part, the rest the extended part.
struct CardConfigRecord {
    static constexpr std::size_t kSize = 541, kBasicSize = 128;
    std::array<std::uint8_t, kSize> bytes{};
};
