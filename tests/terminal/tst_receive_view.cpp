// The receive side's widgets: the area's rows, its drawing, its scroll bar, what it gives assistive
// tools and the clipboard, and the counters beside it.
#include "terminal/counter_label.h"
#include "terminal/receive_feed.h"
#include "terminal/receive_layout.h"
#include "terminal/receive_view.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_drawn_rows.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

// A receive area on screen, fed as the window feeds it: each read taken, then the area brought up to
// date.
struct CFedView {
    CFakeClock clock;
    CReceiveFeed feed;
    CReceiveFeed::Display how;
    CReceiveView view;

    explicit CFedView(bool hex = false) {
        how.hex = hex;
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // as the window has it
        view.resize(420, 300);
        view.show();
    }
    void Receive(const QByteArray& bytes, int piece = 1 << 30) {
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            const QByteArray read = bytes.mid(at, piece);
            feed.Take(reinterpret_cast<const std::uint8_t*>(read.constData()), std::size_t(read.size()), how, clock);
            view.Follow(feed);
        }
    }
    void Clear() {
        feed.Clear();
        view.setPlainText(QString());
    }
};

} // namespace

class TestReceiveView : public QObject {
    Q_OBJECT

private slots:
    void rowsFitTheWidth_data();
    void rowsFitTheWidth();
    void rowsLookAsQtDrawsThem_data();
    void rowsLookAsQtDrawsThem();
    void paintsOnlyWhatChanged_data();
    void paintsOnlyWhatChanged();
    void readsAloud_data();
    void readsAloud();
    void counterLabelLooksAsALabel_data();
    void counterLabelLooksAsALabel();
};

void TestReceiveView::rowsFitTheWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QString hex;
    for (int i = 0; i < 900; ++i)
        hex += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
    QString lines;
    for (int i = 0; i < 60; ++i)
        lines += QStringLiteral("第%1行\tvalue=%2 中文 text\n").arg(i).arg(i * 37);
    const QString longWord = QString(500, QLatin1Char('x')) + QStringLiteral(" y") + QString(3, QLatin1Char('\n'));
    for (int width : {30, 190, 323}) {
        QTest::addRow("hex %d", width) << hex << width;
        QTest::addRow("lines %d", width) << lines << width;
        QTest::addRow("long word %d", width) << longWord << width;
    }
}

void TestReceiveView::rowsFitTheWidth() {
    // Rows cover the text exactly, in order, break only at line breaks or where the width runs out,
    // and appending in pieces wraps exactly as setting the whole text does.
    QFETCH(QString, text);
    QFETCH(int, width);
    CReceiveLayout whole;
    whole.SetText(text, width);
    const auto& rows = whole.Rows();
    int next = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        QCOMPARE(row.start, next);
        next = row.start + row.length;
        const bool lineBreak = next < text.size() && text[next] == QLatin1Char('\n');
        if (lineBreak)
            ++next;
        // Only trailing blanks, or a single character wider than the area, may pass the edge.
        int shown = row.length;
        while (shown > 1 && text[row.start + shown - 1] == QLatin1Char(' '))
            --shown;
        QVERIFY2(shown <= 1 || whole.RunWidth(row.start, row.start + shown) <= width,
                 qPrintable(QStringLiteral("row %1").arg(r)));
        if (!lineBreak && r + 1 < rows.size()) // cut by width: the next character would not have fitted
            QVERIFY(whole.RunWidth(row.start, next + 1) > width || text[next - 1] == QLatin1Char(' '));
    }
    QCOMPARE(next, int(text.size()));
    for (int piece : {1, 7, 100}) {
        CReceiveLayout pieces;
        for (int at = 0; at < text.size(); at += piece)
            pieces.Append(text.mid(at, piece), width);
        QCOMPARE(pieces.Text(), text);
        QVERIFY(pieces.Rows().size() == rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            QVERIFY2(pieces.Rows()[r].start == rows[r].start && pieces.Rows()[r].length == rows[r].length,
                     qPrintable(QStringLiteral("piece %1 row %2").arg(piece).arg(r)));
    }
}

