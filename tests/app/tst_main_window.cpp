// The main window: its controls against the template, start-up from the profile, closing.
#include "res/artwork.h"
#include "res/dialog_template.h"
#include "res/resource.h"
#include "terminal/receive_view.h"
#include "tests/support/window_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(f.dir.isValid()); }
    void cleanup() { f.Reset(); }

    void controlsMatchTheTemplate();
    void defaultsWithoutProfile();
    void pinTogglesTopMost();
    void okWritesEverySettingAndKeepsTheRest();
    void escapeAndCloseBoxWriteNothing();
    void enterOnAFocusedControl_data();
    void enterOnAFocusedControl();
    void validationKeepsWindowOpen_data();
    void validationKeepsWindowOpen();
    void indexNamingNoEntryLeavesListBlank();
    void profileRoundTrip_data();
    void profileRoundTrip();
    void garbageProfileStartsWithDefaults();
    void unreadableProfileIsSaidOnceAndKept();
    void offScreenPositionMovesToPrimaryScreen();
    void iconAnimationCycles();
    void aboutFromWindowMenu();
    void sendBoxStopsAt2048Bytes();

private:
    CWindowFixture f;
};

namespace {

const char* KindOf(QWidget* w) {
    if (qobject_cast<CToggleButton*>(w))
        return "toggle";
    if (qobject_cast<CBitmapButton*>(w))
        return "bitmap";
    if (qobject_cast<QCheckBox*>(w))
        return "check";
    if (qobject_cast<QPushButton*>(w))
        return "button";
    if (qobject_cast<QComboBox*>(w))
        return "list";
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<CReceiveView*>(w))
        return "edit";
    if (qobject_cast<QLabel*>(w))
        return static_cast<QLabel*>(w)->pixmap().isNull() ? "text" : "icon";
    if (qobject_cast<QFrame*>(w))
        return "frame";
    return "custom";
}

const char* ExpectedKind(ControlKind k) {
    switch (k) {
    case ControlKind::Text: return "text";
    case ControlKind::Frame: return "frame";
    case ControlKind::Icon: return "icon";
    case ControlKind::Button: return "button";
    case ControlKind::Check: return "check";
    case ControlKind::Toggle: return "toggle";
    case ControlKind::BitmapButton: return "bitmap";
    case ControlKind::List: return "list";
    case ControlKind::Edit: return "edit";
    case ControlKind::Custom: return "custom";
    case ControlKind::Group:
    case ControlKind::Radio:
    case ControlKind::IpAddress:
    case ControlKind::NumberBox: return "not in the main window";
    }
    return "";
}

QString TextOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return QString();
}

} // namespace

