#include "terminal/receive_layout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTabStopSpaces = 8;

} // namespace

void CReceiveLayout::SetFont(const QFont& font) {
    m_font = font;
    const QFontMetricsF fm(font);
    m_lineHeight =
        std::max(1, int(std::ceil(fm.lineSpacing()))); // whole pixels, so rows can be moved as they are
    m_ascent = fm.ascent();
    m_tabStop = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char(' ')) * kTabStopSpaces);
    m_asciiAdvance.fill(-1);
    m_otherAdvance.clear();
}

qreal CReceiveLayout::MeasureAdvance(QChar c, qreal x) const {
    if (c == QLatin1Char('\t'))
        return m_tabStop - std::fmod(x, m_tabStop);
    const char16_t u = c.unicode();
    if (u < m_asciiAdvance.size())
        return m_asciiAdvance[u] = QFontMetricsF(m_font).horizontalAdvance(c);
    auto it = m_otherAdvance.find(u);
    if (it == m_otherAdvance.end())
        it = m_otherAdvance.emplace(u, QFontMetricsF(m_font).horizontalAdvance(c)).first;
    return it->second;
}

qreal CReceiveLayout::RunWidth(int from, int to, qreal x) const {
    const qreal start = x;
    for (int i = from; i < to; ++i)
        x += Advance(m_text[i], x);
    return x - start;
}

void CReceiveLayout::SetText(const QString& text, qreal width) {
    m_text = text;
    m_rows.assign(1, Row{});
    Rewrap(0, width);
}

std::size_t CReceiveLayout::Append(const QString& text, qreal width) {
    m_text += text;
    const std::size_t open = m_rows.size() - 1;
    Rewrap(open, width);
    return open;
}

// Rows before `fromRow` are final: a row is only ever closed by a line break or by running out of
// width, and text added later cannot change either.
void CReceiveLayout::Rewrap(std::size_t fromRow, qreal width) {
    m_width = width;
    fromRow = std::min(fromRow, m_rows.size() - 1);
    const int begin = m_rows[fromRow].start;
    m_rows.resize(fromRow);
    const int n = int(m_text.size());
    int rowStart = begin;
    int afterBlank = -1; // where the row may be cut: just after its last blank
    qreal x = 0;
    for (int i = begin; i < n; ++i) {
        const QChar c = m_text[i];
        if (c == QLatin1Char('\n')) {
            m_rows.push_back({rowStart, i - rowStart});
            rowStart = i + 1;
            afterBlank = -1;
            x = 0;
            continue;
        }
        qreal w = Advance(c, x);
        // Blanks may hang past the edge, as in an edit box; anything else starts a new row.
        if (c != QLatin1Char(' ') && x + w > width && i > rowStart) {
            const int cut = afterBlank > rowStart ? afterBlank : i;
            m_rows.push_back({rowStart, cut - rowStart});
            rowStart = cut;
            afterBlank = -1;
            x = RunWidth(rowStart, i);
            if (i > rowStart && x + Advance(c, x) > width) { // a word wider than the area
                m_rows.push_back({rowStart, i - rowStart});
                rowStart = i;
                x = 0;
            }
            w = Advance(c, x);
        }
        x += w;
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            afterBlank = i + 1;
    }
    m_rows.push_back({rowStart, n - rowStart});
}

std::size_t CReceiveLayout::RowOf(int offset) const {
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), offset,
                                        [](int o, const Row& row) { return o < row.start; });
    return after == m_rows.begin() ? 0 : std::size_t(after - m_rows.begin() - 1);
}

int CReceiveLayout::OffsetAt(std::size_t r, qreal target) const {
    const Row& row = m_rows[r];
    qreal x = 0;
    int pos = row.start;
    for (; pos < row.start + row.length; ++pos) {
        const qreal w = Advance(m_text[pos], x);
        if (x + w / 2 > target)
            break;
        x += w;
    }
    return pos;
}
