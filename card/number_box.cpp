#include "card/number_box.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

CNumberBox::CNumberBox(QWidget* parent) : QLineEdit(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    setReadOnly(true);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus); // the box itself takes the keys
        b->setCursor(Qt::ArrowCursor);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(QStringLiteral("+"));
    m_down->setAccessibleName(QStringLiteral("-"));
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    SetValue(0);
}

void CNumberBox::SetRange(int minimum, int maximum) {
    m_nMin = std::min(minimum, maximum);
    m_nMax = std::max(minimum, maximum);
}

int CNumberBox::Pos() const { return std::clamp(m_nValue, m_nMin, m_nMax); }

void CNumberBox::SetPos(int pos) { SetValue(std::clamp(pos, m_nMin, m_nMax)); }

void CNumberBox::SetValue(int value) {
    const bool changed = value != m_nValue;
    m_nValue = value;
    setText(QString::number(value));
    if (changed)
        emit ValueChanged(value);
}

void CNumberBox::Step(int delta) {
    if (!isEnabled())
        return;
    const int next = m_nValue + delta;
    if (m_bWrap && m_nValue >= m_nMin && m_nValue <= m_nMax && (next < m_nMin || next > m_nMax))
        SetValue(next < m_nMin ? m_nMax : m_nMin);
    else
        SetPos(next);
}

void CNumberBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        Step(1);
        return;
    }
    if (event->key() == Qt::Key_Down) {
        Step(-1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CNumberBox::wheelEvent(QWheelEvent* event) {
    if (hasFocus() && event->angleDelta().y() != 0) {
        Step(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::wheelEvent(event);
}

void CNumberBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceArrows();
}

void CNumberBox::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        m_up->setEnabled(isEnabled());
        m_down->setEnabled(isEnabled());
    }
}

void CNumberBox::PlaceArrows() {
    const int h = height();
    const int w = std::max(10, h * 2 / 3);
    m_up->setGeometry(width() - w, 0, w, h / 2);
    m_down->setGeometry(width() - w, h / 2, w, h - h / 2);
    setTextMargins(0, 0, w, 0);
}
