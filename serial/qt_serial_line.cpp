// Line settings: the settings text parsed and checked, applied to the port and read back,
// and the flow control.

#include "serial/qt_serial_comm.h"
#include "serial/qt_serial_detail.h"
#include "serial/serial_native.h"

using namespace serial_detail;

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
    QString why = serial_native::SettleParity(m_port->handle(), line.parity);
    serial_native::LineState held;
    if (why.isEmpty())
        why = serial_native::ReadLine(m_port->handle(), held);
    if (!why.isEmpty())
        return why;
    if (held.dataBits != int(line.dataBits))
        return QStringLiteral("The device cannot use %1 data bits").arg(int(line.dataBits));
    if (held.parity != line.parity) {
        QString parityName;
        switch (line.parity) {
        case QSerialPort::OddParity: parityName = QStringLiteral("odd"); break;
        case QSerialPort::EvenParity: parityName = QStringLiteral("even"); break;
        case QSerialPort::SpaceParity: parityName = QStringLiteral("space"); break;
        case QSerialPort::MarkParity: parityName = QStringLiteral("mark"); break;
        default: parityName = QStringLiteral("no"); break;
        }
        return QStringLiteral("The device cannot use %1 parity").arg(parityName);
    }
    if (held.stopBits != line.stopBits) {
        const QString stop = line.stopBits == QSerialPort::TwoStop          ? QStringLiteral("2")
                             : line.stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                            : QStringLiteral("1");
        return QStringLiteral("The device cannot use %1 stop bits").arg(stop);
    }
    return QString();
}

QString CQtSerialComm::ApplyHandshaking() {
    if (!m_port->setFlowControl(FlowFor(m_nHandshaking)))
        return QStringLiteral("The device refuses this flow control (%1)").arg(m_port->errorString());
    const bool wantSoft = m_nHandshaking == comXOnXoff || m_nHandshaking == comRTSXOnXOff;
    const bool wantHard = m_nHandshaking == comRTS || m_nHandshaking == comRTSXOnXOff;
    // Qt has no "RTS/CTS and XON/XOFF", and on Windows leaves the XON/XOFF characters to the driver:
    // the XON/XOFF half is set here.
    QString why = wantSoft ? serial_native::EnableSoftwareFlow(m_port->handle()) : QString();
    serial_native::LineState held;
    if (why.isEmpty())
        why = serial_native::ReadLine(m_port->handle(), held);
    if (!why.isEmpty())
        return why;
    if (held.hardwareFlow != wantHard || held.softwareFlow != wantSoft)
        return QStringLiteral("The device cannot use this flow control");
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
