#include "terminal/receive_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>
#include <deque>

namespace {

constexpr int kMargin = 4; // as far from the frame as an edit box keeps its text
constexpr int kTabStopSpaces = 8;

// Tells assistive tools what the area holds: a read-only, multi-line text whose value is its text, and
// the text itself by character, word and line, with the caret, the selection and where each
// character is on the screen.
class CReceiveViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CReceiveViewAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return View()->toPlainText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    void selection(int index, int* startOffset, int* endOffset) const override {
        const bool any = index == 0 && selectionCount() == 1;
        *startOffset = any ? View()->SelectionStart() : 0;
        *endOffset = any ? View()->SelectionEnd() : 0;
    }
    int selectionCount() const override { return View()->SelectionStart() != View()->SelectionEnd() ? 1 : 0; }
    // The area has one selection, as an edit box does; adding one replaces it.
    void addSelection(int startOffset, int endOffset) override {
        View()->SetSelection(startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0)
            View()->SetSelection(View()->CursorPosition(), View()->CursorPosition());
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0)
            View()->SetSelection(startOffset, endOffset);
    }
    int cursorPosition() const override { return View()->CursorPosition(); }
    void setCursorPosition(int position) override { View()->SetSelection(position, position); }

    QString text(int startOffset, int endOffset) const override {
        const QString all = View()->toPlainText();
        const int from = std::clamp(startOffset, 0, int(all.size()));
        return all.mid(from, std::clamp(endOffset, from, int(all.size())) - from);
    }
    int characterCount() const override { return int(View()->toPlainText().size()); }

    // A line is a row as the area shows it, with the line break that ends it, as a stock edit box
    // reports lines; hex display has no line breaks at all, and its one paragraph would be all text.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAtOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, 0), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textBeforeOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, -1), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAfterOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, 1), startOffset, endOffset);
    }

    QRect characterRect(int offset) const override {
        const QRect r = View()->CharacterRect(offset);
        return r.isNull() ? r : QRect(View()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint local = View()->viewport()->mapFromGlobal(point);
        return View()->viewport()->rect().contains(local) ? View()->PositionAt(local) : -1;
    }
    void scrollToSubstring(int startIndex, int) override { View()->ScrollToShow(startIndex); }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0; // plain text: no attributes anywhere
        *endOffset = characterCount();
        return QString();
    }

private:
    CReceiveView* View() const { return static_cast<CReceiveView*>(widget()); }
    // The row `step` rows away from the one holding `offset` (-1: the end of the text), or -1.
    long RowAround(int offset, int step) const {
        const int count = characterCount();
        if (offset == -1)
            offset = count;
        if (offset < 0 || offset > count)
            return -1;
        const long r = long(View()->RowOf(offset)) + step;
        return r >= 0 && r < long(View()->Rows().size()) ? r : -1;
    }
    QString RowText(long r, int* startOffset, int* endOffset) const {
        const auto& rows = View()->Rows();
        if (r < 0) {
            *startOffset = *endOffset = -1;
            return QString();
        }
        *startOffset = rows[std::size_t(r)].start;
        *endOffset = std::size_t(r) + 1 < rows.size() ? rows[std::size_t(r) + 1].start : characterCount();
        return text(*startOffset, *endOffset);
    }
};

// The area's scroll bar. While a line keeps talking, its range changes every frame as the area fills
// and empties, and a style paints a scroll bar with large fills (which Qt hands to worker threads and
// waits for). Its handle takes only a few dozen places over and over, so each look is kept as a
// picture and shown again. While the mouse is on it or presses it, it paints as any scroll bar does.
class CReceiveScrollBar : public QScrollBar {
public:
    explicit CReceiveScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        if (m_bPressed || underMouse() || style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
            QScrollBar::paintEvent(event);
            return;
        }
        // Painted as QScrollBar paints itself when nothing on it is hovered or pressed.
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_All;
        const QRect handle =
            style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        const Look look{size(),
                        handle,
                        value() == minimum(),
                        value() == maximum(),
                        isActiveWindow(),
                        devicePixelRatioF()};
        auto it = std::find_if(m_looks.begin(), m_looks.end(),
                               [&](const auto& kept) { return kept.first == look; });
        if (it == m_looks.end()) {
            if (m_looks.size() >= kLooks)
                m_looks.pop_back();
            QPixmap picture(size() * look.scale);
            picture.setDevicePixelRatio(look.scale);
            picture.fill(palette().color(QPalette::Window));
            QPainter painter(&picture);
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
            painter.end();
            m_looks.emplace_front(look, picture);
            it = m_looks.begin();
        }
        QPainter(this).drawPixmap(0, 0, it->second);
    }
    void changeEvent(QEvent* event) override {
        m_looks.clear(); // a new style, palette, font or state
        QScrollBar::changeEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        m_bPressed = true;
        QScrollBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        m_bPressed = false;
        QScrollBar::mouseReleaseEvent(event);
    }

