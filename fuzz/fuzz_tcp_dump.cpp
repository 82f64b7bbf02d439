// The TCP dump on any capture (layout in fuzz_capture.h).
// Properties: the dump never holds more bytes than the capture; it is exactly what a plain,
// whole-buffer scan finds; feeding the capture in pieces of any size gives the same dump and count;
// the scanner only ever rewinds over bytes it has written.

#include "fuzz/fuzz_capture.h"
#include "fuzz/fuzz_check.h"
#include "terminal/capture_dump.h"

namespace {

// Whole-buffer scan: 7E, then FF 03 84 read with escapes; the payload up to the next raw 7E, dropped
// on a raw byte below 20 or at the end of the capture, kept without its last two bytes when it has
// at least two.
std::vector<std::uint8_t> PlainScan(const std::uint8_t* c, std::size_t n) {
    std::vector<std::uint8_t> out;
    std::size_t p = 0;
    const auto read = [&](std::uint8_t& b) {
        if (p >= n || (c[p] == 0x7D && p + 1 >= n))
            return false;
        b = c[p] == 0x7D ? std::uint8_t(c[p + 1] ^ 0x20) : c[p];
        p += c[p] == 0x7D ? 2 : 1;
        return true;
    };
    static constexpr std::uint8_t kHeader[3] = {0xFF, 0x03, 0x84};
    for (;;) {
        while (p < n && c[p] != 0x7E)
            ++p;
        if (p >= n)
            return out;
        ++p;
        int matched = 0;
        std::uint8_t b = 0;
        while (matched < 3) {
            if (!read(b))
                return out;
            if (b != kHeader[matched])
                break;
            ++matched;
        }
        if (matched < 3)
            continue;
        std::vector<std::uint8_t> frame;
        for (;;) {
            if (p >= n)
                return out;
            if (c[p] == 0x7E) {
                ++p;
                if (frame.size() >= 2)
                    out.insert(out.end(), frame.begin(), frame.end() - 2);
                break;
            }
            if (c[p] < 0x20) {
                ++p;
                break;
            }
            if (!read(b))
                return out;
            frame.push_back(b);
        }
    }
}

class CStrictSink : public IDumpSink {
public:
    std::vector<std::uint8_t> bytes;
    std::size_t kept = 0;
    void Write(const std::uint8_t* b, std::size_t n) override { bytes.insert(bytes.end(), b, b + n); }
    void Rewind(std::uint64_t size) override {
        FUZZ_CHECK(size <= bytes.size() && size >= kept);
        bytes.resize(static_cast<std::size_t>(size));
    }
    void Keep() override { kept = bytes.size(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> capture = fuzz::BuildCapture(data, size);
    const std::uint8_t* c = capture.data();
    const std::size_t n = capture.size();

    const std::vector<std::uint8_t> whole = TcpDump(c, n);
    FUZZ_CHECK(whole.size() <= n);
    FUZZ_CHECK(whole == PlainScan(c, n));

    CStrictSink sink;
    CTcpDumpScanner scanner(sink);
    fuzz::CPieces pieces(data, size);
    for (std::size_t pos = 0; pos < n;) {
        const std::size_t piece = pieces.Next(n - pos);
        scanner.Feed(c + pos, piece);
        pos += piece;
    }
    const std::uint64_t kept = scanner.Finish();
    FUZZ_CHECK(kept == sink.bytes.size() && kept == sink.kept);
    FUZZ_CHECK(sink.bytes == whole);
    return 0;
}
