#include "app/compare_window.h"

#include "app/column_font.h"
#include "app/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Where two equal-length runs first differ, from `from`; -1 when they agree.
qint64 FirstMismatch(const char* a, const char* b, qint64 from, qint64 end) {
    constexpr qint64 kBlock = 4096;
    for (qint64 at = from; at < end; at += kBlock) {
        const qint64 n = std::min(kBlock, end - at);
        if (std::memcmp(a + at, b + at, std::size_t(n)) == 0)
            continue;
        for (qint64 i = at; i < at + n; ++i)
            if (a[i] != b[i])
                return i;
    }
    return -1;
}

struct Loaded {
    QByteArray bytes;
    qint64 size = 0;
    QString error;
};

Loaded Load(const QString& path, qint64 limit) {
    Loaded loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = file.errorString();
        return loaded;
    }
    loaded.size = file.size();
    loaded.bytes = file.read(limit);
    return loaded;
}

} // namespace

CompareSummary CompareBytes(const QByteArray& a, const QByteArray& b) {
    CompareSummary summary;
    const qint64 common = std::min(a.size(), b.size());
    for (qint64 at = 0; at < common; at += 4096) {
        const qint64 n = std::min<qint64>(4096, common - at);
        if (std::memcmp(a.constData() + at, b.constData() + at, std::size_t(n)) == 0)
            continue;
        for (qint64 i = at; i < at + n; ++i) {
            if (a[i] != b[i]) {
                if (summary.first < 0)
                    summary.first = i;
                ++summary.differing;
            }
        }
    }
    const qint64 extra = std::max(a.size(), b.size()) - common;
    if (extra > 0 && summary.first < 0)
        summary.first = common;
    summary.differing += extra;
    return summary;
}

qint64 NextDifference(const QByteArray& a, const QByteArray& b, qint64 from) {
    const qint64 common = std::min(a.size(), b.size()), longest = std::max(a.size(), b.size());
    const qint64 start = std::max<qint64>(from + 1, 0);
    const qint64 found = FirstMismatch(a.constData(), b.constData(), std::min(start, common), common);
    if (found >= 0)
        return found;
    if (start < longest && common < longest)
        return std::max(start, common);
    return from >= 0 ? NextDifference(a, b, -1) : -1;
}

// ---------------------------------------------------------------------------------------------------

CHexCompareView::CHexCompareView(const QByteArray& left, const QByteArray& right, QWidget* parent)
    : QAbstractScrollArea(parent), m_left(left), m_right(right) {
    setFont(ColumnFont());
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("两个文件的十六进制内容"));
    UpdateScrollBars();
}

qint64 CHexCompareView::LineCount() const {
    return (std::max(m_left.size(), m_right.size()) + kBytesPerLine - 1) / kBytesPerLine;
}

int CHexCompareView::LineHeight() const { return fontMetrics().height(); }

int CHexCompareView::VisibleLines() const { return std::max(1, viewport()->height() / LineHeight()); }

qint64 CHexCompareView::FirstVisibleLine() const { return verticalScrollBar()->value(); }

