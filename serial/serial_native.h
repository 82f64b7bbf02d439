#pragma once

// The serial backend's calls into the system, on the handle Qt SerialPort hands out (a descriptor on
// Unix, a HANDLE on Windows). One file per platform: serial_native_posix.cpp, serial_native_win.cpp.

#include <QSerialPort>
#include <QString>
#include <utility>

namespace serial_native {

// What QSerialPort::handle() gives (its own name for the type is private).
using Handle = decltype(std::declval<const QSerialPort&>().handle());

// The line as the driver holds it, which need not be what was asked for.
struct LineState {
    int dataBits = 8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    bool hardwareFlow = false; // RTS/CTS
    bool softwareFlow = false; // XON/XOFF both ways
};

// Each returns why it failed, in the system's words; empty when it did not.
QString ReadLine(Handle handle, LineState& out);
// Makes the parity `parity` exactly once Qt has set it (Qt leaves a mark/space bit behind on Unix).
QString SettleParity(Handle handle, QSerialPort::Parity parity);
// XON/XOFF both ways with DC1/DC3, on top of whatever other flow control is on.
QString EnableSoftwareFlow(Handle handle);

// Bytes the driver has taken but not yet sent; 0 when it cannot tell.
qint64 DriverOutQueue(Handle handle);

// Whether the device behind an open handle has gone (an adapter pulled, the far end of a
// pseudo-terminal closed), with the system's reason.
bool DeviceGone(Handle handle, QString& reason);
// Whether a vanished device may go unreported by Qt SerialPort, so that the backend has to ask
// DeviceGone now and then.
bool LossNeedsPolling();

// What the system can add when an open fails with `error`: another program holds the device, or the
// user may not use it (with `reason`). Neither when it cannot tell.
struct Refusal {
    bool inUse = false;
    QString reason;
};
Refusal ExplainOpenFailure(const QString& device, QSerialPort::SerialPortError error);

// The name Qt SerialPort is given for the device the user named.
QString PortNameToOpen(const QString& device);

// Whether the named device is there now. Never opens it.
bool DevicePresent(const QString& device);

// Whether Qt waits for input on a QSocketNotifier, which the backend may pause to pace reads.
bool ReadsPausable();

} // namespace serial_native
