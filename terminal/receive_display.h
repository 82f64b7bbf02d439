#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kReceiveTextLimit = 8192;          // empty the area at this many bytes
inline constexpr std::size_t kReceiveTextAutoClearLimit = 4096; // ... or at this many with auto-clear

// Appends the display form of the bytes to `out` (bytes of GBK text): hex "%02X " per byte, or text:
// 0D -> "\r\n", 0A dropped, 20-7E, 09 and A0-FF as they are, every other byte ".".
void AppendDisplayPiece(const std::uint8_t* bytes, std::size_t n, bool hex, std::string& out);

// True when the receive text (length in bytes) must be emptied before the next piece is added.
bool ReceiveTextNeedsClear(std::size_t textBytes, bool autoClear);
