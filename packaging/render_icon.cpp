// Build-time helper: writes the program's icon, drawn in code, as PNG files for the icon theme, or as
// one Windows icon file holding every size.
// Usage: serimo-render-icon DIR SIZE...         writes DIR/<SIZE>x<SIZE>/apps/serimo.png for each size
//        serimo-render-icon --ico FILE SIZE...  writes FILE, an .ico with one PNG image per size
#include "res/artwork.h"
#include "res/resource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QtEndian>
#include <cstdio>

namespace {

void PutLe16(QByteArray& out, quint16 value) {
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 2);
}

void PutLe32(QByteArray& out, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

QByteArray Png(int size) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ResIconPixmap(IDR_MAINFRAME, size).save(&buffer, "PNG");
    return png;
}

// An icon directory (six bytes), one sixteen-byte entry per image, then the images; Windows takes PNG
// images in an icon since Vista. A width or height of 256 is written as 0.
QByteArray IconFile(const QList<int>& sizes) {
    QList<QByteArray> images;
    for (int size : sizes)
        images << Png(size);
    QByteArray out;
    PutLe16(out, 0);
    PutLe16(out, 1);
    PutLe16(out, quint16(sizes.size()));
    quint32 offset = quint32(6 + 16 * sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const char side = char(sizes[i] >= 256 ? 0 : sizes[i]);
        out.append(side).append(side).append('\0').append('\0');
        PutLe16(out, 1);
        PutLe16(out, 32);
        PutLe32(out, quint32(images[i].size()));
        PutLe32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        out += image;
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    const bool ico = argc > 1 && QByteArray(argv[1]) == "--ico";
    const int first = ico ? 3 : 2;
    if (argc <= first) {
        std::fputs("usage: serimo-render-icon DIR SIZE... | --ico FILE SIZE...\n", stderr);
        return 2;
    }
    // Runs during the build, where there is no display to ask for.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QList<int> sizes;
    for (int i = first; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > (ico ? 256 : 1024)) {
            std::fprintf(stderr, "serimo-render-icon: bad size %s\n", argv[i]);
            return 2;
        }
        sizes << size;
    }
    if (ico) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::WriteOnly) || file.write(IconFile(sizes)) < 0 || !file.flush()) {
            std::fprintf(stderr, "serimo-render-icon: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (int size : sizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = dir.filePath(folder + QStringLiteral("/serimo.png"));
        if (!dir.mkpath(folder) || !ResIconPixmap(IDR_MAINFRAME, size).save(file, "PNG")) {
            std::fprintf(stderr, "serimo-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