void CHexCompareView::UpdateScrollBars() {
    // 16 bytes a line keeps even the largest compared file inside the scroll bar's int range.
    const qint64 lines = LineCount();
    verticalScrollBar()->setRange(0, int(std::max<qint64>(0, lines - VisibleLines())));
    verticalScrollBar()->setPageStep(VisibleLines());
    verticalScrollBar()->setSingleStep(1);
    const int width = int(ColumnWidth() * (10 + 2 * (3 * kBytesPerLine + 2)));
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void CHexCompareView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CHexCompareView::ShowOffset(qint64 offset) {
    m_current = offset;
    if (offset >= 0) {
        const qint64 line = offset / kBytesPerLine;
        if (line < FirstVisibleLine() || line >= FirstVisibleLine() + VisibleLines())
            verticalScrollBar()->setValue(int(std::max<qint64>(0, line - VisibleLines() / 3)));
    }
    viewport()->update();
}

// The widest hex digit: each digit is drawn in a column of this width, so columns line up in any face.
qreal CHexCompareView::ColumnWidth() const {
    const QFontMetricsF metrics(font());
    qreal width = 0;
    for (char c : std::string_view(kDigits))
        width = std::max(width, metrics.horizontalAdvance(QLatin1Char(c)));
    return width;
}

void CHexCompareView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setFont(font());
    const QFontMetricsF metrics(font());
    const qreal charWidth = ColumnWidth();
    const int lineHeight = LineHeight();
    const qreal x0 = 4 - horizontalScrollBar()->value();
    const qreal leftHex = x0 + 10 * charWidth;
    const qreal rightHex = leftHex + (3 * kBytesPerLine + 2) * charWidth;
    const QColor differ(255, 200, 200), current(255, 230, 120), missing(225, 225, 225);
    const QColor text = palette().text().color(), differText(170, 0, 0);
    auto drawDigits = [&](qreal x, int baseline, const QString& digits) {
        for (QChar c : digits) {
            const qreal centred = x + (charWidth - metrics.horizontalAdvance(c)) / 2;
            painter.drawText(QPointF(centred, baseline), QString(c));
            x += charWidth;
        }
    };

    const qint64 first = FirstVisibleLine(), last = std::min(LineCount(), first + VisibleLines() + 1);
    for (qint64 line = first; line < last; ++line) {
        const int y = int(line - first) * lineHeight;
        const int baseline = y + metrics.ascent();
        painter.setPen(text);
        const QString offset = QStringLiteral("%1").arg(line * kBytesPerLine, 8, 16, QLatin1Char('0'));
        drawDigits(x0, baseline, offset.toUpper());
        for (int i = 0; i < kBytesPerLine; ++i) {
            const qint64 at = line * kBytesPerLine + i;
            const bool inLeft = at < m_left.size(), inRight = at < m_right.size();
            if (!inLeft && !inRight)
                break;
            const bool same = inLeft && inRight && m_left[at] == m_right[at];
            const QColor mark = at == m_current ? current : (same ? QColor() : differ);
            const qreal columns[2] = {leftHex + 3 * i * charWidth, rightHex + 3 * i * charWidth};
            const bool present[2] = {inLeft, inRight};
            const QByteArray* sides[2] = {&m_left, &m_right};
            for (int side = 0; side < 2; ++side) {
                const QRectF cell(columns[side] - charWidth / 2, y, 3 * charWidth, lineHeight);
                if (!present[side]) {
                    painter.fillRect(cell, missing);
                    continue;
                }
                if (mark.isValid())
                    painter.fillRect(cell, mark);
                const auto b = std::uint8_t((*sides[side])[at]);
                const QChar hex[2] = {QLatin1Char(kDigits[b >> 4]), QLatin1Char(kDigits[b & 15])};
                painter.setPen(same ? text : differText);
                drawDigits(columns[side], baseline, QString(hex, 2));
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------------

CCompareWindow::CCompareWindow(const QString& reference, const QString& other, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    const QString referenceName = QFileInfo(reference).fileName(), otherName = QFileInfo(other).fileName();
    setWindowTitle(QStringLiteral("比较 %1 和 %2 - %3").arg(referenceName, otherName, ProgramTitle()));

    const Loaded a = Load(reference, kCompareLimit), b = Load(other, kCompareLimit);
    m_reference = a.bytes;
    m_other = b.bytes;

    auto* names = new QHBoxLayout;
    auto* referenceLabel = new QLabel(QStringLiteral("参考文件：%1").arg(reference), this);
    auto* otherLabel = new QLabel(QStringLiteral("转储文件：%1").arg(other), this);
    names->addWidget(referenceLabel, 1);
    names->addWidget(otherLabel, 1);

    const CompareSummary differences = CompareBytes(m_reference, m_other);
    QString summary;
    if (!a.error.isEmpty() || !b.error.isEmpty()) {
        summary = !a.error.isEmpty() ? QStringLiteral("无法打开参考文件：%1").arg(a.error)
                                     : QStringLiteral("无法打开转储文件：%1").arg(b.error);
    } else {
        const CompareSummary& s = differences;
        summary = QStringLiteral("参考文件 %1 字节，转储文件 %2 字节；").arg(a.size).arg(b.size);
        if (s.first < 0)
            summary += QStringLiteral("内容相同。");
        else
            summary += QStringLiteral("不同字节 %1 个，第一个不同在偏移 %2（%3H）。")
                           .arg(s.differing)
                           .arg(s.first)
                           .arg(QString::number(s.first, 16).toUpper());
        if (a.size > kCompareLimit || b.size > kCompareLimit)
            summary += QStringLiteral("只比较了前 %1 字节。").arg(kCompareLimit);
    }
    m_summary = new QLabel(summary, this);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_view = new CHexCompareView(m_reference, m_other, this);
    m_next = new QPushButton(QStringLiteral("下一个不同(&N)"), this);
    m_next->setEnabled(differences.first >= 0);
    connect(m_next, &QPushButton::clicked, this, &CCompareWindow::OnNextDifference);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_next);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom);
    setTabOrder(m_view, m_next);
    resize(900, 600);
}

QString CCompareWindow::Summary() const { return m_summary->text(); }

void CCompareWindow::OnNextDifference() {
    m_view->ShowOffset(NextDifference(m_reference, m_other, m_view->Current()));
}