void TestReceiveView::rowsLookAsQtDrawsThem_data() {
    QTest::addColumn<int>("selFrom");
    QTest::addColumn<int>("selTo");
    QTest::addColumn<int>("width");
    QTest::newRow("plain") << 0 << 0 << 400;
    QTest::newRow("selected") << 5 << 19 << 400;
    QTest::newRow("narrower, same glyphs") << 2 << 3 << 250;
}

void TestReceiveView::rowsLookAsQtDrawsThem() {
    // The area draws each character from a kept picture; what it shows is what Qt draws for the same
    // characters at the same places, but for the quarter pixel the pictures are placed to.
    QFETCH(int, selFrom);
    QFETCH(int, selTo);
    QFETCH(int, width);
    const QString text = QStringLiteral("AT+CSQ 0x7E {|} gjpq 中文 ÄÖ\t~;\n7E 01 FF 2A gy");
    CReceiveView view;
    view.resize(400, 100);
    view.setPlainText(text);
    view.viewport()->grab(); // glyphs kept at the first width
    view.resize(width, 100);
    view.SetSelection(selFrom, selTo);
    const QImage shown = view.viewport()->grab().toImage();
    const QString why = UnlikeQtDrawing(shown, QtDrawnRows(view));
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestReceiveView::paintsOnlyWhatChanged_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("piece");
    for (bool hex : {false, true})
        for (int piece : {1, 11, 700, 5000})
            QTest::addRow("%s in pieces of %d", hex ? "hex" : "text", piece) << hex << piece;
}

