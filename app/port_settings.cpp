#include "app/port_settings.h"

#include "app/profile.h"
#include "serial/port_devices.h"

namespace {
std::map<short, QString>& Overrides() {
    static std::map<short, QString> overrides;
    return overrides;
}
} // namespace

void SetPortDeviceOverrides(std::map<short, QString> devices) {
    Overrides() = std::move(devices);
}

QString PortDevice(const CProfile& profile, short port) {
    if (const auto it = Overrides().find(port); it != Overrides().end())
        return it->second;
    return profile
        .GetProfileString(kDevicesSection, QStringLiteral("Com%1").arg(port), DefaultPortDevice(port))
        .trimmed();
}
