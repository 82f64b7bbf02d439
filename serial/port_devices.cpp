#include "serial/port_devices.h"

#include "app/profile.h"

QString DefaultPortDevice(short port) {
    if (port < 1)
        return QString();
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(port);
#elif defined(Q_OS_LINUX)
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#else
    return QString();
#endif
}

QString ComPortName(const QString& name) {
    const QLatin1String device("\\\\.\\");
    const QString bare = name.startsWith(device) ? name.mid(device.size()) : name;
    if (bare.size() < 4 || !bare.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return name;
    for (qsizetype i = 3; i < bare.size(); ++i)
        if (bare[i] < QLatin1Char('0') || bare[i] > QLatin1Char('9'))
            return name;
    return QStringLiteral("COM") + bare.mid(3);
}

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
