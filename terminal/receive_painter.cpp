#include "terminal/receive_painter.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = CReceiveLayout::kMargin;

} // namespace

void CReceivePainter::Begin(const QFont& font, const QPalette& palette, int lineHeight, qreal ascent,
                            int width, qreal scale) {
    Look look{font,
              {palette.color(QPalette::Base), palette.color(QPalette::Text),
               palette.color(QPalette::Highlight), palette.color(QPalette::HighlightedText)},
              lineHeight,
              ascent,
              scale};
    if (!(look == m_look)) {
        m_look = std::move(look);
        ForgetGlyphs();
    }
    const QSize rowSize(int(std::ceil(width * scale)), int(std::ceil(lineHeight * scale)));
    if (m_rowImage.size() != rowSize) {
        m_rowImage = QImage(rowSize, QImage::Format_RGB32);
        m_rowImage.setDevicePixelRatio(scale);
    }
}

const CReceivePainter::Glyph& CReceivePainter::GlyphFor(QChar c, int phase, bool selected,
                                                        const CReceiveLayout& layout) {
    const quint32 key = (quint32(c.unicode()) << 3) | (quint32(phase) << 1) | quint32(selected);
    if (key < m_asciiGlyphs.size() && m_asciiGlyphs[key])
        return *m_asciiGlyphs[key];
    if (auto it = m_glyphs.find(key); it != m_glyphs.end())
        return it->second;
    if (m_glyphs.size() > 8192)
        ForgetGlyphs();
    const qreal scale = m_look.scale;
    const QRgb background = m_look.colours[selected ? 2 : 0].rgb();
    // Room on both sides for ink that reaches past the advance; cut to the ink afterwards.
    const int pad = int(std::ceil(m_look.lineHeight * scale));
    QImage image(int(std::ceil(layout.Advance(c, 0) * scale)) + 2 * pad, m_rowImage.height(),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setFont(m_look.font);
        painter.setPen(m_look.colours[selected ? 3 : 1]);
        painter.drawText(QPointF((pad + phase / 4.0) / scale, m_look.ascent), QString(c));
    }
    Glyph glyph;
    int first = image.width(), last = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width();) {
            if (line[x] == background) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < image.width() && line[x] != background)
                ++x;
            glyph.spans.push_back({y, from - pad, x - from, int(glyph.pixels.size())});
            glyph.pixels.insert(glyph.pixels.end(), line + from, line + x);
            first = std::min(first, from);
            last = std::max(last, x - 1);
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (last >= first) {
        glyph.left = first - pad;
        glyph.top = top;
        glyph.width = last - first + 1;
        glyph.height = bottom - top + 1;
        for (int y = top; y <= bottom; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            glyph.box.insert(glyph.box.end(), line + first, line + last + 1);
        }
    }
    const Glyph& kept = m_glyphs.emplace(key, std::move(glyph)).first->second;
    if (key < m_asciiGlyphs.size())
        m_asciiGlyphs[key] = &kept;
    return kept;
}

void CReceivePainter::ForgetGlyphs() {
    m_glyphs.clear();
    m_asciiGlyphs.fill(nullptr);
}

// One row, put together in an image of its own and drawn with one copy.
void CReceivePainter::PaintRow(QPainter& painter, const CReceiveLayout& layout, std::size_t r, int y,
                               int selFrom, int selTo) {
    m_rowImage.fill(m_look.colours[0]);
    const CReceiveLayout::Row& row = layout.Rows()[r];
    const QString& text = layout.Text();
    const int end = row.start + row.length;
    selFrom = std::clamp(selFrom, row.start, end);
    selTo = std::clamp(selTo, row.start, end);
    const qreal scale = m_look.scale;
    if (selTo > selFrom) {
        const qreal from = kMargin + layout.RunWidth(row.start, selFrom);
        const qreal to = from + layout.RunWidth(selFrom, selTo, from - kMargin);
        QPainter band(&m_rowImage);
        band.fillRect(QRectF(from, 0, to - from, m_look.lineHeight), m_look.colours[2]);
    }
    auto* bits = reinterpret_cast<QRgb*>(m_rowImage.bits());
    const qsizetype stride = m_rowImage.bytesPerLine() / qsizetype(sizeof(QRgb));
    const int imageWidth = m_rowImage.width(), height = m_rowImage.height();
    qreal x = 0;
    int inkEnd = 0; // right of every pixel of ink so far
    for (int i = row.start; i < end; ++i) {
        const QChar c = text[i];
        const qreal advance = layout.Advance(c, x);
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) {
            const qreal at = (kMargin + x) * scale;
            const int pixel = int(std::floor(at));
            const Glyph& glyph = GlyphFor(c, int((at - pixel) * 4) & 3, i >= selFrom && i < selTo, layout);
            const int left = pixel + glyph.left, right = left + glyph.width;
            if (selTo == selFrom && left >= std::max(inkEnd, pixel) &&
                right <= int(std::ceil((kMargin + x + advance) * scale)) && right <= imageWidth &&
                glyph.top + glyph.height <= height) {
                // The box stays within the character's own place and touches no ink (nor the edge of a
                // selection): copied whole.
                for (int gy = 0; gy < glyph.height; ++gy)
                    std::copy_n(glyph.box.data() + qsizetype(gy) * glyph.width, glyph.width,
                                bits + qsizetype(glyph.top + gy) * stride + left);
                inkEnd = right;
                x += advance;
                continue;
            }
            inkEnd = std::max(inkEnd, right);
            for (const Glyph::Span& span : glyph.spans) {
                const int left = pixel + span.x;
                const int from = std::max(0, -left), to = std::min(span.length, imageWidth - left);
                const QRgb* source = glyph.pixels.data() + span.offset;
                QRgb* target = bits + qsizetype(span.y) * stride + left;
                for (int k = from; k < to && span.y < height;
                     ++k) // a few pixels: a call to memcpy costs more
                    target[k] = source[k];
            }
        }
        x += advance;
    }
    painter.drawImage(QPoint(0, y), m_rowImage);
}
