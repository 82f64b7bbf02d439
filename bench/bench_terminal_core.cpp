// Throughput of the receive path as the main window runs it per arrival: capture, then (display on)
// the clearing rule and the display conversion. The widget update is not part of it.
#include "terminal/receive_display.h"
#include "terminal/rx_capture.h"
#include "terminal/stuffed_frame.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Noise(std::size_t n) {
    std::mt19937 random(2024);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Args: piece size, hex display, display on.
void BM_ReceivePath(benchmark::State& state) {
    const auto pieceSize = static_cast<std::size_t>(state.range(0));
    const bool hex = state.range(1) != 0;
    const bool display = state.range(2) != 0;

    // Several distinct pieces so the branch predictor does not learn one.
    constexpr std::size_t kPieces = 16;
    const std::vector<std::uint8_t> data = Noise(pieceSize * kPieces);
    std::vector<std::uint8_t> buffer(kRxBufferSize);
    std::int64_t count = 0;
    std::string text;
    text.reserve(kReceiveTextLimit + 3 * pieceSize);
    std::size_t next = 0;

    for (auto _ : state) {
        const std::uint8_t* piece = data.data() + next * pieceSize;
        next = (next + 1) % kPieces;
        CaptureReceived(buffer.data(), count, piece, pieceSize);
        // Start the capture over, as an RX reset would, so every piece pays for being stored.
        if (count >= static_cast<std::int64_t>(kRxBufferSize))
            count = 0;
        if (display) {
            if (ReceiveTextNeedsClear(text.size(), false))
                text.clear();
            AppendDisplayPiece(piece, pieceSize, hex, text);
        }
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(pieceSize));
    state.SetLabel(std::string(hex ? "hex" : "text") + (display ? ", display on" : ", display off"));
}
BENCHMARK(BM_ReceivePath)->ArgsProduct({{1, 64, 4096}, {0, 1}, {1, 0}})->ArgNames({"piece", "hex", "display"});

// One block of a file send under the TCP protocol.
void BM_BuildStuffedFrame(benchmark::State& state) {
    const std::vector<std::uint8_t> payload = Noise(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = payload;
        BuildStuffedFrame(bytes, kFrameTypeTcp);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BuildStuffedFrame)->Arg(256);

} // namespace

BENCHMARK_MAIN();
