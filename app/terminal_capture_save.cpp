// Saving the capture: raw or as one of the two dumps, what follows a TCP dump, choosing the paths.
#include "app/prompts.h"
#include "app/terminal_dlg.h"
#include "terminal/capture_dump.h"
#include "terminal/dump_file.h"
#include "terminal/rx_capture.h"

#include <QComboBox>
#include <QLineEdit>
#include <optional>

namespace {
const QString kFileFilter =
    QStringLiteral("Text file(*.txt)|*.txt|C++ file(*.cpp;*.c;*.h)|*.cpp;*.c;*.h|All file(*.*)|*.*||");
const QString kCreateFailed = QStringLiteral("文件建立失败！");

enum SaveProtocol { kSaveOriginal = 0, kSaveTcp = 1, kSaveWnmp = 2 };

std::size_t CapturedBytes(std::int64_t rxCount) {
    return static_cast<std::size_t>(std::min<std::int64_t>(rxCount, kRxBufferSize));
}

struct Dump {
    QString path;
    std::uint64_t count = 0; // what the scanner counted
};

// Writes a dump of the capture beside the save path (its name with `suffix`) through a temporary
// file; nothing when it could not be written whole, and the previous file is then kept. An empty save
// path names no file, whatever the dump path would be.
template <class Scanner>
std::optional<Dump> WriteDump(const QString& saveFile, const QString& suffix, const std::uint8_t* capture,
                              std::size_t n) {
    if (saveFile.isEmpty())
        return std::nullopt;
    Dump dump{DumpPath(saveFile, suffix)};
    CDumpFile file(dump.path);
    if (!file.Open())
        return std::nullopt;
    Scanner scanner(file);
    scanner.Feed(capture, n);
    dump.count = scanner.Finish();
    if (!file.Commit())
        return std::nullopt;
    return dump;
}
} // namespace

void CTerminalDlg::OnSaveReceived() {
    if (m_nRxCount == 0) {
        m_prompts.MessageBox(QStringLiteral("没有数据可保存！"));
        return;
    }
    if (m_nSaveProtocol == kSaveTcp) {
        WriteTcpDump();
        return;
    }
    if (m_nSaveProtocol == kSaveWnmp) {
        WriteWnmpDump();
        return;
    }
    m_strSaveFile = m_ctrlSaveFile->text();
    const auto n = static_cast<std::int64_t>(CapturedBytes(m_nRxCount));
    CDumpFile file(m_strSaveFile);
    if (!file.Open()) {
        m_prompts.MessageBox(kCreateFailed);
        return;
    }
    file.Write(m_rxBuffer.get(), static_cast<std::size_t>(n));
    if (!file.Commit()) {
        m_prompts.MessageBox(kCreateFailed);
        return;
    }
    QString message = QStringLiteral("文件建立成功！文件字节数为%1.").arg(n);
    if (n != m_nRxCount)
        message += QStringLiteral("\n注：只有前面接收到的%1字节被保存!").arg(n);
    m_prompts.MessageBox(message);
    OpenInNotepad(m_strSaveFile);
}

void CTerminalDlg::WriteTcpDump() {
    m_strSaveFile = m_ctrlSaveFile->text();
    const auto dump = WriteDump<CTcpDumpScanner>(m_strSaveFile, QStringLiteral(".tcp"), m_rxBuffer.get(),
                                                 CapturedBytes(m_nRxCount));
    if (!dump)
        m_prompts.MessageBox(kCreateFailed);
    else
        AfterTcpDump(dump->path, dump->count);
}

void CTerminalDlg::WriteWnmpDump() {
    m_strSaveFile = m_ctrlSaveFile->text();
    const auto dump = WriteDump<CWnmpDumpScanner>(m_strSaveFile, QStringLiteral(".wnp"), m_rxBuffer.get(),
                                                  CapturedBytes(m_nRxCount));
    if (!dump)
        m_prompts.MessageBox(kCreateFailed);
    else if (dump->count > 0) // messages decoded
        OpenInNotepad(dump->path);
}

void CTerminalDlg::AfterTcpDump(const QString& dumpPath, std::uint64_t bytesWritten) {
    if (m_bResetRxAfterSave) {
        m_nRxCount = 0;
        ShowRxCount();
    }
    m_strCompareFile = m_ctrlCompareFile->text();
    if (bytesWritten == 0 || m_strCompareFile.isEmpty())
        return;
    m_prompts.CloseCompareViewers();
    m_prompts.CompareFiles(m_strCompareFile, dumpPath);
}

void CTerminalDlg::OpenInNotepad(const QString& path) {
    m_prompts.ShowFile(path);
}

void CTerminalDlg::OnChooseSaveFile() {
    const auto chosen =
        m_prompts.ChooseFile(QStringLiteral("将接收到的数据存为"), kFileFilter, m_strSaveFile, false);
    if (!chosen)
        return;
    m_strSaveFile = *chosen;
    m_ctrlSaveFile->setText(m_strSaveFile);
}

void CTerminalDlg::OnChooseCompareFile() {
    const auto chosen = m_prompts.ChooseFile(QStringLiteral("选择执行保存数据后的比较的文件"), kFileFilter,
                                             m_strCompareFile, false);
    if (!chosen)
        return;
    m_strCompareFile = *chosen;
    m_ctrlCompareFile->setText(m_strCompareFile);
}

void CTerminalDlg::OnSaveProtocolChanged() {
    m_nSaveProtocol = m_ctrlSaveProtocol->currentIndex();
}
