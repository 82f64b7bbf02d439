// Build-time helper: writes the program's icon, drawn in code, as PNG files for the icon theme.
// Usage: serimo-render-icon DIR SIZE...   writes DIR/<SIZE>x<SIZE>/apps/serimo.png for each size
#include "res/artwork.h"
#include "res/resource.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fputs("usage: serimo-render-icon DIR SIZE...\n", stderr);
        return 2;
    }
    // Runs during the build, where there is no display to ask for.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "serimo-render-icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = dir.filePath(folder + QStringLiteral("/serimo.png"));
        if (!dir.mkpath(folder) || !ResIconPixmap(IDR_MAINFRAME, size).save(file, "PNG")) {
            std::fprintf(stderr, "serimo-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
