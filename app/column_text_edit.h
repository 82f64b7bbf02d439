#pragma once

#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <array>

// A plain text view in which every printable ASCII character takes one column whatever the face: in
// a face without even columns each narrower character gets the difference as letter spacing. That is
// done for the blocks about to be painted only, so a large file costs no more than a small one.
class CColumnTextEdit : public QPlainTextEdit {
public:
    explicit CColumnTextEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MeasureFont();
    void EvenOut(QTextBlock block);

    bool m_bEven = true;                        // the face needs no spacing
    std::array<QTextCharFormat, 128> m_formats; // by ASCII character: the spacing that fills its column
    int m_nGeneration = 0; // one per face: a block whose user state differs is evened out again
};
