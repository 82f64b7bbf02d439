#pragma once

#include <QPixmap>
#include <QScrollBar>
#include <deque>

// The receive area's scroll bar. While a line keeps talking, its range changes every frame as the area
// fills and empties, and a style paints a scroll bar with large fills (which Qt hands to worker threads
// and waits for). Its handle takes only a few dozen places over and over, so each look is kept as a
// picture and shown again. While the mouse is on it or presses it, it paints as any scroll bar does.
class CReceiveScrollBar : public QScrollBar {
public:
    explicit CReceiveScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

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
