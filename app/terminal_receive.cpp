// The main window's receive side: capture, counters, the receive area and its switches.
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/mscomm.h"
#include "terminal/receive_view.h"
#include "terminal/rx_capture.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

void CTerminalDlg::ReadInput() {
    if (m_ctrlComm.GetInBufferCount() <= 0)
        return;
    const QByteArray input = m_ctrlComm.GetInput();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.constData());
    const std::size_t n = static_cast<std::size_t>(input.size());
    Capture(bytes, n);
    m_pLog->Received(input);
    m_bRxCountStale = true;
    if (m_bDisplay && n > 0)
        m_feed.Take(bytes, n, {m_bHexDisplay, m_bAutoClear, m_bTimestamps}, m_clock);
    else if (n > 0)
        m_feed.Skip();
    // The capture and the counter are up to date now; what the person sees follows once per frame,
    // so a line that delivers a few bytes every millisecond does not lay the area out a thousand
    // times a second.
    if (!m_receiveViewTimer.isActive())
        m_receiveViewTimer.start();
}

void CTerminalDlg::FlushReceiveView() {
    m_receiveViewTimer.stop();
    if (m_bRxCountStale)
        ShowRxCount();
    // Nobody sees a minimised window's area: it catches up in one go when the window comes back.
    if (isMinimized())
        return;
    if (const std::optional<std::size_t> rows = m_ctrlReceive->Follow(m_feed))
        m_receiveViewTimer.setInterval(CReceiveFeed::NextUpdateMs(*rows, m_ctrlReceive->verticalScrollBar()->pageStep()));
}

void CTerminalDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        FlushReceiveView();
}

void CTerminalDlg::ShowRxCount() {
    m_bRxCountStale = false;
    m_ctrlRxCount->setText(QStringLiteral("RX:%1").arg(m_nRxCount));
}

void CTerminalDlg::ShowTxCount() { m_ctrlTxCount->setText(QStringLiteral("TX:%1").arg(m_nTxCount)); }

void CTerminalDlg::OnStopDisplay() {
    m_bDisplay = !m_bDisplay;
    m_ctrlStopDisplay->setText(m_bDisplay ? QStringLiteral("停止显示") : QStringLiteral("继续显示"));
}

void CTerminalDlg::OnHexDisplayToggle() { m_bHexDisplay = m_ctrlHexDisplay->isChecked(); }
void CTerminalDlg::OnAutoClearToggle() { m_bAutoClear = m_ctrlAutoClear->isChecked(); }
void CTerminalDlg::OnResetRxAfterSaveToggle() { m_bResetRxAfterSave = m_ctrlResetRxAfterSave->isChecked(); }

void CTerminalDlg::OnResetCounters() {
    m_nTxCount = 0;
    ShowTxCount();
    m_nRxCount = 0;
    ShowRxCount();
}

void CTerminalDlg::OnClearReceive() {
    m_feed.Clear();
    m_ctrlReceive->setPlainText(QString());
}

void CTerminalDlg::OnClearSend() { m_ctrlSend->setPlainText(QString()); }
