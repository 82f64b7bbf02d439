#include "tests/support/fake_mscomm.h"

#include <QMetaObject>

CFakeMSComm::CFakeMSComm(CFakeClock* clock, QObject* parent) : CMSComm(parent), m_clock(clock) {}

QStringList CFakeMSComm::OpsStartingWith(const QString& prefix) const {
    QStringList out;
    for (const QString& op : ops)
        if (op.startsWith(prefix))
            out << op;
    return out;
}

void CFakeMSComm::FailWrite(const QString& property, const QString& message, int times) {
    m_failures[property] = {message, times};
}

void CFakeMSComm::Record(const QString& property, const QString& value) {
    ops << property + QLatin1Char('=') + value;
    auto it = m_failures.find(property);
    if (it == m_failures.end())
        return;
    const QString message = it->second.first;
    if (it->second.second > 0 && --it->second.second == 0)
        m_failures.erase(it);
    m_lastError = message;
    throw CCommError(message);
}

void CFakeMSComm::SetPortOpen(bool open) {
    Record(QStringLiteral("PortOpen"), QString::number(open));
    if (open && missingPorts.contains(m_port)) {
        m_lastError = QStringLiteral("/fake/com%1: No such file or directory").arg(m_port);
        throw CCommError(m_lastError);
    }
    // Like the driver, a closed port keeps what arrived; the backend discards it when it opens.
    if (open && !m_open)
        m_input.clear();
    m_open = open;
    if (!open)
        m_pendingOut = 0;
}

void CFakeMSComm::SetCommPort(short port) {
    Record(QStringLiteral("CommPort"), QString::number(port));
    m_port = port;
}

void CFakeMSComm::SetSettings(const QString& settings) {
    Record(QStringLiteral("Settings"), settings);
    m_settings = settings;
}

void CFakeMSComm::SetHandshaking(int handshaking) {
    Record(QStringLiteral("Handshaking"), QString::number(handshaking));
    m_handshaking = handshaking;
}

void CFakeMSComm::SetInBufferSize(short size) { Record(QStringLiteral("InBufferSize"), QString::number(size)); }
void CFakeMSComm::SetOutBufferSize(short size) { Record(QStringLiteral("OutBufferSize"), QString::number(size)); }
void CFakeMSComm::SetInputMode(int mode) { Record(QStringLiteral("InputMode"), QString::number(mode)); }

void CFakeMSComm::SetRThreshold(short threshold) {
    Record(QStringLiteral("RThreshold"), QString::number(threshold));
    const bool wasOff = m_rthreshold <= 0;
    m_rthreshold = threshold;
    // Input that waited while events were off announces itself once.
    if (wasOff && threshold > 0 && m_open && !m_input.isEmpty())
        QMetaObject::invokeMethod(this, [this] { RaiseEvent(comEvReceive); }, Qt::QueuedConnection);
}

void CFakeMSComm::SetSThreshold(short threshold) { Record(QStringLiteral("SThreshold"), QString::number(threshold)); }
void CFakeMSComm::SetInputLen(short len) { Record(QStringLiteral("InputLen"), QString::number(len)); }
void CFakeMSComm::SetEOFEnable(bool enable) { Record(QStringLiteral("EOFEnable"), QString::number(enable)); }
void CFakeMSComm::SetNullDiscard(bool discard) { Record(QStringLiteral("NullDiscard"), QString::number(discard)); }
void CFakeMSComm::SetParityReplace(const QString& text) { Record(QStringLiteral("ParityReplace"), text); }

int CFakeMSComm::GetInBufferCount() {
    DeliverDue();
    return m_open ? int(m_input.size()) : 0;
}

void CFakeMSComm::SetInBufferCount(int count) {
    Record(QStringLiteral("InBufferCount"), QString::number(count));
    if (count == 0 && m_open)
        m_input.clear();
}

int CFakeMSComm::GetOutBufferCount() {
    if (!stallOutput)
        m_pendingOut = 0;
    return m_pendingOut;
}

void CFakeMSComm::SetOutBufferCount(int count) {
    Record(QStringLiteral("OutBufferCount"), QString::number(count));
    if (count == 0)
        m_pendingOut = 0;
}

QByteArray CFakeMSComm::GetInput() {
    DeliverDue();
    QByteArray out;
    if (m_open)
        out.swap(m_input);
    return out;
}

void CFakeMSComm::WriteOutput(const QByteArray& bytes) {
    Record(QStringLiteral("Output"), QString::fromLatin1(bytes.toHex(' ').toUpper()));
    written += bytes;
    m_pendingOut += int(bytes.size());
    if (onOutput)
        onOutput(bytes);
}

void CFakeMSComm::SetBreak(bool on) { Record(QStringLiteral("Break"), QString::number(on)); }

void CFakeMSComm::SetDTREnable(bool enable) {
    Record(QStringLiteral("DTREnable"), QString::number(enable));
    m_dtr = enable;
}

void CFakeMSComm::SetRTSEnable(bool enable) {
    Record(QStringLiteral("RTSEnable"), QString::number(enable));
    m_rts = enable;
}

void CFakeMSComm::Receive(const QByteArray& bytes) {
    m_input.append(bytes);
    if (m_open && m_rthreshold > 0)
        RaiseEvent(comEvReceive);
}

void CFakeMSComm::ScheduleInput(qint64 delayMs, const QByteArray& bytes) {
    const qint64 now = m_clock ? m_clock->NowMs() : 0;
    m_scheduled.emplace_back(now + delayMs, bytes);
}

void CFakeMSComm::DeliverDue() {
    const qint64 now = m_clock ? m_clock->NowMs() : 0;
    while (!m_scheduled.empty() && m_scheduled.front().first <= now) {
        m_input.append(m_scheduled.front().second);
        m_scheduled.pop_front();
    }
}

void CFakeMSComm::SetCTS(bool on) {
    m_cts = on;
    RaiseEvent(comEvCTS);
}

void CFakeMSComm::SetDSR(bool on) {
    m_dsr = on;
    RaiseEvent(comEvDSR);
}

void CFakeMSComm::RaiseEvent(short event) {
    m_event = event;
    emit OnComm();
}

bool CFakeMSComm::WaitForInput(int ms) {
    DeliverDue();
    if (!m_input.isEmpty())
        return true;
    if (m_clock) {
        const qint64 deadline = m_clock->NowMs() + ms;
        if (!m_scheduled.empty() && m_scheduled.front().first <= deadline) {
            m_clock->Set(std::max(m_clock->NowMs(), m_scheduled.front().first));
            DeliverDue();
            return true;
        }
        m_clock->Set(deadline);
    }
    return false;
}

bool CFakeMSComm::WaitForOutput(int ms) {
    if (!stallOutput) {
        m_pendingOut = 0;
        return true;
    }
    if (m_clock)
        m_clock->Advance(ms);
    return false;
}
