#include "serial/serial_device_list.h"

#include <QStringList>
#include <algorithm>

namespace {

int Rank(const QString& path) {
    if (path.startsWith(QLatin1String("/dev/serial/by-id/")))
        return 0;
    if (IsBuiltInUart(path))
        return 2;
    return 1;
}

} // namespace

bool IsBuiltInUart(const QString& path) { return path.startsWith(QLatin1String("/dev/ttyS")); }

void SortForChoice(std::vector<SerialDeviceInfo>& devices) {
    // Within a rank, ttyUSB2 before ttyUSB10.
    auto natural = [](const QString& a, const QString& b) {
        qsizetype i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i] && !a[i].isDigit())
            ++i;
        bool okA = false, okB = false;
        const qlonglong na = a.mid(i).toLongLong(&okA), nb = b.mid(i).toLongLong(&okB);
        if (okA && okB && na != nb)
            return na < nb;
        return a < b;
    };
    std::stable_sort(devices.begin(), devices.end(), [&](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        const int ra = Rank(a.path), rb = Rank(b.path);
        return ra != rb ? ra < rb : natural(a.path, b.path);
    });
}

QString DeviceSummary(const SerialDeviceInfo& device) {
    QStringList parts;
    for (const QString& part : {device.description, device.manufacturer})
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    if (!device.serialNumber.trimmed().isEmpty())
        parts << QStringLiteral("序列号 %1").arg(device.serialNumber.trimmed());
    return parts.join(QStringLiteral("，"));
}
