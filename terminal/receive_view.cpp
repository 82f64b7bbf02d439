#include "terminal/receive_view.h"

#include "terminal/receive_feed.h"
#include "terminal/receive_scroll_bar.h"
#include "terminal/receive_view_accessible.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = CReceiveLayout::kMargin;

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
    m_layout.SetFont(font());
}

qreal CReceiveView::WrapWidth() const {
    return std::max<qreal>(1, viewport()->width() - 2 * kMargin);
}

void CReceiveView::Rewrap(std::size_t fromRow) {
    m_layout.Rewrap(fromRow, WrapWidth());
    UpdateScrollBar();
}

void CReceiveView::setPlainText(const QString& text) {
    const QString old = m_layout.Text();
    m_nAnchor = m_nCursor = 0;
    m_layout.SetText(text, WrapWidth());
    UpdateScrollBar();
    viewport()->update();
    AnnounceText(old, text, 0);
}

void CReceiveView::AppendText(const QString& text) {
    if (text.isEmpty())
        return;
    const int at = int(m_layout.Text().size());
    const std::size_t open = m_layout.Append(text, WrapWidth());
    UpdateScrollBar();
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
    const int n = int(m_layout.Text().size());
    anchor = std::clamp(anchor, 0, n);
    cursor = std::clamp(cursor, 0, n);
    if (anchor == m_nAnchor && cursor == m_nCursor)
        return;
    m_nAnchor = anchor;
    m_nCursor = cursor;
    SelectionChanged();
}

QRect CReceiveView::CharacterRect(int offset) const {
    if (offset < 0 || offset >= int(m_layout.Text().size()))
        return QRect();
    const QChar c = m_layout.Text()[offset];
    const std::size_t r = m_layout.RowOf(offset);
    const qreal x = kMargin + m_layout.RunWidth(m_layout.Rows()[r].start, offset);
    const qreal width = c == QLatin1Char('\n') ? 0 : m_layout.Advance(c, x - kMargin);
    const int lineHeight = m_layout.LineHeight();
    return QRectF(x, kMargin + (qreal(r) - verticalScrollBar()->value()) * lineHeight, width, lineHeight)
        .toAlignedRect();
}

void CReceiveView::ScrollToShow(int offset) {
    const int r = int(m_layout.RowOf(std::clamp(offset, 0, int(m_layout.Text().size()))));
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
    const qint64 top = kMargin + (qint64(row) - verticalScrollBar()->value()) * m_layout.LineHeight();
    return int(std::clamp<qint64>(top, -m_layout.LineHeight(), viewport()->height()));
}

void CReceiveView::ScrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

std::optional<std::size_t> CReceiveView::Follow(CReceiveFeed& feed) {
    const std::optional<CReceiveFeed::Update> update = feed.TakeUpdate();
    if (!update)
        return std::nullopt;
    const std::size_t rowsBefore = update->whole ? 0 : m_layout.Rows().size();
    if (update->whole)
        setPlainText(update->text);
    else
        AppendText(update->text);
    ScrollToEnd();
    return m_layout.Rows().size() - std::min(rowsBefore, m_layout.Rows().size());
}

void CReceiveView::UpdateScrollBar() {
    const int visible = std::max(1, (viewport()->height() - 2 * kMargin) / m_layout.LineHeight());
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, int(m_layout.Rows().size()) - visible));
    bar->setPageStep(visible);
}

QString CReceiveView::SelectedText() const {
    const int from = std::min(m_nAnchor, m_nCursor), to = std::max(m_nAnchor, m_nCursor);
    return m_layout.Text().mid(from, to - from);
}

void CReceiveView::SelectAll() {
    SetSelection(0, int(m_layout.Text().size()));
}

void CReceiveView::Copy() const {
    if (m_nAnchor != m_nCursor)
        QGuiApplication::clipboard()->setText(SelectedText());
}

void CReceiveView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const QRect dirty = event->rect();
    const int width = viewport()->width();
    const qreal scale = viewport()->devicePixelRatioF();
    const int lineHeight = m_layout.LineHeight();
    m_painter.Begin(m_layout.Font(), pal, lineHeight, m_layout.Ascent(), width, scale);
    const int value = std::max(0, verticalScrollBar()->value());
    // Only the rows the region touches, and no pass over the whole area first.
    const std::size_t first = std::size_t(value + std::max(0, (dirty.top() - kMargin) / lineHeight));
    const std::size_t last =
        std::min(m_layout.Rows().size(),
                 std::size_t(value + std::max(0, (dirty.bottom() - kMargin) / lineHeight) + 1));
    if (dirty.top() < kMargin)
        painter.fillRect(QRect(0, 0, width, kMargin) & dirty, pal.base());
    int y = RowTop(first);
    for (std::size_t r = first; r < last && y < dirty.bottom() + 1; ++r, y += lineHeight)
        m_painter.PaintRow(painter, m_layout, r, y, SelectionStart(), SelectionEnd());
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
    if (event->type() == QEvent::FontChange) {
        m_layout.SetFont(font());
        Rewrap(0);
        viewport()->update();
    }
}

// The rows already drawn move with the text; Qt paints only the band they uncover (or everything, where
// it cannot move pixels: a scale factor that makes the distance fractional).
void CReceiveView::scrollContentsBy(int, int dy) {
    const QRect rows(0, kMargin, viewport()->width(), std::max(0, viewport()->height() - kMargin));
    if (std::abs(qint64(dy)) * m_layout.LineHeight() < rows.height())
        viewport()->scroll(0, dy * m_layout.LineHeight(), rows);
    else
        viewport()->update();
}

int CReceiveView::PositionAt(const QPoint& point) const {
    const qreal rowsDown = std::floor((point.y() - kMargin) / m_layout.LineHeight());
    const qreal wanted = verticalScrollBar()->value() + rowsDown;
    const std::size_t r = std::size_t(std::clamp<qreal>(wanted, 0, qreal(m_layout.Rows().size() - 1)));
    return m_layout.OffsetAt(r, point.x() - kMargin);
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
    auto blank = [this](int i) { return m_layout.Text()[i].isSpace(); };
    int from = at, to = at;
    while (from > 0 && !blank(from - 1))
        --from;
    while (to < int(m_layout.Text().size()) && !blank(to))
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
