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

QString PortDevice(const CProfile& profile, short port) {
    return profile.GetProfileString(kDevicesSection, QStringLiteral("Com%1").arg(port), DefaultPortDevice(port)).trimmed();
}
