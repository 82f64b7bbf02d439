#include "serial/qt_serial_comm.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr int kLinePollMs = 100;
// Bounds the reads done in one call, so a peer that never stops sending cannot hold the caller.
constexpr int kMaxPullRounds = 32;
// Nap while the driver drains bytes that no descriptor event will announce.
constexpr int kDrainNapMs = 10;
// Read pacing: after an arrival the port is not watched again for as long as the line takes to bring
// this many bytes, at most somewhat less than a frame of the receive area, so nobody sees the difference.
// Linux keeps far more for a reader (a pseudo-terminal 16 KiB, a serial driver 64 KiB) than other
// systems promise, and every wake-up of the program costs about as much as reading 8 KiB.
#ifdef Q_OS_LINUX
constexpr double kPaceBytes = 8192;
#else
constexpr double kPaceBytes = 1024;
#endif
constexpr int kPaceMaxMs = 25;
constexpr qint64 kBurstBytes = 1024;

int ClampCount(qint64 n) { return int(std::clamp<qint64>(n, 0, INT_MAX)); }

QSerialPort::FlowControl FlowFor(int handshaking) {
    switch (handshaking) {
    case CMSComm::comXOnXoff: return QSerialPort::SoftwareControl;
    case CMSComm::comRTS:
    case CMSComm::comRTSXOnXOff: return QSerialPort::HardwareControl;
    default: return QSerialPort::NoFlowControl;
    }
}

#ifdef Q_OS_UNIX
QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
#endif

} // namespace

CQtSerialComm::CQtSerialComm(std::function<QString(short)> deviceForPort, QObject* parent)
    : CMSComm(parent), m_fnDeviceForPort(std::move(deviceForPort)), m_port(new QSerialPort(this)),
      m_timerLines(new QTimer(this)), m_timerPace(new QTimer(this)) {
    m_timerLines->setInterval(kLinePollMs);
    m_timerPace->setSingleShot(true);
    connect(m_timerPace, &QTimer::timeout, this, [this] {
        if (!m_readNotifier || !GetPortOpen())
            return;
        // What came during the pause is taken now, in the same wake-up; only a quiet line goes back
        // to being watched.
        PullInput();
        if (GetPortOpen() && m_port->bytesAvailable() > 0 && m_nRThreshold > 0)
            PostReceiveEvent();
        else
            WatchReads();
    });
    connect(m_timerLines, &QTimer::timeout, this, &CQtSerialComm::OnLineTimer);
    connect(m_port, &QSerialPort::readyRead, this, &CQtSerialComm::OnReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &CQtSerialComm::OnPortError);
}

CQtSerialComm::~CQtSerialComm() {
    // The port's own teardown may report errors; they must not reach a half-destroyed object.
    m_port->disconnect(this);
    CloseNow();
}

QString CQtSerialComm::DeviceName() const { return DeviceNameFor(m_nPort); }

QString CQtSerialComm::DeviceNameFor(short port) const {
    return m_fnDeviceForPort ? m_fnDeviceForPort(port) : QString();
}

bool CQtSerialComm::GetPortOpen() const { return m_port->isOpen() && !m_bLost; }

void CQtSerialComm::Fail(const QString& device, const QString& reason) {
    m_strLastError = device + QStringLiteral(": ") + reason;
    throw CCommError(m_strLastError);
}

// --- settings

bool CQtSerialComm::ParseSettings(const QString& text, LineSettings& out, QString& why) {
    why = QStringLiteral("Invalid settings \"%1\"").arg(text);
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return false;

    const QString baud = fields[0].trimmed();
    if (baud.isEmpty() || baud.size() > 10 || !std::all_of(baud.begin(), baud.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    const qint64 rate = baud.toLongLong();
    if (rate <= 0 || rate > INT_MAX)
        return false;
    out.baud = qint32(rate);

    const QString parity = fields[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        out.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("O"))
        out.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("E"))
        out.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("S"))
        out.parity = QSerialPort::SpaceParity;
    else if (parity == QLatin1String("M"))
        out.parity = QSerialPort::MarkParity;
    else
        return false;

    const QString data = fields[2].trimmed();
    if (data == QLatin1String("4")) {
        why = QStringLiteral("4 data bits are not supported");
        return false;
    }
    if (data.size() != 1 || data[0] < QLatin1Char('5') || data[0] > QLatin1Char('8'))
        return false;
    out.dataBits = QSerialPort::DataBits(data[0].unicode() - '0');

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1")) {
        out.stopBits = QSerialPort::OneStop;
    } else if (stop == QLatin1String("2")) {
        out.stopBits = QSerialPort::TwoStop;
    } else if (stop == QLatin1String("1.5")) {
#ifdef Q_OS_WIN
        out.stopBits = QSerialPort::OneAndHalfStop;
#else
        // termios has no 1.5 stop bits; Qt would quietly use 1.
        why = QStringLiteral("1.5 stop bits are not supported");
        return false;
#endif
    } else {
        return false;
    }
    why.clear();
    return true;
}

