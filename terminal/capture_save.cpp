// Saving the capture: the raw save and choosing the paths.
#include "app/prompts.h"
#include "app/terminal_dlg.h"
#include "terminal/rx_capture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>

namespace {
const QString kFileFilter = QStringLiteral("Text file(*.txt)|*.txt|C++ file(*.cpp;*.c;*.h)|*.cpp;*.c;*.h|All file(*.*)|*.*||");
}

void CTerminalDlg::OnSaveReceived() {
    if (m_nRxCount == 0) {
        m_prompts.MessageBox(QStringLiteral("没有数据可保存！"));
        return;
    }
    m_strSaveFile = m_ctrlSaveFile->text();
    QFile file(m_strSaveFile);
    if (m_strSaveFile.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_prompts.MessageBox(QStringLiteral("文件建立失败！"));
        return;
    }
    const std::int64_t n = std::min<std::int64_t>(m_nRxCount, kRxBufferSize);
    const bool written = file.write(reinterpret_cast<const char*>(m_rxBuffer.get()), n) == n;
    file.close();
    if (!written) {
        m_prompts.MessageBox(QStringLiteral("文件建立失败！"));
        return;
    }
    QString message = QStringLiteral("文件建立成功！文件字节数为%1.").arg(n);
    if (n != m_nRxCount)
        message += QStringLiteral("\n注：只有前面接收到的%1字节被保存!").arg(n);
    m_prompts.MessageBox(message);
    m_prompts.ShowFile(m_strSaveFile);
}

void CTerminalDlg::OnChooseSaveFile() {
    const auto chosen = m_prompts.ChooseFile(QStringLiteral("将接收到的数据存为"), kFileFilter, m_strSaveFile, false);
    if (!chosen)
        return;
    m_strSaveFile = *chosen;
    m_ctrlSaveFile->setText(m_strSaveFile);
}

void CTerminalDlg::OnChooseCompareFile() {
    const auto chosen =
        m_prompts.ChooseFile(QStringLiteral("选择执行保存数据后的比较的文件"), kFileFilter, m_strCompareFile, false);
    if (!chosen)
        return;
    m_strCompareFile = *chosen;
    m_ctrlCompareFile->setText(m_strCompareFile);
}

void CTerminalDlg::OnSaveProtocolChanged() { m_nSaveProtocol = m_ctrlSaveProtocol->currentIndex(); }
