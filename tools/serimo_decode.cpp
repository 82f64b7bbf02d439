// serimo-decode: the capture dumps of the program's save button, for captures made with other tools
// and for scripts. Reads the whole capture in pieces, so its size does not matter.

#include "app/program_platform.h"
#include "terminal/capture_dump.h"
#include "terminal/dump_file.h"
#include "terminal/dump_stream.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

const QString kStandard = QStringLiteral("-");

void PrintUsage(std::FILE* out) {
    std::fputs("usage: serimo-decode tcp CAPTURE OUT\n"
               "       serimo-decode wnmp CAPTURE OUT\n"
               "\n"
               "Decodes a capture of received bytes as the save button does with the save protocol\n"
               "\"TCP\" or \"WNMP\":\n"
               "  tcp   the payloads of the TCP stuffed frames (7E FF 03 84 ... 7E), one after the other\n"
               "  wnmp  a text dump of the WNMP messages (GBK, CR LF)\n"
               "A CAPTURE of - is standard input, an OUT of - standard output (./- names a file \"-\").\n"
               "A regular file OUT is replaced only when the dump was written whole; through a symbolic\n"
               "link, the file it points to is replaced. An OUT that exists and is no regular file (a\n"
               "pipe, a device) is written in place.\n"
               "\n"
               "Exit status: 0 done, 1 CAPTURE unreadable or OUT unwritable, 2 wrong usage.\n",
               out);
}

QString Shown(const QString& path, const char* standard) {
    return path == kStandard ? QString::fromLatin1(standard) : path.isEmpty() ? QStringLiteral("\"\"") : path;
}

// Opens a path, or for "-" the standard stream.
bool OpenPath(QFile& file, const QString& path, std::FILE* standard, QIODevice::OpenMode mode) {
    if (path == kStandard)
        return file.open(fileno(standard), mode);
    file.setFileName(path);
    return file.open(mode);
}

int Fail(const char* what, const QString& path, const QString& reason) {
    std::fprintf(stderr, "serimo-decode: cannot %s %s: %s\n", what, qPrintable(path), qPrintable(reason));
    return kFailed;
}

// Where the dump goes: a regular file (or a new one) through a temporary file that replaces it whole;
// standard output, or anything else that exists (a pipe, a device), in place, since replacing it by
// a file would destroy it.
class COutput {
public:
    explicit COutput(const QString& path) : m_path(path) {
        const QFileInfo info(path);
        if (path != kStandard && (!info.exists() || info.isFile()))
            m_file = std::make_unique<CDumpFile>(path);
    }
    bool Open() {
        if (m_file)
            return m_file->Open();
        if (!OpenPath(m_device, m_path, stdout, QIODevice::WriteOnly))
            return false;
        m_stream = std::make_unique<CDumpStream>(m_device);
        return true;
    }
    IDumpSink& Sink() { return m_file ? static_cast<IDumpSink&>(*m_file) : *m_stream; }
    bool Commit() { return m_file ? m_file->Commit() : m_stream->Commit(); }
    QString ErrorString() const {
        return m_file ? m_file->ErrorString() : m_stream ? m_stream->ErrorString() : m_device.errorString();
    }

private:
    QString m_path;
    std::unique_ptr<CDumpFile> m_file;
    QFile m_device;
    std::unique_ptr<CDumpStream> m_stream;
};

template <typename Scanner>
int Decode(const QString& capturePath, const QString& outPath) {
    const QString captureName = Shown(capturePath, "standard input");
    const QString outName = Shown(outPath, "standard output");
    if (capturePath.isEmpty())
        return Fail("read", captureName, QStringLiteral("the path is empty"));
    if (outPath.isEmpty())
        return Fail("write", outName, QStringLiteral("the path is empty"));
    QFile capture;
    if (!OpenPath(capture, capturePath, stdin, QIODevice::ReadOnly))
        return Fail("read", captureName, capture.errorString());
    COutput out(outPath);
    if (!out.Open())
        return Fail("write", outName, out.ErrorString());
    Scanner scanner(out.Sink());
    constexpr qint64 kPiece = 1 << 20;
    const auto buffer = std::make_unique<char[]>(kPiece);
    for (;;) {
        const qint64 got = capture.read(buffer.get(), kPiece);
        if (got < 0)
            return Fail("read", captureName, capture.errorString());
        if (got == 0)
            break;
        scanner.Feed(reinterpret_cast<const std::uint8_t*>(buffer.get()), std::size_t(got));
    }
    scanner.Finish();
    if (!out.Commit())
        return Fail("write", outName, out.ErrorString());
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    SetBinaryStandardStreams();
    const QStringList arguments = ProgramArguments(argc, argv);
    if (arguments.size() == 2 && (arguments[1] == QLatin1String("--help") || arguments[1] == QLatin1String("-h"))) {
        PrintUsage(stdout);
        return kOk;
    }
    if (arguments.size() != 4) {
        PrintUsage(stderr);
        return kUsage;
    }
    const QString capture = arguments[2], out = arguments[3];
    if (arguments[1] == QLatin1String("tcp"))
        return Decode<CTcpDumpScanner>(capture, out);
    if (arguments[1] == QLatin1String("wnmp"))
        return Decode<CWnmpDumpScanner>(capture, out);
    std::fprintf(stderr, "serimo-decode: unknown format \"%s\" (tcp or wnmp)\n", qPrintable(arguments[1]));
    return kUsage;
}
