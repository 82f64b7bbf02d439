#pragma once

#include "serial/mscomm.h"
#include "serial/qt_read_watch.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <functional>
#include <optional>

class QTimer;

// The serial control over Qt SerialPort. Writes to a closed port are only recorded and take effect at
// the next open; on an open port they apply at once. Events are always delivered from the event loop,
// never from inside a property call, so a handler of OnComm never runs in the middle of a wait.
class CQtSerialComm : public CMSComm {
    Q_OBJECT

public:
    // deviceForPort maps the port number to the device to open ("/dev/ttyUSB0", "COM3").
    explicit CQtSerialComm(std::function<QString(short)> deviceForPort, QObject* parent = nullptr);
    ~CQtSerialComm() override;

    bool GetPortOpen() const override;
    void SetPortOpen(bool open) override;
    short GetCommPort() const override { return m_nPort; }
    void SetCommPort(short port) override { m_nPort = port; }
    QString GetSettings() const override { return m_strSettings; }
    void SetSettings(const QString& settings) override;
    int GetHandshaking() const override { return m_nHandshaking; }
    void SetHandshaking(int handshaking) override;
    short GetRThreshold() const override { return m_nRThreshold; }
    void SetRThreshold(short threshold) override;

    int GetInBufferCount() override;
    void SetInBufferCount(int count) override;
    int GetOutBufferCount() override;
    void SetOutBufferCount(int count) override;

    QByteArray GetInput() override;
    void SetBreak(bool on) override;
    bool GetDTREnable() const override { return m_optDtr.value_or(false); }
    void SetDTREnable(bool enable) override;
    bool GetRTSEnable() const override { return m_optRts.value_or(false); }
    void SetRTSEnable(bool enable) override;
    bool GetCTSHolding() override;
    bool GetDSRHolding() override;
    short GetCommEvent() const override { return m_nEvent; }

    bool WaitForInput(int ms) override;
    bool WaitForOutput(int ms) override;

    QString DeviceName() const override;
    QString DeviceNameFor(short port) const override;
    QString LastErrorText() const override { return m_strLastError; }

protected:
    void WriteOutput(const QByteArray& bytes) override;

private:
    struct LineSettings {
        qint32 baud = 9600;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    static bool ParseSettings(const QString& text, LineSettings& out, QString& why);
    [[noreturn]] void Fail(const QString& device, const QString& reason);
    QString OpenFailureReason(const QString& device) const;
    QString ApplyLine(const LineSettings& line);
    QString ConfirmLine(const LineSettings& line);
    QString ApplyHandshaking();
    void ApplyModemLines();
    void StartLineWatch();
    void CloseNow();

    void PullInput();
    void PushOutput();
    QSerialPort::PinoutSignals ReadLines();

    void OnReadyRead();
    void OnPortError(QSerialPort::SerialPortError error);
    bool DeviceGone(QString& reason) const;
    void MarkLost(QString reason);
    void SettleLoss();
    void FinishLoss(quint32 generation);
    void PostReceiveEvent();
    void DeliverReceiveEvent();
    void OnLineTimer();
    void Raise(short event);
    void PaceReads(qint64 bytesTaken);
    void WatchReads();

    std::function<QString(short)> m_fnDeviceForPort;
    QSerialPort* m_port;
    QTimer* m_timerLines;
    QTimer* m_timerPace;
    // Switched off for a moment after a small arrival (see PaceReads).
    CQtReadWatch m_readWatch;
    QElapsedTimer m_paceClock;    // since the last paced wake-up
    double m_dArrivingRate = 0;   // bytes per second, as the wake-ups found them

    short m_nPort = 1;
    QString m_strSettings = QStringLiteral("9600,N,8,1");
    int m_nHandshaking = comNone;
    short m_nRThreshold = 0;
    // Unset until the program first switches the line: until then the driver's own state stands.
    std::optional<bool> m_optDtr;
    std::optional<bool> m_optRts;

    short m_nEvent = 0;
    QString m_strLastError;

    bool m_bOpening = false;
    // The device went away; the port reads as closed from that moment, the close itself may follow
    // later (never inside a Qt SerialPort callback).
    bool m_bLost = false;
    quint32 m_nGeneration = 0;
    bool m_bReceivePosted = false;
    bool m_bPullingForDelivery = false; // what this pull brings in is announced by its delivery
    bool m_bLinesReadable = false;
    bool m_bCts = false;
    bool m_bDsr = false;
};
