#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr std::uint8_t kFrameTypeTcp = 0x84, kFrameTypeUdp = 0x82;

// One flag per byte value: set for 00-1F, 7D, 7E.
struct StuffingMap {
    std::array<bool, 256> escape;
    StuffingMap();
    bool operator()(std::uint8_t b) const { return escape[b]; }
};

// The FCS-16 lookup table of RFC 1662 (reflected polynomial 0x8408).
const std::array<std::uint16_t, 256>& Fcs16Table();
std::uint16_t Fcs16(const std::uint8_t* bytes, std::size_t n, std::uint16_t fcs = 0xFFFF);

// Replaces `bytes` (the payload) by the frame 7E, escaped(FF 03 type payload FCS-high FCS-low), 7E.
// FCS over the unescaped FF 03 type payload, start 0xFFFF, NOT complemented, high byte first: the
// peers read it that way, unlike RFC 1662.
void BuildStuffedFrame(std::vector<std::uint8_t>& bytes, std::uint8_t frameType);

// Puts C0 A8 00 02 04 00 in front of the payload.
void PrependUdpHeader(std::vector<std::uint8_t>& bytes);

// Reads one possibly escaped byte at pos (< n); 7D x gives x^0x20 and advances 2; a 7D in the last
// place, or pos >= n, fails and leaves pos alone.
bool ReadStuffedByte(const std::uint8_t* capture, std::size_t& pos, std::size_t n, std::uint8_t& out);