void TestMainWindow::controlsMatchTheTemplate() {
    CTerminalDlg& dlg = f.Start();
    const DialogTemplate& t = MainDialogTemplate();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Serimo" SERIMO_VERSION));

    // Dialog units scale by the dialog font's average character width and height.
    const QFontMetrics fm(dlg.font());
    const int cx = (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int cy = fm.height();
    auto px = [](int du, int base, int div) { return (du * base + div / 2) / div; };
    QCOMPARE(dlg.size(), QSize(px(383, cx, 4), px(284, cy, 8)));

    const auto& built = dlg.Built().inOrder;
    QCOMPARE(built.size(), t.controls.size());
    QCOMPARE(int(t.controls.size()), 58);
    for (std::size_t i = 0; i < built.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        QWidget* w = built[i];
        const QString where = QStringLiteral("control %1 (id %2)").arg(i).arg(c.id);
        QVERIFY2(w->property("controlId").toInt() == c.id, qPrintable(where));
        QVERIFY2(QByteArray(KindOf(w)) == ExpectedKind(c.kind), qPrintable(where + " kind " + KindOf(w)));
        if (c.kind == ControlKind::Text || c.kind == ControlKind::Button || c.kind == ControlKind::Check ||
            c.kind == ControlKind::Toggle) {
            // The status line and counters are rewritten at start-up: nobody sees their template text.
            if (c.id != IDC_STATUS && c.id != IDC_RX_COUNT && c.id != IDC_TX_COUNT)
                QVERIFY2(TextOf(w) == QString::fromUtf8(c.text), qPrintable(where + " text " + TextOf(w)));
        }
        const QRect expected(px(c.x, cx, 4), px(c.y, cy, 8), px(c.w, cx, 4), px(c.h, cy, 8));
        if (c.kind == ControlKind::List) {
            QCOMPARE(w->geometry().topLeft(), expected.topLeft());
            QCOMPARE(w->width(), expected.width());
        } else if (c.kind == ControlKind::BitmapButton) {
            QCOMPARE(w->geometry().topLeft(), expected.topLeft());
            QCOMPARE(w->size(), QSize(16, 15));
        } else {
            QVERIFY2(w->geometry() == expected, qPrintable(where));
        }
        QVERIFY2(c.id == IDC_MSCOMM ? !w->isVisibleTo(&dlg) : w->isVisibleTo(&dlg), qPrintable(where));
    }
}

void TestMainWindow::defaultsWithoutProfile() {
    CTerminalDlg& dlg = f.Start();
    QCOMPARE(dlg.Control<QComboBox>(IDC_PORT)->currentText(), QStringLiteral("Com1"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_BAUD)->currentText(), QStringLiteral("1200"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_PARITY)->currentText(), QStringLiteral("NONE"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_DATABITS)->currentText(), QStringLiteral("8"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_STOPBITS)->currentText(), QStringLiteral("1"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_HANDSHAKE)->currentText(), QStringLiteral("ComNone"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_SEND_PROTOCOL)->currentText(), QStringLiteral("Original"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_SAVE_PROTOCOL)->currentText(), QStringLiteral("Original"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_BAUD)->count(), 16);
    QCOMPARE(dlg.Control<QLineEdit>(IDC_PERIOD)->text(), QStringLiteral("1000"));
#ifdef Q_OS_WIN
    const QString defaultPath = QDir::toNativeSeparators(
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("save.txt")));
#else
    const QString defaultPath = QDir(QDir::tempPath()).filePath(QStringLiteral("save.txt"));
#endif
    QCOMPARE(dlg.Control<QLineEdit>(IDC_SAVE_FILE)->text(), defaultPath);
    QCOMPARE(dlg.Control<QLineEdit>(IDC_SEND_FILE_PATH)->text(), defaultPath);
    QCOMPARE(dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->text(), QString());
    for (int id : {IDC_AUTO_CLEAR, IDC_HEX_DISPLAY, IDC_HEX_SEND, IDC_AUTO_SEND, IDC_RESET_RX_AFTER_SAVE})
        QVERIFY(!dlg.Control<QCheckBox>(id)->isChecked());
    QCOMPARE(dlg.Control<QPlainTextEdit>(IDC_SEND)->toPlainText(),
             QStringLiteral("05 30 30 41 30 30 30 30 30 30 30 30 30 0D"));
    QCOMPARE(dlg.pos(), QPoint(100, 100));
    QVERIFY(!dlg.IsTopMost());
    QCOMPARE(dlg.Control<CBitmapButton>(IDC_PIN)->property("bitmapId").toInt(), int(IDB_PIN_LYING));
    // The port opens with the defaults.
    QVERIFY(f.comm.ops.contains(QStringLiteral("Settings=1200,N,8,1")));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 OPENED 1200,N,8,1"));
    QVERIFY(f.prompts.messages.empty());
    QVERIFY(WindowTimer(dlg, "animation").isActive());
    QCOMPARE(WindowTimer(dlg, "animation").interval(), 2500);
    // SERIMO_SCREENSHOT=file.png keeps a picture of the window, for looking at the layout.
    if (const QString shot = qEnvironmentVariable("SERIMO_SCREENSHOT"); !shot.isEmpty())
        dlg.grab().save(shot);
}

void TestMainWindow::pinTogglesTopMost() {
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Window]\nWindowTopMost=1\n"));
    QVERIFY(dlg.IsTopMost());
    QCOMPARE(dlg.Control<CBitmapButton>(IDC_PIN)->property("bitmapId").toInt(), int(IDB_PIN_PRESSED));
    QTest::mouseClick(dlg.Control<CBitmapButton>(IDC_PIN), Qt::LeftButton);
    QVERIFY(!dlg.IsTopMost());
    QCOMPARE(dlg.Control<CBitmapButton>(IDC_PIN)->property("bitmapId").toInt(), int(IDB_PIN_LYING));
    // Stored as the real state, although the profile said otherwise.
    dlg.OnOK();
    QVERIFY(f.ProfileText().contains(QStringLiteral("WindowTopMost=0\r\n")));
    QTest::mouseClick(dlg.Control<CBitmapButton>(IDC_PIN), Qt::LeftButton);
    QVERIFY(dlg.IsTopMost());
}

