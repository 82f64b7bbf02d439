#pragma once

#include <QString>
#include <map>

class CProfile;

// The device behind each port: named on the command line for this run, else in the profile section
// [Devices] (keys Com1 to Com4), else the system's default for the port (DefaultPortDevice).
QString PortDevice(const CProfile& profile, short port);

// Devices named on the command line: for this run they stand ahead of [Devices], which stays as it is.
void SetPortDeviceOverrides(std::map<short, QString> devices);

inline const QString kDevicesSection = QStringLiteral("Devices");
