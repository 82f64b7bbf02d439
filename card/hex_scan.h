#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reads a box's text the way "%02X" does: leading blanks skipped, then at most two characters, an
// optional sign counting as one; a minus negates the number as a 32-bit unsigned value ("-1" is
// FFFFFFFFh). Nothing when no hex digit stands where one is needed.
std::optional<std::uint32_t> ScanHex2(std::string_view text);
