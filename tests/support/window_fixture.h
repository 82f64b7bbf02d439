#pragma once

#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_mscomm.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/gbk_table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// One of the window's timers, by name: "animation", "autoSend", "reopen" or "receiveView".
inline QTimer& WindowTimer(const CTerminalDlg& dlg, const char* name) {
    QTimer* timer = dlg.findChild<QTimer*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(timer);
    return *timer;
}

// A main window on a fake serial control, fake prompts, a fake clock and a profile in a folder of its
// own.
struct CWindowFixture {
    QTemporaryDir dir;
    CFakeClock clock;
    CFakeMSComm comm{&clock};
    CFakePrompts prompts;
    std::unique_ptr<CProfile> profile;
    std::unique_ptr<CTerminalDlg> dlg;

    QString ProfilePath() const { return dir.filePath(QStringLiteral("serimo.ini")); }

    // Writes the profile as GBK text (UTF-8 in the test source), CR LF line ends.
    void WriteProfile(const QString& text) {
        QString crlf = text;
        crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        WriteProfileBytes(GbkBytes(crlf));
    }
    void WriteProfileBytes(const QByteArray& bytes) {
        QFile f(ProfilePath());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray ProfileBytes() const {
        QFile f(ProfilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString ProfileText() const { return GbkText(ProfileBytes()); }

    // Between tests: no window, a fake control and prompts as new, an empty folder.
    void Reset() {
        dlg.reset();
        comm.ClearLog();
        comm.missingPorts.clear();
        comm.stallOutput = false;
        comm.onOutput = nullptr;
        prompts = CFakePrompts();
        for (const QFileInfo& entry : QDir(dir.path()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            entry.isDir() ? QDir(entry.filePath()).removeRecursively() : QFile::remove(entry.filePath());
    }

    // A file in the folder, by name; "(missing)" when it cannot be read.
    QByteArray ReadFile(const QString& name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    bool WriteFile(const QString& name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    // Starts the window on the profile as it is now.
    CTerminalDlg& Start() {
        dlg.reset();
        profile = std::make_unique<CProfile>(ProfilePath());
        dlg = std::make_unique<CTerminalDlg>(comm, prompts, *profile, clock);
        return *dlg;
    }
    CTerminalDlg& Start(const QString& profileText) {
        WriteProfile(profileText);
        return Start();
    }
    // Started, with nothing yet done on the line.
    CTerminalDlg& Open(const QString& profileText = QString()) {
        Start(profileText);
        comm.ClearLog();
        return *dlg;
    }
};
