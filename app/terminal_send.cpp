// The main window's send side: the send box by hand or on the timer, files, the send protocols and
// the one bounded wait for output that every sender uses.
#include "app/prompts.h"
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/mscomm.h"
#include "serial/port_tables.h"
#include "terminal/break_preamble.h"
#include "terminal/send_protocol.h"
#include "terminal/send_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <climits>

namespace {

const QString kFileFilter = QStringLiteral("Text file(*.txt)|*.txt|C++ file(*.cpp;*.c;*.h)|*.cpp;*.c;*.h|All file(*.*)|*.*||");
constexpr qint64 kDrainSlackMs = 3000;
constexpr int kDrainPollMs = 20;
constexpr std::size_t kFileBlock = 256;

QByteArray ToByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The number at the start of the period text: leading blanks skipped, an optional sign, the digits
// read, the rest ignored. A negative number (or no digits) gives 0, so no timer starts.
unsigned LeadingPeriod(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            return 0;
        ++i;
    }
    unsigned long long value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = std::min<unsigned long long>(value * 10 + (text[i].unicode() - u'0'), INT_MAX);
        ++i;
    }
    return static_cast<unsigned>(value);
}

} // namespace

qint64 CTerminalDlg::LineTimeMs(std::size_t bytes) const {
    const int baudIndex = m_nBaud;
    const long baud = (baudIndex >= 0 && baudIndex < int(BaudTable().size())) ? atol(BaudTable()[baudIndex]) : 110;
    const int bits = BitsPerCharacter({m_nPort, m_nBaud, m_nParity, m_nDataBits, m_nStopBits, m_nHandshake});
    return static_cast<qint64>(bytes) * bits * 1000 / std::max(1L, baud);
}

bool CTerminalDlg::DrainOutput(std::size_t bytesQueued) {
    // A stalled flow control or a lost device would otherwise hold the window for ever.
    const qint64 deadline = m_clock.NowMs() + LineTimeMs(bytesQueued) + kDrainSlackMs;
    try {
        while (m_ctrlComm.GetPortOpen() && m_ctrlComm.GetOutBufferCount() > 0) {
            if (Quitting())
                return false;
            if (m_clock.NowMs() >= deadline) {
                m_ctrlComm.SetOutBufferCount(0);
                if (!m_bDrainWarned) {
                    m_bDrainWarned = true;
                    m_prompts.MessageBox(QStringLiteral("串口发送超时：数据在规定时间内没有发出（流控制阻塞或设备无响应），未发出的数据已丢弃。"));
                }
                return false;
            }
            m_ctrlComm.WaitForOutput(kDrainPollMs);
        }
    } catch (const CCommError&) {
        return false;
    }
    return true;
}

std::size_t CTerminalDlg::ApplySendProtocol(std::vector<std::uint8_t>& bytes) {
    if (m_nSendProtocol == kSendWnmp)
        SendBreakPreamble(m_ctrlComm);
    return FrameForSendProtocol(bytes, m_nSendProtocol);
}

void CTerminalDlg::OnManualSend() {
    // A timer tick that arrives while a send is still waiting (a message box is open) is skipped.
    if (m_bSending || !m_ctrlComm.GetPortOpen())
        return;
    m_strSend = m_ctrlSend->toPlainText();
    if (m_strSend.isEmpty())
        return;
    const QByteArray text = SendBoxBytes(m_strSend);
    std::vector<std::uint8_t> bytes =
        ParseSendText(reinterpret_cast<const std::uint8_t*>(text.constData()), std::size_t(text.size()), m_bHexSend);
    if (!bytes.empty()) {
        m_bSending = true;
        try {
            ApplySendProtocol(bytes);
            m_ctrlComm.SetOutput(ToByteArray(bytes));
            DrainOutput(bytes.size());
        } catch (const CCommError&) {
        }
        m_bSending = false;
    }
    m_nTxCount += static_cast<std::int64_t>(bytes.size());
    ShowTxCount();
}

void CTerminalDlg::OnHexSendToggle() { m_bHexSend = m_ctrlHexSend->isChecked(); }

void CTerminalDlg::OnSendProtocolChanged() { m_nSendProtocol = m_ctrlSendProtocol->currentIndex(); }

void CTerminalDlg::OnAutoSendToggle() {
    if (m_ctrlAutoSend->isChecked() == m_bAutoSend)
        return; // the program set the box to what it already holds
    m_bAutoSend = m_ctrlAutoSend->isChecked();
    m_bAutoSendOn = m_bAutoSend;
    if (m_bAutoSend) {
        m_nAutoSendPeriod = LeadingPeriod(m_ctrlPeriod->text());
        ArmAutoSendTimer();
    } else {
        StopAutoSendTimer();
    }
}

void CTerminalDlg::ArmAutoSendTimer() {
    m_autoSendTimer.stop();
    if (m_bAutoSend && m_ctrlComm.GetPortOpen() && m_nAutoSendPeriod != 0)
        m_autoSendTimer.start(static_cast<int>(std::min<unsigned>(m_nAutoSendPeriod, INT_MAX)));
}

void CTerminalDlg::StopAutoSendTimer() { m_autoSendTimer.stop(); }

void CTerminalDlg::OnChooseSendFile() {
    const auto chosen = m_prompts.ChooseFile(QStringLiteral("选择需要发送的文件"), kFileFilter, m_strSendFile, true);
    if (!chosen)
        return;
    m_strSendFile = *chosen;
    m_ctrlSendFilePath->setText(m_strSendFile);
}

void CTerminalDlg::OnSendFile() {
    m_strSendFile = m_ctrlSendFilePath->text();
    QFile file(m_strSendFile);
    if (m_strSendFile.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_prompts.MessageBox(QStringLiteral("文件无法打开！"));
        return;
    }
    qint64 total = 0;
    bool timedOut = false, lost = false;
    qint64 n = 0;
    do {
        const QByteArray block = file.read(kFileBlock);
        n = block.size();
        if (n <= 0)
            break;
        total += n;
        std::vector<std::uint8_t> bytes(block.begin(), block.end());
        m_bSending = true;
        try {
            ApplySendProtocol(bytes);
            m_ctrlComm.SetOutput(ToByteArray(bytes));
            timedOut = !DrainOutput(bytes.size());
        } catch (const CCommError&) {
            lost = true;
        }
        m_bSending = false;
        m_nTxCount += static_cast<std::int64_t>(bytes.size());
        ShowTxCount();
        lost = lost || !m_ctrlComm.GetPortOpen();
        // A stalled or lost line would make every further block wait out its own time-out.
    } while (!timedOut && !lost && n == qint64(kFileBlock));
    const qint64 size = file.size();
    file.close();
    // The completion message means the whole file went out. A lost port is told by the port itself;
    // the time-out message is told once per opening, so a cut-short file is told here each time.
    if (timedOut) {
        m_prompts.MessageBox(QStringLiteral("文件没有全部发出！原始文件长度为%1，发送到第%2字节时串口发送超时。")
                                 .arg(size)
                                 .arg(total));
        return;
    }
    if (lost)
        return;
    if (!m_autoSendTimer.isActive())
        m_prompts.MessageBox(QStringLiteral("文件发送完毕！原始文件长度为%1.").arg(total));
}
