// serimo-decode: the capture dumps of the program's save button, for captures made with other tools
// and for scripts. Reads the whole capture in pieces, so its size does not matter.

#include "terminal/capture_dump.h"
#include "terminal/dump_file.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

void PrintUsage(std::FILE* out) {
    std::fputs("usage: serimo-decode tcp CAPTURE OUT\n"
               "       serimo-decode wnmp CAPTURE OUT\n"
               "\n"
               "Decodes a capture of received bytes as the save button does with the save protocol\n"
               "\"TCP\" or \"WNMP\":\n"
               "  tcp   the payloads of the TCP stuffed frames (7E FF 03 84 ... 7E), one after the other\n"
               "  wnmp  a text dump of the WNMP messages (GBK, CR LF)\n"
               "OUT is replaced only when the dump was written whole.\n"
               "\n"
               "Exit status: 0 done, 1 CAPTURE unreadable or OUT unwritable, 2 wrong usage.\n",
               out);
}

int Fail(const char* what, const QString& path, const QString& reason) {
    std::fprintf(stderr, "serimo-decode: cannot %s %s: %s\n", what, qPrintable(path), qPrintable(reason));
    return kFailed;
}

template <typename Scanner>
int Decode(const QString& capturePath, const QString& outPath) {
    QFile capture(capturePath);
    if (!capture.open(QIODevice::ReadOnly))
        return Fail("read", capturePath, capture.errorString());
    CDumpFile out(outPath);
    if (!out.Open())
        return Fail("write", outPath, out.ErrorString());
    Scanner scanner(out);
    constexpr qint64 kPiece = 1 << 20;
    const auto buffer = std::make_unique<char[]>(kPiece);
    for (;;) {
        const qint64 got = capture.read(buffer.get(), kPiece);
        if (got < 0)
            return Fail("read", capturePath, capture.errorString());
        if (got == 0)
            break;
        scanner.Feed(reinterpret_cast<const std::uint8_t*>(buffer.get()), std::size_t(got));
    }
    scanner.Finish();
    if (!out.Commit())
        return Fail("write", outPath, out.ErrorString());
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return kOk;
    }
    if (argc != 4) {
        PrintUsage(stderr);
        return kUsage;
    }
    const QString capture = QFile::decodeName(argv[2]), out = QFile::decodeName(argv[3]);
    if (std::strcmp(argv[1], "tcp") == 0)
        return Decode<CTcpDumpScanner>(capture, out);
    if (std::strcmp(argv[1], "wnmp") == 0)
        return Decode<CWnmpDumpScanner>(capture, out);
    std::fprintf(stderr, "serimo-decode: unknown format \"%s\" (tcp or wnmp)\n", argv[1]);
    return kUsage;
}
