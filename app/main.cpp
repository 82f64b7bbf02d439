#include "app/command_line.h"
#include "app/port_settings.h"
#include "app/program_platform.h"
#include "app/screenshot_tour.h"
#include "app/terminal_app.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display: --help and --version must not.
    UseParentConsole();
    const CommandLine commandLine = ParseCommandLine(ProgramArguments(argc, argv));
    switch (commandLine.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "serimo: %s Try 'serimo --help'.\n", commandLine.text.toLocal8Bit().constData());
        return kUsageExitCode;
    case CommandLine::Action::Run:
        break;
    }
    SetPortDeviceOverrides(commandLine.devices);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("serimo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Serimo"));
    QApplication::setDesktopFileName(QStringLiteral("serimo"));
    LeaveInstallFolder();
    if (const QString dir = qEnvironmentVariable("SERIMO_SCREENSHOT_DIR"); !dir.isEmpty())
        StartScreenshotTour(dir);
    CTerminalApp theApp;
    return theApp.InitInstance(commandLine);
}
