#include "app/program_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

QStringList ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return arguments;
    }
    QStringList arguments;
    for (int i = 0; i < count; ++i)
        arguments << QString::fromWCharArray(wide[i]);
    ::LocalFree(wide);
    return arguments;
}

namespace {

bool HasHandle(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void UseParentConsole() {
    const bool out = HasHandle(STD_OUTPUT_HANDLE), err = HasHandle(STD_ERROR_HANDLE);
    if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}

void SetBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

void LeaveInstallFolder() {
    const QString current = QDir::current().canonicalPath();
    const QString install = QDir(QCoreApplication::applicationDirPath()).canonicalPath();
    if (current.compare(install, Qt::CaseInsensitive) != 0)
        return;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir().mkpath(documents))
        QDir::setCurrent(documents);
}

#else

QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

void UseParentConsole() {}
void SetBinaryStandardStreams() {}
void LeaveInstallFolder() {}

#endif