private:
    struct Look {
        QSize size;
        QRect handle;
        bool atMinimum, atMaximum, active;
        qreal scale;
        bool operator==(const Look&) const = default;
    };
    static constexpr std::size_t kLooks = 32;
    std::deque<std::pair<Look, QPixmap>> m_looks; // the newest first
    bool m_bPressed = false;
};

QAccessibleInterface* ReceiveViewAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CReceiveView") && object && object->isWidgetType())
        return new CReceiveViewAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

CReceiveView::CReceiveView(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool registered = [] {
        QAccessible::installFactory(ReceiveViewAccessible);
        return true;
    }();
    Q_UNUSED(registered);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    // Every pixel is painted by paintEvent, so Qt neither clears the area first nor repaints what
    // lies under it, and can move drawn rows when the text scrolls.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setVerticalScrollBar(new CReceiveScrollBar(this));
    verticalScrollBar()->setSingleStep(1);
    ForgetMetrics();
}

void CReceiveView::ForgetMetrics() {
    const QFontMetricsF fm(font());
    m_lineHeight =
        std::max(1, int(std::ceil(fm.lineSpacing()))); // whole pixels, so rows can be moved as they are
    m_ascent = fm.ascent();
    m_tabStop = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char(' ')) * kTabStopSpaces);
    m_asciiAdvance.fill(-1);
    m_otherAdvance.clear();
    ForgetGlyphs();
}

qreal CReceiveView::MeasureAdvance(QChar c, qreal x) const {
    if (c == QLatin1Char('\t'))
        return m_tabStop - std::fmod(x, m_tabStop);
    const char16_t u = c.unicode();
    if (u < m_asciiAdvance.size())
        return m_asciiAdvance[u] = QFontMetricsF(font()).horizontalAdvance(c);
    auto it = m_otherAdvance.find(u);
    if (it == m_otherAdvance.end())
        it = m_otherAdvance.emplace(u, QFontMetricsF(font()).horizontalAdvance(c)).first;
    return it->second;
}

qreal CReceiveView::RunWidth(int from, int to, qreal x) const {
    const qreal start = x;
    for (int i = from; i < to; ++i)
        x += Advance(m_text[i], x);
    return x - start;
}

qreal CReceiveView::WrapWidth() const {
    return std::max<qreal>(1, viewport()->width() - 2 * kMargin);
}

// Cuts the text from the start of row `fromRow` on into rows. Rows before it are final: a row is only
// ever closed by a line break or by running out of width, and text added later cannot change either.
void CReceiveView::Rewrap(std::size_t fromRow) {
    fromRow = std::min(fromRow, m_rows.size() - 1);
    const int begin = m_rows[fromRow].start;
    m_rows.resize(fromRow);
    const qreal width = WrapWidth();
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
    UpdateScrollBar();
}

void CReceiveView::setPlainText(const QString& text) {
    const QString old = m_text;
    m_text = text;
    m_nAnchor = m_nCursor = 0;
    m_rows.assign(1, Row{});
    Rewrap(0);
    viewport()->update();
    AnnounceText(old, text, 0);
}

void CReceiveView::AppendText(const QString& text) {
    if (text.isEmpty())
        return;
    const int at = int(m_text.size());
    m_text += text;
    const std::size_t open = m_rows.size() - 1;
    Rewrap(open);
    RowsChanged(open);
    AnnounceText(QString(), text, at);
}

// Assistive tools hear of each change the area gets, which is once a frame at most; nobody pays for
// building the events while no such tool is listening.
void CReceiveView::AnnounceText(const QString& removed, const QString& inserted, int at) {
    if (!QAccessible::isActive() || (removed.isEmpty() && inserted.isEmpty()))
        return;
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, at, inserted);
        event.setCursorPosition(m_nCursor);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, at, removed);
        event.setCursorPosition(m_nCursor);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, removed, inserted);
        event.setCursorPosition(m_nCursor);
        QAccessible::updateAccessibility(&event);
    }
}

void CReceiveView::SelectionChanged() {
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    QAccessibleTextSelectionEvent event(this, SelectionStart(), SelectionEnd());
    event.setCursorPosition(m_nCursor);
    QAccessible::updateAccessibility(&event);
}

void CReceiveView::SetSelection(int anchor, int cursor) {
    const int n = int(m_text.size());
    anchor = std::clamp(anchor, 0, n);
    cursor = std::clamp(cursor, 0, n);
    if (anchor == m_nAnchor && cursor == m_nCursor)
        return;
    m_nAnchor = anchor;
    m_nCursor = cursor;
    SelectionChanged();
}

