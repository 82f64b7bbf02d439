#include "serial/qt_serial_comm.h"
#include "serial/serial_native.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace {

constexpr int kLinePollMs = 100;
// Bounds the reads done in one call, so a peer that never stops sending cannot hold the caller.
constexpr int kMaxPullRounds = 32;
// Nap while the driver drains bytes that no descriptor event will announce.
constexpr int kDrainNapMs = 10;

int ClampCount(qint64 n) { return int(std::clamp<qint64>(n, 0, INT_MAX)); }

} // namespace

CQtSerialComm::CQtSerialComm(std::function<QString(short)> deviceForPort, QObject* parent)
    : CMSComm(parent), m_fnDeviceForPort(std::move(deviceForPort)), m_port(new QSerialPort(this)),
      m_timerLines(new QTimer(this)), m_timerPace(new QTimer(this)) {
    m_timerLines->setInterval(kLinePollMs);
    m_timerPace->setSingleShot(true);
    connect(m_timerPace, &QTimer::timeout, this, [this] {
        if (!m_readWatch.Attached() || !GetPortOpen())
            return;
        // What came during the pause is taken and announced now, in the same wake-up; only a quiet
        // line goes back to being watched.
        DeliverReceiveEvent();
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
    // What Qt still holds and what the driver took but has not sent. On Windows Qt counts the write
    // it has handed to the driver until it completes, which the driver counts too.
    const qint64 inDriver = serial_native::DriverOutQueue(m_port->handle());
    return ClampCount(std::max(m_port->bytesToWrite(), m_port->QIODevice::bytesToWrite() + inDriver));
}

void CQtSerialComm::SetOutBufferCount(int count) {
    if (count != 0 || !GetPortOpen())
        return;
    m_port->clear(QSerialPort::Output);
    SettleLoss();
}

QByteArray CQtSerialComm::GetInput() {
    PullInput();
    // Exactly what is buffered: reading on past it (as readAll does) would make Qt watch the port
    // again in the middle of a read pause.
    return GetPortOpen() ? m_port->read(m_port->bytesAvailable()) : QByteArray();
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
        if (!serial_native::LossNeedsPolling())
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

void CQtSerialComm::OnLineTimer() {
    if (serial_native::LossNeedsPolling() && GetPortOpen()) {
        QString reason;
        if (DeviceGone(reason)) {
            MarkLost(reason);
            return;
        }
    }
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
