#pragma once

#include "serial/serial_device_list.h"

#include <QSet>

// A fixed set of devices. A path counts as present when it is one of them or listed in `present`.
class CFakeDeviceList : public ISerialDeviceList {
public:
    std::vector<SerialDeviceInfo> devices;
    QSet<QString> present;

    std::vector<SerialDeviceInfo> Devices() override {
        std::vector<SerialDeviceInfo> sorted = devices;
        SortForChoice(sorted);
        return sorted;
    }
    bool IsPresent(const QString& path) override {
        if (present.contains(path))
            return true;
        for (const SerialDeviceInfo& d : devices)
            if (d.path == path)
                return true;
        return false;
    }
};
