#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QWidget>

class QLabel;
class QPushButton;

// Where two byte strings differ: a byte present in only one of them counts as a difference.
struct CompareSummary {
    qint64 differing = 0;
    qint64 first = -1; // -1: none
};
CompareSummary CompareBytes(const QByteArray& a, const QByteArray& b);
// The first difference after `from`, wrapping to the first one; -1 when there is none.
qint64 NextDifference(const QByteArray& a, const QByteArray& b, qint64 from);

// Both files in hex, 16 bytes a line, side by side; differing bytes marked. Only the visible lines are
// drawn, so a file of any size scrolls freely.
class CHexCompareView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kBytesPerLine = 16;
    CHexCompareView(const QByteArray& left, const QByteArray& right, QWidget* parent = nullptr);
    // Scrolls the byte at `offset` into view and marks it as the current one.
    void ShowOffset(qint64 offset);
    qint64 Current() const { return m_current; }
    qint64 FirstVisibleLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();
    qint64 LineCount() const;
    int LineHeight() const;
    qreal ColumnWidth() const;
    int VisibleLines() const;

    QByteArray m_left, m_right;
    qint64 m_current = -1;
};

// A reference file and a dump compared in hex, with a summary line and a button that moves to the
// next difference. Deletes itself when closed.
class CCompareWindow : public QWidget {
    Q_OBJECT

public:
    // Longer files are compared over their beginning, and the summary says so.
    static constexpr qint64 kCompareLimit = 64 * 1024 * 1024;

    CCompareWindow(const QString& reference, const QString& other, QWidget* parent = nullptr);
    QString Summary() const;
    CHexCompareView* View() const { return m_view; }
    QPushButton* NextButton() const { return m_next; }
    void OnNextDifference();

private:
    QByteArray m_reference, m_other;
    QLabel* m_summary;
    CHexCompareView* m_view;
    QPushButton* m_next;
};
