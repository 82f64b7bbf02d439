#include "serial/qt_read_watch.h"

#include <QSerialPort>

void CQtReadWatch::Attach(QSerialPort& port) {
    m_notifier = nullptr;
    for (QSocketNotifier* notifier : port.findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            m_notifier = notifier;
}

void CQtReadWatch::Rearm(QSerialPort& port) {
    port.setReadBufferSize(port.readBufferSize());
}
