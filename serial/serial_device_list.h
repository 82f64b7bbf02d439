#pragma once

#include <QString>
#include <vector>

// A serial device present on the machine, as the device dialog offers it.
struct SerialDeviceInfo {
    QString path;           // what gets stored: /dev/serial/by-id/..., /dev/ttyUSB0, COM3
    QString systemLocation; // the device node the path leads to
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// The machine's serial devices. The program asks the platform; tests hand in a fixed list.
class ISerialDeviceList {
public:
    virtual ~ISerialDeviceList() = default;
    // The devices present now, in the order they are offered (see SortForChoice).
    virtual std::vector<SerialDeviceInfo> Devices() = 0;
    // Whether `path` names a device that is there now. Never opens it.
    virtual bool IsPresent(const QString& path) = 0;
};

// Stable names (/dev/serial/by-id/...) first, since they survive replugging; then the other devices;
// the machine's built-in UARTs (/dev/ttyS*) last, since one of them is often its console.
void SortForChoice(std::vector<SerialDeviceInfo>& devices);
bool IsBuiltInUart(const QString& path);
// "description, manufacturer, serial number" with the empty parts left out.
QString DeviceSummary(const SerialDeviceInfo& device);
