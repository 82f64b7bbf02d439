// The window's own menu (right click, or the menu key): the About box, the serial devices dialog and
// reopening a device that comes back; on Windows the About item also sits in the system menu.
#include "app/about_dlg.h"
#include "app/port_devices_dlg.h"
#include "app/port_settings.h"
#include "app/prompts.h"
#include "app/settings.h"
#include "app/terminal_dlg.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "serial/mscomm.h"
#include "serial/port_tables.h"
#include "serial/qt_serial_device_list.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

void CTerminalDlg::OnAbout() {
    CAboutDlg about(this);
    m_prompts.RunModal(about);
}

void CTerminalDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Window managers here own the system menu; the About item lives in the window's own menu instead.
    QMenu menu(this);
    FillContextMenu(menu);
    menu.exec(event->globalPos());
}

void CTerminalDlg::FillContextMenu(QMenu& menu) {
    menu.addAction(QStringLiteral("串口设备…"), this, &CTerminalDlg::OnPortDevices);
    QAction* reopen = menu.addAction(QStringLiteral("设备恢复后自动重新打开"), this, &CTerminalDlg::OnReopenWhenBackToggle);
    reopen->setCheckable(true);
    reopen->setChecked(m_bReopenWhenBack);
    AddLogMenuItems(menu);
    menu.addSeparator();
    menu.addAction(LoadResString(IDS_ABOUTBOX), this, &CTerminalDlg::OnAbout);
}

ISerialDeviceList& CTerminalDlg::DeviceList() {
    if (!m_pDeviceList) {
        m_ownDeviceList = std::make_unique<CQtSerialDeviceList>();
        m_pDeviceList = m_ownDeviceList.get();
    }
    return *m_pDeviceList;
}

void CTerminalDlg::OnPortDevices() {
    CPortDevicesDlg dlg(m_profile, DeviceList(), m_prompts, this);
    if (m_prompts.RunModal(dlg) != QDialog::Accepted)
        return;
    ShowPortDevices();
    const std::vector<short>& changed = dlg.Changed();
    if (m_nPort >= 0 && m_nPort < int(PortTable().size()) &&
        std::find(changed.begin(), changed.end(), PortTable()[m_nPort].commPort) != changed.end())
        OpenPort();
}

void CTerminalDlg::OnReopenWhenBackToggle() {
    m_bReopenWhenBack = !m_bReopenWhenBack;
    if (!m_bReopenWhenBack)
        m_reopenTimer.stop();
    else if (!m_strLostDevice.isEmpty() && !m_ctrlComm.GetPortOpen())
        m_reopenTimer.start();
    WriteSettingNow(settings::kReconnect, settings::kReopenWhenBackKey, QString::number(int(m_bReopenWhenBack)));
}

void CTerminalDlg::ShowPortDevices() {
    for (int i = 0; i < m_ctrlPort->count() && i < int(PortTable().size()); ++i) {
        const short port = PortTable()[i].commPort;
        QString device = m_ctrlComm.DeviceNameFor(port);
        if (device.isEmpty())
            device = PortDevice(m_profile, port);
        m_ctrlPort->setItemData(i, device.isEmpty() ? QStringLiteral("未设置设备") : device, Qt::ToolTipRole);
    }
    const int current = m_ctrlPort->currentIndex();
    m_ctrlPort->setToolTip(current >= 0 ? m_ctrlPort->itemData(current, Qt::ToolTipRole).toString() : QString());
}

void CTerminalDlg::AddAboutToSystemMenu() {
#ifdef Q_OS_WIN
    // Called again whenever the window may have a new native window (top-most switched), which comes
    // with a fresh system menu; an item already there is kept.
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu && ::GetMenuState(menu, IDM_ABOUTBOX, MF_BYCOMMAND) == UINT(-1)) {
        const std::wstring text = LoadResString(IDS_ABOUTBOX).toStdWString();
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
    }
#endif
}

#ifdef Q_OS_WIN
bool CTerminalDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    MSG* msg = static_cast<MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