void TestMainWindow::okWritesEverySettingAndKeepsTheRest() {
    const QString before = QStringLiteral(
        "; kept comment\n"
        "[Devices]\nCom1=/dev/pts/99\n"
        "[Com Port]\nComPort=1\nSomethingElse=keep me\n"
        "[Setting]\nRecent File Saved=card 2024.cfg\n"
        "[Other Tool]\nx = 1\n");
    CTerminalDlg& dlg = f.Start(before);
    dlg.Control<QCheckBox>(IDC_HEX_SEND)->click();
    dlg.Control<QLineEdit>(IDC_PERIOD)->setText(QStringLiteral("250"));
    dlg.OnOK();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));

    const QString text = f.ProfileText();
    const QString expectedKeys[] = {
        "[Com Port]\r\nComPort=1\r\nSomethingElse=keep me\r\nBaud=3\r\nCheckout=0\r\nDatabits=4\r\nStopBits=0\r\nHandShake=0\r\n",
        "[Receive]\r\nResetRX=0\r\nDisplayHexCode=0\r\nAutoClearReceiveArea=0\r\nSave Protocol=0\r\nSaveToFile=",
        "File Comparision=\r\n",
        "[Send]\r\nAutoSend=0\r\nAutoSendPeriod=250\r\nSendHexCode=1\r\nSendFile=",
        "SendData=05 30 30 41 30 30 30 30 30 30 30 30 30 0D\r\nSend Protocol=0\r\n",
        "[Window]\r\nWindowTopMost=0\r\nWindowPositionX=",
        "; kept comment\r\n[Devices]\r\nCom1=/dev/pts/99\r\n",
        "[Setting]\r\nRecent File Saved=card 2024.cfg\r\n",
        "[Other Tool]\r\nx = 1\r\n",
    };
    for (const QString& part : expectedKeys)
        QVERIFY2(text.contains(part), qPrintable(part + "\n--- in ---\n" + text));
    QVERIFY(text.contains(QStringLiteral("WindowPositionY=")));
}

void TestMainWindow::escapeAndCloseBoxWriteNothing() {
    const QString before = QStringLiteral("[Com Port]\nBaud=6\n");
    CTerminalDlg& dlg = f.Start(before);
    const QByteArray bytes = f.ProfileBytes();
    dlg.Control<QCheckBox>(IDC_HEX_SEND)->click();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(f.ProfileBytes(), bytes);

    CTerminalDlg& again = f.Start();
    again.show();
    again.close();
    QCOMPARE(f.ProfileBytes(), bytes);

    // With no profile at all, none is made.
    QFile::remove(f.ProfilePath());
    CTerminalDlg& fresh = f.Start();
    fresh.reject();
    QVERIFY(!QFile::exists(f.ProfilePath()));
}

void TestMainWindow::enterOnAFocusedControl_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("closes");
    QTest::newRow("send button") << 1019 << false;
    QTest::newRow("line button") << 1233 << false;
    QTest::newRow("pin") << 1024 << false;
    QTest::newRow("close port button") << 1005 << false;
    QTest::newRow("check box") << 1017 << true;
    QTest::newRow("period box") << 1020 << true;
    QTest::newRow("list") << 1000 << true;
}

void TestMainWindow::enterOnAFocusedControl() {
    // A focused button takes Enter and is pressed; anything else that does not take Enter closes
    // the window through OK.
    QFETCH(int, id);
    QFETCH(bool, closes);
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Send]\nSendHexCode=0\nSendData=hi\n"));
    QWidget* control = dlg.Control(id);
    const bool pinned = dlg.IsTopMost();
    const bool dtr = dlg.Control<CToggleButton>(IDC_DTR)->isChecked();
    control->setFocus();
    QCOMPARE(dlg.focusWidget(), control);
    QTest::keyClick(control, Qt::Key_Return);
    QCOMPARE(dlg.result() == QDialog::Accepted, closes);
    QCOMPARE(QFile::exists(f.ProfilePath()) && f.ProfileText().contains(QStringLiteral("AutoSend")), closes);
    if (id == 1019)
        QCOMPARE(f.comm.written, QByteArray("hi"));
    if (id == 1233)
        QCOMPARE(dlg.Control<CToggleButton>(IDC_DTR)->isChecked(), !dtr);
    if (id == 1024)
        QCOMPARE(dlg.IsTopMost(), !pinned);
    if (id == 1005)
        QVERIFY(!f.comm.GetPortOpen());
}

void TestMainWindow::validationKeepsWindowOpen_data() {
    QTest::addColumn<QString>("period");
    QTest::addColumn<int>("sendBytes");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("period 0") << "0" << 10 << false;
    QTest::newRow("period 1000001") << "1000001" << 10 << false;
    QTest::newRow("period letters") << "12abc" << 10 << false;
    QTest::newRow("period negative") << "-5" << 10 << false;
    QTest::newRow("period 1") << "1" << 10 << true;
    QTest::newRow("period 1000000") << "1000000" << 10 << true;
    QTest::newRow("send 2048 bytes") << "1000" << 2048 << true;
    QTest::newRow("send 2049 bytes") << "1000" << 2049 << false;
}