QString CQtSerialComm::ApplyLine(const LineSettings& line) {
    if (!m_port->setBaudRate(line.baud) || !m_port->setDataBits(line.dataBits) || !m_port->setParity(line.parity) ||
        !m_port->setStopBits(line.stopBits))
        return QStringLiteral("The device refuses these settings (%1)").arg(m_port->errorString());
    return ConfirmLine(line);
}

// Some drivers accept a setting and quietly keep another (a pseudo-terminal always stays at 8 bits
// without parity), so the settings are read back rather than trusted.
QString CQtSerialComm::ConfirmLine(const LineSettings& line) {
#ifdef Q_OS_UNIX
#ifndef CMSPAR
    if (line.parity == QSerialPort::SpaceParity || line.parity == QSerialPort::MarkParity)
        return QStringLiteral("Space and mark parity are not supported");
#endif
    termios tio{};
    if (::tcgetattr(m_port->handle(), &tio) != 0)
        return SystemText(errno);
#ifdef CMSPAR
    // Qt sets the mark/space bit but never clears it: going from space to even would stay at space.
    if (line.parity != QSerialPort::SpaceParity && line.parity != QSerialPort::MarkParity && (tio.c_cflag & CMSPAR)) {
        tio.c_cflag &= ~CMSPAR;
        if (::tcsetattr(m_port->handle(), TCSANOW, &tio) != 0 || ::tcgetattr(m_port->handle(), &tio) != 0)
            return SystemText(errno);
    }
#endif
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if ((tio.c_cflag & CSIZE) != kSizes[line.dataBits - QSerialPort::Data5])
        return QStringLiteral("The device cannot use %1 data bits").arg(int(line.dataBits));

    tcflag_t parityMask = PARENB | PARODD;
    tcflag_t parity = 0;
    QString parityName;
    switch (line.parity) {
    case QSerialPort::OddParity: parity = PARENB | PARODD; parityName = QStringLiteral("odd"); break;
    case QSerialPort::EvenParity: parity = PARENB; parityName = QStringLiteral("even"); break;
#ifdef CMSPAR
    case QSerialPort::SpaceParity: parity = PARENB | CMSPAR; parityName = QStringLiteral("space"); break;
    case QSerialPort::MarkParity: parity = PARENB | CMSPAR | PARODD; parityName = QStringLiteral("mark"); break;
#endif
    default: parityName = QStringLiteral("no"); break;
    }
#ifdef CMSPAR
    parityMask |= CMSPAR;
#endif
    // Without parity the other two bits mean nothing.
    if ((tio.c_cflag & PARENB) == 0 && parity == 0)
        parityMask = PARENB;
    if ((tio.c_cflag & parityMask) != parity)
        return QStringLiteral("The device cannot use %1 parity").arg(parityName);

    const bool twoStop = line.stopBits == QSerialPort::TwoStop;
    if (bool(tio.c_cflag & CSTOPB) != twoStop)
        return QStringLiteral("The device cannot use %1 stop bits").arg(twoStop ? 2 : 1);
#else
    Q_UNUSED(line);
#endif
    return QString();
}

