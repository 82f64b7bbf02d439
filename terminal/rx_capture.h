#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kRxBufferSize = 204800;

// Stores bytes at position `count` onwards while below kRxBufferSize, then adds ALL n to count, so the
// counter keeps telling how much arrived even after the buffer is full.
// count is 64-bit on purpose (the classic 32-bit counter overflowed after 2 GiB).
void CaptureReceived(std::uint8_t* buffer /* kRxBufferSize bytes */, std::int64_t& count,
                     const std::uint8_t* bytes, std::size_t n);
