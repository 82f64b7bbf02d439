#pragma once

#include "terminal/receive_layout.h"
#include "terminal/receive_painter.h"

#include <QAbstractScrollArea>
#include <QString>
#include <algorithm>
#include <optional>

class CReceiveFeed;

// The receive area: a read-only text view for a line that may never stop talking. Its text and rows
// are a CReceiveLayout and its rows are drawn by a CReceivePainter; painting draws only the rows in
// view. It offers what a read-only edit box does: selection with the mouse or the keyboard, copy,
// select all, scrolling, and its text to assistive tools.
class CReceiveView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CReceiveView(QWidget* parent = nullptr);

    QString toPlainText() const { return m_layout.Text(); }
    void setPlainText(const QString& text);
    void AppendText(const QString& text);
    void ScrollToEnd();
    // Brings the area up to date with what the feed has and it lacks, showing the newest row: how
    // many rows came, or nothing when it was current.
    std::optional<std::size_t> Follow(CReceiveFeed& feed);
    const CReceiveLayout& Layout() const { return m_layout; }

    QString SelectedText() const;
    void SelectAll();
    void Copy() const;
    // The selection runs from the anchor to the cursor, either way round; the cursor is the caret.
    int CursorPosition() const { return m_nCursor; }
    int SelectionStart() const { return std::min(m_nAnchor, m_nCursor); }
    int SelectionEnd() const { return std::max(m_nAnchor, m_nCursor); }
    void SetSelection(int anchor, int cursor);

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
    // The width rows are wrapped to.
    qreal WrapWidth() const;
    void Rewrap(std::size_t fromRow);
    void UpdateScrollBar();
    void RowsChanged(std::size_t from);
    int RowTop(std::size_t row) const;
    void SelectionChanged();
    void AnnounceText(const QString& removed, const QString& inserted, int at);

    CReceiveLayout m_layout;
    CReceivePainter m_painter;
    int m_nAnchor = 0; // selection: from anchor to cursor, either way round
    int m_nCursor = 0;
};