QString CQtSerialComm::ApplyHandshaking() {
    if (!m_port->setFlowControl(FlowFor(m_nHandshaking)))
        return QStringLiteral("The device refuses this flow control (%1)").arg(m_port->errorString());
#ifdef Q_OS_UNIX
    // Qt has no "RTS/CTS and XON/XOFF"; hardware control is on, the XON/XOFF half is set here.
    termios tio{};
    if (::tcgetattr(m_port->handle(), &tio) != 0)
        return SystemText(errno);
    if (m_nHandshaking == comRTSXOnXOff) {
        tio.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(m_port->handle(), TCSANOW, &tio) != 0 || ::tcgetattr(m_port->handle(), &tio) != 0)
            return SystemText(errno);
    }
    const bool wantSoft = m_nHandshaking == comXOnXoff || m_nHandshaking == comRTSXOnXOff;
    const bool wantHard = m_nHandshaking == comRTS || m_nHandshaking == comRTSXOnXOff;
    if (bool(tio.c_cflag & CRTSCTS) != wantHard || ((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF)) != wantSoft)
        return QStringLiteral("The device cannot use this flow control");
#endif
    return QString();
}

void CQtSerialComm::SetSettings(const QString& settings) {
    if (!GetPortOpen()) {
        m_strSettings = settings;
        return;
    }
    LineSettings line;
    QString why;
    if (!ParseSettings(settings, line, why))
        Fail(DeviceName(), why);
    why = ApplyLine(line);
    if (!why.isEmpty()) {
        // The port stays open with what it had.
        LineSettings old;
        QString ignored;
        if (ParseSettings(m_strSettings, old, ignored))
            ApplyLine(old);
        SettleLoss();
        Fail(DeviceName(), why);
    }
    m_strSettings = settings;
}

void CQtSerialComm::SetHandshaking(int handshaking) {
    if (handshaking < comNone || handshaking > comRTSXOnXOff)
        Fail(DeviceName(), QStringLiteral("Invalid handshaking %1").arg(handshaking));
    const int old = m_nHandshaking;
    m_nHandshaking = handshaking;
    if (!GetPortOpen())
        return;
    const QString why = ApplyHandshaking();
    if (!why.isEmpty()) {
        m_nHandshaking = old;
        ApplyHandshaking();
        SettleLoss();
        Fail(DeviceName(), why);
    }
}

// Qt SerialPort keeps its own unbounded buffers and has no threshold, input length, EOF, null or parity
// substitution features; these only record what the program asked for.
void CQtSerialComm::SetInBufferSize(short) {}
void CQtSerialComm::SetOutBufferSize(short) {}
void CQtSerialComm::SetInputMode(int) {}
void CQtSerialComm::SetSThreshold(short) {}
void CQtSerialComm::SetInputLen(short) {}
void CQtSerialComm::SetEOFEnable(bool) {}
void CQtSerialComm::SetNullDiscard(bool) {}
void CQtSerialComm::SetParityReplace(const QString& text) { m_strParityReplace = text; }

// --- opening and closing

