#pragma once

#include "terminal/receive_view.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QString>
#include <algorithm>
#include <cstdlib>

// The receive area's rows in view as Qt itself draws their characters, each where the layout puts it,
// in the area's colours: what the area's own painting from kept glyphs must look like.
inline QImage QtDrawnRows(const CReceiveView& view) {
    const CReceiveLayout& layout = view.Layout();
    const QString& text = layout.Text();
    const QPalette pal = view.palette();
    QImage drawn(view.viewport()->size(), QImage::Format_RGB32);
    drawn.fill(pal.color(QPalette::Base));
    QPainter painter(&drawn);
    painter.setFont(view.font());
    const std::size_t first = std::size_t(view.verticalScrollBar()->value());
    for (std::size_t r = first; r < layout.Rows().size(); ++r) {
        const qreal top = CReceiveLayout::kMargin + qreal(r - first) * layout.LineHeight();
        qreal x = 0;
        const CReceiveLayout::Row row = layout.Rows()[r];
        for (int i = row.start; i < row.start + row.length && top < drawn.height(); ++i) {
            const qreal advance = layout.Advance(text[i], x);
            const bool selected = i >= view.SelectionStart() && i < view.SelectionEnd();
            const QRectF place(CReceiveLayout::kMargin + x, top, advance, layout.LineHeight());
            if (selected)
                painter.fillRect(place, pal.color(QPalette::Highlight));
            painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
            if (text[i] != QLatin1Char('\t'))
                painter.drawText(QPointF(place.left(), top + layout.Ascent()), QString(text[i]));
            x += advance;
        }
    }
    return drawn;
}

// Empty when `shown` looks as Qt's drawing does: a quarter pixel moves an edge's shade by a quarter at
// most, so only a few pixels may differ by more, never a misplaced or missing piece of ink.
inline QString UnlikeQtDrawing(const QImage& shown, const QImage& drawn) {
    const QImage a = shown.convertToFormat(QImage::Format_RGB32);
    if (a.size() != drawn.size())
        return QStringLiteral("sizes differ");
    int ink = 0, off = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = drawn.pixel(x, y);
            ink += q != drawn.pixel(0, 0);
            off += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))}) > 96;
        }
    if (off * 50 < ink)
        return QString();
    return QStringLiteral("%1 of %2 pixels of ink differ").arg(off).arg(ink);
}
