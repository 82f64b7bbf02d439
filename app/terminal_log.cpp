// The main window's session log, the arrival stamps and the line ends of the receive area: their menu
// items, the indicator, the file chooser, and the log's notes about the port.
#include "app/port_settings.h"
#include "app/profile.h"
#include "app/prompts.h"
#include "app/settings.h"
#include "app/terminal_dlg.h"
#include "serial/mscomm.h"
#include "serial/port_tables.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace {

const QString kLogFilter =
    QStringLiteral("原始数据 (*.bin *.raw *.cap)|*.bin;*.raw;*.cap|带时间戳文本 (*.log *.txt)|*.log;*.txt||");
constexpr int kTextFilter = 1;
const QString kNoPort = QStringLiteral("no port");

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

} // namespace

void CTerminalDlg::SetUpSessionLog() {
    m_pLog = std::make_unique<CSessionLog>(m_clock);
    connect(m_pLog.get(), &CSessionLog::Failed, this, &CTerminalDlg::OnLogFailed);
    m_ctrlComm.SetOutputTap([this](const QByteArray& bytes) { m_pLog->Sent(bytes); });
    // Below the decoration in the bottom right corner, clear of every control of the template.
    m_ctrlLogIndicator = new QLabel(QStringLiteral("● 记录中"), this);
    m_ctrlLogIndicator->setGeometry(DialogUnitsToPixels(QRect(322, 271, 60, 11), m_built.baseUnits));
    m_ctrlLogIndicator->setAccessibleName(QStringLiteral("正在记录到文件"));
    m_ctrlLogIndicator->hide();
}

void CTerminalDlg::AddLogMenuItems(QMenu& menu) {
    if (m_pLog->IsRunning())
        menu.addAction(QStringLiteral("停止记录 (%1)").arg(QFileInfo(m_pLog->Path()).fileName()), this,
                       &CTerminalDlg::OnLogToggle);
    else
        menu.addAction(QStringLiteral("记录到文件…"), this, &CTerminalDlg::OnLogToggle);
    QAction* stamps = menu.addAction(QStringLiteral("显示时间戳"), this, &CTerminalDlg::OnTimestampsToggle);
    stamps->setCheckable(true);
    stamps->setChecked(m_bTimestamps);
    QMenu* lineEnds = menu.addMenu(QStringLiteral("换行方式"));
    auto* group = new QActionGroup(lineEnds);
    const std::pair<LineEnd, const char*> choices[] = {{LineEnd::CR, "按 CR 换行"},
                                                       {LineEnd::LF, "按 LF 换行"},
                                                       {LineEnd::CRLF, "按 CR LF 换行"},
                                                       {LineEnd::Any, "CR、LF、CR LF 均换行"}};
    for (const auto& [rule, text] : choices) {
        QAction* item = lineEnds->addAction(QString::fromUtf8(text), this, [this, rule] { OnLineEndChosen(rule); });
        item->setCheckable(true);
        item->setChecked(m_feed.LineEnds().rule == rule);
        group->addAction(item);
    }
}

void CTerminalDlg::OnLogToggle() {
    if (m_pLog->IsRunning()) {
        StopLog();
        return;
    }
    int filter = LogFormatForPath(m_strLogPath) == LogFormat::Text ? kTextFilter : 0;
    const std::optional<QString> path =
        m_prompts.ChooseFileToAppend(QStringLiteral("记录到文件"), kLogFilter, m_strLogPath, filter);
    if (!path)
        return;
    m_strLogPath = *path;
    WriteSettingNow(settings::kLog, settings::kLogPathKey, m_strLogPath);
    StartLog(*path, filter == kTextFilter ? LogFormat::Text : LogFormat::Raw);
}

bool CTerminalDlg::StartLog(const QString& path, LogFormat format) {
    QString error;
    QString where = LogPortText();
    if (!m_ctrlComm.GetPortOpen() && where != kNoPort)
        where += QStringLiteral(", port closed");
    if (!m_pLog->Start(path, format, where, &error)) {
        m_ctrlLogIndicator->hide();
        m_prompts.MessageBox(QStringLiteral("无法记录到文件 %1：%2").arg(Native(path), error));
        return false;
    }
    m_ctrlLogIndicator->setToolTip(Native(path));
    m_ctrlLogIndicator->setAccessibleDescription(Native(path));
    m_ctrlLogIndicator->show();
    return true;
}

void CTerminalDlg::StopLog() {
    const QString problem = m_pLog->Stop();
    m_ctrlLogIndicator->hide();
    if (!problem.isEmpty())
        OnLogFailed(problem);
}

void CTerminalDlg::OnLogFailed(const QString& reason) {
    m_ctrlLogIndicator->hide();
    m_prompts.MessageBox(QStringLiteral("记录文件 %1 写入失败，记录已停止：%2").arg(Native(m_pLog->Path()), reason));
}

QString CTerminalDlg::LogPortText() const {
    const PortChoice choice{m_nPort, m_nBaud, m_nParity, m_nDataBits, m_nStopBits, m_nHandshake};
    if (!CheckPortChoice(choice).isEmpty())
        return kNoPort;
    const short port = PortTable()[m_nPort].commPort;
    QString device = m_ctrlComm.DeviceNameFor(port);
    if (device.isEmpty())
        device = PortDevice(m_profile, port);
    return QStringLiteral("Com%1 (%2) %3").arg(port).arg(device, ::SettingsString(choice));
}

void CTerminalDlg::OnTimestampsToggle() {
    m_bTimestamps = !m_bTimestamps;
    m_feed.RestartStamps();
    WriteSettingNow(settings::kDisplay, settings::kTimestampsKey, QString::number(int(m_bTimestamps)));
}

void CTerminalDlg::OnLineEndChosen(LineEnd rule) {
    m_feed.LineEnds().rule = rule;
    WriteSettingNow(settings::kDisplay, settings::kLineEndKey, QString::fromLatin1(LineEndName(rule)));
}

void CTerminalDlg::WriteSettingNow(const QString& section, const QString& key, const QString& value) {
    // A menu choice takes effect at once, like the device dialog, not only when the window is closed
    // with its OK button.
    m_profile.Reload();
    m_profile.WriteProfileString(section, key, value);
    QString error;
    if (!m_profile.Flush(&error))
        m_prompts.MessageBox(QStringLiteral("设置无法保存：%1").arg(error));
}