void CQtSerialComm::SetPortOpen(bool open) {
    if (!open) {
        CloseNow();
        return;
    }
    if (GetPortOpen())
        return;
    CloseNow();
    m_strLastError.clear();
    m_bLost = false;
    // A loss still being reported belongs to the port that was open before.
    ++m_nGeneration;

    const QString device = DeviceName();
    if (device.isEmpty())
        Fail(QStringLiteral("Com%1").arg(m_nPort), QStringLiteral("No device is set for this port"));
    LineSettings line;
    QString why;
    if (!ParseSettings(m_strSettings, line, why))
        Fail(device, why);

    m_port->setPortName(device);
    m_port->setBaudRate(line.baud);
    m_port->setDataBits(line.dataBits);
    m_port->setParity(line.parity);
    m_port->setStopBits(line.stopBits);
    m_port->setFlowControl(FlowFor(m_nHandshaking));
    m_bOpening = true;
    const bool opened = m_port->open(QIODevice::ReadWrite);
    if (opened) {
        why = ConfirmLine(line);
        if (why.isEmpty())
            why = ApplyHandshaking();
    } else {
        why = OpenFailureReason(device);
    }
    m_bOpening = false;
    if (!why.isEmpty()) {
        CloseNow();
        Fail(device, why);
    }
    // Whatever the driver kept from before this opening is stale: the zero count the caller wrote
    // while the port was closed could not reach it.
    m_port->clear(QSerialPort::Input);
    m_port->skip(m_port->bytesAvailable());
    m_readNotifier = nullptr;
    for (QSocketNotifier* notifier : m_port->findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            m_readNotifier = notifier;
    ApplyModemLines();
    StartLineWatch();
}

QString CQtSerialComm::OpenFailureReason(const QString& device) const {
#ifdef Q_OS_UNIX
    if (m_port->error() == QSerialPort::PermissionError) {
        // Qt reports a lock held by another program (or TIOCEXCL) as a permission error too; the
        // device itself being accessible tells the two apart.
        const QByteArray path =
            QFile::encodeName(device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device);
        if (::access(path.constData(), R_OK | W_OK) == 0)
            return QStringLiteral("Device is already in use");
        QString reason = SystemText(EACCES);
        struct stat st {};
        if (::stat(path.constData(), &st) == 0) {
            if (const group* grp = ::getgrgid(st.st_gid))
                reason += QStringLiteral(" (the device belongs to group %1)").arg(QString::fromLocal8Bit(grp->gr_name));
        }
        return reason;
    }
#else
    Q_UNUSED(device);
#endif
    return m_port->errorString();
}

void CQtSerialComm::ApplyModemLines() {
    // Refusals (a pseudo-terminal has no modem lines) are harmless here: the line just stays as it is.
    if (m_optDtr)
        m_port->setDataTerminalReady(*m_optDtr);
    if (m_optRts)
        m_port->setRequestToSend(*m_optRts);
}

void CQtSerialComm::StartLineWatch() {
    m_bLinesReadable = true;
    const QSerialPort::PinoutSignals lines = ReadLines();
    m_bCts = lines.testFlag(QSerialPort::ClearToSendSignal);
    m_bDsr = lines.testFlag(QSerialPort::DataSetReadySignal);
    if (m_bLinesReadable && GetPortOpen())
        m_timerLines->start();
}

void CQtSerialComm::CloseNow() {
    m_timerLines->stop();
    m_timerPace->stop();
    m_readNotifier = nullptr;
    m_paceClock.invalidate();
    m_dArrivingRate = 0;
    m_bLinesReadable = false;
    if (m_port->isOpen())
        m_port->close();
}

// --- input and output

void CQtSerialComm::PullInput() {
    if (!GetPortOpen())
        return;
    for (int i = 0; i < kMaxPullRounds && m_port->waitForReadyRead(0); ++i) {
    }
    SettleLoss();
}

void CQtSerialComm::PushOutput() {
    if (GetPortOpen() && m_port->bytesToWrite() > 0)
        m_port->waitForBytesWritten(0);
    SettleLoss();
}

int CQtSerialComm::GetInBufferCount() {
    PullInput();
    return GetPortOpen() ? ClampCount(m_port->bytesAvailable()) : 0;
}

void CQtSerialComm::SetInBufferCount(int count) {
    if (count != 0 || !GetPortOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->skip(m_port->bytesAvailable());
    SettleLoss();
}

int CQtSerialComm::GetOutBufferCount() {
    PushOutput();
    if (!GetPortOpen())
        return 0;
    qint64 pending = m_port->bytesToWrite();
#ifdef Q_OS_UNIX
    int inDriver = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &inDriver) == 0 && inDriver > 0)
        pending += inDriver;
#endif
    return ClampCount(pending);
}

void CQtSerialComm::SetOutBufferCount(int count) {
    if (count != 0 || !GetPortOpen())
        return;
    m_port->clear(QSerialPort::Output);
    SettleLoss();
}

QByteArray CQtSerialComm::GetInput() {
    PullInput();
    return GetPortOpen() ? m_port->readAll() : QByteArray();
}

void CQtSerialComm::WriteOutput(const QByteArray& bytes) {
    if (!GetPortOpen() || bytes.isEmpty())
        return;
    m_port->write(bytes);
    // Start sending now: the caller may poll OutBufferCount without returning to the event loop.
    PushOutput();
}

void CQtSerialComm::SetBreak(bool on) {
    if (!GetPortOpen())
        return;
    m_port->setBreakEnabled(on);
    SettleLoss();
}

void CQtSerialComm::SetDTREnable(bool enable) {
    m_optDtr = enable;
    if (GetPortOpen())
        m_port->setDataTerminalReady(enable);
    SettleLoss();
}