std::size_t CReceiveView::RowOf(int offset) const {
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), offset,
                                        [](int o, const Row& row) { return o < row.start; });
    return after == m_rows.begin() ? 0 : std::size_t(after - m_rows.begin() - 1);
}

QRect CReceiveView::CharacterRect(int offset) const {
    if (offset < 0 || offset >= int(m_text.size()))
        return QRect();
    const std::size_t r = RowOf(offset);
    const qreal x = kMargin + RunWidth(m_rows[r].start, offset);
    const qreal width = m_text[offset] == QLatin1Char('\n') ? 0 : Advance(m_text[offset], x - kMargin);
    const qreal y = kMargin + (qreal(r) - verticalScrollBar()->value()) * m_lineHeight;
    return QRectF(x, y, width, m_lineHeight).toAlignedRect();
}

void CReceiveView::ScrollToShow(int offset) {
    const int r = int(RowOf(std::clamp(offset, 0, int(m_text.size()))));
    QScrollBar* bar = verticalScrollBar();
    if (r < bar->value())
        bar->setValue(r);
    else if (r >= bar->value() + bar->pageStep())
        bar->setValue(r - bar->pageStep() + 1);
}

// Rows from `from` on are to be painted again; the rows before them keep their pixels (a scroll that
// follows moves the request with them).
void CReceiveView::RowsChanged(std::size_t from) {
    const int y = RowTop(from);
    if (y < viewport()->height())
        viewport()->update(0, std::max(0, y), viewport()->width(), viewport()->height() - std::max(0, y));
}

int CReceiveView::RowTop(std::size_t row) const {
    const qint64 top = kMargin + (qint64(row) - verticalScrollBar()->value()) * m_lineHeight;
    return int(std::clamp<qint64>(top, -m_lineHeight, viewport()->height()));
}

void CReceiveView::ScrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CReceiveView::UpdateScrollBar() {
    const int visible = std::max(1, (viewport()->height() - 2 * kMargin) / m_lineHeight);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, int(m_rows.size()) - visible));
    bar->setPageStep(visible);
}

QString CReceiveView::SelectedText() const {
    const int from = std::min(m_nAnchor, m_nCursor), to = std::max(m_nAnchor, m_nCursor);
    return m_text.mid(from, to - from);
}

void CReceiveView::SelectAll() {
    SetSelection(0, int(m_text.size()));
}

void CReceiveView::Copy() const {
    if (m_nAnchor != m_nCursor)
        QGuiApplication::clipboard()->setText(SelectedText());
}

