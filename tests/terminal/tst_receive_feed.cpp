// What the receive area shows of the arrivals, and how the view catches up with it, without a window.
#include "terminal/receive_feed.h"
#include "tests/support/fake_clock.h"
#include "tests/support/gbk_table.h"

#include <QTest>

namespace {

// The view as the window keeps it: a whole new text, or more at the end.
void Follow(CReceiveFeed& feed, QString& view) {
    if (const auto update = feed.TakeUpdate())
        view = update->whole ? update->text : view + update->text;
}

} // namespace

class TestReceiveFeed : public QObject {
    Q_OBJECT

private slots:
    void areaShows_data();
    void areaShows();
    void updatesAddUpToTheText_data();
    void updatesAddUpToTheText();
    void updatePace_data();
    void updatePace();
};

void TestReceiveFeed::areaShows_data() {
    QTest::addColumn<int>("piece"); // each step's bytes arrive in reads of this size, 0: in one
    QTest::addColumn<QByteArrayList>("steps"); // "<ms later>:<bytes>", or a switch: hex, text, stamps,
                                               // auto, CRLF, ANY; "clear"; "stopped" (bytes came, not shown)
    QTest::addColumn<QString>("shown");
    QTest::newRow("chinese split") << 1 << QByteArrayList{"0:\xD6\xD0\xCE\xC4!"} << QStringLiteral("中文!");
    QTest::newRow("full area emptied, Chinese counts 2") << 0 << QByteArrayList{"0:" + QByteArray("\xD6\xD0").repeated(4096), "0:NEW"} << "NEW";
    QTest::newRow("one below the limit kept") << 0 << QByteArrayList{"0:" + QByteArray(8191, 'x'), "0:NEW"} << QString(8191, 'x') + "NEW";
    QTest::newRow("auto-clear one below kept") << 0 << QByteArrayList{"auto", "0:" + QByteArray(4095, 'x'), "0:NEW"} << QString(4095, 'x') + "NEW";
    QTest::newRow("auto-clear at its limit") << 0 << QByteArrayList{"auto", "0:" + QByteArray(4096, 'x'), "0:NEW"} << "NEW";
    QByteArray big;
    for (int i = 0; i < 100000; ++i)
        big += char(i % 256);
    QTest::newRow("huge read shows its tail") << 0 << QByteArrayList{"hex", "0:" + big} << QString::fromLatin1(big.right(2730).toHex(' ').toUpper() + ' ');
    // A CR not shown pairs with nothing that is.
    QTest::newRow("display stopped after a CR") << 0 << QByteArrayList{"ANY", "0:a\r", "stopped", "0:\nb"} << "a\n\nb";

    // Stamps: a text line's stamp is when its first byte came; in hex a line per burst.
    QTest::newRow("hex and back to text") << 0 << QByteArrayList{"0:a", "hex", "10:B", "text", "10:c\r\n"} << "a42 c\n";
    const QString lines = "[14:05:09.000] ab\n[14:05:09.000] cde\n[14:05:09.070] f";
    for (int piece : {0, 1, 3})
        QTest::addRow("stamped lines, reads of %d", piece) << piece << QByteArrayList{"stamps", "0:ab\r\ncd", "30:e\r\n", "40:f"} << lines;
    QTest::newRow("stamps, line end alone") << 0 << QByteArrayList{"stamps", "0:a\r", "20:\nb"} << "[14:05:09.000] a\n[14:05:09.020] b";
    QTest::newRow("stamps, chinese split") << 1 << QByteArrayList{"stamps", "0:\xD6", "10:\xD0\r\n", "5:x"}
                                           << QStringLiteral("[14:05:09.000] 中\n[14:05:09.015] x");
    QTest::newRow("stamps, clear mid-line") << 0 << QByteArrayList{"stamps", "0:ab", "clear", "10:c\r\nd"}
                                            << "[14:05:09.000] c\n[14:05:09.010] d";
    QTest::newRow("stamps count to the limit") << 3 << QByteArrayList{"stamps", "0:" + QByteArray("x\r\n").repeated(700)}
                                               << QString("[14:05:09.000] x\n").repeated(244);
    QTest::newRow("stamps, hex, 49 ms quiet") << 0 << QByteArrayList{"stamps", "hex", "0:A", "49:B"} << "[14:05:09.000] 41 42 ";
    QTest::newRow("stamps, hex, 50 ms quiet") << 1 << QByteArrayList{"stamps", "hex", "0:A", "50:BC", "10:D"}
                                              << "[14:05:09.000] 41 \n[14:05:09.050] 42 43 44 ";
    QTest::newRow("stamps, hex, clear") << 0 << QByteArrayList{"stamps", "hex", "0:A", "clear", "100:B"} << "[14:05:09.100] 42 ";
    QTest::newRow("stamps, CR LF split, CRLF rule") << 1 << QByteArrayList{"stamps", "CRLF", "0:a\r", "10:\nb\r\n"}
                                                    << "[14:05:09.000] a\n[14:05:09.010] b\n";
    QTest::newRow("stamps, hex and back to text") << 0 << QByteArrayList{"stamps", "0:a", "hex", "10:B", "text", "10:c\r\n"}
                                                  << "[14:05:09.000] a\n[14:05:09.010] 42 \n[14:05:09.020] c\n";
    QTest::newRow("stamps switched on mid-line") << 0 << QByteArrayList{"0:ab", "stamps", "10:c\r\nd"} << "abc\n[14:05:09.010] d";
}

