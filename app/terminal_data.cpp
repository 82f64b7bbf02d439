// The window's values between controls and members, the send box's length limit, and leaving the
// window with OK (or Enter) or from outside.
#include "app/prompts.h"
#include "app/quit_signals.h"
#include "app/terminal_dlg.h"
#include "card/data_exchange.h"
#include "res/resource.h"
#include "terminal/receive_view.h"
#include "terminal/send_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

constexpr int kSendTextMaxBytes = 2048;
constexpr unsigned kPeriodMin = 1, kPeriodMax = 1000000;

} // namespace

void CTerminalDlg::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            // Enter reaches the window only from controls that do not take it themselves. A focused
            // button that is not a push button (the pin) is still pressed by it, not the window closed.
            auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            if (button && !qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button)) {
                button->click();
                return;
            }
            OnOK();
            return;
        }
    }
    QDialog::keyPressEvent(event); // Escape rejects: the window ends without saving
}

bool CTerminalDlg::UpdateData(bool saveAndValidate) {
    // What the person typed is checked before any member changes.
    qulonglong period = m_nAutoSendPeriod;
    QString sendText = m_strSend;
    if (saveAndValidate) {
        // The period: a whole number from 1 to 1000000.
        bool ok = false;
        period = m_ctrlPeriod->text().trimmed().toULongLong(&ok);
        if (!ok || period < kPeriodMin || period > kPeriodMax) {
            m_prompts.MessageBox(QStringLiteral("请输入一个 %1 到 %2 之间的整数。").arg(kPeriodMin).arg(kPeriodMax));
            m_ctrlPeriod->setFocus();
            m_ctrlPeriod->selectAll();
            return false;
        }
        sendText = m_ctrlSend->toPlainText();
        if (SendBoxByteLength(sendText) > kSendTextMaxBytes) {
            m_prompts.MessageBox(QStringLiteral("发送区的内容不能超过 %1 个字节。").arg(kSendTextMaxBytes));
            m_ctrlSend->setFocus();
            return false;
        }
    }

    const CDataExchange dx(m_built, saveAndValidate);
    dx.Check(IDC_AUTO_CLEAR, m_bAutoClear);
    dx.Check(IDC_AUTO_SEND, m_bAutoSend);
    dx.Check(IDC_HEX_DISPLAY, m_bHexDisplay);
    dx.Check(IDC_HEX_SEND, m_bHexSend);
    dx.Check(IDC_RESET_RX_AFTER_SAVE, m_bResetRxAfterSave);
    dx.Text(IDC_SEND_FILE_PATH, m_strSendFile);
    dx.Text(IDC_SAVE_FILE, m_strSaveFile);
    dx.List(IDC_PORT, m_nPort);
    dx.List(IDC_BAUD, m_nBaud);
    dx.List(IDC_PARITY, m_nParity);
    dx.List(IDC_DATABITS, m_nDataBits);
    dx.List(IDC_STOPBITS, m_nStopBits);
    dx.List(IDC_HANDSHAKE, m_nHandshake);
    dx.List(IDC_SEND_PROTOCOL, m_nSendProtocol);
    dx.List(IDC_SAVE_PROTOCOL, m_nSaveProtocol);
    dx.Text(IDC_COMPARE_FILE, m_strCompareFile);
    if (saveAndValidate) {
        m_nAutoSendPeriod = static_cast<unsigned>(period);
        m_strSend = sendText;
        return true;
    }
    m_ctrlPeriod->setText(QString::number(m_nAutoSendPeriod));
    m_ctrlReceive->setPlainText(m_feed.TakeAll());
    m_bLimitingSendText = true; // the limit holds typing back; a longer stored text is shown as it is
    m_ctrlSend->setPlainText(m_strSend);
    m_bLimitingSendText = false;
    m_nSendTextBytes = SendBoxByteLength(m_strSend);
    return true;
}

void CTerminalDlg::OnSendTextChanged(int position, int /*removed*/, int added) {
    // Typing stops at 2048 bytes of text, as an edit box with a text limit does; what was pasted
    // beyond the limit is cut off at its end.
    if (m_bLimitingSendText)
        return;
    const QString text = m_ctrlSend->toPlainText();
    int bytes = SendBoxByteLength(text);
    const int allowed = std::max(kSendTextMaxBytes, m_nSendTextBytes);
    if (bytes > allowed && added > 0) {
        m_bLimitingSendText = true;
        QString inserted = text.mid(position, added);
        const QString rest = text.left(position) + text.mid(position + added);
        const int room = allowed - SendBoxByteLength(rest);
        const QString kept = TruncateSendBox(inserted, std::max(0, room));
        QTextCursor cursor(m_ctrlSend->document());
        cursor.setPosition(position + int(kept.size()));
        cursor.setPosition(position + added, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_ctrlSend->setTextCursor(cursor);
        m_bLimitingSendText = false;
        bytes = SendBoxByteLength(m_ctrlSend->toPlainText());
    }
    m_nSendTextBytes = bytes;
}

void CTerminalDlg::OnOK() {
    if (!UpdateData(true))
        return;
    SaveSettings();
    accept();
}

void CTerminalDlg::BeginQuit() {
    m_bQuitting = true;
    reject();
}

bool CTerminalDlg::Quitting() const { return m_bQuitting || CQuitSignals::Requested(); }