void TestMainWindow::validationKeepsWindowOpen() {
    QFETCH(QString, period);
    QFETCH(int, sendBytes);
    QFETCH(bool, accepted);
    // A stored text longer than the limit is shown as it is, and refused when closing.
    const QString send = QString(sendBytes / 2, QChar(0x4E2D)) + QString(sendBytes % 2, QLatin1Char('x'));
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Send]\nSendData=%1\n").arg(send));
    const QByteArray bytes = f.ProfileBytes();
    dlg.Control<QLineEdit>(IDC_PERIOD)->setText(period);
    dlg.OnOK();
    if (accepted) {
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(f.prompts.messages.empty());
    } else {
        QCOMPARE(dlg.result(), int(QDialog::Rejected)); // still open: never accepted
        QCOMPARE(f.prompts.messages.size(), std::size_t(1));
        QCOMPARE(f.ProfileBytes(), bytes);
    }
}

void TestMainWindow::indexNamingNoEntryLeavesListBlank() {
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Com Port]\nComPort=-1\n[Send]\nSend Protocol=9\n"));
    QCOMPARE(dlg.Control<QComboBox>(IDC_PORT)->currentIndex(), -1);
    QCOMPARE(dlg.Control<QComboBox>(IDC_SEND_PROTOCOL)->currentIndex(), -1);
    QCOMPARE(f.prompts.Texts(),
             QStringList({QStringLiteral("请设置串口号！"),
                          QStringLiteral("串口0无法打开！\n注：该串口可能不存在，或已经被其它应用程序占用。")}));
    // A list without a selection is stored as -1 and comes back blank.
    dlg.OnOK();
    QVERIFY(f.ProfileText().contains(QStringLiteral("ComPort=-1\r\n")));
    QVERIFY(f.ProfileText().contains(QStringLiteral("Send Protocol=-1\r\n")));
    QCOMPARE(f.Start().Control<QComboBox>(IDC_PORT)->currentIndex(), -1);
}

void TestMainWindow::profileRoundTrip_data() {
    QTest::addColumn<QString>("sendText");
    QTest::addColumn<QByteArray>("storedAs");
    QTest::newRow("one line") << "05 30 30 41" << QByteArray("SendData=05 30 30 41\r\n");
    QTest::newRow("two lines") << "ab\ncd" << QByteArray("SendData=\"ab\\ncd\"\r\n");
    QTest::newRow("chinese") << QStringLiteral("中文 测试") << QByteArray("SendData=\xD6\xD0\xCE\xC4 \xB2\xE2\xCA\xD4\r\n");
    QTest::newRow("backslash one line") << "C:\\temp\\x" << QByteArray("SendData=C:\\temp\\x\r\n");
    QTest::newRow("lines with backslash and quotes")
        << "a\\n\"b\"\n" << QByteArray("SendData=\"a\\\\n\\\"b\\\"\\n\"\r\n");
    QTest::newRow("quoted one line") << "\"x\"" << QByteArray("SendData=\"\\\"x\\\"\"\r\n");
    QTest::newRow("blank at end") << "41 " << QByteArray("SendData=\"41 \"\r\n");
    QTest::newRow("empty") << "" << QByteArray("SendData=\r\n");
}

void TestMainWindow::profileRoundTrip() {
    QFETCH(QString, sendText);
    QFETCH(QByteArray, storedAs);
    CTerminalDlg& dlg = f.Start();
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(sendText);
    dlg.Control<QComboBox>(IDC_BAUD)->setCurrentIndex(-1);
    dlg.OnOK();
    QVERIFY2(f.ProfileBytes().contains(storedAs), f.ProfileBytes().constData());
    CTerminalDlg& again = f.Start();
    QCOMPARE(again.Control<QPlainTextEdit>(IDC_SEND)->toPlainText(), sendText);
    QCOMPARE(again.Control<QComboBox>(IDC_BAUD)->currentIndex(), -1);
}

