#pragma once

#include "terminal/receive_layout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <array>
#include <unordered_map>
#include <vector>

class QPainter;
class QPalette;

// Draws the receive area's rows. Each character is drawn by Qt once for each quarter-pixel position and
// pair of colours, and kept: a row is then put together from these pixels, a copy per character instead
// of laying out and blending text each time, which matters because a fast line shows a new screenful
// every frame. The kept characters belong to the font, colours, row height and pixel ratio they were
// drawn in, and this class alone decides when they no longer hold: a change of width keeps them.
class CReceivePainter {
public:
    // Called before the rows of a frame are painted: the look they are drawn in and the area's width.
    void Begin(const QFont& font, const QPalette& palette, int lineHeight, qreal ascent, int width,
               qreal scale);
    // Row `row` of the layout at y, with the characters from selFrom to selTo selected.
    void PaintRow(QPainter& painter, const CReceiveLayout& layout, std::size_t row, int y, int selFrom,
                  int selTo);

private:
    // A character as the font draws it at a quarter-pixel offset in the area's colours: the box around
    // its ink (from the pen's pixel and the row's top) with every pixel, and its runs of ink, each a line
    // and a column with the pixels, for where the box would cover a neighbour's ink.
    struct Glyph {
        struct Span {
            int y, x, length, offset;
        };
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<QRgb> box;
        std::vector<Span> spans;
        std::vector<QRgb> pixels;
    };
    // What the kept characters were drawn in.
    struct Look {
        QFont font;
        std::array<QColor, 4> colours{}; // base, text, highlight, highlighted text
        int lineHeight = 0;
        qreal ascent = 0;
        qreal scale = 0;
        bool operator==(const Look&) const = default;
    };
    const Glyph& GlyphFor(QChar c, int phase, bool selected, const CReceiveLayout& layout);
    void ForgetGlyphs();

    Look m_look;
    std::unordered_map<quint32, Glyph> m_glyphs;       // by character, offset and colours
    std::array<const Glyph*, 128 * 8> m_asciiGlyphs{}; // the same, found without hashing
    QImage m_rowImage;
};
