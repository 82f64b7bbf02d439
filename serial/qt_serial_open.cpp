// Opening and closing the port, and a device that goes away while it is open.

#include "serial/qt_serial_comm.h"
#include "serial/qt_serial_detail.h"
#include "serial/serial_native.h"

#include <QMetaObject>
#include <QTimer>

using namespace serial_detail;

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

    m_port->setPortName(serial_native::PortNameToOpen(device));
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
    // Read pacing pauses Qt's read notifier; where Qt has none to pause (Windows), reads go unpaced.
    m_readWatch.Detach();
    if (serial_native::ReadsPausable())
        m_readWatch.Attach(*m_port);
    ApplyModemLines();
    StartLineWatch();
}

QString CQtSerialComm::OpenFailureReason(const QString& device) const {
    const serial_native::Refusal refusal = serial_native::ExplainOpenFailure(device, m_port->error());
    if (refusal.inUse)
        return QStringLiteral("Device is already in use");
    return refusal.reason.isEmpty() ? m_port->errorString() : refusal.reason;
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
    if ((m_bLinesReadable || serial_native::LossNeedsPolling()) && GetPortOpen())
        m_timerLines->start();
}

void CQtSerialComm::CloseNow() {
    m_timerLines->stop();
    m_timerPace->stop();
    m_readWatch.Detach();
    m_paceClock.invalidate();
    m_dArrivingRate = 0;
    m_bLinesReadable = false;
    if (m_port->isOpen())
        m_port->close();
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
            CQtReadWatch::Rearm(*m_port);
        }
        return;
    }
    MarkLost(reason);
}

void CQtSerialComm::MarkLost(QString reason) {
    if (reason.isEmpty())
        reason = m_port->errorString();
    // Only marked here: this may run inside Qt SerialPort, which must not have its port closed under it.
    m_bLost = true;
    m_strLastError = DeviceName() + QStringLiteral(": ") + reason;
    const quint32 generation = m_nGeneration;
    QMetaObject::invokeMethod(this, [this, generation] { FinishLoss(generation); }, Qt::QueuedConnection);
}

bool CQtSerialComm::DeviceGone(QString& reason) const {
    return serial_native::DeviceGone(m_port->handle(), reason);
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
