// The serial backend's system calls on Unix: termios, ioctl and poll on the port's descriptor.

#include "serial/serial_native.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial_native {

namespace {

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A name without a folder is one in /dev, as Qt SerialPort takes it.
QString DevicePath(const QString& device) {
    return device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

} // namespace

QString ReadLine(Handle handle, LineState& out) {
    termios tio{};
    if (::tcgetattr(int(handle), &tio) != 0)
        return SystemText(errno);
    switch (tio.c_cflag & CSIZE) {
    case CS5: out.dataBits = 5; break;
    case CS6: out.dataBits = 6; break;
    case CS7: out.dataBits = 7; break;
    default: out.dataBits = 8; break;
    }
    const bool odd = tio.c_cflag & PARODD;
    out.parity = odd ? QSerialPort::OddParity : QSerialPort::EvenParity;
#ifdef CMSPAR
    if (tio.c_cflag & CMSPAR)
        out.parity = odd ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
#endif
    // Without parity the other two bits mean nothing.
    if (!(tio.c_cflag & PARENB))
        out.parity = QSerialPort::NoParity;
    out.stopBits = (tio.c_cflag & CSTOPB) ? QSerialPort::TwoStop : QSerialPort::OneStop;
    out.hardwareFlow = tio.c_cflag & CRTSCTS;
    out.softwareFlow = (tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
    return QString();
}

QString SettleParity(Handle handle, QSerialPort::Parity parity) {
    const bool stick = parity == QSerialPort::SpaceParity || parity == QSerialPort::MarkParity;
#ifdef CMSPAR
    // Qt sets the mark/space bit but never clears it: going from space to even would stay at space.
    termios tio{};
    if (::tcgetattr(int(handle), &tio) != 0)
        return SystemText(errno);
    if (!stick && (tio.c_cflag & CMSPAR)) {
        tio.c_cflag &= ~CMSPAR;
        if (::tcsetattr(int(handle), TCSANOW, &tio) != 0)
            return SystemText(errno);
    }
    return QString();
#else
    Q_UNUSED(handle);
    return stick ? QStringLiteral("Space and mark parity are not supported") : QString();
#endif
}

QString EnableSoftwareFlow(Handle handle) {
    termios tio{};
    if (::tcgetattr(int(handle), &tio) != 0)
        return SystemText(errno);
    if ((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF))
        return QString();
    tio.c_iflag |= IXON | IXOFF;
    if (::tcsetattr(int(handle), TCSANOW, &tio) != 0)
        return SystemText(errno);
    return QString();
}

qint64 DriverOutQueue(Handle handle) {
    int inDriver = 0;
    if (::ioctl(int(handle), TIOCOUTQ, &inDriver) == 0 && inDriver > 0)
        return inDriver;
    return 0;
}

// A read that returns nothing while the descriptor reports readable is how a hang-up (a pulled USB
// adapter, the other end of a pseudo-terminal closed) shows; the terminal itself then refuses requests.
bool DeviceGone(Handle handle, QString& reason) {
    const int fd = int(handle);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0 && errno != EINTR) {
        reason = SystemText(errno);
        return true;
    }
    pollfd pfd{fd, 0, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLNVAL))) {
        reason = SystemText(EIO);
        return true;
    }
    return false;
}

Refusal ExplainOpenFailure(const QString& device, QSerialPort::SerialPortError error) {
    Refusal refusal;
    if (error != QSerialPort::PermissionError)
        return refusal;
    // Qt reports a lock held by another program (or TIOCEXCL) as a permission error too; the device
    // itself being accessible tells the two apart.
    const QByteArray path = QFile::encodeName(DevicePath(device));
    if (::access(path.constData(), R_OK | W_OK) == 0) {
        refusal.inUse = true;
        return refusal;
    }
    refusal.reason = SystemText(EACCES);
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        if (const group* grp = ::getgrgid(st.st_gid))
            refusal.reason +=
                QStringLiteral(" (the device belongs to group %1)").arg(QString::fromLocal8Bit(grp->gr_name));
    }
    return refusal;
}

QString PortNameToOpen(const QString& device) { return device; }

// Follows a symbolic link: a by-id name whose device is gone is not there.
bool DevicePresent(const QString& device) { return !device.isEmpty() && QFileInfo::exists(DevicePath(device)); }

// A hang-up wakes Qt's read notifier, and the read that follows reports it.
bool LossNeedsPolling() { return false; }

bool ReadsPausable() { return true; }

} // namespace serial_native
