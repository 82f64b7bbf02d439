// Stuffed frames: any payload built into a frame and read back. Input: a byte choosing TCP (even) or
// UDP (odd), then the payload.
// Properties: the frame starts and ends with 7E and holds no other 7E; every byte the stuffing map
// marks appears only escaped; reading it back gives FF 03, the type, the payload and an FCS that
// matches. Reading any bytes as stuffed never runs past the end and leaves the place alone on failure.

#include "fuzz/fuzz_check.h"
#include "terminal/stuffed_frame.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const StuffingMap map;
    const std::uint8_t type = size > 0 && (data[0] & 1) ? kFrameTypeUdp : kFrameTypeTcp;
    std::vector<std::uint8_t> payload(data + (size > 0 ? 1 : 0), data + size);
    if (type == kFrameTypeUdp)
        PrependUdpHeader(payload);
    std::vector<std::uint8_t> frame = payload;
    BuildStuffedFrame(frame, type);

    FUZZ_CHECK(frame.size() >= 8 && frame.front() == 0x7E && frame.back() == 0x7E);
    FUZZ_CHECK(std::count(frame.begin(), frame.end(), 0x7E) == 2);
    std::vector<std::uint8_t> plain;
    for (std::size_t pos = 1; pos + 1 < frame.size();) {
        const std::uint8_t raw = frame[pos];
        FUZZ_CHECK(raw == 0x7D || !map(raw));
        std::uint8_t b = 0;
        const std::size_t before = pos;
        FUZZ_CHECK(ReadStuffedByte(frame.data(), pos, frame.size() - 1, b));
        FUZZ_CHECK(pos == before + (raw == 0x7D ? 2 : 1));
        if (raw == 0x7D)
            FUZZ_CHECK(map(b));
        plain.push_back(b);
    }
    FUZZ_CHECK(plain.size() == payload.size() + 5);
    FUZZ_CHECK(plain[0] == 0xFF && plain[1] == 0x03 && plain[2] == type);
    FUZZ_CHECK(std::equal(payload.begin(), payload.end(), plain.begin() + 3));
    const std::uint16_t fcs = Fcs16(plain.data(), plain.size() - 2);
    FUZZ_CHECK(plain[plain.size() - 2] == (fcs >> 8) && plain[plain.size() - 1] == (fcs & 0xFF));

    // The input itself as a capture.
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t before = pos;
        std::uint8_t b = 0;
        if (!ReadStuffedByte(data, pos, size, b)) {
            FUZZ_CHECK(pos == before && data[pos] == 0x7D && pos + 1 == size);
            break;
        }
        FUZZ_CHECK(pos > before && pos <= size);
    }
    std::size_t end = size;
    std::uint8_t b = 0;
    FUZZ_CHECK(!ReadStuffedByte(data, end, size, b) && end == size);
    return 0;
}
