#include "serial/qt_serial_device_list.h"
#include "serial/port_devices.h"
#include "serial/serial_native.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

std::vector<SerialDeviceInfo> CQtSerialDeviceList::Devices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        // Stored as the user would type it: "COM3" rather than Windows' "\\.\COM3".
        const QString location = ComPortName(port.systemLocation());
        SerialDeviceInfo info{location, location, port.description(), port.manufacturer(), port.serialNumber()};
        devices.push_back(info);
    }
    // Only Linux has this folder.
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
    SortForChoice(devices);
    return devices;
}

bool CQtSerialDeviceList::IsPresent(const QString& path) { return serial_native::DevicePresent(path); }
