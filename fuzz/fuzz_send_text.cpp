// Send-text parsing and the receive display on any bytes.
// Properties: text mode sends the bytes themselves; hex mode gives one byte per run of hex digits,
// its last two digits; the hex display of any bytes parses back to those bytes; the text display
// grows only by the line breaks; the shown tail is never past the end, never longer than the limit
// and never starts inside a "XX " group or a line break; a truncated send box is a prefix that fits
// and whose bytes begin the whole text's bytes.

#include "fuzz/fuzz_check.h"
#include "terminal/receive_display.h"
#include "terminal/send_text.h"

#include <algorithm>
#include <string>

namespace {

bool IsHexDigit(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int DigitValue(std::uint8_t c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

void CheckTail(const std::string& piece, bool hex, std::size_t limit) {
    const std::size_t start = DisplayTailStart(piece, hex, limit);
    FUZZ_CHECK(start <= piece.size());
    FUZZ_CHECK(piece.size() - start <= limit);
    if (piece.size() <= limit)
        FUZZ_CHECK(start == 0);
    if (hex)
        FUZZ_CHECK(start % 3 == 0 || start == piece.size());
    else if (start > 0 && start < piece.size())
        FUZZ_CHECK(!(piece[start - 1] == '\r' && piece[start] == '\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> plain = ParseSendText(data, size, false);
    FUZZ_CHECK(plain.size() == size && std::equal(plain.begin(), plain.end(), data));

    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < size;) {
        if (!IsHexDigit(data[i])) {
            ++i;
            continue;
        }
        unsigned value = 0;
        for (; i < size && IsHexDigit(data[i]); ++i)
            value = (value * 16 + unsigned(DigitValue(data[i]))) & 0xFF;
        expected.push_back(std::uint8_t(value));
    }
    FUZZ_CHECK(ParseSendText(data, size, true) == expected);

    std::string hexShown;
    AppendDisplayPiece(data, size, true, hexShown);
    FUZZ_CHECK(hexShown.size() == 3 * size);
    const auto* shownBytes = reinterpret_cast<const std::uint8_t*>(hexShown.data());
    const std::vector<std::uint8_t> back = ParseSendText(shownBytes, hexShown.size(), true);
    FUZZ_CHECK(back.size() == size && std::equal(back.begin(), back.end(), data));

    std::string textShown = "prefix";
    AppendDisplayPiece(data, size, false, textShown);
    const auto cr = std::size_t(std::count(data, data + size, 0x0D));
    const auto lf = std::size_t(std::count(data, data + size, 0x0A));
    FUZZ_CHECK(textShown.size() == 6 + size + cr - lf);
    FUZZ_CHECK(textShown.compare(0, 6, "prefix") == 0);
    for (std::size_t i = 6; i < textShown.size(); ++i) {
        const auto c = static_cast<unsigned char>(textShown[i]);
        FUZZ_CHECK(c != 0x0A || textShown[i - 1] == '\r');
        FUZZ_CHECK(c >= 0x20 || c == 0x09 || c == 0x0D || c == 0x0A);
    }

    const std::size_t limit = size == 0 ? 0 : data[0] % 32;
    CheckTail(hexShown, true, limit);
    CheckTail(textShown, false, limit);
    CheckTail(textShown, false, kReceiveTextLimit);

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const int maxBytes = int(limit) * 3;
    const QString cut = TruncateSendBox(text, maxBytes);
    FUZZ_CHECK(text.startsWith(cut));
    FUZZ_CHECK(SendBoxByteLength(cut) <= maxBytes);
    // A prefix costs on the line what it costs inside the whole text.
    FUZZ_CHECK(SendBoxBytes(text).startsWith(SendBoxBytes(cut)));
    return 0;
}