void CQtSerialComm::SetRTSEnable(bool enable) {
    m_optRts = enable;
    if (GetPortOpen())
        m_port->setRequestToSend(enable);
    SettleLoss();
}

QSerialPort::PinoutSignals CQtSerialComm::ReadLines() {
    if (!GetPortOpen() || !m_bLinesReadable)
        return QSerialPort::NoSignal;
    m_port->clearError();
    const QSerialPort::PinoutSignals lines = m_port->pinoutSignals();
    if (m_port->error() != QSerialPort::NoError) {
        // A port without modem lines (a pseudo-terminal) is asked once, not ten times a second.
        m_bLinesReadable = false;
        m_timerLines->stop();
        SettleLoss();
        return QSerialPort::NoSignal;
    }
    return lines;
}

bool CQtSerialComm::GetCTSHolding() { return ReadLines().testFlag(QSerialPort::ClearToSendSignal); }

bool CQtSerialComm::GetDSRHolding() { return ReadLines().testFlag(QSerialPort::DataSetReadySignal); }

bool CQtSerialComm::WaitForInput(int ms) {
    if (!GetPortOpen())
        return false;
    if (m_port->bytesAvailable() > 0)
        return true;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // Sleeps in poll() on the descriptor; wakes as soon as input arrives or the device hangs up.
        const bool arrived = m_port->waitForReadyRead(int(std::max<qint64>(0, ms - clock.elapsed())));
        SettleLoss();
        if (!GetPortOpen())
            return false;
        if (arrived || m_port->bytesAvailable() > 0)
            return true;
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return false;
        // Woken without input before the time was up: a short nap keeps this from becoming a busy loop.
        QThread::msleep(ulong(std::min<qint64>(left, kDrainNapMs)));
    }
}

bool CQtSerialComm::WaitForOutput(int ms) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // A closed port holds nothing: a sender waiting for the buffer to empty must not wait for ever.
        if (GetOutBufferCount() == 0)
            return true;
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return false;
        // Moving a chunk returns at once; anything else (a stall, or bytes only the driver still holds,
        // which no descriptor event announces) waits or naps.
        if (m_port->bytesToWrite() == 0 || !m_port->waitForBytesWritten(int(left))) {
            SettleLoss();
            const qint64 rest = ms - clock.elapsed();
            if (rest > 0 && GetPortOpen())
                QThread::msleep(ulong(std::min<qint64>(rest, kDrainNapMs)));
        }
    }
}

// --- events

void CQtSerialComm::Raise(short event) {
    m_nEvent = event;
    emit OnComm();
}

void CQtSerialComm::SetRThreshold(short threshold) {
    const bool wasOff = m_nRThreshold <= 0;
    m_nRThreshold = threshold;
    if (!wasOff || threshold <= 0 || !GetPortOpen())
        return;
    // Input that waited while events were off announces itself once.
    PullInput();
    if (GetPortOpen() && m_port->bytesAvailable() > 0)
        PostReceiveEvent();
    else
        WatchReads();
}

void CQtSerialComm::OnReadyRead() {
    if (m_nRThreshold > 0)
        PostReceiveEvent();
}

// Arrivals are announced from the event loop: readyRead may come from inside one of our own waits, and
// a handler that reads input, closes the port or waits itself must not run there.
void CQtSerialComm::PostReceiveEvent() {
    if (m_bReceivePosted)
        return;
    m_bReceivePosted = true;
    QMetaObject::invokeMethod(this, &CQtSerialComm::DeliverReceiveEvent, Qt::QueuedConnection);
}

void CQtSerialComm::DeliverReceiveEvent() {
    m_bReceivePosted = false;
    const qint64 taken = m_port->bytesAvailable();
    if (GetPortOpen() && m_nRThreshold > 0 && taken > 0) {
        Raise(comEvReceive);
        PaceReads(taken);
    } else {
        WatchReads();
    }
}

