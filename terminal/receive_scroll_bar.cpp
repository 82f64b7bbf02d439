#include "terminal/receive_scroll_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

void CReceiveScrollBar::paintEvent(QPaintEvent* event) {
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
    const Look look{
        size(), handle, value() == minimum(), value() == maximum(), isActiveWindow(), devicePixelRatioF()};
    auto it =
        std::find_if(m_looks.begin(), m_looks.end(), [&](const auto& kept) { return kept.first == look; });
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

void CReceiveScrollBar::changeEvent(QEvent* event) {
    m_looks.clear(); // a new style, palette, font or state
    QScrollBar::changeEvent(event);
}

void CReceiveScrollBar::mousePressEvent(QMouseEvent* event) {
    m_bPressed = true;
    QScrollBar::mousePressEvent(event);
}

void CReceiveScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    m_bPressed = false;
    QScrollBar::mouseReleaseEvent(event);
}
