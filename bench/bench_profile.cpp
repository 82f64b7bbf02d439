// Loading and saving the profile as the window does (load, the window's 21 writes, save), on files
// far bigger than any real profile: goal 50 MB in under 2 s and under 300 MB of memory, and a save
// never grows the file. Files over the size limit are refused on load (and never saved); the biggest
// accepted file is measured in its worst shapes too. Run one shape at a time (--benchmark_filter) for
// a peak memory figure of its own.
#include "app/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

enum Shape { kBlankLines, kEntries, kComments, kTinyEntries };

QByteArray MakeFile(Shape shape, qint64 size) {
    QByteArray bytes;
    bytes.reserve(size + 64);
    bytes += "[Com Port]\r\nBaud=6\r\n";
    switch (shape) {
    case kBlankLines:
        while (bytes.size() + 2 <= size)
            bytes += "\r\n";
        break;
    case kEntries:
        for (qint64 i = 0; bytes.size() + 24 <= size; ++i)
            bytes += "Key" + QByteArray::number(i) + "=some value\r\n";
        break;
    case kTinyEntries: // the most lines a file of this size can hold
        while (bytes.size() + 3 <= size)
            bytes += "a=\n";
        break;
    case kComments:
        while (bytes.size() + 40 <= size)
            bytes += "; a comment line of forty bytes, more\r\n";
        break;
    }
    return bytes;
}

long PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Args: shape, size in MiB (50 means 50 MB: refused by the size limit).
void BM_ProfileLoadSave(benchmark::State& state) {
    const auto shape = static_cast<Shape>(state.range(0));
    const qint64 size = state.range(1) == 50 ? 50'000'000 : state.range(1) * 1024 * 1024 - 1;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    const QByteArray content = MakeFile(shape, size);
    bool loaded = false;
    qint64 savedSize = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            QFile file(path);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(content);
        }
        state.ResumeTiming();
        CProfile profile(path);
        loaded = profile.State() == CProfile::LoadState::Loaded;
        for (int i = 0; i < 21; ++i)
            benchmark::DoNotOptimize(profile.GetProfileInt(QStringLiteral("Com Port"), QStringLiteral("Key%1").arg(i), i));
        for (int i = 0; i < 21; ++i)
            profile.WriteProfileInt(QStringLiteral("Com Port"), QStringLiteral("Key%1").arg(i), i);
        profile.Flush();
        savedSize = QFileInfo(path).size();
    }
    state.counters["loaded"] = loaded;
    state.counters["file_MB"] = double(content.size()) / 1e6;
    state.counters["growth_B"] = double(savedSize - content.size());
    state.counters["peak_rss_MiB"] = double(PeakRssMiB());
}

BENCHMARK(BM_ProfileLoadSave)
    ->ArgsProduct({{kBlankLines, kEntries, kComments, kTinyEntries}, {16, 50}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
