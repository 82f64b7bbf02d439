// The stand-ins for outside programs: the read-only file viewer and the compare window, opened and
// closed through the real prompts; and the notice that does not wait.
#include "app/compare_window.h"
#include "app/file_viewer.h"
#include "app/widget_prompts.h"
#include "tests/support/gbk_table.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

template <typename Window>
QList<Window*> Open() {
    QList<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w); window && window->isVisible())
            found << window;
    return found;
}

} // namespace

class TestFileWindows : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CFileViewer*>(w) || qobject_cast<CCompareWindow*>(w))
                delete w;
    }

    void viewerShowsGbkText() {
        const QString path = Write("cap.txt", GbkBytes(QStringLiteral("中文\r\n第二行\tTAB")));
        prompts.ShowFile(path);
        prompts.ShowFile(path);
        const QList<CFileViewer*> viewers = Open<CFileViewer>();
        QCOMPARE(viewers.size(), 2);
        const CFileViewer* viewer = viewers.front();
        QCOMPARE(viewer->Text(), QStringLiteral("中文\n第二行\tTAB"));
        QVERIFY(viewer->TextView()->isReadOnly());
        QVERIFY(viewer->windowTitle().contains(QStringLiteral("cap.txt")));
        QVERIFY(!viewer->TextView()->accessibleName().isEmpty());
        QVERIFY(!viewer->OpenButton()->text().isEmpty());
    }

    // What a reader needs: blanks, digits and letters one column each, so columns line up, in the
    // face the windows choose, in faces flagged fixed pitch or not, and in a proportional one.
    void columnsLineUp_data() {
        QTest::addColumn<QString>("family"); // empty: as chosen
        QTest::newRow("chosen") << QString();
        QTest::newRow("DejaVu Sans Mono") << "DejaVu Sans Mono";
        QTest::newRow("Noto Sans Mono") << "Noto Sans Mono";
        QTest::newRow("proportional") << QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }
    void columnsLineUp() {
        QFETCH(QString, family);
        const QStringList lines{"0123456789ABCDEF", "iiiiiiiiiiiiiiii", "WMWMWMWMWMWMWMWM",
                                "a b.c:d(e)f;g,h "};
        CFileViewer viewer(Write("columns.txt", lines.join("\r\n").toLatin1()));
        if (!family.isEmpty())
            viewer.TextView()->setFont(QFont(family));
        viewer.show();
        viewer.grab(); // lays out what is in view
        for (int column = 0; column <= 16; ++column) {
            QList<int> x;
            for (int line = 0; line < lines.size(); ++line) {
                QTextCursor cursor(viewer.TextView()->document()->findBlockByNumber(line));
                cursor.setPosition(cursor.position() + column);
                x << viewer.TextView()->cursorRect(cursor).x();
            }
            const auto [left, right] = std::minmax_element(x.begin(), x.end());
            QVERIFY2(*right - *left <= 1, qPrintable(QStringLiteral("column %1").arg(column)));
        }
        // The compare view: the last digit of "00" and of "D0" in one place.
        const QByteArray bytes = QByteArray(16, '\0') + QByteArray(16, '\xD0');
        CHexCompareView hex(bytes, bytes);
        if (!family.isEmpty())
            hex.setFont(QFont(family));
        hex.resize(900, 200);
        const QImage image = hex.viewport()->grab().toImage();
        auto lastInk = [&](int line) {
            const int height = int(hex.fontMetrics().height() * image.devicePixelRatio());
            for (int x = image.width() - 1; x >= 0; --x)
                for (int y = line * height; y < (line + 1) * height; ++y)
                    if (image.pixel(x, y) != image.pixel(0, y))
                        return x;
            return -1;
        };
        QVERIFY(lastInk(0) > 0);
        QCOMPARE(lastInk(0), lastInk(1));
    }

    void viewerOfAMissingFile() {
        CFileViewer viewer(dir.filePath("gone.txt"));
        QVERIFY(viewer.Text().startsWith(QStringLiteral("无法打开文件")));
    }

    void compareBytes_data() {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<qint64>("differing");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<QList<qint64>>("next"); // what the button visits, from the start
        QTest::newRow("same") << QByteArray("abc") << QByteArray("abc") << qint64(0) << qint64(-1) << QList<qint64>{-1};
        QTest::newRow("both empty") << QByteArray() << QByteArray() << qint64(0) << qint64(-1) << QList<qint64>{-1};
        QTest::newRow("one byte") << QByteArray("abc") << QByteArray("aXc") << qint64(1) << qint64(1)
                                  << QList<qint64>{1, 1};
        QTest::newRow("longer, wraps") << QByteArray(5000, 'a') + "b" << QByteArray(5000, 'a') + "cde" << qint64(3)
                                       << qint64(5000) << QList<qint64>{5000, 5001, 5002, 5000};
        QTest::newRow("shorter") << QByteArray("abcd") << QByteArray("aXc") << qint64(2) << qint64(1)
                                 << QList<qint64>{1, 3, 1};
        QTest::newRow("against nothing") << QByteArray("ab") << QByteArray() << qint64(2) << qint64(0)
                                         << QList<qint64>{0, 1, 0};
    }
    void compareBytes() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(qint64, differing);
        QFETCH(qint64, first);
        QFETCH(QList<qint64>, next);
        const CompareSummary summary = CompareBytes(a, b);
        QCOMPARE(summary.differing, differing);
        QCOMPARE(summary.first, first);
        QList<qint64> visited;
        qint64 at = -1;
        for (qsizetype i = 0; i < next.size(); ++i)
            visited << (at = NextDifference(a, b, at));
        QCOMPARE(visited, next);
    }

    // A whole capture's worth compares at once; the button walks the differences.
    void compareWindowOnAFullCapture() {
        QByteArray reference(204800, 'x'), dump = reference;
        dump[70000] = 'y';
        dump[204799] = 'z';
        prompts.CompareFiles(Write("ref.tcp", reference), Write("cap.tcp", dump));
        const QList<CCompareWindow*> windows = Open<CCompareWindow>();
        QCOMPARE(windows.size(), 1);
        CCompareWindow* window = windows.front();
        QVERIFY(window->Summary().contains(QStringLiteral("204800")));
        QVERIFY(window->Summary().contains(QStringLiteral("不同字节 2 个")));
        QVERIFY(window->Summary().contains(QStringLiteral("70000（11170H）")));
        QVERIFY(window->findChildren<QWidget*>().size() < 30);
        window->NextButton()->click();
        QCOMPARE(window->View()->Current(), qint64(70000));
        QVERIFY(window->View()->FirstVisibleLine() <= 70000 / 16);
        window->NextButton()->click();
        QCOMPARE(window->View()->Current(), qint64(204799));
        QVERIFY(!window->grab().isNull());
    }

    void compareWindowOfSameFiles() {
        CCompareWindow window(Write("a", "same"), Write("b", "same"));
        QVERIFY(window.Summary().contains(QStringLiteral("内容相同")));
        QVERIFY(!window.NextButton()->isEnabled());
    }

    // Closing takes every compare window the program opened, also after the user closed some, and
    // leaves the viewers.
    void closeCompareViewers() {
        const QString a = Write("a", "one"), b = Write("b", "two");
        prompts.CompareFiles(a, b);
        prompts.CompareFiles(a, b);
        prompts.CompareFiles(a, b);
        prompts.ShowFile(a);
        Open<CCompareWindow>().front()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Open<CCompareWindow>().size(), 2);
        prompts.CloseCompareViewers();
        QCOMPARE(Open<CCompareWindow>().size(), 0);
        QCOMPARE(Open<CFileViewer>().size(), 1);
        prompts.CloseCompareViewers();
        prompts.CompareFiles(a, b);
        QCOMPARE(Open<CCompareWindow>().size(), 1);
    }

    // Later notices change the open one's text; after an answer the next one shows again.
    void oneNoticeUntilAnswered() {
        prompts.ShowNotice("one");
        prompts.ShowNotice("two");
        QCOMPARE(Open<QMessageBox>().size(), 1);
        QCOMPARE(Open<QMessageBox>().front()->text(), QString("two"));
        Open<QMessageBox>().front()->button(QMessageBox::Ok)->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        prompts.ShowNotice("three");
        QCOMPARE(Open<QMessageBox>().size(), 1);
    }

private:
    QString Write(const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(bytes);
        return f.fileName();
    }

    QTemporaryDir dir;
    CWidgetPrompts prompts;
};

QTEST_MAIN(TestFileWindows)
#include "tst_file_windows.moc"
