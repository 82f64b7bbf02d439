// The main window's receive side: capture, counters, the receive area and its switches.
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/mscomm.h"
#include "terminal/receive_display.h"
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
    CaptureReceived(m_rxBuffer.get(), m_nRxCount, bytes, n);
    m_pLog->Received(input);
    m_bRxCountStale = true;
    if (m_bDisplay && n > 0) {
        std::string piece;
        const std::size_t first = DisplayInputStart(n, m_bHexDisplay);
        AppendDisplayPiece(bytes + first, n - first, m_bHexDisplay, piece, m_lineEnds);
        // Bytes skipped before `first` belong to a piece too big for the area: it is emptied for it.
        bool cleared = first > 0 || ReceiveTextNeedsClear(m_strReceive.size(), m_bAutoClear);
        if (m_bTimestamps) {
            const bool fresh = cleared || m_strReceive.empty();
            cleared = m_stamps.Stamp(piece, m_bHexDisplay, fresh, m_clock.NowMs(), m_clock.LocalNow().time()) || cleared;
        } else if (const std::size_t start = DisplayTailStart(piece, m_bHexDisplay); start > 0) {
            piece.erase(0, start);
            cleared = true;
        }
        if (cleared) {
            m_strReceive.clear();
            m_bReceiveRedo = true;
            m_nReceiveShown = 0;
        }
        m_strReceive += piece;
    } else if (n > 0) {
        m_lineEnds.afterCR = false; // a CR that was not shown pairs with nothing shown later
    }
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
    if (isMinimized() || (!m_bReceiveRedo && m_nReceiveShown >= m_strReceive.size()))
        return;
    if (m_bReceiveRedo)
        m_receiveDecoder.resetState();
    const std::size_t from = m_bReceiveRedo ? 0 : m_nReceiveShown;
    QString text = m_receiveDecoder.decode(QByteArrayView(m_strReceive.data() + from, qsizetype(m_strReceive.size() - from)));
    text.remove(QLatin1Char('\r'));
    const std::size_t rowsBefore = m_bReceiveRedo ? 0 : m_ctrlReceive->Layout().Rows().size();
    if (m_bReceiveRedo)
        m_ctrlReceive->setPlainText(text);
    else
        m_ctrlReceive->AppendText(text);
    m_bReceiveRedo = false;
    m_nReceiveShown = m_strReceive.size();
    m_ctrlReceive->ScrollToEnd();
    // Jump scrolling: when whole screens fly past between two updates nobody reads them, and painting
    // each one is what a fast line costs, so the area then catches up less often. It goes back to the
    // usual pace at the first update that brings less.
    const std::size_t rows = m_ctrlReceive->Layout().Rows().size();
    const std::size_t added = rows - std::min(rowsBefore, rows);
    const bool jumping = added >= 2 * std::size_t(std::max(1, m_ctrlReceive->verticalScrollBar()->pageStep()));
    m_receiveViewTimer.setInterval(jumping ? kReceiveJumpMs : kReceiveViewMs);
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
    m_strReceive.clear();
    m_nReceiveShown = 0;
    m_bReceiveRedo = false;
    m_receiveDecoder.resetState();
    m_ctrlReceive->setPlainText(QString());
}

void CTerminalDlg::OnClearSend() { m_ctrlSend->setPlainText(QString()); }
