#pragma once

#include "terminal/session_log.h"

#include <QString>
#include <QStringList>
#include <map>

// What the program's command line asks for. Parsed before any window exists, so that --help and
// --version work without a display.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Devices Com<n> stands for in this run only, ahead of the profile's [Devices].
    std::map<short, QString> devices;
    // Start on Com1 (a plain --device PATH) instead of the port the profile remembers.
    bool startOnCom1 = false;
    // A session log to start with (empty: none), in this format.
    QString logPath;
    LogFormat logFormat = LogFormat::Raw;
    // The help or version text for the terminal, or the one-line error (without a line end).
    QString text;
};

// `arguments` as in argv, the program's own name first. Qt's own window options (-platform,
// -style, ...) are accepted and left for the application object.
CommandLine ParseCommandLine(const QStringList& arguments);

// The exit status for an Error: wrong usage.
inline constexpr int kUsageExitCode = 2;
