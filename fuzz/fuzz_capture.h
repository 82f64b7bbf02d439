#pragma once

// Input layout shared by the capture dump targets: two bytes that choose how the capture is cut into
// pieces, then the capture. When bit 0 of the second byte is set, 01 k a b in the capture stands for
// k * 4 repetitions of "a b", or k * 512 when bit 1 is set too (k = 0 is a lone 01), so that frames
// and messages far longer than libFuzzer's inputs are reached, and runs stay fast most of the time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

// Room for a frame past the TCP dump's 64 KiB hand-on size and a message of 65535 data bytes, small
// enough to keep runs fast.
constexpr std::size_t kMaxCapture = 132 * 1024;

inline std::vector<std::uint8_t> BuildCapture(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> capture;
    if (size < 2)
        return capture;
    const bool stretch = data[1] & 1;
    const std::size_t unit = data[1] & 2 ? 512 : 4;
    for (std::size_t i = 2; i < size && capture.size() < kMaxCapture; ++i) {
        if (!stretch || data[i] != 0x01 || i + 1 >= size) {
            capture.push_back(data[i]);
            continue;
        }
        const std::size_t k = data[++i];
        if (k == 0 || i + 2 >= size) {
            capture.push_back(0x01);
            continue;
        }
        const std::uint8_t a = data[i + 1], b = data[i + 2];
        i += 2;
        for (std::size_t r = 0; r < k * unit && capture.size() < kMaxCapture; ++r) {
            capture.push_back(a);
            capture.push_back(b);
        }
    }
    capture.resize(std::min(capture.size(), kMaxCapture));
    return capture;
}

// Piece sizes from a small generator seeded by the first two input bytes: mostly tiny pieces, some
// medium and large ones, always at least one byte.
class CPieces {
public:
    CPieces(const std::uint8_t* data, std::size_t size)
        : m_state(0x9E3779B9u ^ (size > 0 ? data[0] : 0u) ^ (size > 1 ? std::uint32_t(data[1]) << 8 : 0u)) {}

    std::size_t Next(std::size_t left) {
        const std::uint32_t r = Step();
        std::size_t n = 0;
        switch (r % 8) {
        case 0: case 1: n = 1; break;
        case 2: n = 2; break;
        case 3: n = 1 + (r >> 8) % 16; break;
        case 4: n = 1 + (r >> 8) % 256; break;
        case 5: n = 1 + (r >> 8) % 4096; break;
        case 6: n = 1 + (r >> 8) % 70000; break;
        default: n = left; break;
        }
        return std::max<std::size_t>(1, std::min(n, left));
    }

private:
    std::uint32_t Step() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    std::uint32_t m_state;
};

} // namespace fuzz
