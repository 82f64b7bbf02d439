#pragma once

#include "serial/mscomm.h"
#include "tests/support/fake_clock.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <map>

// A serial control for tests. It records every property write in order ("PortOpen=1", "Output=00",
// "Break=1", ...), plays back scripted input, line changes and errors, and lets the waits run on a
// fake clock so that time-outs take no real time.
class CFakeMSComm : public CMSComm {
    Q_OBJECT

public:
    explicit CFakeMSComm(CFakeClock* clock = nullptr, QObject* parent = nullptr);

    // --- what happened
    QStringList ops;                 // every property write, in order
    QByteArray written;              // every byte given to Output, in order
    QStringList OpsStartingWith(const QString& prefix) const;
    void ClearLog() { ops.clear(); written.clear(); }

    // --- scripting
    // The next write of `property` (e.g. "PortOpen", "Settings") raises an error with `message`;
    // `times` < 0 keeps failing.
    void FailWrite(const QString& property, const QString& message = QStringLiteral("refused"), int times = 1);
    // Bytes that arrive now: queued, and OnComm(2) raised when the port is open and RThreshold > 0.
    void Receive(const QByteArray& bytes);
    // Bytes that are waiting without an event (e.g. already there before RThreshold was set).
    void QueueInput(const QByteArray& bytes) { m_input.append(bytes); }
    // Bytes that arrive after `delayMs` of fake time; delivered by WaitForInput.
    void ScheduleInput(qint64 delayMs, const QByteArray& bytes);
    // Called for each Output write (after it is recorded); a test may answer with Receive/ScheduleInput.
    std::function<void(const QByteArray&)> onOutput;
    void SetCTS(bool on);             // raises comEvCTS
    void SetDSR(bool on);             // raises comEvDSR
    void RaiseEvent(short event);
    // Output stays in the buffer (flow-control stall or lost device) while this is set.
    bool stallOutput = false;
    // Ports that PortOpen=1 refuses, as if missing.
    QList<short> missingPorts;

    // --- the control
    bool GetPortOpen() const override { return m_open; }
    void SetPortOpen(bool open) override;
    short GetCommPort() const override { return m_port; }
    void SetCommPort(short port) override;
    QString GetSettings() const override { return m_settings; }
    void SetSettings(const QString& settings) override;
    int GetHandshaking() const override { return m_handshaking; }
    void SetHandshaking(int handshaking) override;
    void SetInBufferSize(short size) override;
    void SetOutBufferSize(short size) override;
    void SetInputMode(int mode) override;
    short GetRThreshold() const override { return m_rthreshold; }
    void SetRThreshold(short threshold) override;
    void SetSThreshold(short threshold) override;
    void SetInputLen(short len) override;
    void SetEOFEnable(bool enable) override;
    void SetNullDiscard(bool discard) override;
    void SetParityReplace(const QString& text) override;
    int GetInBufferCount() override;
    void SetInBufferCount(int count) override;
    int GetOutBufferCount() override;
    void SetOutBufferCount(int count) override;
    QByteArray GetInput() override;
    void SetBreak(bool on) override;
    bool GetDTREnable() const override { return m_dtr; }
    void SetDTREnable(bool enable) override;
    bool GetRTSEnable() const override { return m_rts; }
    void SetRTSEnable(bool enable) override;
    bool GetCTSHolding() override { return m_cts; }
    bool GetDSRHolding() override { return m_dsr; }
    short GetCommEvent() const override { return m_event; }
    bool WaitForInput(int ms) override;
    bool WaitForOutput(int ms) override;
    QString DeviceName() const override { return QStringLiteral("/fake/com%1").arg(m_port); }
    QString LastErrorText() const override { return m_lastError; }

protected:
    void WriteOutput(const QByteArray& bytes) override;

private:
    void Record(const QString& property, const QString& value);
    void DeliverDue();

    CFakeClock* m_clock;
    std::map<QString, std::pair<QString, int>> m_failures;
    std::deque<std::pair<qint64, QByteArray>> m_scheduled;
    QByteArray m_input;
    int m_pendingOut = 0;
    bool m_open = false;
    short m_port = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_handshaking = 0;
    short m_rthreshold = 0;
    bool m_dtr = false, m_rts = false, m_cts = false, m_dsr = false;
    short m_event = 0;
    QString m_lastError;
};
