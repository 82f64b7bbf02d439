// Line settings: the settings text parsed and checked, applied to the port and read back,
// and the flow control.

#include "serial/qt_serial_comm.h"
#include "serial/qt_serial_detail.h"


#ifdef Q_OS_UNIX
#include <termios.h>
#endif

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
