#pragma once

#include <QFont>
#include <QString>
#include <array>
#include <unordered_map>
#include <vector>

// The receive area's text and its rows: the text is kept as one string and cut into rows that fit the
// width. Appending wraps only the new tail, so keeping the rows up to date costs what arrived, not what
// is shown (a general text editor lays out the whole paragraph again, and in hex display the whole
// area is one paragraph). No widget: the view says how wide rows are and in which font.
class CReceiveLayout {
public:
    // As far from the frame as an edit box keeps its text.
    static constexpr int kMargin = 4;

    // Where each row starts in the text, and how many characters it shows (without its line break).
    struct Row {
        int start = 0;
        int length = 0;
    };

    CReceiveLayout() { SetFont(QFont()); }
    // A new font: every width is measured again (the rows are not: Rewrap(0) does that).
    void SetFont(const QFont& font);
    const QFont& Font() const { return m_font; }

    const QString& Text() const { return m_text; }
    void SetText(const QString& text, qreal width);
    // Adds to the text and wraps the tail; returns the first row that changed.
    std::size_t Append(const QString& text, qreal width);
    // Cuts the text from the start of row `fromRow` on into rows no wider than `width`.
    void Rewrap(std::size_t fromRow, qreal width);

    const std::vector<Row>& Rows() const { return m_rows; }
    qreal Width() const { return m_width; }
    int LineHeight() const { return m_lineHeight; }
    qreal Ascent() const { return m_ascent; }

    // The width of a character drawn at x (a tab reaches the next stop); each is measured once.
    qreal Advance(QChar c, qreal x) const {
        const char16_t u = c.unicode();
        return u < m_asciiAdvance.size() && m_asciiAdvance[u] >= 0 ? m_asciiAdvance[u] : MeasureAdvance(c, x);
    }
    // The width a run of the text takes when drawn from x.
    qreal RunWidth(int from, int to, qreal x = 0) const;
    // The row that shows the character at `offset` (the last row for the end of the text).
    std::size_t RowOf(int offset) const;
    // The character of row `row` nearest to x (from the row's start), or the row's end.
    int OffsetAt(std::size_t row, qreal x) const;

private:
    qreal MeasureAdvance(QChar c, qreal x) const;

    QFont m_font;
    QString m_text;
    std::vector<Row> m_rows{Row{}};
    qreal m_width = 1;
    int m_lineHeight = 1;
    qreal m_ascent = 0;
    qreal m_tabStop = 80;
    mutable std::array<qreal, 128> m_asciiAdvance{};
    mutable std::unordered_map<char16_t, qreal> m_otherAdvance;
};
