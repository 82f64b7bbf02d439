#pragma once

#include <QString>

// The device Com<n> names when nothing else does: /dev/ttyUSB<n-1> on Linux and COM<n> on Windows;
// elsewhere there is none.
QString DefaultPortDevice(short port);

// A Windows port name as Qt SerialPort opens it: "com12", "\\.\com7" and "\\.\COM7" become "COM12" and
// "COM7" (Qt adds the "\\.\" itself, and only before an upper-case "COM"). Every other name is kept.
QString ComPortName(const QString& name);
