#pragma once

// Small helpers shared by the files of the Qt serial backend.

#include "serial/mscomm.h"

#include <QSerialPort>
#include <QString>

namespace serial_detail {

inline QSerialPort::FlowControl FlowFor(int handshaking) {
    switch (handshaking) {
    case CMSComm::comXOnXoff: return QSerialPort::SoftwareControl;
    case CMSComm::comRTS:
    case CMSComm::comRTSXOnXOff: return QSerialPort::HardwareControl;
    default: return QSerialPort::NoFlowControl;
    }
}

} // namespace serial_detail
