#include "app/terminal_app.h"

#include "app/command_line.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/terminal_dlg.h"
#include "app/widget_prompts.h"
#include "serial/clock.h"
#include "serial/port_devices.h"
#include "serial/qt_serial_comm.h"

int CTerminalApp::InitInstance(const CommandLine& commandLine) {
    // Sockets are not used anywhere in the program, so there is no socket support to check here.
    CProfile profile(CProfile::DefaultPath());
    // Only in memory: the file changes when the person saves the settings, as after any choice of port.
    const QString portKey = QStringLiteral("ComPort");
    if (commandLine.startOnCom1 && profile.GetProfileInt(settings::kComPort, portKey, 0) != 0)
        profile.WriteProfileInt(settings::kComPort, portKey, 0);
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CWidgetPrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    prompts.SetParent(&dlg);
    // A log that cannot be opened is told, and the window runs without it.
    if (!commandLine.logPath.isEmpty())
        dlg.StartLog(commandLine.logPath, commandLine.logFormat);
    dlg.exec();
    return 0;
}
