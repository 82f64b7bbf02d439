#include "serial/qt_serial_device_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

std::vector<SerialDeviceInfo> CQtSerialDeviceList::Devices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info{port.systemLocation(), port.systemLocation(), port.description(), port.manufacturer(),
                              port.serialNumber()};
        devices.push_back(info);
    }
#ifdef Q_OS_LINUX
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue; // its device is gone
        SerialDeviceInfo info{link.absoluteFilePath(), target, {}, {}, {}};
        for (const SerialDeviceInfo& d : devices)
            if (d.systemLocation == target) {
                info.description = d.description;
                info.manufacturer = d.manufacturer;
                info.serialNumber = d.serialNumber;
            }
        devices.push_back(info);
    }
#endif
    SortForChoice(devices);
    return devices;
}

bool CQtSerialDeviceList::IsPresent(const QString& path) {
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        if (port.portName().compare(path, Qt::CaseInsensitive) == 0)
            return true;
    return false;
#else
    // Follows a symbolic link: a by-id name whose device is gone is not there.
    return QFileInfo::exists(path.startsWith(QLatin1Char('/')) ? path : QStringLiteral("/dev/") + path);
#endif
}
