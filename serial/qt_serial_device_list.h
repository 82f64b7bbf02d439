#pragma once

#include "serial/serial_device_list.h"

// The devices Qt SerialPort enumerates, each also under its /dev/serial/by-id name where it has one.
// Enumerating reads udev and sysfs only; no device is opened.
class CQtSerialDeviceList : public ISerialDeviceList {
public:
    std::vector<SerialDeviceInfo> Devices() override;
    bool IsPresent(const QString& path) override;
};
