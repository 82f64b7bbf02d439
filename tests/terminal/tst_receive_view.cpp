// The receive area's parts: the rows its text is cut into, and the rows as it draws them.
#include "terminal/receive_layout.h"
#include "terminal/receive_view.h"
#include "tests/support/qt_drawn_rows.h"

#include <QTest>

class TestReceiveView : public QObject {
    Q_OBJECT

private slots:
    void rowsFitTheWidth_data();
    void rowsFitTheWidth();
    void rowsLookAsQtDrawsThem_data();
    void rowsLookAsQtDrawsThem();
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

QTEST_MAIN(TestReceiveView)
#include "tst_receive_view.moc"
