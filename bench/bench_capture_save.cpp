// The main window's save button on a full capture (204800 bytes) in each save protocol: time from the
// click to the moment the viewer would open, file written and renamed into place.
#include "res/resource.h"
#include "terminal/rx_capture.h"
#include "terminal/stuffed_frame.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

std::vector<std::uint8_t> DenseCapture(int protocol) {
    std::mt19937 rng(5);
    std::vector<std::uint8_t> out;
    static const char kHex[] = "0123456789ABCDEF";
    while (out.size() < kRxBufferSize) {
        if (protocol == 1) {
            std::vector<std::uint8_t> payload(64 + rng() % 1400);
            for (auto& b : payload)
                b = std::uint8_t(rng());
            BuildStuffedFrame(payload, kFrameTypeTcp);
            out.insert(out.end(), payload.begin(), payload.end());
        } else if (protocol == 2) {
            // Every data byte becomes a line: the largest dump a capture can give.
            const char* header = "\x05" "00A80001" "0047";
            out.insert(out.end(), header, header + 13);
            for (int i = 0; i < 72; ++i) {
                const unsigned b = rng() % 256;
                out.push_back(std::uint8_t(kHex[b >> 4]));
                out.push_back(std::uint8_t(kHex[b & 15]));
            }
            out.push_back(0x0D);
        } else {
            out.push_back(std::uint8_t(rng()));
        }
    }
    out.resize(kRxBufferSize);
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const char* names[] = {"Original", "TCP", "WNMP"};
    for (int protocol = 0; protocol < 3; ++protocol) {
        CWindowFixture f;
        CTerminalDlg& dlg = f.Start(QStringLiteral("[Receive]\nSave Protocol=%1\n").arg(protocol));
        const std::vector<std::uint8_t> capture = DenseCapture(protocol);
        dlg.Capture(capture.data(), capture.size());
        const QString path = f.dir.filePath(QStringLiteral("save.txt"));
        dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(path);
        auto* save = static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED));
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            t.start();
            save->click();
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        const QStringList texts = f.prompts.Texts();
        const QString written = protocol == 1 ? QStringLiteral("save.tcp") : protocol == 2 ? QStringLiteral("save.wnp") : QStringLiteral("save.txt");
        std::printf("%-8s save of %zu bytes: median %.2f ms, slowest %.2f ms, file %lld bytes, failures %zu\n",
                    names[protocol], kRxBufferSize, ms[ms.size() / 2], ms.back(),
                    static_cast<long long>(QFileInfo(f.dir.filePath(written)).size()),
                    std::size_t(texts.count(QStringLiteral("文件建立失败！"))));
    }
    return 0;
}
