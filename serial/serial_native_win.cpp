// The serial backend's system calls on Windows: the DCB, ClearCommError and GetCommModemStatus on the
// port's HANDLE.

#include "serial/serial_native.h"
#include "serial/port_devices.h"

#include <QSerialPortInfo>
#include <algorithm>

#include <windows.h> // lean, without min/max: the build defines WIN32_LEAN_AND_MEAN and NOMINMAX

namespace serial_native {

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
// Used when the driver does not say how much input it holds.
constexpr DWORD kAssumedInQueue = 4096;

QString SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD size = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString result = size > 0 ? QString::fromWCharArray(text, int(size)).trimmed()
                              : QStringLiteral("System error %1").arg(error);
    ::LocalFree(text);
    return result;
}

bool GetDcb(HANDLE h, DCB& dcb) {
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    return ::GetCommState(h, &dcb);
}

// "COM3" or "\\.\COM3" as CreateFile takes it (Qt's rule: only names starting with "COM" get the prefix).
QString SystemLocation(const QString& device) {
    const QString name = ComPortName(device);
    return name.startsWith(QLatin1String("COM")) ? QStringLiteral("\\\\.\\") + name : name;
}

QString WithoutDevicePrefix(const QString& name) {
    return name.startsWith(QLatin1String("\\\\.\\")) ? name.mid(4) : name;
}

} // namespace

QString ReadLine(Handle handle, LineState& out) {
    DCB dcb;
    if (!GetDcb(handle, dcb))
        return SystemText(::GetLastError());
    out.dataBits = dcb.ByteSize;
    switch (dcb.Parity) {
    case ODDPARITY: out.parity = QSerialPort::OddParity; break;
    case EVENPARITY: out.parity = QSerialPort::EvenParity; break;
    case MARKPARITY: out.parity = QSerialPort::MarkParity; break;
    case SPACEPARITY: out.parity = QSerialPort::SpaceParity; break;
    default: out.parity = QSerialPort::NoParity; break;
    }
    switch (dcb.StopBits) {
    case ONE5STOPBITS: out.stopBits = QSerialPort::OneAndHalfStop; break;
    case TWOSTOPBITS: out.stopBits = QSerialPort::TwoStop; break;
    default: out.stopBits = QSerialPort::OneStop; break;
    }
    // Only the CTS half: Wine reads an RTS handshake back as RTS on.
    out.hardwareFlow = dcb.fOutxCtsFlow;
    out.softwareFlow = dcb.fOutX && dcb.fInX;
    return QString();
}

QString SettleParity(Handle, QSerialPort::Parity) { return QString(); }

// Qt switches fOutX/fInX but leaves the characters and limits to whatever the driver had.
QString EnableSoftwareFlow(Handle handle) {
    const HANDLE h = handle;
    DCB dcb;
    if (!GetDcb(h, dcb))
        return SystemText(::GetLastError());
    COMMPROP props{};
    DWORD inQueue = kAssumedInQueue;
    if (::GetCommProperties(h, &props) && props.dwCurrentRxQueue > 0)
        inQueue = props.dwCurrentRxQueue;
    // XOFF when the driver's input is three quarters full, XON again when it is down to a quarter.
    const WORD limit = WORD(std::min<DWORD>(inQueue / 4, 0xFFFF));
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
    dcb.XonLim = limit;
    dcb.XoffLim = limit;
    if (!::SetCommState(h, &dcb))
        return SystemText(::GetLastError());
    return QString();
}

qint64 DriverOutQueue(Handle handle) {
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(handle, &errors, &status))
        return 0;
    return status.cbOutQue;
}

// A pulled adapter leaves a handle every request on which fails. A port without modem lines refuses
// the modem request on its own and is still there, so only the errors of a vanished device count there.
bool DeviceGone(Handle handle, QString& reason) {
    const HANDLE h = handle;
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(h, &errors, &status)) {
        reason = SystemText(::GetLastError());
        return true;
    }
    DWORD modem = 0;
    if (::GetCommModemStatus(h, &modem))
        return false;
    const DWORD error = ::GetLastError();
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_OPERATION_ABORTED:
        reason = SystemText(error);
        return true;
    default:
        return false;
    }
}

// Windows refuses a port another program holds with "access denied" (a sharing violation under Wine),
// which Qt reports as a permission or an unknown error. Asking once more tells which it was.
Refusal ExplainOpenFailure(const QString& device, QSerialPort::SerialPortError error) {
    Refusal refusal;
    if (error != QSerialPort::PermissionError && error != QSerialPort::UnknownError)
        return refusal;
    const QString location = SystemLocation(device);
    const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(location.utf16()), GENERIC_READ | GENERIC_WRITE,
                                   0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);   // let go meanwhile; Qt's reason stands
        return refusal;
    }
    const DWORD why = ::GetLastError();
    refusal.inUse = why == ERROR_ACCESS_DENIED || why == ERROR_SHARING_VIOLATION;
    return refusal;
}

QString PortNameToOpen(const QString& device) { return ComPortName(device); }

// Device names are not files on Windows; the ports the system lists are what is there.
bool DevicePresent(const QString& device) {
    if (device.isEmpty())
        return false;
    const QString name = WithoutDevicePrefix(ComPortName(device));
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Qt learns of a pulled adapter only when a pending wait on the port fails, and not every driver fails
// it (Wine never does: ClearCommError then fails with "not ready").
bool LossNeedsPolling() { return true; }

// Qt reads a Windows port with overlapped I/O completed on a QWinOverlappedIoNotifier, not a
// QSocketNotifier: there is no watch to pause, so reads are not paced here.
bool ReadsPausable() { return false; }

} // namespace serial_native
