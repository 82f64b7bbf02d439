#pragma once

#include <QObject>
#include <QPixmap>
#include <QRawFont>
#include <QString>
#include <array>

class QLabel;

// Paints a counter label (RX, TX: a short line of ASCII that a fast line changes every frame) without
// laying its text out: the glyphs of its characters are looked up once and drawn as a run, and the
// label paints its own background so the window behind it is not painted again. It looks as the label
// does; anything it cannot draw that way (other characters, a rich text) the label paints itself.
class CCounterLabelPaint : public QObject {
public:
    explicit CCounterLabelPaint(QLabel* label);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Paint();
    bool Prepare();

    QLabel* m_label;
    QRawFont m_font;
    bool m_bFontKnown = false; // the glyphs below belong to the label's font
    int m_nInset = 0;
    // The empty box (background and frame), kept while the look stays.
    QPixmap m_box;
    qint64 m_boxPalette = 0;
    int m_boxState = 0;
    std::array<quint32, 128> m_glyphs{};
    std::array<qreal, 128> m_advances{};
};
