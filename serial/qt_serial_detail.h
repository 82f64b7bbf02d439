#pragma once

// Small helpers shared by the files of the Qt serial backend.

#include "serial/mscomm.h"

#include <QSerialPort>
#include <QString>

#ifdef Q_OS_UNIX
#include <cstring>
#endif

namespace serial_detail {

inline QSerialPort::FlowControl FlowFor(int handshaking) {
    switch (handshaking) {
    case CMSComm::comXOnXoff: return QSerialPort::SoftwareControl;
    case CMSComm::comRTS:
    case CMSComm::comRTSXOnXOff: return QSerialPort::HardwareControl;
    default: return QSerialPort::NoFlowControl;
    }
}

#ifdef Q_OS_UNIX
inline QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
#endif

} // namespace serial_detail
