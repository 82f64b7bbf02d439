#include "terminal/stuffed_frame.h"

namespace {

constexpr std::uint8_t kFlag = 0x7E;
constexpr std::uint8_t kEscape = 0x7D;
constexpr std::uint8_t kEscapeXor = 0x20;

constexpr std::array<std::uint16_t, 256> MakeFcs16Table() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned v = b;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
        table[b] = static_cast<std::uint16_t>(v);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kFcs16Table = MakeFcs16Table();

void AppendEscaped(std::vector<std::uint8_t>& out, const StuffingMap& map, std::uint8_t b) {
    if (map(b)) {
        out.push_back(kEscape);
        out.push_back(static_cast<std::uint8_t>(b ^ kEscapeXor));
    } else {
        out.push_back(b);
    }
}

} // namespace

StuffingMap::StuffingMap() {
    for (int b = 0; b < 256; ++b)
        escape[b] = b < 0x20 || b == kEscape || b == kFlag;
}

const std::array<std::uint16_t, 256>& Fcs16Table() { return kFcs16Table; }

std::uint16_t Fcs16(const std::uint8_t* bytes, std::size_t n, std::uint16_t fcs) {
    for (std::size_t i = 0; i < n; ++i)
        fcs = static_cast<std::uint16_t>((fcs >> 8) ^ kFcs16Table[(fcs ^ bytes[i]) & 0xFF]);
    return fcs;
}

void BuildStuffedFrame(std::vector<std::uint8_t>& bytes, std::uint8_t frameType) {
    static const StuffingMap kMap;
    const std::uint8_t head[] = {0xFF, 0x03, frameType};

    std::uint16_t fcs = Fcs16(head, sizeof head);
    fcs = Fcs16(bytes.data(), bytes.size(), fcs);

    // Worst case: every byte escaped, plus the two flags.
    std::vector<std::uint8_t> frame;
    frame.reserve(2 * (sizeof head + bytes.size() + 2) + 2);
    frame.push_back(kFlag);
    for (std::uint8_t b : head)
        AppendEscaped(frame, kMap, b);
    for (std::uint8_t b : bytes)
        AppendEscaped(frame, kMap, b);
    AppendEscaped(frame, kMap, static_cast<std::uint8_t>(fcs >> 8));
    AppendEscaped(frame, kMap, static_cast<std::uint8_t>(fcs & 0xFF));
    frame.push_back(kFlag);
    bytes.swap(frame);
}

void PrependUdpHeader(std::vector<std::uint8_t>& bytes) {
    static constexpr std::uint8_t kHeader[] = {0xC0, 0xA8, 0x00, 0x02, 0x04, 0x00};
    bytes.insert(bytes.begin(), std::begin(kHeader), std::end(kHeader));
}

bool ReadStuffedByte(const std::uint8_t* capture, std::size_t& pos, std::size_t n, std::uint8_t& out) {
    if (pos >= n)
        return false;
    if (capture[pos] != kEscape) {
        out = capture[pos];
        pos += 1;
        return true;
    }
    if (pos + 1 >= n)
        return false;
    out = static_cast<std::uint8_t>(capture[pos + 1] ^ kEscapeXor);
    pos += 2;
    return true;
}