// Each character is drawn by Qt once for each quarter-pixel position and pair of colours, and kept: a
// row is then put together from these pixels, a copy per character instead of laying out and blending
// text each time, which matters because a fast line shows a new screenful every frame.
const CReceiveView::Glyph& CReceiveView::GlyphFor(QChar c, int phase, bool selected) const {
    const quint32 key = (quint32(c.unicode()) << 3) | (quint32(phase) << 1) | quint32(selected);
    if (key < m_asciiGlyphs.size() && m_asciiGlyphs[key])
        return *m_asciiGlyphs[key];
    if (auto it = m_glyphs.find(key); it != m_glyphs.end())
        return it->second;
    if (m_glyphs.size() > 8192)
        ForgetGlyphs();
    const QPalette& pal = palette();
    const QRgb background = pal.color(selected ? QPalette::Highlight : QPalette::Base).rgb();
    // Room on both sides for ink that reaches past the advance; cut to the ink afterwards.
    const int pad = int(std::ceil(m_lineHeight * m_glyphScale));
    QImage image(int(std::ceil(Advance(c, 0) * m_glyphScale)) + 2 * pad, m_rowImage.height(),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(m_glyphScale);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setFont(font());
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPointF((pad + phase / 4.0) / m_glyphScale, m_ascent), QString(c));
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

void CReceiveView::ForgetGlyphs() const {
    m_glyphs.clear();
    m_asciiGlyphs.fill(nullptr);
}

// One row, put together in an image of its own and drawn with one copy.
void CReceiveView::PaintRow(QPainter& painter, std::size_t r, int y) const {
    const QPalette& pal = palette();
    m_rowImage.fill(pal.color(QPalette::Base));
    const Row& row = m_rows[r];
    const int end = row.start + row.length;
    const int selFrom = std::clamp(SelectionStart(), row.start, end),
              selTo = std::clamp(SelectionEnd(), row.start, end);
    const qreal scale = m_glyphScale;
    if (selTo > selFrom) {
        const qreal from = kMargin + RunWidth(row.start, selFrom);
        const qreal to = from + RunWidth(selFrom, selTo, from - kMargin);
        QPainter band(&m_rowImage);
        band.fillRect(QRectF(from, 0, to - from, m_lineHeight), pal.brush(QPalette::Highlight));
    }
    auto* bits = reinterpret_cast<QRgb*>(m_rowImage.bits());
    const qsizetype stride = m_rowImage.bytesPerLine() / qsizetype(sizeof(QRgb));
    const int imageWidth = m_rowImage.width(), height = m_rowImage.height();
    qreal x = 0;
    int inkEnd = 0; // right of every pixel of ink so far
    for (int i = row.start; i < end; ++i) {
        const QChar c = m_text[i];
        const qreal advance = Advance(c, x);
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) {
            const qreal at = (kMargin + x) * scale;
            const int pixel = int(std::floor(at));
            const Glyph& glyph = GlyphFor(c, int((at - pixel) * 4) & 3, i >= selFrom && i < selTo);
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

void CReceiveView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const QRect dirty = event->rect();
    const int width = viewport()->width();
    const qreal scale = viewport()->devicePixelRatioF();
    if (scale != m_glyphScale) {
        m_glyphScale = scale;
        ForgetGlyphs();
    }
    const QSize rowSize(int(std::ceil(width * scale)), int(std::ceil(m_lineHeight * scale)));
    if (m_rowImage.size() != rowSize) {
        m_rowImage = QImage(rowSize, QImage::Format_RGB32);
        m_rowImage.setDevicePixelRatio(scale);
        ForgetGlyphs();
    }
    const int value = std::max(0, verticalScrollBar()->value());
    // Only the rows the region touches, and no pass over the whole area first.
    const std::size_t first = std::size_t(value + std::max(0, (dirty.top() - kMargin) / m_lineHeight));
    const std::size_t last = std::min(
        m_rows.size(), std::size_t(value + std::max(0, (dirty.bottom() - kMargin) / m_lineHeight) + 1));
    if (dirty.top() < kMargin)
        painter.fillRect(QRect(0, 0, width, kMargin) & dirty, pal.base());
    int y = RowTop(first);
    for (std::size_t r = first; r < last && y < dirty.bottom() + 1; ++r, y += m_lineHeight)
        PaintRow(painter, r, y);
    if (y <= dirty.bottom())
        painter.fillRect(QRect(0, y, width, dirty.bottom() + 1 - y) & dirty, pal.base());
}

void CReceiveView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    Rewrap(0);
    viewport()->update();
    if (atEnd)
        ScrollToEnd();
}

void CReceiveView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        ForgetGlyphs();
    if (event->type() == QEvent::FontChange) {
        ForgetMetrics();
        Rewrap(0);
        viewport()->update();
    }
}

// The rows already drawn move with the text; Qt paints only the band they uncover (or everything, where
// it cannot move pixels: a scale factor that makes the distance fractional).
void CReceiveView::scrollContentsBy(int, int dy) {
    const QRect rows(0, kMargin, viewport()->width(), std::max(0, viewport()->height() - kMargin));
    if (std::abs(qint64(dy)) * m_lineHeight < rows.height())
        viewport()->scroll(0, dy * m_lineHeight, rows);
    else
        viewport()->update();
}

int CReceiveView::PositionAt(const QPoint& point) const {
    const qreal rowsDown = std::floor((point.y() - kMargin) / m_lineHeight);
    const qreal wanted = verticalScrollBar()->value() + rowsDown;
    const std::size_t r = std::size_t(std::clamp<qreal>(wanted, 0, qreal(m_rows.size() - 1)));
    const Row& row = m_rows[r];
    const qreal target = point.x() - kMargin;
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

void CReceiveView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    if (event == QKeySequence::Copy) {
        Copy();
    } else if (event == QKeySequence::SelectAll) {
        SelectAll();
    } else if (event->key() == Qt::Key_Up) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (event->key() == Qt::Key_Down) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (event->key() == Qt::Key_PageUp) {
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    } else if (event->key() == Qt::Key_PageDown) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        event->ignore(); // Enter, Escape and the rest belong to the window
    }
}

void CReceiveView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int at = PositionAt(event->position().toPoint());
    SetSelection(event->modifiers() & Qt::ShiftModifier ? m_nAnchor : at, at);
}

void CReceiveView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    if (at.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (at.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    SetSelection(m_nAnchor, PositionAt(at));
}

void CReceiveView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A word is a run without blanks: a hex group, a number, a name.
    const int at = PositionAt(event->position().toPoint());
    auto blank = [this](int i) { return m_text[i].isSpace(); };
    int from = at, to = at;
    while (from > 0 && !blank(from - 1))
        --from;
    while (to < int(m_text.size()) && !blank(to))
        ++to;
    SetSelection(from, to);
}

void CReceiveView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("复制(&C)"), this, &CReceiveView::Copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_nAnchor != m_nCursor);
    QAction* all = menu.addAction(QStringLiteral("全选(&A)"), this, &CReceiveView::SelectAll);
    all->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}
