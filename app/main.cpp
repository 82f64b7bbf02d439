#include "app/terminal_app.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("serimo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Serimo"));
    CTerminalApp theApp;
    return theApp.InitInstance();
}
