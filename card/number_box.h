#pragma once

#include <QLineEdit>

class QToolButton;

// A read-only number box with its arrow control: the arrows (buttons, Up/Down keys, the wheel) step
// the number within a range, optionally wrapping at the ends. The number shown may lie outside the
// range when it was set so (a stored value the arrows would not reach); the first step brings it in.
class CNumberBox : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumberBox(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_nMin; }
    int Maximum() const { return m_nMax; }
    void SetWrap(bool wrap) { m_bWrap = wrap; }
    bool Wraps() const { return m_bWrap; }

    // The arrow control's position: always within the range.
    int Pos() const;
    void SetPos(int pos);
    // The number in the box as it stands, unclamped.
    int Value() const { return m_nValue; }
    void SetValue(int value);

    // One step of the arrows: +1 up, -1 down.
    void Step(int delta);

signals:
    void ValueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PlaceArrows();

    int m_nMin = 0, m_nMax = 100, m_nValue = 0;
    bool m_bWrap = false;
    QToolButton* m_up;
    QToolButton* m_down;
};
