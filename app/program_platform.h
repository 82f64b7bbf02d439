#pragma once

#include <QStringList>

// What a program needs from the system it runs on before its window exists. Elsewhere than on
// Windows these do nothing beyond the obvious.

// The command line, the program's own name first. On Windows it is read as UTF-16, so a path with
// any character survives (argv holds the ANSI code page's idea of it).
QStringList ProgramArguments(int argc, char** argv);

// A Windows GUI program has no standard output of its own when started from a console: this joins
// the console it was started from, so that --help and error lines reach it. Output already redirected
// (a pipe, a file) is kept.
void UseParentConsole();

// Standard input and output carry bytes, not text: on Windows the C runtime would turn LF into CR LF
// and stop reading at 1Ah.
void SetBinaryStandardStreams();

// A program started in its own install folder (a Start menu entry, a double click there) works in the
// user's Documents instead, where saving is allowed: Program Files is not writable.
void LeaveInstallFolder();