// A USB adapter hands over a few bytes every millisecond; waking the whole program for each piece is
// what makes a slow line cost a core. After an arrival the port is left alone for a moment and what
// came meanwhile is taken in one read. The pause lasts as long as the line takes to bring kPaceBytes,
// at the rate the bytes are really arriving, as this wake-up measures it, or at the baud rate when
// that is faster: well within what the driver holds, so the sender is never stalled and nothing waits
// long enough to be lost. (A USB device may ignore the baud rate; a pseudo-terminal always does.) The
// measured rate fades by half at each wake-up, so one quiet moment on a fast line does not open a long
// pause. The card exchange waits on the descriptor itself and is not slowed by this.
void CQtSerialComm::PaceReads(qint64 bytesTaken) {
    if (!m_readNotifier || !GetPortOpen())
        return;
    const qint64 sinceNs = m_paceClock.isValid() ? std::max<qint64>(1, m_paceClock.nsecsElapsed()) : 0;
    m_paceClock.start();
    const double arriving = sinceNs > 0 ? double(bytesTaken) * 1e9 / double(sinceNs) : 0;
    m_dArrivingRate = std::max(arriving, m_dArrivingRate / 2);
    const double bytesPerSecond = std::max({m_dArrivingRate, double(m_port->baudRate()) / 10, 1.0});
    const int ms = int(std::min(double(kPaceMaxMs), kPaceBytes * 1000 / bytesPerSecond));
    // After a quiet spell there is no rate to go by; more than a trickle at once is a fast line
    // starting, which a pause would only hold back.
    const bool afterQuiet = sinceNs == 0 || sinceNs > 2LL * kPaceMaxMs * 1'000'000;
    if (ms <= 0 || (afterQuiet && bytesTaken >= kBurstBytes)) {
        WatchReads();
        return;
    }
    m_readNotifier->setEnabled(false);
    m_timerPace->start(ms);
}

// The port is watched again unless a pause is running (its end looks at the port itself).
void CQtSerialComm::WatchReads() {
    if (m_readNotifier && GetPortOpen() && !m_timerPace->isActive())
        m_readNotifier->setEnabled(true);
}

void CQtSerialComm::OnLineTimer() {
    const QSerialPort::PinoutSignals lines = ReadLines();
    if (!GetPortOpen() || !m_bLinesReadable)
        return;
    const bool cts = lines.testFlag(QSerialPort::ClearToSendSignal);
    const bool dsr = lines.testFlag(QSerialPort::DataSetReadySignal);
    if (cts != m_bCts) {
        m_bCts = cts;
        Raise(comEvCTS);
        if (!GetPortOpen())
            return;
    }
    if (dsr != m_bDsr) {
        m_bDsr = dsr;
        Raise(comEvDSR);
    }
}

// --- a device that goes away

void CQtSerialComm::OnPortError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:   // DTR, RTS or modem lines on a pseudo-terminal
    case QSerialPort::NotOpenError:
    case QSerialPort::OpenError:
        return;
    default:
        break;
    }
    if (m_bOpening || m_bLost || !m_port->isOpen())
        return;
    QString reason;
    if (!DeviceGone(reason)) {
        // Qt reads when its notifier fires; if one of our own waits took the bytes first, that read
        // finds nothing (EAGAIN), which Qt reports as a lost resource and stops reading. The device is
        // fine: clear the error and turn Qt's reading back on (setting the buffer size does that).
        if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
            m_port->clearError();
            m_port->setReadBufferSize(m_port->readBufferSize());
        }
        return;
    }
    if (reason.isEmpty())
        reason = m_port->errorString();
    // Only marked here: this runs inside Qt SerialPort, which must not have its port closed under it.
    m_bLost = true;
    m_strLastError = DeviceName() + QStringLiteral(": ") + reason;
    const quint32 generation = m_nGeneration;
    QMetaObject::invokeMethod(this, [this, generation] { FinishLoss(generation); }, Qt::QueuedConnection);
}

// A read that returns nothing while the descriptor reports readable is how a hang-up (a pulled USB
// adapter, the other end of a pseudo-terminal closed) shows; the terminal itself then refuses requests.
bool CQtSerialComm::DeviceGone(QString& reason) const {
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
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
#else
    Q_UNUSED(reason);
#endif
    return false;
}

void CQtSerialComm::SettleLoss() {
    if (m_bLost && m_port->isOpen())
        CloseNow();
}

void CQtSerialComm::FinishLoss(quint32 generation) {
    if (generation != m_nGeneration)
        return;   // reopened since; that port is fine
    SettleLoss();
    Raise(comEventDeviceLost);
}
