#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

// The receive area: a read-only text view for a line that may never stop talking. The text is kept
// as one string and cut into rows that fit the width; appending wraps only the new tail and painting
// draws only the rows in view, so bringing the area up to date costs what arrived, not what is shown
// (a general text editor lays out the whole paragraph again, and in hex display the whole area is one
// paragraph). It offers what a read-only edit box does: selection with the mouse or the keyboard,
// copy, select all, scrolling, and its text to assistive tools.
class CReceiveView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CReceiveView(QWidget* parent = nullptr);

    QString toPlainText() const { return m_text; }
    void setPlainText(const QString& text);
    void clear() { setPlainText(QString()); }
    void AppendText(const QString& text);
    void ScrollToEnd();

    QString SelectedText() const;
    void SelectAll();
    void Copy() const;
    // The selection runs from the anchor to the cursor, either way round; the cursor is the caret.
    int CursorPosition() const { return m_nCursor; }
    int SelectionStart() const { return std::min(m_nAnchor, m_nCursor); }
    int SelectionEnd() const { return std::max(m_nAnchor, m_nCursor); }
    void SetSelection(int anchor, int cursor);

    // Where each row starts in the text, and how many characters it shows (without its line break).
    struct Row {
        int start = 0;
        int length = 0;
    };
    const std::vector<Row>& Rows() const { return m_rows; }
    // The width rows are wrapped to, and the width a run of the text takes when drawn from x.
    qreal WrapWidth() const;
    qreal RunWidth(int from, int to, qreal x = 0) const;
    // The row that shows the character at `offset` (the last row for the end of the text).
    std::size_t RowOf(int offset) const;
    // Where a character is drawn and which character is drawn at a point, in viewport coordinates.
    QRect CharacterRect(int offset) const;
    int PositionAt(const QPoint& point) const;
    void ScrollToShow(int offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Rewrap(std::size_t fromRow);
    // Every character is measured once; wrapping and painting ask for each one.
    qreal Advance(QChar c, qreal x) const {
        const char16_t u = c.unicode();
        return u < m_asciiAdvance.size() && m_asciiAdvance[u] >= 0 ? m_asciiAdvance[u] : MeasureAdvance(c, x);
    }
    qreal MeasureAdvance(QChar c, qreal x) const;
    void ForgetMetrics();
    void UpdateScrollBar();
    void RowsChanged(std::size_t from);
    int RowTop(std::size_t row) const;
    void SelectionChanged();
    void AnnounceText(const QString& removed, const QString& inserted, int at);
    // A character as the area's font draws it at a quarter-pixel offset in the area's colours: the box
    // around its ink (from the pen's pixel and the row's top) with every pixel, and its runs of ink,
    // each a line and a column with the pixels, for where the box would cover a neighbour's ink.
    struct Glyph {
        struct Span {
            int y, x, length, offset;
        };
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<QRgb> box;
        std::vector<Span> spans;
        std::vector<QRgb> pixels;
    };
    const Glyph& GlyphFor(QChar c, int phase, bool selected) const;
    void ForgetGlyphs() const;
    void PaintRow(class QPainter& painter, std::size_t row, int y) const;

    QString m_text;
    std::vector<Row> m_rows{Row{}};
    int m_nAnchor = 0; // selection: from anchor to cursor, either way round
    int m_nCursor = 0;
    int m_lineHeight = 1;
    qreal m_ascent = 0;
    qreal m_tabStop = 80;
    mutable std::array<qreal, 128> m_asciiAdvance{};
    mutable std::unordered_map<char16_t, qreal> m_otherAdvance;
    mutable std::unordered_map<quint32, Glyph> m_glyphs;       // by character, offset and colours
    mutable std::array<const Glyph*, 128 * 8> m_asciiGlyphs{}; // the same, found without hashing
    mutable QImage m_rowImage;
    qreal m_glyphScale = 0; // the device pixel ratio glyphs and rows are drawn at
};
