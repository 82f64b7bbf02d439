// What makes the program a Windows program: its system menu, and ending through the console's
// control events and the end of the session as through the close box. Windows only.

#include "app/quit_signals.h"
#include "res/resource.h"
#include "tests/support/window_fixture.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <thread>
#include <windows.h>

class TestWindowsProgram : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

    // The About item stays in the system menu when the window gets a new native window.
    void aboutStaysInTheSystemMenu() {
        if (QGuiApplication::platformName() != QLatin1String("windows"))
            QSKIP("needs the windows platform (real windows with a system menu)");
        CTerminalDlg& dlg = f.Start();
        dlg.show();
        for (bool topMost : {true, false, true}) {
            dlg.SetTopMost(topMost);
            const HWND window = reinterpret_cast<HWND>(dlg.winId());
            const HMENU menu = ::GetSystemMenu(window, FALSE);
            QVERIFY(menu);
            QVERIFY(::GetMenuState(menu, IDM_ABOUTBOX, MF_BYCOMMAND) != UINT(-1));
            const int modals = f.prompts.modalCount;
            ::SendMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            QCOMPARE(f.prompts.modalCount, modals + 1);
        }
    }

    // Settings where Windows programs keep them, unless XDG_CONFIG_HOME says otherwise.
    void settingsFile() {
        const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_HOME");
        const QString appData = qEnvironmentVariable("APPDATA");
        QCOMPARE(QDir::cleanPath(CProfile::DefaultPath()),
                 QDir::cleanPath(QDir::fromNativeSeparators(appData) + QStringLiteral("/Serimo/tst_windows_program.ini")));
        qputenv("XDG_CONFIG_HOME", "C:\\elsewhere");
        QCOMPARE(QDir::cleanPath(CProfile::DefaultPath()), QStringLiteral("C:/elsewhere/tst_windows_program.ini"));
        qputenv("XDG_CONFIG_HOME", xdg);
    }

    // From here on the program counts as ending (CQuitSignals::Requested stays set).

    // The first event asks the window to end; closing the console, logging off and shutting down
    // also wait until it has ended, since the system ends the process right after. A second event is
    // left to the system.
    void consoleEvents_data() {
        QTest::addColumn<unsigned long>("event");
        QTest::addColumn<bool>("waits");
        QTest::newRow("Ctrl+C") << (unsigned long)CTRL_C_EVENT << false;
        QTest::newRow("Ctrl+Break") << (unsigned long)CTRL_BREAK_EVENT << false;
        QTest::newRow("console closed") << (unsigned long)CTRL_CLOSE_EVENT << true;
        QTest::newRow("logging off") << (unsigned long)CTRL_LOGOFF_EVENT << true;
        QTest::newRow("shutting down") << (unsigned long)CTRL_SHUTDOWN_EVENT << true;
    }
    void consoleEvents() {
        QFETCH(unsigned long, event);
        QFETCH(bool, waits);
        auto listener = std::make_unique<CQuitSignals>();
        QSignalSpy quit(listener.get(), &CQuitSignals::Quit);
        std::atomic<int> answered{-1};
        std::thread system([&] { answered = CQuitSignals::OnConsoleEvent(event) ? 1 : 0; });
        QTRY_COMPARE(quit.size(), 1);
        QVERIFY(CQuitSignals::Requested());
        if (waits) {
            QTest::qWait(100);
            QCOMPARE(answered.load(), -1);
            listener.reset();
        }
        system.join();
        QCOMPARE(answered.load(), 1);
        QCOMPARE(CQuitSignals::OnConsoleEvent(event), false);
    }

    void endOfSessionEndsTheWindow() {
        CQuitSignals listener;
        QSignalSpy quit(&listener, &CQuitSignals::Quit);
        MSG msg{};
        msg.message = WM_ENDSESSION;
        msg.wParam = TRUE;
        qintptr result = 0;
        // Straight through, before the message returns: the process may be ended right after it.
        QCoreApplication::instance()->eventDispatcher()->filterNativeEvent("windows_generic_MSG", &msg, &result);
        QCOMPARE(quit.size(), 1);
        msg.wParam = FALSE; // the session goes on
        QCoreApplication::instance()->eventDispatcher()->filterNativeEvent("windows_generic_MSG", &msg, &result);
        QCOMPARE(quit.size(), 1);
    }

private:
    CWindowFixture f;
};

QTEST_MAIN(TestWindowsProgram)
#include "tst_windows_program.moc"
