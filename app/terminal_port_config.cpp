// The main window's port handling: opening with the six list choices, closing, the lamp, the status
// line and the four line buttons.
#include "app/prompts.h"
#include "app/terminal_dlg.h"
#include "res/resource.h"
#include "serial/mscomm.h"
#include "serial/port_tables.h"
#include "serial/serial_device_list.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

const int kPortDependentControls[] = {IDC_CLOSE_PORT,   IDC_SEND_FILE,        IDC_MANUAL_SEND,
                                      IDC_AUTO_SEND,    IDC_CARD_RESET,       IDC_READ_CARD_STATUS,
                                      IDC_CONFIGURE_CARD, IDC_CTS,            IDC_DSR,
                                      IDC_DTR,          IDC_RTS};

} // namespace

QString CTerminalDlg::SettingsString() const {
    return ::SettingsString({m_nPort, m_nBaud, m_nParity, m_nDataBits, m_nStopBits, m_nHandshake});
}

void CTerminalDlg::EnablePortControls(bool enable) {
    for (int id : kPortDependentControls)
        Control(id)->setEnabled(enable);
}

bool CTerminalDlg::OpenPort() {
    // The user has chosen again; a lost device is no longer waited for.
    m_reopenTimer.stop();
    m_strLostDevice.clear();
    const bool open = TryOpenPort(false);
    if (open)
        m_pLog->Note(QStringLiteral("opened ") + LogPortText());
    return open;
}

bool CTerminalDlg::TryOpenPort(bool quiet) {
    const PortChoice choice{m_nPort, m_nBaud, m_nParity, m_nDataBits, m_nStopBits, m_nHandshake};
    const QString problem = CheckPortChoice(choice);
    const bool wasOpen = m_ctrlComm.GetPortOpen();
    const short oldPort = m_ctrlComm.GetCommPort();
    QString reason;
    if (!problem.isEmpty()) {
        if (!quiet)
            m_prompts.MessageBox(problem);
    } else {
        const QString settings = ::SettingsString(choice);
        try {
            if (m_ctrlComm.GetPortOpen())
                m_ctrlComm.SetPortOpen(false);
            m_ctrlComm.SetCommPort(PortTable()[m_nPort].commPort);
            m_ctrlComm.SetSettings(settings);
            m_ctrlComm.SetHandshaking(HandshakeTable()[m_nHandshake].handshaking);
            m_ctrlComm.SetInBufferSize(4096);
            m_ctrlComm.SetOutBufferSize(4096);
            m_ctrlComm.SetInputMode(1);
            m_ctrlComm.SetRThreshold(1);
            m_ctrlComm.SetInputLen(0);
            m_ctrlComm.SetSThreshold(1);
            m_ctrlComm.SetInBufferCount(0);
            m_ctrlComm.SetOutBufferCount(0);
            m_ctrlComm.SetEOFEnable(false);
            m_ctrlComm.SetNullDiscard(false);
            m_ctrlComm.SetParityReplace(QStringLiteral("[奇偶校验错]"));
            if (!m_ctrlComm.GetPortOpen())
                m_ctrlComm.SetPortOpen(true);
        } catch (const CCommError& error) {
            reason = m_ctrlComm.LastErrorText();
            if (reason.isEmpty())
                reason = error.Text();
        }
        if (m_ctrlComm.GetPortOpen()) {
            m_ctrlLamp->setPixmap(m_hIconOpen.pixmap(32));
            m_ctrlLamp->setProperty("iconId", IDI_LAMP_LIT);
            m_ctrlStatus->setText(QStringLiteral("STATUS:COM %1 OPENED %2").arg(PortTable()[m_nPort].commPort).arg(settings));
            EnablePortControls(true);
            RefreshCts();
            RefreshDsr();
            m_bDrainWarned = false;
            // Closing stopped the periodic sending; a night of a flaky adapter must keep sending.
            if (m_bAutoSendOn && !m_autoSendTimer.isActive())
                ArmAutoSendTimer();
            return true;
        }
    }
    ClosePort();
    if (wasOpen) {
        // The port that was open is closed now, as by "关闭串口".
        QString note = QStringLiteral("closed Com%1").arg(oldPort);
        if (problem.isEmpty())
            note += QStringLiteral("; cannot open ") + LogPortText();
        if (const QString why = problem.isEmpty() ? reason : problem; !why.isEmpty())
            note += QStringLiteral(": ") + why;
        m_pLog->Note(note);
    }
    if (quiet)
        return false;
    QString message = QStringLiteral("串口%1无法打开！\n注：该串口可能不存在，或已经被其它应用程序占用。").arg(m_nPort + 1);
    if (!reason.isEmpty())
        message += QLatin1Char('\n') + reason;
    m_prompts.MessageBox(message, QStringLiteral("提示"));
    return false;
}

