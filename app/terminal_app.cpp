#include "app/terminal_app.h"

#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "app/widget_prompts.h"
#include "serial/clock.h"
#include "serial/port_devices.h"
#include "serial/qt_serial_comm.h"

int CTerminalApp::InitInstance() {
    // Sockets are not used anywhere in the program, so there is no socket support to check here.
    CProfile profile(CProfile::DefaultPath());
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CWidgetPrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    prompts.SetParent(&dlg);
    dlg.exec();
    return 0;
}
