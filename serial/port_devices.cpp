#include "serial/port_devices.h"

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