void TestReceiveView::paintsOnlyWhatChanged() {
    // What is on the screen after rows were moved and only the new ones painted is what Qt draws for
    // the rows in view, and the scroll bar's kept pictures are what the style paints.
    QFETCH(bool, hex);
    QFETCH(int, piece);
    CFedView a(hex);
    QVERIFY(QTest::qWaitForWindowExposed(&a.view));
    QScrollBar* bar = a.view.verticalScrollBar();
    auto onScreen = [&](QWidget* w) {
        QCoreApplication::processEvents();
        const QPoint at = w->mapTo(&a.view, QPoint());
        return a.view.screen()->grabWindow(a.view.winId(), at.x(), at.y(), w->width(), w->height()).toImage();
    };
    auto unlikeQt = [&] {
        const QImage shown = onScreen(a.view.viewport()); // after the events that lay the area out
        return UnlikeQtDrawing(shown, QtDrawnRows(a.view));
    };
    auto stockBar = [&] { // a scroll bar as the style paints it, for the kept picture on the screen
        QScrollBar stock(Qt::Vertical, &a.view);
        stock.setGeometry(bar->geometry());
        stock.setRange(bar->minimum(), bar->maximum());
        stock.setPageStep(bar->pageStep());
        stock.setValue(bar->value());
        return stock.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QByteArray stream;
    for (int i = 0; stream.size() < 12000; ++i)
        stream += "line " + QByteArray::number(i) +
                  (i % 3 ? " \xD6\xD0\tmore words to wrap past the edge of the area\r\n" : " ");
    for (int round = 0; round < 2; ++round) { // the second after a clear
        for (int at = 0; at < stream.size(); at += piece) {
            a.Receive(stream.mid(at, piece));
            if (at / piece % std::max(1, 600 / piece) == 0) {
                QCOMPARE(unlikeQt(), QString());
                QCOMPARE(onScreen(bar).convertToFormat(QImage::Format_RGB32), stockBar());
            }
        }
        QCOMPARE(unlikeQt(), QString());
        a.Clear();
    }
}

void TestReceiveView::readsAloud_data() { paintsOnlyWhatChanged_data(); }

void TestReceiveView::readsAloud() {
    // A screen reader reads what the area shows, by character, word and row, however it arrived; the
    // clipboard gets it too.
    QFETCH(bool, hex);
    QFETCH(int, piece);
    CFedView a(hex);
    QAccessibleTextInterface* t = QAccessible::queryAccessibleInterface(&a.view)->textInterface();
    QVERIFY(t);
    a.Receive("gone after the clear\r", piece);
    a.Clear();
    int start = -1, end = -1;
    QCOMPARE(t->characterCount(), 0);
    QCOMPARE(t->textAtOffset(0, QAccessible::LineBoundary, &start, &end), QString());
    QByteArray stream;
    for (int i = 0; i < 30; ++i)
        stream += "line " + QByteArray::number(i) + " \xD6\xD0\xCE\xC4 and words enough to wrap the row\r\n";
    a.Receive(stream, piece);

    const QString shown = a.view.toPlainText();
    const auto& rows = a.view.Layout().Rows();
    QVERIFY(rows.size() > 30);
    QCOMPARE(t->text(0, t->characterCount()), shown);
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(&a.view);
    QVERIFY(i->text(QAccessible::Value) == shown && i->state().readOnly);
    a.view.setFocus(); // and it copies what it shows
    QTest::keyClick(&a.view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&a.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), shown);
    QString joined;
    std::size_t r = 0;
    for (QString line = t->textAtOffset(0, QAccessible::LineBoundary, &start, &end); start >= 0;
         line = t->textAfterOffset(start, QAccessible::LineBoundary, &start, &end), ++r) {
        QVERIFY(r < rows.size());
        QCOMPARE(start, rows[r].start);
        joined += line;
    }
    QCOMPARE(r, rows.size());
    QCOMPARE(joined, shown);
    QCOMPARE(t->textBeforeOffset(rows[2].start + 1, QAccessible::LineBoundary, &start, &end),
             shown.mid(rows[1].start, rows[2].start - rows[1].start));

    const QString word = hex ? QStringLiteral("CE") : QStringLiteral("enough");
    const int at = int(shown.lastIndexOf(word));
    QCOMPARE(t->textAtOffset(at + 1, QAccessible::WordBoundary, &start, &end), word);
    QCOMPARE(t->textAtOffset(at, QAccessible::CharBoundary, &start, &end), word.left(1));

    t->setSelection(0, at, at + int(word.size()));
    QCOMPARE(a.view.SelectedText(), word);
    QCOMPARE(t->cursorPosition(), at + int(word.size()));
    int from = -1, to = -1;
    t->selection(0, &from, &to);
    QVERIFY(t->selectionCount() == 1 && from == at && to == at + int(word.size()));
    const QRect cell = t->characterRect(at); // the newest rows are in view
    QVERIFY(!cell.isEmpty());
    QCOMPARE(t->offsetAtPoint(cell.center()), at);
}

void TestReceiveView::counterLabelLooksAsALabel_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");
    const int top = Qt::AlignHCenter | Qt::AlignTop;
    QTest::newRow("count") << QStringLiteral("RX:1234567890") << top;
    QTest::newRow("start") << QStringLiteral("TX:0") << top;
    QTest::newRow("left, middle") << QStringLiteral("RX:42") << int(Qt::AlignLeft | Qt::AlignVCenter);
    QTest::newRow("empty") << QString() << top;
    QTest::newRow("not ASCII: the label's own") << QStringLiteral("收:12") << top;
}

void TestReceiveView::counterLabelLooksAsALabel() {
    // The counters paint themselves from looked-up glyphs; what they show must be what the label shows.
    QFETCH(QString, text);
    QFETCH(int, alignment);
    QLabel plain, counter;
    for (QLabel* label : {&plain, &counter}) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::Alignment(alignment));
        label->setTextFormat(Qt::PlainText);
        label->resize(96, 22);
    }
    new CCounterLabelPaint(&counter);
    for (const QString& shown : {text, QStringLiteral("RX:7")}) { // the second paints on the kept box
        plain.setText(shown);
        counter.setText(shown);
        QCOMPARE(counter.grab().toImage(), plain.grab().toImage());
    }
}

QTEST_MAIN(TestReceiveView)
#include "tst_receive_view.moc"
