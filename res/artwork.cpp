#include "res/artwork.h"

#include "res/resource.h"

#include <QBitmap>
#include <QGuiApplication>
#include <cmath>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// Artwork is drawn on a 32-unit grid and scaled to the size asked for.

// A pixmap of `size` logical pixels with as many device pixels as the screen has, so the drawing
// stays sharp at any scale factor.
QPixmap Canvas(QSize size, qreal dpr) {
    if (dpr <= 0)
        dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawConnector(QPainter& p) {
    // A nine-pin D connector: metal shell, dark insulator, two rows of pins.
    QPainterPath shell;
    shell.moveTo(2, 8);
    shell.lineTo(30, 8);
    shell.lineTo(26, 25);
    shell.lineTo(6, 25);
    shell.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 70), 1.2));
    p.setBrush(QColor(170, 175, 185));
    p.drawPath(shell);
    QPainterPath face;
    face.moveTo(5, 11);
    face.lineTo(27, 11);
    face.lineTo(24, 22);
    face.lineTo(8, 22);
    face.closeSubpath();
    p.setBrush(QColor(30, 50, 110));
    p.drawPath(face);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 60));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(8.5 + i * 3.75, 14.5), 1.3, 1.3);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(10.5 + i * 3.75, 19), 1.3, 1.3);
}

void DrawLamp(QPainter& p, bool lit) {
    QRadialGradient glow(QPointF(13, 12), 14);
    if (lit) {
        glow.setColorAt(0, QColor(230, 255, 200));
        glow.setColorAt(0.5, QColor(40, 220, 40));
        glow.setColorAt(1, QColor(0, 110, 0));
    } else {
        glow.setColorAt(0, QColor(150, 150, 150));
        glow.setColorAt(0.5, QColor(80, 80, 80));
        glow.setColorAt(1, QColor(30, 30, 30));
    }
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    p.setBrush(glow);
    p.drawEllipse(QPointF(16, 16), 12, 12);
}

void DrawAntenna(QPainter& p) {
    p.setPen(QPen(QColor(50, 50, 60), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 14), QPointF(16, 29));
    p.drawLine(QPointF(10, 29), QPointF(22, 29));
    p.setBrush(QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 12), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    for (int r = 1; r <= 2; ++r) {
        p.setPen(QPen(QColor(30, 90, 200), 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF arc(16 - 5.0 * r, 12 - 5.0 * r, 10.0 * r, 10.0 * r);
        p.drawArc(arc, 30 * 16, 120 * 16);
    }
}

QPixmap DrawIcon(int id, int size, qreal dpr) {
    QPixmap pixmap = Canvas(QSize(size, size), dpr);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    switch (id) {
    case IDR_MAINFRAME: DrawConnector(p); break;
    case IDI_LAMP_DARK: DrawLamp(p, false); break;
    case IDI_LAMP_LIT: DrawLamp(p, true); break;
    case IDI_DECORATION: DrawAntenna(p); break;
    default: break;
    }
    return pixmap;
}

QPixmap DrawPin(bool pressed) {
    QPixmap pixmap = Canvas(QSize(16, 15), 0);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor head(200, 30, 30), dark(90, 10, 10), needle(120, 120, 130);
    if (pressed) {
        // Seen from above, pushed in: a round head and its shadow.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawEllipse(QPointF(9, 9), 5, 5);
        p.setPen(QPen(dark, 1));
        p.setBrush(head);
        p.drawEllipse(QPointF(7.5, 7.5), 4.5, 4.5);
        p.setBrush(QColor(255, 160, 160));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(6, 6), 1.5, 1.5);
    } else {
        // Lying on its side: needle to the left, head to the right.
        p.setPen(QPen(needle, 1.2));
        p.drawLine(QPointF(1, 8), QPointF(7, 8));
        p.setPen(QPen(dark, 1));
        p.setBrush(head);
        p.drawRect(QRectF(7, 5.5, 2.5, 5));
        p.drawRect(QRectF(9.5, 6.5, 3, 3));
        p.drawRect(QRectF(12.5, 4, 2.5, 8));
    }
    return pixmap;
}

QPixmap DrawAnimationStrip() {
    // Four frames of a byte travelling down a line: a connector on the left, a dot moving right.
    QPixmap strip(64, 18);
    strip.fill(kAnimationTransparent);
    QPainter p(&strip);
    for (int f = 0; f < 4; ++f) {
        const int x0 = f * kAnimationFrameWidth;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 50, 110));
        p.drawRect(x0 + 1, 5, 4, 8);
        p.setBrush(QColor(240, 200, 60));
        p.drawRect(x0 + 2, 7, 2, 1);
        p.drawRect(x0 + 2, 10, 2, 1);
        p.setPen(QColor(60, 60, 70));
        p.drawLine(x0 + 5, 9, x0 + 15, 9);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 200, 40));
        p.drawRect(x0 + 6 + f * 2, 7, 3, 5);
    }
    return strip;
}

} // namespace

QPixmap ResIconPixmap(int id, int size, qreal dpr) { return DrawIcon(id, size, dpr); }

QIcon ResIcon(int id) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(DrawIcon(id, size, 1.0));
    return icon;
}

QPixmap ResBitmap(int id) {
    switch (id) {
    case IDB_PIN_PRESSED: return DrawPin(true);
    case IDB_PIN_LYING: return DrawPin(false);
    case IDB_ANIMATION: return DrawAnimationStrip();
    default: return QPixmap();
    }
}

QString ResArtworkName(int id) {
    switch (id) {
    case IDR_MAINFRAME: return QStringLiteral("Serimo 图标");
    case IDI_LAMP_DARK:
    case IDI_LAMP_LIT: return QStringLiteral("端口指示灯");
    case IDI_DECORATION: return QStringLiteral("天线");
    case IDB_PIN_PRESSED:
    case IDB_PIN_LYING: return QStringLiteral("窗口总在最前");
    default: return QString();
    }
}

std::vector<QIcon> MakeImageList(const QPixmap& strip, int frameWidth, const QColor& transparent) {
    std::vector<QIcon> frames;
    if (frameWidth <= 0)
        return frames;
    for (int x = 0; x + frameWidth <= strip.width(); x += frameWidth) {
        QPixmap frame = strip.copy(x, 0, frameWidth, strip.height());
        frame.setMask(frame.createMaskFromColor(transparent, Qt::MaskInColor));
        frames.emplace_back(frame);
    }
    return frames;
}
