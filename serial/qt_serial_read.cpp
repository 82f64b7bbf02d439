// Receive events and the pacing of reads.

#include "serial/qt_serial_comm.h"
#include "serial/read_pacing.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

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

// The pause after an arrival (see read_pacing.h). The card exchange waits on the descriptor itself and
// is not slowed by this.
void CQtSerialComm::PaceReads(qint64 bytesTaken) {
    if (!m_readWatch.Attached() || !GetPortOpen())
        return;
    const qint64 sinceNs = m_paceClock.isValid() ? std::max<qint64>(1, m_paceClock.nsecsElapsed()) : 0;
    m_paceClock.start();
    const read_pacing::Pause pause =
        read_pacing::PauseAfter({bytesTaken, sinceNs, m_dArrivingRate}, m_port->baudRate());
    m_dArrivingRate = pause.arrivingRate;
    if (pause.ms <= 0) {
        WatchReads();
        return;
    }
    m_readWatch.SetWatching(false);
    m_timerPace->start(pause.ms);
}

// The port is watched again unless a pause is running (its end looks at the port itself).
void CQtSerialComm::WatchReads() {
    if (GetPortOpen() && !m_timerPace->isActive())
        m_readWatch.SetWatching(true);
}
