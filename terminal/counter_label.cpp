#include "terminal/counter_label.h"

#include <QEvent>
#include <QGlyphRun>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

CCounterLabelPaint::CCounterLabelPaint(QLabel* label) : QObject(label), m_label(label) {
    // Opaque: the label fills its own box, so a new count repaints the label and nothing behind it.
    label->setAttribute(Qt::WA_OpaquePaintEvent);
    label->installEventFilter(this);
}

bool CCounterLabelPaint::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_label)
        return false;
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_bFontKnown = false;
    return event->type() == QEvent::Paint && Paint();
}

// The glyph and advance of every printable ASCII character in the label's font, looked up again only
// when the font changes.
bool CCounterLabelPaint::Prepare() {
    if (m_bFontKnown)
        return m_font.isValid();
    m_bFontKnown = true;
    m_font = QRawFont::fromFont(m_label->font());
    m_nInset = m_label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    m_glyphs.fill(0);
    m_advances.fill(0);
    if (!m_font.isValid())
        return false;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        const QList<quint32> glyph = m_font.glyphIndexesForString(QString(QChar(c)));
        if (glyph.size() == 1 && glyph[0] != 0) {
            m_glyphs[c] = glyph[0];
            m_advances[c] = m_font.advancesForGlyphIndexes(glyph).value(0).x();
        }
    }
    return true;
}

bool CCounterLabelPaint::Paint() {
    QLabel& label = *m_label;
    // What the label shows as plain text: a line of printable ASCII, all of it with glyphs.
    const QString text = label.text();
    bool plain = label.isEnabled() && label.textFormat() == Qt::PlainText && !label.wordWrap() &&
                 label.pixmap().isNull() && label.margin() == 0 && label.indent() < 0 && Prepare();
    qreal width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        plain = plain && u < 0x7F && m_glyphs[u] != 0;
        if (plain)
            width += m_advances[u];
    }
    if (!plain) {
        QPainter(&label).fillRect(label.rect(), label.palette().brush(label.backgroundRole()));
        return false; // the label paints itself over the background
    }

    QStyleOptionFrame frame;
    frame.initFrom(&label);
    frame.frameShape = label.frameShape();
    frame.rect = label.frameRect();
    frame.lineWidth = label.lineWidth();
    frame.midLineWidth = label.midLineWidth();
    if (label.frameShadow() == QFrame::Sunken)
        frame.state |= QStyle::State_Sunken;
    else if (label.frameShadow() == QFrame::Raised)
        frame.state |= QStyle::State_Raised;
    const qreal scale = label.devicePixelRatioF();
    const int state = int(frame.state);
    if (m_box.isNull() || m_box.deviceIndependentSize() != QSizeF(label.size()) ||
        m_box.devicePixelRatio() != scale || m_boxPalette != label.palette().cacheKey() ||
        m_boxState != state) {
        m_box = QPixmap(label.size() * scale);
        m_box.setDevicePixelRatio(scale);
        m_box.fill(Qt::transparent);
        QPainter boxPainter(&m_box);
        boxPainter.fillRect(label.rect(), label.palette().brush(label.backgroundRole()));
        label.style()->drawControl(QStyle::CE_ShapedFrame, &frame, &boxPainter, &label);
        m_boxPalette = label.palette().cacheKey();
        m_boxState = state;
    }
    QPainter painter(&label);
    painter.drawPixmap(0, 0, m_box);
    if (text.isEmpty())
        return true;

    // Where the label would put it: inside the frame, half an x's width in from the aligned edges.
    const Qt::Alignment align = QStyle::visualAlignment(label.layoutDirection(), label.alignment());
    QRect box = label.contentsRect();
    if (label.frameWidth() > 0) {
        const int inset = m_nInset;
        box.adjust(align & Qt::AlignLeft ? inset : 0, align & Qt::AlignTop ? inset : 0,
                   align & Qt::AlignRight ? -inset : 0, align & Qt::AlignBottom ? -inset : 0);
    }
    const qreal height = m_font.ascent() + m_font.descent();
    qreal x = box.left(), y = box.top();
    if (align & Qt::AlignHCenter)
        x += (box.width() - width) / 2;
    else if (align & Qt::AlignRight)
        x += box.width() - width;
    if (align & Qt::AlignVCenter)
        y += (box.height() - height) / 2;
    else if (align & Qt::AlignBottom)
        y += box.height() - height;

    if (width > box.width() || height > box.height())
        painter.setClipRect(box); // as the label cuts a text too long for it

    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    qreal at = 0;
    for (QChar c : text) {
        glyphs.append(m_glyphs[c.unicode()]);
        positions.append(QPointF(at, 0));
        at += m_advances[c.unicode()];
    }
    QGlyphRun run;
    run.setRawFont(m_font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.setPen(label.palette().color(label.foregroundRole()));
    painter.drawGlyphRun(QPointF(x, y + m_font.ascent()), run);
    return true;
}
