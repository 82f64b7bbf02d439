#pragma once

#include <QPointer>
#include <QSocketNotifier>

class QSerialPort;

// What read pacing and the recovery from a failed read rely on inside QSerialPort, which Qt does not
// promise: where it waits for input on a descriptor, it does so with a read QSocketNotifier it makes a
// child of the open port, and setting the read buffer size switches that notifier back on after Qt
// switched it off. Both are here alone, and tst_qt_serial_comm fails if Qt stops doing either (pacing
// would otherwise quietly stop).
class CQtReadWatch {
public:
    // Finds the open port's read notifier; without one (Windows), nothing here does anything.
    void Attach(QSerialPort& port);
    void Detach() { m_notifier = nullptr; }
    bool Attached() const { return !m_notifier.isNull(); }
    // Whether Qt reads when input comes; off for a read pause.
    void SetWatching(bool on) {
        if (m_notifier)
            m_notifier->setEnabled(on);
    }
    // Makes Qt read again after it gave up on a read that found nothing.
    static void Rearm(QSerialPort& port);

private:
    QPointer<QSocketNotifier> m_notifier;
};
