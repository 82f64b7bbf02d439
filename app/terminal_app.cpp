#include "app/terminal_app.h"

#include "app/command_line.h"
#include "app/port_settings.h"
#include "app/profile.h"
#include "app/quit_signals.h"
#include "app/settings.h"
#include "app/terminal_dlg.h"
#include "app/widget_prompts.h"
#include "serial/clock.h"
#include "serial/qt_serial_comm.h"

#include <QApplication>

int CTerminalApp::InitInstance(const CommandLine& commandLine) {
    // Sockets are not used anywhere in the program, so there is no socket support to check here.
    CProfile profile(CProfile::DefaultPath());
    // Only in memory: the file changes when the person saves the settings, as after any choice of port.
    const QString portKey = QStringLiteral("ComPort");
    if (commandLine.startOnCom1 && profile.GetProfileInt(settings::kComPort, portKey, 0) != 0)
        profile.WriteProfileInt(settings::kComPort, portKey, 0);
    // Ended from outside (Ctrl+C, kill, logging out): as the close box ends it, settings unsaved. Boxes
    // and dialogs open above the window are closed first, or the window would wait for them, and no
    // new one opens (CTerminalDlg::Quitting); that holds from the first message the window may show
    // while it starts.
    CQuitSignals quitSignals;
    bool quit = false;
    CTerminalDlg* window = nullptr;
    QObject::connect(&quitSignals, &CQuitSignals::Quit, [&window, &quit] {
        quit = true;
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == window)
                break;
            modal->close();
        }
        // The log is written out here, not when the window goes: at the end of a Windows session the
        // process may be ended as soon as this returns.
        if (window) {
            window->BeginQuit();
            window->StopLog();
        }
    });
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CWidgetPrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    prompts.SetParent(&dlg);
    window = &dlg;
    // A log that cannot be opened is told, and the window runs without it.
    if (!quit && !commandLine.logPath.isEmpty())
        dlg.StartLog(commandLine.logPath, commandLine.logFormat);
    if (!quit)
        dlg.exec();
    window = nullptr;
    return 0;
}
