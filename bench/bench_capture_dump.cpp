// Throughput of the two capture dumps, per byte of capture: into memory (the decoders alone) and into
// a file beside it (what the save button and serimo-decode do).
#include "terminal/capture_dump.h"
#include "terminal/dump_file.h"
#include "terminal/stuffed_frame.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr std::size_t kCaptureSize = 16 * 1024 * 1024;

// Counts and forgets: the decoder's own cost.
class CCountingSink : public IDumpSink {
public:
    std::uint64_t bytes = 0;
    void Write(const std::uint8_t*, std::size_t n) override { bytes += n; }
    void Rewind(std::uint64_t size) override { bytes = std::min(bytes, size); }
};

// Back-to-back TCP frames of random binary payloads (about one byte in eight escaped), with a little
// line noise between them.
const std::vector<std::uint8_t>& TcpCapture() {
    static const std::vector<std::uint8_t> capture = [] {
        std::mt19937 rng(1);
        std::vector<std::uint8_t> out;
        out.reserve(kCaptureSize + 4096);
        while (out.size() < kCaptureSize) {
            std::vector<std::uint8_t> payload(64 + rng() % 1400);
            for (auto& b : payload)
                b = std::uint8_t(rng());
            BuildStuffedFrame(payload, rng() % 8 ? kFrameTypeTcp : kFrameTypeUdp);
            out.insert(out.end(), payload.begin(), payload.end());
            if (rng() % 4 == 0)
                out.insert(out.end(), {0x0D, 0x0A});
        }
        return out;
    }();
    return capture;
}

// Nothing but WNMP messages of `length` data bytes, each with its checksum digits and CR.
std::vector<std::uint8_t> WnmpCapture(int length) {
    std::mt19937 rng(2);
    std::vector<std::uint8_t> out;
    out.reserve(kCaptureSize + 4096);
    static const char kHex[] = "0123456789ABCDEF";
    while (out.size() < kCaptureSize) {
        char header[16];
        std::snprintf(header, sizeof header, "\x05%04X%04X%04X", 0xA1 + unsigned(rng() % 16), unsigned(rng() % 65536),
                      unsigned(length));
        out.insert(out.end(), header, header + 13);
        for (int i = 0; i < length + 1; ++i) {
            const unsigned b = rng() % 256;
            out.push_back(std::uint8_t(kHex[b >> 4]));
            out.push_back(std::uint8_t(kHex[b & 15]));
        }
        out.push_back(0x0D);
    }
    return out;
}

void BM_TcpDump(benchmark::State& state) {
    const auto& capture = TcpCapture();
    for (auto _ : state) {
        CCountingSink sink;
        CTcpDumpScanner scanner(sink);
        scanner.Feed(capture.data(), capture.size());
        benchmark::DoNotOptimize(scanner.Finish());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * capture.size()));
}
BENCHMARK(BM_TcpDump)->Unit(benchmark::kMillisecond);

void BM_WnmpDump(benchmark::State& state) {
    const auto capture = WnmpCapture(int(state.range(0)));
    std::uint64_t text = 0;
    for (auto _ : state) {
        CCountingSink sink;
        CWnmpDumpScanner scanner(sink);
        scanner.Feed(capture.data(), capture.size());
        benchmark::DoNotOptimize(scanner.Finish());
        text = sink.bytes;
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * capture.size()));
    state.counters["text_per_capture_byte"] = double(text) / double(capture.size());
}
BENCHMARK(BM_WnmpDump)->Arg(0)->Arg(4)->Arg(71)->ArgName("data_bytes")->Unit(benchmark::kMillisecond);

// Through a temporary file renamed into place, in 1 MiB pieces as serimo-decode reads.
template <typename Scanner>
void DumpToFile(benchmark::State& state, const std::vector<std::uint8_t>& capture) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.dump"));
    for (auto _ : state) {
        CDumpFile file(path);
        if (!file.Open()) {
            state.SkipWithError("cannot create the file");
            return;
        }
        Scanner scanner(file);
        for (std::size_t at = 0; at < capture.size(); at += 1 << 20)
            scanner.Feed(capture.data() + at, std::min<std::size_t>(1 << 20, capture.size() - at));
        scanner.Finish();
        if (!file.Commit()) {
            state.SkipWithError("cannot write the file");
            return;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * capture.size()));
}

void BM_TcpDumpToFile(benchmark::State& state) { DumpToFile<CTcpDumpScanner>(state, TcpCapture()); }
BENCHMARK(BM_TcpDumpToFile)->Unit(benchmark::kMillisecond);

void BM_WnmpDumpToFile(benchmark::State& state) {
    DumpToFile<CWnmpDumpScanner>(state, WnmpCapture(int(state.range(0))));
}
BENCHMARK(BM_WnmpDumpToFile)->Arg(4)->ArgName("data_bytes")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
