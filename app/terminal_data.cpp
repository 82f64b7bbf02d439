// The window's values between controls and members, the send box's length limit, and leaving the
// window with OK (or Enter) or from outside.
#include "app/prompts.h"
#include "app/quit_signals.h"
#include "app/terminal_dlg.h"
#include "card/data_exchange.h"
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
    struct Check {
        QCheckBox* box;
        bool* member;
    };
    const Check checks[] = {{m_ctrlAutoClear, &m_bAutoClear},
                            {m_ctrlAutoSend, &m_bAutoSend},
                            {m_ctrlHexDisplay, &m_bHexDisplay},
                            {m_ctrlHexSend, &m_bHexSend},
                            {m_ctrlResetRxAfterSave, &m_bResetRxAfterSave}};
    struct Selection {
        QComboBox* list;
        int* member;
    };
    const Selection selections[] = {{m_ctrlPort, &m_nPort},         {m_ctrlBaud, &m_nBaud},
                                    {m_ctrlParity, &m_nParity},     {m_ctrlDataBits, &m_nDataBits},
                                    {m_ctrlStopBits, &m_nStopBits}, {m_ctrlHandshake, &m_nHandshake},
                                    {m_ctrlSendProtocol, &m_nSendProtocol}, {m_ctrlSaveProtocol, &m_nSaveProtocol}};

    if (!saveAndValidate) {
        for (const Check& c : checks)
            c.box->setChecked(*c.member);
        m_ctrlPeriod->setText(QString::number(m_nAutoSendPeriod));
        m_ctrlSendFilePath->setText(m_strSendFile);
        m_ctrlSaveFile->setText(m_strSaveFile);
        for (const Selection& s : selections)
            SelectIndex(s.list, *s.member);
        m_ctrlReceive->setPlainText(m_feed.TakeAll());
        m_bLimitingSendText = true; // the limit holds typing back; a longer stored text is shown as it is
        m_ctrlSend->setPlainText(m_strSend);
        m_bLimitingSendText = false;
        m_nSendTextBytes = SendBoxByteLength(m_strSend);
        m_ctrlCompareFile->setText(m_strCompareFile);
        return true;
    }

    // The period: a whole number from 1 to 1000000.
    bool ok = false;
    const QString periodText = m_ctrlPeriod->text().trimmed();
    const qulonglong period = periodText.toULongLong(&ok);
    if (!ok || period < kPeriodMin || period > kPeriodMax) {
        m_prompts.MessageBox(QStringLiteral("请输入一个 %1 到 %2 之间的整数。").arg(kPeriodMin).arg(kPeriodMax));
        m_ctrlPeriod->setFocus();
        m_ctrlPeriod->selectAll();
        return false;
    }
    const QString sendText = m_ctrlSend->toPlainText();
    if (SendBoxByteLength(sendText) > kSendTextMaxBytes) {
        m_prompts.MessageBox(QStringLiteral("发送区的内容不能超过 %1 个字节。").arg(kSendTextMaxBytes));
        m_ctrlSend->setFocus();
        return false;
    }
    for (const Check& c : checks)
        *c.member = c.box->isChecked();
    m_nAutoSendPeriod = static_cast<unsigned>(period);
    m_strSendFile = m_ctrlSendFilePath->text();
    m_strSaveFile = m_ctrlSaveFile->text();
    for (const Selection& s : selections)
        *s.member = s.list->currentIndex();
    m_strSend = sendText;
    m_strCompareFile = m_ctrlCompareFile->text();
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