void TestReceiveFeed::areaShows() {
    QFETCH(int, piece);
    QFETCH(QByteArrayList, steps);
    QFETCH(QString, shown);
    CFakeClock clock;
    CReceiveFeed feed;
    CReceiveFeed::Display how;
    QString view;
    for (const QByteArray& step : steps) {
        if (step == "clear") {
            feed.Clear();
            view.clear();
        } else if (step == "hex" || step == "text") {
            how.hex = step == "hex";
        } else if (step == "auto") {
            how.autoClear = true;
        } else if (step == "stamps") {
            how.timestamps = true;
            feed.RestartStamps();
        } else if (step == "CRLF" || step == "ANY") {
            feed.LineEnds().rule = LineEndFromName(step.toStdString());
        } else if (step == "stopped") {
            feed.Skip();
        } else {
            const int gap = step.left(step.indexOf(':')).toInt();
            const QByteArray bytes = step.mid(step.indexOf(':') + 1);
            clock.Advance(gap);
            clock.SetLocal(clock.LocalNow().addMSecs(gap));
            const qsizetype size = piece ? piece : bytes.size();
            for (qsizetype at = 0; at < bytes.size(); at += size) {
                const QByteArray read = bytes.mid(at, size);
                feed.Take(reinterpret_cast<const std::uint8_t*>(read.constData()), std::size_t(read.size()), how, clock);
            }
        }
        Follow(feed, view);
    }
    QCOMPARE(view, shown);
    QCOMPARE(feed.TakeAll(), shown);
}

void TestReceiveFeed::updatesAddUpToTheText_data() {
    QTest::addColumn<int>("piece");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("autoClear");
    for (bool hex : {false, true})
        for (bool autoClear : {false, true})
            for (int piece : {1, 11, 700, 5000})
                QTest::addRow("%s%s, pieces of %d", hex ? "hex" : "text", autoClear ? " auto-clear" : "", piece)
                    << piece << hex << autoClear;
}

void TestReceiveFeed::updatesAddUpToTheText() {
    // The view catches up now and then; whenever it does, it shows exactly the text the display rules
    // built arrival by arrival, across the clearing limits, Chinese characters split between pieces
    // and line breaks.
    QFETCH(int, piece);
    QFETCH(bool, hex);
    QFETCH(bool, autoClear);
    QByteArray data;
    for (int i = 0; data.size() < 20000; ++i)
        data += (i % 5 == 0) ? QByteArray("\xD6\xD0\r\n") : QByteArray(1, char('a' + i % 26));
    CFakeClock clock;
    CReceiveFeed feed;
    QString view;
    auto rules = [&] { return GbkText(QByteArray::fromStdString(feed.Text())).remove(QLatin1Char('\r')); };
    for (int at = 0, n = 0; at < data.size(); at += piece, ++n) {
        const QByteArray read = data.mid(at, piece);
        feed.Take(reinterpret_cast<const std::uint8_t*>(read.constData()), std::size_t(read.size()), {hex, autoClear, false}, clock);
        if (n % 37 == 36) {
            Follow(feed, view);
            QCOMPARE(view, rules());
        }
    }
    Follow(feed, view);
    QCOMPARE(view, rules());
    QVERIFY(!feed.TakeUpdate());
}

// Jump scrolling: more than two screens between two updates and the next one waits longer; a quieter
// one brings the usual pace back.
void TestReceiveFeed::updatePace_data() {
    QTest::addColumn<int>("rowsAdded");
    QTest::addColumn<int>("rowsInView");
    QTest::addColumn<int>("ms");
    QTest::newRow("a few rows") << 3 << 20 << CReceiveFeed::kViewMs;
    QTest::newRow("just under two screens") << 39 << 20 << CReceiveFeed::kViewMs;
    QTest::newRow("two screens") << 40 << 20 << CReceiveFeed::kJumpMs;
    QTest::newRow("many screens") << 4000 << 20 << CReceiveFeed::kJumpMs;
    QTest::newRow("an area with no whole row") << 2 << 0 << CReceiveFeed::kJumpMs;
    QTest::newRow("nothing new") << 0 << 0 << CReceiveFeed::kViewMs;
}

void TestReceiveFeed::updatePace() {
    QFETCH(int, rowsAdded);
    QFETCH(int, rowsInView);
    QFETCH(int, ms);
    QCOMPARE(CReceiveFeed::NextUpdateMs(std::size_t(rowsAdded), rowsInView), ms);
}

QTEST_APPLESS_MAIN(TestReceiveFeed)
#include "tst_receive_feed.moc"