void CTerminalDlg::ClosePort() {
    try {
        if (m_ctrlComm.GetPortOpen())
            m_ctrlComm.SetPortOpen(false);
    } catch (const CCommError&) {
        // Closing cannot be refused in a way the user could act on; the window is closed either way.
    }
    StopAutoSendTimer();
    m_ctrlLamp->setPixmap(m_hIconClosed.pixmap(32));
    m_ctrlLamp->setProperty("iconId", IDI_LAMP_DARK);
    m_ctrlStatus->setText(QStringLiteral("端口未打开！"));
    EnablePortControls(false);
}

void CTerminalDlg::OnDeviceLost() {
    const QString device = m_ctrlComm.DeviceName();
    const QString reason = m_ctrlComm.LastErrorText();
    ClosePort();
    m_pLog->Note(QStringLiteral("device lost on Com%1: %2").arg(m_nPort + 1).arg(reason.isEmpty() ? device : reason));
    QString message = QStringLiteral("串口%1的设备已断开，端口已关闭。").arg(m_nPort + 1);
    if (!reason.isEmpty())
        message += QLatin1Char('\n') + reason;
    else if (!device.isEmpty())
        message += QLatin1Char('\n') + device;
    if (m_bReopenWhenBack) {
        // Nobody may be there to answer: the port comes back whether or not the message was seen.
        if (!device.isEmpty()) {
            m_strLostDevice = device;
            m_reopenTimer.start();
        }
        m_prompts.ShowNotice(message);
        return;
    }
    m_prompts.MessageBox(message);
    // Watched for only after the message, so the port does not come back behind a box that says it
    // has gone. Remembered even while reopening is off, so that turning it on still brings it back.
    if (!device.isEmpty() && !m_ctrlComm.GetPortOpen()) {
        m_strLostDevice = device;
        if (m_bReopenWhenBack)
            m_reopenTimer.start();
    }
}

void CTerminalDlg::OnReopenTick() {
    if (m_ctrlComm.GetPortOpen() || m_strLostDevice.isEmpty()) {
        m_reopenTimer.stop();
        return;
    }
    if (!DeviceList().IsPresent(m_strLostDevice))
        return;
    // A device node can appear before it may be opened (its permissions are set a moment later), so
    // a refused open is tried again on the next tick, quietly.
    if (!TryOpenPort(true))
        return;
    m_reopenTimer.stop();
    m_strLostDevice.clear();
    m_ctrlStatus->setText(QStringLiteral("STATUS:COM %1 REOPENED %2").arg(PortTable()[m_nPort].commPort).arg(SettingsString()));
    m_pLog->Note(QStringLiteral("reopened ") + LogPortText());
}

void CTerminalDlg::RefreshDsr() { m_ctrlDSR->setChecked(m_ctrlComm.GetDSRHolding()); }

void CTerminalDlg::RefreshCts() { m_ctrlCTS->setChecked(m_ctrlComm.GetCTSHolding()); }

void CTerminalDlg::OnDtr() {
    const bool pressed = !m_ctrlDTR->isChecked();
    m_ctrlDTR->setChecked(pressed);
    try {
        m_ctrlComm.SetDTREnable(pressed);
    } catch (const CCommError&) {
    }
}

void CTerminalDlg::OnRts() {
    const bool pressed = !m_ctrlRTS->isChecked();
    m_ctrlRTS->setChecked(pressed);
    try {
        m_ctrlComm.SetRTSEnable(pressed);
    } catch (const CCommError&) {
    }
}

void CTerminalDlg::OnDsr() { RefreshDsr(); }
void CTerminalDlg::OnCts() { RefreshCts(); }
void CTerminalDlg::OnClosePort() {
    m_reopenTimer.stop();
    m_strLostDevice.clear();
    ClosePort();
    m_pLog->Note(QStringLiteral("closed"));
}

// A choice in any of the six lists reopens the port with all six current choices.
void CTerminalDlg::SelectAndOpen(QComboBox* list, int& index) {
    index = list->currentIndex();
    OpenPort();
}

void CTerminalDlg::OnPortSelected() {
    SelectAndOpen(m_ctrlPort, m_nPort);
    ShowPortDevices();
}
void CTerminalDlg::OnBaudSelected() { SelectAndOpen(m_ctrlBaud, m_nBaud); }
void CTerminalDlg::OnParitySelected() { SelectAndOpen(m_ctrlParity, m_nParity); }
void CTerminalDlg::OnDataBitsSelected() { SelectAndOpen(m_ctrlDataBits, m_nDataBits); }
void CTerminalDlg::OnStopBitsSelected() { SelectAndOpen(m_ctrlStopBits, m_nStopBits); }
void CTerminalDlg::OnHandshakeSelected() { SelectAndOpen(m_ctrlHandshake, m_nHandshake); }
