#pragma once

#include <QString>
#include <map>

class CProfile;

// Com1 to Com4 name devices through the profile section [Devices], keys Com1 to Com4. Without a key,
// Com<n> is /dev/ttyUSB<n-1> on Linux and COM<n> on Windows; elsewhere there is no default.
QString DefaultPortDevice(short port);
QString PortDevice(const CProfile& profile, short port);

// A Windows port name as Qt SerialPort opens it: "com12", "\\.\com7" and "\\.\COM7" become "COM12" and
// "COM7" (Qt adds the "\\.\" itself, and only before an upper-case "COM"). Every other name is kept.
QString ComPortName(const QString& name);

// Devices named on the command line: for this run they stand ahead of [Devices], which stays as it is.
void SetPortDeviceOverrides(std::map<short, QString> devices);

inline const QString kDevicesSection = QStringLiteral("Devices");
