#include "terminal/capture_dump.h"
#include "terminal/stuffed_frame.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <random>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run Decode(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess tool;
    tool.start(QStringLiteral(SERIMO_DECODE_PATH), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    Run run;
    if (!tool.waitForFinished(30000)) {
        tool.kill();
        tool.waitForFinished(5000);
        return run;
    }
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = tool.readAllStandardOutput();
    run.err = tool.readAllStandardError();
    return run;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QByteArray Array(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

class TestDecodeTool : public QObject {
    Q_OBJECT

private slots:
    // The dumps' texts are known answers in tst_capture_dump; the tool writes what the library gives
    // (largeCaptureAsOneBuffer), also when a capture holds nothing, under paths of any characters.
    void workedExamples_data() {
        QTest::addColumn<QByteArray>("capture");
        QTest::addColumn<QByteArray>("dump");
        QTest::newRow("nothing found") << QByteArray("plain text\r\n") << QByteArray();
        // Names no ANSI code page holds, which a Windows program only gets from the UTF-16 command line.
        QTest::newRow("any characters in the paths") << QByteArray::fromHex("7EFF7D238448697D5E5AA57E")
                                                     << QByteArray("Hi~");
    }
    void workedExamples() {
        QFETCH(QByteArray, capture);
        QFETCH(QByteArray, dump);
        const bool anyCharacters = QByteArray(QTest::currentDataTag()).startsWith("any");
        const QString in = dir.filePath(anyCharacters ? QStringLiteral("捕获 ñ ü 😀.txt") : QStringLiteral("cap.txt"));
        const QString out = dir.filePath(anyCharacters ? QStringLiteral("输出 é 😀") : QStringLiteral("out"));
        QVERIFY(WriteFile(in, capture));
        const Run run = Decode({"tcp", in, out});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(ReadFile(out), dump);
    }

    // The tool reads in pieces; a capture of several pieces with frames and messages across their
    // borders decodes as one whole buffer does.
    void largeCaptureAsOneBuffer() {
        std::mt19937 rng(3);
        QByteArray capture;
        while (capture.size() < 3 * 1024 * 1024) {
            std::vector<std::uint8_t> payload(rng() % 3000);
            for (auto& b : payload)
                b = std::uint8_t(rng());
            const QByteArray hex = Array(payload).toHex();
            capture += "\x05" "00A80001" + QByteArray::number(qulonglong(payload.size()), 16).rightJustified(4, '0') + hex + "\r";
            BuildStuffedFrame(payload, kFrameTypeTcp);
            capture += Array(payload);
        }
        QVERIFY(WriteFile(dir.filePath("big.cap"), capture));
        const auto* data = reinterpret_cast<const std::uint8_t*>(capture.constData());
        const std::size_t size = std::size_t(capture.size());
        for (const char* format : {"tcp", "wnmp"}) {
            const Run run = Decode({format, dir.filePath("big.cap"), dir.filePath("big.out")});
            QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), run.err.constData());
            QCOMPARE(ReadFile(dir.filePath("big.out")),
                     Array(*format == 't' ? TcpDump(data, size) : WnmpDump(data, size)));
        }
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing capture") << QStringList{"tcp", "no-such-file", "out"} << 1
                                         << "serimo-decode: cannot read no-such-file: ";
        QTest::newRow("capture is a folder") << QStringList{"wnmp", ".", "out"} << 1 << "serimo-decode: cannot read .: ";
        QTest::newRow("output folder missing") << QStringList{"tcp", "cap.txt", "no-such-dir/out"} << 1
                                               << "serimo-decode: cannot write no-such-dir/out: ";
        QTest::newRow("no arguments") << QStringList{} << 2 << "usage: serimo-decode";
        QTest::newRow("unknown format") << QStringList{"udp", "cap.txt", "out"} << 2 << "serimo-decode: unknown format";
        QTest::newRow("output missing") << QStringList{"tcp", "cap.txt"} << 2 << "usage: serimo-decode";
        QTest::newRow("empty capture path") << QStringList{"tcp", "", "out"} << 1
                                            << "serimo-decode: cannot read \"\": the path is empty\n";
        QTest::newRow("empty output path") << QStringList{"tcp", "cap.txt", ""} << 1
                                           << "serimo-decode: cannot write \"\": the path is empty\n";
#ifdef Q_OS_UNIX
        // The file size limit below stands in for a full disk: the system's reason, not "Unknown error".
        QTest::newRow("output over the size limit") << QStringList{"tcp", "big.cap", "out"} << 1
                                                    << "serimo-decode: cannot write out: File too large\n";
#endif
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QVERIFY(WriteFile(dir.filePath("cap.txt"), "\x7E"));
        QVERIFY(WriteFile(dir.filePath("big.cap"), "\x7E\xFF\x03\x84" + QByteArray(40000, 'a') + "\x7E"));
        QVERIFY(WriteFile(dir.filePath("out"), "previous"));
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
#ifdef Q_OS_UNIX
        tool.setChildProcessModifier([] {
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
#endif
        tool.start(QStringLiteral(SERIMO_DECODE_PATH), arguments);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), exitCode);
        const QByteArray err = tool.readAllStandardError().replace("\r\n", "\n"); // CR LF on Windows
        QVERIFY2(err.startsWith(message.toUtf8()), err.constData());
        if (exitCode == 1)
            QCOMPARE(err.count('\n'), 1);
        QCOMPARE(ReadFile(dir.filePath("out")), QByteArray("previous"));
    }

    // Standard streams, and what exists but is no regular file, are written in place: a FIFO stays a
    // FIFO. A link to a file gets that file replaced and stays a link.
    void outputs_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to a FIFO") << "link to fifo";
        QTest::newRow("link to a file") << "link to file";
        QTest::newRow("standard input and output") << "-";
    }
    void outputs() {
#ifndef Q_OS_UNIX
        QSKIP("needs mkfifo and symbolic links: Windows has no FIFOs in the file system");
#else
        QFETCH(QString, kind);
        const QByteArray capture = QByteArray::fromHex("7EFF7D238448697D5E5AA57E");
        const QString fifo = dir.filePath("fifo"), file = dir.filePath("file"), link = dir.filePath("link");
        QFile::remove(fifo);
        QFile::remove(link);
        QVERIFY(WriteFile(dir.filePath("cap"), capture) && WriteFile(file, "previous"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString target = kind.endsWith("fifo") ? fifo : file;
        QVERIFY(!kind.startsWith("link") || QFile::link(target, link));
        // The FIFO's reader is there first, so opening it does not wait, and the dump fits its buffer.
        const int reader = open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        const QString out = kind == "-" ? kind : kind.startsWith("link") ? link : target;
        const Run run = Decode({"tcp", kind == "-" ? kind : dir.filePath("cap"), out}, capture);
        char got[16] = {};
        const ssize_t n = read(reader, got, sizeof got);
        close(reader);
        QCOMPARE(run.exitCode, 0);
        const QByteArray fromFifo(got, std::max<ssize_t>(n, 0));
        QCOMPARE(kind == "-" ? run.out : target == fifo ? fromFifo : ReadFile(file), QByteArray("Hi~"));
        QVERIFY(!QFileInfo(fifo).isFile());
        QCOMPARE(QFileInfo(link).isSymLink(), kind.startsWith("link"));
#endif
    }

    // "-" is binary both ways: no line end is translated and 1Ah does not end the input (it does on
    // Windows unless asked).
    void standardStreamsAreBinary() {
        std::vector<std::uint8_t> bytes{0x4A, 0x0A, 0x1A, 0x0D, 0x0A, 0x4B};
        BuildStuffedFrame(bytes, 0x84);
        const QByteArray capture = QByteArray("\x1A\r\n\x1A", 4) +
                                   QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        const Run run = Decode({"tcp", "-", "-"}, capture);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("J\n\x1A\r\nK"));
    }

    // Frames longer than standard output's writer holds in memory: a whole one comes out, a broken
    // one not at all.
    void longFramesToStandardOutput() {
        const QByteArray header("\x7E\xFF\x03\x84"), hi = QByteArray::fromHex("7EFF7D238448697D5E5AA57E");
        const QByteArray capture =
            header + QByteArray(9 << 20, 'a') + "\x7E" + header + QByteArray(9 << 20, 'b') + "\x01" + hi;
        const Run run = Decode({"tcp", "-", "-"}, capture);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out == QByteArray((9 << 20) - 2, 'a') + "Hi~");
    }

    void help() {
        const Run run = Decode({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("serimo-decode tcp CAPTURE OUT"));
        QVERIFY(run.out.contains("serimo-decode wnmp CAPTURE OUT"));
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestDecodeTool)
#include "tst_decode_tool.moc"