void TestMainWindow::garbageProfileStartsWithDefaults() {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        const char c = char((i * 7919) & 0xFF);
        garbage += (c == '\n' || c == '\r') ? 'x' : c;
        if (i % 64 == 63)
            garbage += "\r\n";
    }
    garbage += "\n[Com Port]\nBaud=banana\nComPort=99999999999999\nDatabits=\n[Window]\nWindowPositionX=12abc\n=\n[\n";
    f.WriteProfileBytes(garbage);
    CTerminalDlg& dlg = f.Start();
    QCOMPARE(dlg.Control<QComboBox>(IDC_BAUD)->currentIndex(), 3);
    QCOMPARE(dlg.Control<QComboBox>(IDC_PORT)->currentIndex(), 0);
    QCOMPARE(dlg.Control<QComboBox>(IDC_DATABITS)->currentIndex(), 4);
    QCOMPARE(dlg.pos().x(), 12);
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 OPENED 1200,N,8,1"));
    // What the program does not understand survives a save byte for byte.
    dlg.OnOK();
    QVERIFY(f.ProfileBytes().startsWith(garbage.left(4096 + 128)));
}

void TestMainWindow::unreadableProfileIsSaidOnceAndKept() {
    // A folder where the profile should be: the window starts on the defaults, says so naming the
    // file, and OK leaves it alone (no second message, nothing written).
    QVERIFY(QDir().mkdir(f.ProfilePath()));
    CTerminalDlg& dlg = f.Start();
    QCOMPARE(dlg.Control<QComboBox>(IDC_BAUD)->currentIndex(), 3);
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QVERIFY(f.prompts.LastText().contains(QDir::toNativeSeparators(f.ProfilePath())));
    QVERIFY(f.prompts.LastText().contains(QStringLiteral("not a regular file")));
    dlg.OnOK();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QVERIFY(QFileInfo(f.ProfilePath()).isDir());
    QVERIFY(QDir().rmdir(f.ProfilePath()));
}

void TestMainWindow::offScreenPositionMovesToPrimaryScreen() {
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Window]\nWindowPositionX=-30000\nWindowPositionY=40000\n"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.intersects(dlg.frameGeometry()));
    CTerminalDlg& onScreen = f.Start(QStringLiteral("[Window]\nWindowPositionX=50\nWindowPositionY=60\n"));
    QCOMPARE(onScreen.pos(), QPoint(50, 60));
}

void TestMainWindow::iconAnimationCycles() {
    CTerminalDlg& dlg = f.Start();
    QCOMPARE(dlg.AnimationIcons().size(), std::size_t(4));
    // The strip is 64 by 18 with teal as its see-through colour.
    const QPixmap strip = ResBitmap(IDB_ANIMATION);
    QCOMPARE(strip.size(), QSize(64, 18));
    QCOMPARE(strip.toImage().pixelColor(0, 0), QColor(0, 128, 128));
    QVERIFY(!dlg.AnimationIcons()[0].pixmap(16, 18).toImage().hasAlphaChannel() ||
            dlg.AnimationIcons()[0].pixmap(16, 18).toImage().pixelColor(0, 0).alpha() == 0);
    // Each tick shows the next frame, round and round; only the small icon moves, the large sizes
    // stay the program's icon.
    for (int frame : {0, 1, 2, 3, 0, 1}) {
        dlg.OnAnimationTick();
        const QIcon shown = dlg.windowIcon();
        QCOMPARE(shown.pixmap(QSize(16, 18)).toImage(), dlg.AnimationIcons()[frame].pixmap(QSize(16, 18)).toImage());
        for (int size : {32, 48})
            QCOMPARE(shown.pixmap(size).toImage(), ResIcon(IDR_MAINFRAME).pixmap(size).toImage());
    }
}

void TestMainWindow::aboutFromWindowMenu() {
    CTerminalDlg& dlg = f.Start();
    QString title;
    f.prompts.onModal = [&](QDialog& d) {
        title = d.windowTitle();
        return int(QDialog::Accepted);
    };
    QTimer::singleShot(0, [&] {
        QMenu* menu = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                menu = m;
        QVERIFY(menu);
        QCOMPARE(menu->actions().last()->text(), QStringLiteral("关于Serimo"));
        menu->actions().last()->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dlg, &event);
    QCOMPARE(title, QStringLiteral("关于Serimo"));
}

void TestMainWindow::sendBoxStopsAt2048Bytes() {
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Send]\nSendData=\n"));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setFocus();
    dlg.Control<QPlainTextEdit>(IDC_SEND)->insertPlainText(QString(1023, QChar(0x4E2D))); // 2046 bytes
    dlg.Control<QPlainTextEdit>(IDC_SEND)->insertPlainText(QStringLiteral("中ab"));       // only 中 fits
    QCOMPARE(dlg.Control<QPlainTextEdit>(IDC_SEND)->toPlainText().size(), 1024);
    dlg.Control<QPlainTextEdit>(IDC_SEND)->insertPlainText(QStringLiteral("x"));
    QCOMPARE(dlg.Control<QPlainTextEdit>(IDC_SEND)->toPlainText().size(), 1024);
    dlg.OnOK();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
