// The WNMP text dump on any capture (layout in fuzz_capture.h).
// Properties: the text is bounded by what the capture can hold (a block per 13 bytes at most, a data
// line per two hex digits); it is exactly what a plain whole-buffer scan composes, block by block;
// feeding the capture in pieces of any size gives the same text and count.

#include "fuzz/fuzz_capture.h"
#include "fuzz/fuzz_check.h"
#include "terminal/capture_dump.h"
#include "terminal/gbk_codec.h"

#include <cstdio>
#include <string>

namespace {

bool Digit(const std::uint8_t* c, std::size_t n, std::size_t pos, int& v) {
    if (pos >= n)
        return false;
    const std::uint8_t d = c[pos];
    if (d >= '0' && d <= '9')
        v = d - '0';
    else if (d >= 'A' && d <= 'F')
        v = d - 'A' + 10;
    else if (d >= 'a' && d <= 'f')
        v = d - 'a' + 10;
    else
        return false;
    return true;
}

bool Hex(const std::uint8_t* c, std::size_t n, std::size_t pos, int digits, unsigned& value) {
    value = 0;
    for (int k = 0; k < digits; ++k) {
        int v = 0;
        if (!Digit(c, n, pos + std::size_t(k), v))
            return false;
        value = value * 16 + unsigned(v);
    }
    return true;
}

std::string Gbk(const QString& text) {
    const QByteArray bytes = GbkEncode(text);
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

std::string Name(unsigned type) {
    switch (type) {
    case 0x00A1: return Gbk(QStringLiteral("(WNMP_SENDCFG,发送配置)"));
    case 0x00A3: return Gbk(QStringLiteral("(WNMP_SETCFGACK,设置配置确认)"));
    case 0x00A8: return Gbk(QStringLiteral("(WNMP_SENDSTATUS,回答状态)"));
    case 0x00AB: return Gbk(QStringLiteral("(WNMP_INFO,信息消息)"));
    case 0x00AF: return Gbk(QStringLiteral("(WNMP_FWACK)"));
    case 0x00B2: return Gbk(QStringLiteral("(WNMP_XWNMP,扩展的WNMP命令)"));
    default: return Gbk(QStringLiteral("未知消息"));
    }
}

std::string Format(const char* format, auto... args) {
    char line[128];
    const int n = std::snprintf(line, sizeof line, format, args...);
    return std::string(line, std::size_t(n));
}

// The longest header lines (the longest name) and end line, and the longest data line.
constexpr std::size_t kBlockMax = 160, kLineMax = 30;

std::string PlainScan(const std::uint8_t* c, std::size_t n, std::uint64_t& blocks) {
    static const std::string message = Gbk(QStringLiteral("消息：\t")), sequenceText = Gbk(QStringLiteral("序列号:\t")),
                             lengthText = Gbk(QStringLiteral("数据长度:\t"));
    std::string out;
    blocks = 0;
    for (std::size_t i = 0; i < n;) {
        unsigned type = 0, sequence = 0, length = 0;
        if (c[i] != 0x05 || !Hex(c, n, i + 1, 4, type)) {
            i += 1;
            continue;
        }
        if (!Hex(c, n, i + 5, 4, sequence)) {
            i += 5;
            continue;
        }
        if (!Hex(c, n, i + 9, 4, length)) {
            i += 9;
            continue;
        }
        const std::size_t blockStart = out.size();
        out += message + Format("%04XH\t", type) + Name(type) + "\r\n";
        out += sequenceText + Format("%04XH\r\n", sequence);
        out += lengthText + Format("%u\t(%04XH)\r\n", length, length);
        std::size_t p = i + 13;
        unsigned k = 0, value = 0;
        for (; k < length && Hex(c, n, p, 2, value); ++k, p += 2)
            out += Format("Offset %3u:\t%c\t(%u)\t(%02XH)\r\n", k, value >= 0x20 && value <= 0x7E ? char(value) : ' ',
                          value, value);
        out += std::string(65, '*') + "\r\n\r\n";
        FUZZ_CHECK(out.size() - blockStart <= kBlockMax + kLineMax * k);
        ++blocks;
        i = k == length && Hex(c, n, p, 2, value) ? p + 2 : p;
    }
    return out;
}

class CStrictSink : public IDumpSink {
public:
    std::vector<std::uint8_t> bytes;
    void Write(const std::uint8_t* b, std::size_t n) override { bytes.insert(bytes.end(), b, b + n); }
    void Rewind(std::uint64_t) override { FUZZ_CHECK(!"the text dump never takes back what it wrote"); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> capture = fuzz::BuildCapture(data, size);
    const std::uint8_t* c = capture.data();
    const std::size_t n = capture.size();

    std::uint64_t messages = 0;
    const std::vector<std::uint8_t> whole = WnmpDump(c, n, &messages);
    FUZZ_CHECK(messages <= n / 13);
    FUZZ_CHECK(whole.size() <= messages * kBlockMax + (n / 2) * kLineMax);
    FUZZ_CHECK(messages == 0 || !whole.empty());

    std::uint64_t blocks = 0;
    const std::string expected = PlainScan(c, n, blocks);
    FUZZ_CHECK(blocks == messages);
    FUZZ_CHECK(std::string(whole.begin(), whole.end()) == expected);

    CStrictSink sink;
    CWnmpDumpScanner scanner(sink);
    fuzz::CPieces pieces(data, size);
    for (std::size_t pos = 0; pos < n;) {
        const std::size_t piece = pieces.Next(n - pos);
        scanner.Feed(c + pos, piece);
        pos += piece;
    }
    FUZZ_CHECK(scanner.Finish() == messages);
    FUZZ_CHECK(sink.bytes == whole);
    return 0;
}
