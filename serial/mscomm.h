#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <stdexcept>

// Raised by a property write that the serial control refuses (opening a missing or busy port, a line
// setting the driver cannot do). Only the port-opening code catches it.
class CCommError : public std::runtime_error {
public:
    explicit CCommError(const QString& what) : std::runtime_error(what.toStdString()), m_text(what) {}
    const QString& Text() const { return m_text; }

private:
    QString m_text;
};

// The serial control: one operation per property, and one event, OnComm. The program talks to the
// port only through this class; the real one drives Qt SerialPort, tests use a recording fake.
class CMSComm : public QObject {
    Q_OBJECT

public:
    // Values of CommEvent.
    enum : short {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEvEOF = 7,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        // The device went away while open (USB adapter pulled, other end of a pseudo-terminal closed).
        comEventDeviceLost = 1100,
    };

    // Values of Handshaking.
    enum : int { comNone = 0, comXOnXoff = 1, comRTS = 2, comRTSXOnXOff = 3 };

    using QObject::QObject;
    ~CMSComm() override = default;

    virtual bool GetPortOpen() const = 0;
    virtual void SetPortOpen(bool open) = 0;
    virtual short GetCommPort() const = 0;
    virtual void SetCommPort(short port) = 0;
    virtual QString GetSettings() const = 0;
    virtual void SetSettings(const QString& settings) = 0;
    virtual int GetHandshaking() const = 0;
    virtual void SetHandshaking(int handshaking) = 0;
    // Buffer sizes, input mode and length, send threshold, EOF, null and parity substitution: a control
    // without these (Qt SerialPort keeps its own unbounded buffers) takes the value and ignores it.
    virtual void SetInBufferSize(short /*size*/) {}
    virtual void SetOutBufferSize(short /*size*/) {}
    virtual void SetInputMode(int /*mode*/) {}
    virtual short GetRThreshold() const = 0;
    virtual void SetRThreshold(short threshold) = 0;
    virtual void SetSThreshold(short /*threshold*/) {}
    virtual void SetInputLen(short /*len*/) {}
    virtual void SetEOFEnable(bool /*enable*/) {}
    virtual void SetNullDiscard(bool /*discard*/) {}
    virtual void SetParityReplace(const QString& /*text*/) {}

    // Counts are 32-bit here: the driver and Qt may hold far more than 32767 bytes, and a count that
    // wrapped negative would read as "nothing waiting".
    virtual int GetInBufferCount() = 0;
    virtual void SetInBufferCount(int count) = 0;
    virtual int GetOutBufferCount() = 0;
    virtual void SetOutBufferCount(int count) = 0;

    // Every waiting input byte, removed from the buffer.
    virtual QByteArray GetInput() = 0;
    // Queues the whole array for sending. Every write to the line passes here, so the output tap sees
    // all of it (framing and break preamble included) once an open port has taken it.
    void SetOutput(const QByteArray& bytes) {
        WriteOutput(bytes);
        if (m_fnOutputTap && !bytes.isEmpty() && GetPortOpen())
            m_fnOutputTap(bytes);
    }
    void SetOutputTap(std::function<void(const QByteArray&)> tap) { m_fnOutputTap = std::move(tap); }
    virtual void SetBreak(bool on) = 0;
    virtual bool GetDTREnable() const = 0;
    virtual void SetDTREnable(bool enable) = 0;
    virtual bool GetRTSEnable() const = 0;
    virtual void SetRTSEnable(bool enable) = 0;
    virtual bool GetCTSHolding() = 0;
    virtual bool GetDSRHolding() = 0;
    virtual short GetCommEvent() const = 0;

    // Sleeping waits with a time-out, so that nothing that waits on the line spins a core. Each returns
    // at the latest after `ms` milliseconds; true when input arrived / output moved.
    virtual bool WaitForInput(int ms) = 0;
    virtual bool WaitForOutput(int ms) = 0;

    // The device the current or last port number maps to, and the system's reason for the last
    // failure ("/dev/ttyUSB0: Permission denied"); empty when there was none.
    virtual QString DeviceName() const = 0;
    // The device a port number maps to for this run; empty when the control does not know.
    virtual QString DeviceNameFor(short port) const {
        Q_UNUSED(port);
        return QString();
    }
    virtual QString LastErrorText() const = 0;

signals:
    void OnComm();

protected:
    virtual void WriteOutput(const QByteArray& bytes) = 0;

private:
    std::function<void(const QByteArray&)> m_fnOutputTap;
};
