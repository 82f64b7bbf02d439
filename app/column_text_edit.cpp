#include "app/column_text_edit.h"

#include "app/column_font.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextLayout>

CColumnTextEdit::CColumnTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    MeasureFont();
}

void CColumnTextEdit::MeasureFont() {
    ++m_nGeneration; // every block is evened again, or loses what it got for the previous face
    m_bEven = HasEvenColumns(font());
    const QFontMetricsF metrics(font());
    qreal column = 0;
    for (char c = ' '; c <= '~'; ++c)
        column = qMax(column, metrics.horizontalAdvance(QLatin1Char(c)));
    for (char c = ' '; c <= '~'; ++c) {
        QTextCharFormat& format = m_formats[std::size_t(c)];
        format.setFontKerning(false);
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(column - metrics.horizontalAdvance(QLatin1Char(c)));
    }
}

void CColumnTextEdit::EvenOut(QTextBlock block) {
    QList<QTextLayout::FormatRange> ranges;
    const QString text = m_bEven ? QString() : block.text();
    auto printable = [&text](int i) { return text[i] >= QLatin1Char(' ') && text[i] <= QLatin1Char('~'); };
    for (int i = 0, end = 0; i < text.size(); i = end) {
        const QTextCharFormat& format = m_formats[text[i].unicode() & 0x7F];
        for (end = i + 1; end < text.size() && printable(i) && printable(end); ++end)
            if (m_formats[text[end].unicode()] != format)
                break;
        if (printable(i))
            ranges.append({i, end - i, format});
    }
    block.layout()->setFormats(ranges);
    block.setUserState(m_nGeneration);
    document()->markContentsDirty(block.position(), block.length());
}

void CColumnTextEdit::paintEvent(QPaintEvent* event) {
    const QRectF view = viewport()->rect();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF area = blockBoundingGeometry(block).translated(contentOffset());
        if (area.top() > view.bottom())
            break;
        // Untouched blocks of an even face need nothing.
        if (block.userState() != m_nGeneration && !(m_bEven && block.userState() == -1))
            EvenOut(block);
    }
    QPlainTextEdit::paintEvent(event);
}

void CColumnTextEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        MeasureFont();
}
