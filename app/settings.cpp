#include "app/settings.h"

#include "app/profile.h"
#include "app/prompts.h"
#include "app/terminal_dlg.h"

#include <QDir>
#include <QStandardPaths>

QString settings::DefaultFilePath() {
#ifdef Q_OS_WIN
    // C:\temp, where the file once went, is missing on a new Windows and may not be writable.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(QDir(documents).filePath(QStringLiteral("save.txt")));
#else
    return QDir(QDir::tempPath()).filePath(QStringLiteral("save.txt"));
#endif
}

void CTerminalDlg::LoadSettings() {
    using namespace settings;
    const CProfile& p = m_profile;
    // Said once, here; the file is then left alone for the whole run (see SaveSettings).
    if (p.State() == CProfile::LoadState::Unreadable)
        m_prompts.MessageBox(QStringLiteral("设置文件 %1 无法读取（%2），本次使用默认设置，且不会改写该文件。")
                                 .arg(QDir::toNativeSeparators(p.Path()), p.LoadError()));
    m_nPort = p.GetProfileInt(kComPort, QStringLiteral("ComPort"), 0);
    m_nBaud = p.GetProfileInt(kComPort, QStringLiteral("Baud"), 3);
    m_nParity = p.GetProfileInt(kComPort, QStringLiteral("Checkout"), 0);
    m_nDataBits = p.GetProfileInt(kComPort, QStringLiteral("Databits"), 4);
    m_nStopBits = p.GetProfileInt(kComPort, QStringLiteral("StopBits"), 0);
    m_nHandshake = p.GetProfileInt(kComPort, QStringLiteral("HandShake"), 0);

    m_bResetRxAfterSave = p.GetProfileInt(kReceive, QStringLiteral("ResetRX"), 0) != 0;
    m_bHexDisplay = p.GetProfileInt(kReceive, QStringLiteral("DisplayHexCode"), 0) != 0;
    m_bAutoClear = p.GetProfileInt(kReceive, QStringLiteral("AutoClearReceiveArea"), 0) != 0;
    m_nSaveProtocol = p.GetProfileInt(kReceive, QStringLiteral("Save Protocol"), 0);
    m_strSaveFile = p.GetProfileString(kReceive, QStringLiteral("SaveToFile"), DefaultFilePath());
    m_strCompareFile = p.GetProfileString(kReceive, QStringLiteral("File Comparision"), QString());

    m_bAutoSend = p.GetProfileInt(kSend, QStringLiteral("AutoSend"), 0) != 0;
    m_nAutoSendPeriod = static_cast<unsigned>(p.GetProfileInt(kSend, QStringLiteral("AutoSendPeriod"), 1000));
    m_bHexSend = p.GetProfileInt(kSend, QStringLiteral("SendHexCode"), 0) != 0;
    m_strSendFile = p.GetProfileString(kSend, QStringLiteral("SendFile"), DefaultFilePath());
    m_strSend = p.GetProfileString(kSend, QStringLiteral("SendData"), kDefaultSendData);
    m_nSendProtocol = p.GetProfileInt(kSend, QStringLiteral("Send Protocol"), 0);

    m_bTopMost = p.GetProfileInt(kWindow, QStringLiteral("WindowTopMost"), 0) != 0;
    m_nWindowX = p.GetProfileInt(kWindow, QStringLiteral("WindowPositionX"), 100);
    m_nWindowY = p.GetProfileInt(kWindow, QStringLiteral("WindowPositionY"), 100);

    m_bReopenWhenBack = p.GetProfileInt(kReconnect, kReopenWhenBackKey, 0) != 0;
    m_bTimestamps = p.GetProfileInt(kDisplay, kTimestampsKey, 0) != 0;
    m_feed.LineEnds().rule = LineEndFromName(p.GetProfileString(kDisplay, kLineEndKey, QString()).toStdString());
    m_strLogPath = p.GetProfileString(kLog, kLogPathKey, QDir::home().filePath(QStringLiteral("serimo.log")));
}

void CTerminalDlg::SaveSettings() {
    using namespace settings;
    if (!m_profile.Writable())
        return;
    // Another program (or a second copy of this one) may have changed other parts of the file. If it
    // cannot be read now, Flush refuses and says why.
    m_profile.Reload();
    CProfile& p = m_profile;
    p.WriteProfileInt(kComPort, QStringLiteral("ComPort"), m_nPort);
    p.WriteProfileInt(kComPort, QStringLiteral("Baud"), m_nBaud);
    p.WriteProfileInt(kComPort, QStringLiteral("Checkout"), m_nParity);
    p.WriteProfileInt(kComPort, QStringLiteral("Databits"), m_nDataBits);
    p.WriteProfileInt(kComPort, QStringLiteral("StopBits"), m_nStopBits);
    p.WriteProfileInt(kComPort, QStringLiteral("HandShake"), m_nHandshake);

    p.WriteProfileInt(kReceive, QStringLiteral("ResetRX"), m_bResetRxAfterSave);
    p.WriteProfileInt(kReceive, QStringLiteral("DisplayHexCode"), m_bHexDisplay);
    p.WriteProfileInt(kReceive, QStringLiteral("AutoClearReceiveArea"), m_bAutoClear);
    p.WriteProfileInt(kReceive, QStringLiteral("Save Protocol"), m_nSaveProtocol);
    p.WriteProfileString(kReceive, QStringLiteral("SaveToFile"), m_strSaveFile);
    p.WriteProfileString(kReceive, QStringLiteral("File Comparision"), m_strCompareFile);

    p.WriteProfileInt(kSend, QStringLiteral("AutoSend"), m_bAutoSend);
    p.WriteProfileInt(kSend, QStringLiteral("AutoSendPeriod"), static_cast<int>(m_nAutoSendPeriod));
    p.WriteProfileInt(kSend, QStringLiteral("SendHexCode"), m_bHexSend);
    p.WriteProfileString(kSend, QStringLiteral("SendFile"), m_strSendFile);
    p.WriteProfileString(kSend, QStringLiteral("SendData"), m_strSend);
    p.WriteProfileInt(kSend, QStringLiteral("Send Protocol"), m_nSendProtocol);

    const QRect rect = frameGeometry();
    m_bTopMost = IsTopMost();
    p.WriteProfileInt(kWindow, QStringLiteral("WindowTopMost"), m_bTopMost);
    p.WriteProfileInt(kWindow, QStringLiteral("WindowPositionX"), rect.left());
    p.WriteProfileInt(kWindow, QStringLiteral("WindowPositionY"), rect.top());

    QString error;
    if (!p.Flush(&error))
        m_prompts.MessageBox(QStringLiteral("设置无法保存：%1").arg(error));
}
