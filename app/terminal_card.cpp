// The main window's card buttons: reset, read status, configure; the exchange with the card and the
// answer handler.
#include "app/prompts.h"
#include "app/terminal_dlg.h"
#include "card/card_answer.h"
#include "card/card_config_dlg.h"
#include "card/card_status_dlg.h"
#include "serial/clock.h"
#include "serial/mscomm.h"
#include "terminal/break_preamble.h"
#include "terminal/rx_capture.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kSilenceSeconds = 8;
constexpr int kPollMs = 50;

constexpr std::uint32_t kResultNone = 0;
constexpr std::uint32_t kResultBasicConfig = 0x000000A1;
constexpr std::uint32_t kResultBasicWrite = 0x000000A2;
constexpr std::uint32_t kResultBasicAck = 0x000000A3;
constexpr std::uint32_t kResultStatus = 0x000000A8;
constexpr std::uint32_t kResultConfigCancelled = 0x00B200A1;
constexpr std::uint32_t kResultExtendedWrite = 0x00B200A2;
constexpr std::uint32_t kResultExtendedAck = 0x00B200A3;

// Restores the receive events however an exchange ends.
class CReceiveEventsOff {
public:
    explicit CReceiveEventsOff(CMSComm& comm) : m_comm(comm) { Set(0); }
    ~CReceiveEventsOff() { Set(1); }

private:
    void Set(short value) {
        try {
            m_comm.SetRThreshold(value);
        } catch (const CCommError&) {
        }
    }
    CMSComm& m_comm;
};

} // namespace

void CTerminalDlg::SendCardFrame(const std::vector<std::uint8_t>& frame) {
    m_prompts.BeginWaitCursor();
    try {
        SendBreakPreamble(m_ctrlComm);
        m_ctrlComm.SetOutput(QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size())));
        DrainOutput(frame.size() + 2);
    } catch (const CCommError&) {
        // A lost device ends the exchange through the closed port; the user is told by the port.
    }
    m_prompts.EndWaitCursor();
}

int CTerminalDlg::RunCardExchange(CardRequest request, int room) {
    if (m_nRxCount > static_cast<std::int64_t>(kRxBufferSize) - room) {
        m_nRxCount = 0;
        ShowRxCount();
        m_prompts.MessageBox(QStringLiteral("为保证命令的可靠运行，RX清0。"));
    }
    if (Quitting())
        return 0; // that box may have been closed by the end of the program: nothing goes out
    CReceiveEventsOff eventsOff(m_ctrlComm);
    SendCardFrame(BuildCardRequest(request, m_config));

    m_prompts.BeginWaitCursor();
    int fill = 0;
    try {
        qint64 reference = m_clock.NowSeconds();
        bool complete = false;
        while (!complete && !Quitting()) {
            if (m_clock.NowSeconds() - reference > kSilenceSeconds)
                break;
            if (!m_ctrlComm.GetPortOpen())
                break; // the device went away: nothing more can come
            if (m_ctrlComm.GetInBufferCount() <= 0) {
                m_ctrlComm.WaitForInput(kPollMs);
                continue;
            }
            const std::int64_t before = m_nRxCount;
            ReadInput();
            const std::int64_t stored = std::min<std::int64_t>(m_nRxCount, kRxBufferSize);
            for (std::int64_t pos = before; pos < stored; ++pos) {
                if (fill >= int(kAnswerBufferSize)) {
                    complete = true;
                    break;
                }
                const std::uint8_t byte = m_rxBuffer[pos];
                m_answer[fill++] = byte;
                if (byte == 0x0D) {
                    complete = true;
                    break;
                }
            }
            reference = m_clock.NowSeconds();
        }
    } catch (const CCommError&) {
    }
    FlushReceiveView(); // the answer is on screen before anything tells the user about it
    m_prompts.EndWaitCursor();
    return fill;
}

std::uint32_t CTerminalDlg::HandleCardAnswer(int count) {
    const CardAnswerResult answer =
        DecodeCardAnswer(m_answer.get(), static_cast<std::size_t>(std::max(0, count)), m_config, m_configReadBack);
    if (!answer.message.isEmpty())
        m_prompts.MessageBox(answer.message);
    switch (answer.outcome) {
    case CardAnswerOutcome::Failed:
        return kResultNone;
    case CardAnswerOutcome::BasicConfig:
        return kResultBasicConfig;
    case CardAnswerOutcome::BasicAck:
        return kResultBasicAck;
    case CardAnswerOutcome::Status: {
        CCardStatusDlg dialog(answer.status);
        m_prompts.RunModal(dialog);
        return kResultStatus;
    }
    case CardAnswerOutcome::ExtendedConfig: {
        bool suppressExtended = false;
        if (!RunCardConfigDialog(suppressExtended))
            return kResultConfigCancelled;
        return suppressExtended ? kResultBasicWrite : kResultExtendedWrite;
    }
    case CardAnswerOutcome::ExtendedAck:
        return kResultExtendedAck;
    }
    return kResultNone;
}

bool CTerminalDlg::RunCardConfigDialog(bool& suppressExtended) {
    // Owned by the window so that it stays above it, also when the window is pinned on top.
    CCardConfigDlg dialog(m_config, m_prompts, m_profile, m_clock, this);
    const bool accepted = m_prompts.RunModal(dialog) == QDialog::Accepted;
    suppressExtended = dialog.SuppressExtended();
    return accepted;
}

bool CTerminalDlg::WriteCardConfig(bool extended) {
    const int count =
        RunCardExchange(extended ? CardRequest::WriteExtendedConfig : CardRequest::WriteBasicConfig, kConfigRoom);
    if (HandleCardAnswer(count) != (extended ? kResultExtendedAck : kResultBasicAck))
        return false;
    const std::size_t size = extended ? CardConfigRecord::kSize : CardConfigRecord::kBasicSize;
    return std::equal(m_config.bytes.begin(), m_config.bytes.begin() + long(size), m_configReadBack.bytes.begin());
}

void CTerminalDlg::OnCardReset() { SendCardFrame(BuildCardRequest(CardRequest::Reset, m_config)); }

void CTerminalDlg::OnReadCardStatus() {
    const int count = RunCardExchange(CardRequest::ReadStatus, kStatusRoom);
    if (HandleCardAnswer(count) != kResultStatus)
        m_prompts.MessageBox(QStringLiteral("读卡状态失败!"));
}

void CTerminalDlg::OnConfigureCard() {
    const int count = RunCardExchange(CardRequest::ReadConfig, kConfigRoom);
    const std::uint32_t result = HandleCardAnswer(count);
    if (result == kResultNone) {
        m_prompts.MessageBox(QStringLiteral("读卡配置失败!"));
    } else if (result == kResultExtendedWrite) {
        m_prompts.MessageBox(WriteCardConfig(true) ? QStringLiteral("卡配置成功改写！") : QStringLiteral("卡配置改写失败！"));
    } else if (result == kResultBasicWrite) {
        m_prompts.MessageBox(WriteCardConfig(false) ? QStringLiteral("卡基本配置成功改写！")
                                                  : QStringLiteral("卡基本配置改写失败！"));
    }
}
