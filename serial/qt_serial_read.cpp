// Receive events and the pacing of reads.

#include "serial/qt_serial_comm.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

namespace {

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

} // namespace

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
    if (m_nRThreshold > 0 && !m_bPullingForDelivery)
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

// Runs from the event loop: a posted announcement, or the end of a read pause. Whatever the driver
// holds by now is taken first, without announcing it again (each announcement is one more turn of the
// event loop).
void CQtSerialComm::DeliverReceiveEvent() {
    m_bReceivePosted = false;
    if (GetPortOpen()) {
        const QScopedValueRollback<bool> quiet(m_bPullingForDelivery, true);
        PullInput();
    }
    const qint64 taken = GetPortOpen() ? m_port->bytesAvailable() : 0;
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
