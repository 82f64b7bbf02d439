#include "app/port_devices_dlg.h"

#include "app/port_settings.h"
#include "app/profile.h"
#include "app/prompts.h"
#include "res/resource.h"
#include "serial/port_devices.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <algorithm>

namespace {

using K = ControlKind;

constexpr int kRowTop = 20, kRowStep = 30;

std::vector<ControlTemplate> MakeControls() {
    static const char* const kNames[CPortDevicesDlg::kPorts] = {"Com1", "Com2", "Com3", "Com4"};
    std::vector<ControlTemplate> c;
    c.push_back({IDC_STATIC, K::Text, "为每个串口选择设备，或直接输入设备的路径：", 7, 7, 306, 9});
    for (int i = 0; i < CPortDevicesDlg::kPorts; ++i) {
        const int y = kRowTop + kRowStep * i;
        c.push_back({IDC_STATIC, K::Text, kNames[i], 7, y + 2, 24, 9});
        c.push_back({IDC_DEV_COM_FIRST + i, K::List, "", 34, y, 279, 100});
        c.push_back({IDC_DEV_INFO_FIRST + i, K::Text, "", 34, y + 14, 279, 9});
    }
    const int y = kRowTop + kRowStep * CPortDevicesDlg::kPorts + 2;
    c.push_back({IDC_DEV_REFRESH, K::Button, "刷新", 7, y, 50, 14});
    c.push_back({IDOK, K::Button, "确定", 209, y, 50, 14});
    c.push_back({IDCANCEL, K::Button, "取消", 263, y, 50, 14});
    return c;
}

} // namespace

const DialogTemplate& PortDevicesDialogTemplate() {
    static const std::vector<ControlTemplate> controls = MakeControls();
    static const DialogTemplate t{IDD_PORT_DEVICES, "串口设备", 320, kRowTop + kRowStep * CPortDevicesDlg::kPorts + 23,
                                  "宋体", 9, controls};
    return t;
}

CPortDevicesDlg::CPortDevicesDlg(CProfile& profile, ISerialDeviceList& devices, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_devices(devices), m_prompts(prompts) {
    m_built = BuildDialog(*this, PortDevicesDialogTemplate());
    // Another program may have changed the file since it was read.
    m_profile.Reload();
    for (int port = 1; port <= kPorts; ++port) {
        QComboBox* box = DeviceBox(port);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        // Two columns in the drop-down: the path, and what the device says it is.
        auto* view = new QTreeView(box);
        view->setHeaderHidden(true);
        view->setRootIsDecorated(false);
        view->setAllColumnsShowFocus(true);
        box->setModel(new QStandardItemModel(0, 2, box));
        box->setView(view);
        box->setEditText(PortDevice(m_profile, short(port)));
        box->lineEdit()->setAccessibleName(QStringLiteral("Com%1 的设备路径").arg(port));
        connect(box, &QComboBox::currentTextChanged, this, [this, port] { ShowInfo(port); });
    }
    LinkLabelBuddies(m_built);
    FillDevices();
    auto* ok = static_cast<QPushButton*>(m_built.Control(IDOK));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CPortDevicesDlg::OnOK);
    connect(static_cast<QPushButton*>(m_built.Control(IDCANCEL)), &QPushButton::clicked, this, &QDialog::reject);
    connect(static_cast<QPushButton*>(m_built.Control(IDC_DEV_REFRESH)), &QPushButton::clicked, this,
            &CPortDevicesDlg::OnRefresh);
}

QComboBox* CPortDevicesDlg::DeviceBox(int port) const {
    return static_cast<QComboBox*>(m_built.Control(IDC_DEV_COM_FIRST + port - 1));
}

QLabel* CPortDevicesDlg::InfoLabel(int port) const {
    return static_cast<QLabel*>(m_built.Control(IDC_DEV_INFO_FIRST + port - 1));
}

void CPortDevicesDlg::FillDevices() {
    m_present = m_devices.Devices();
    for (int port = 1; port <= kPorts; ++port) {
        QComboBox* box = DeviceBox(port);
        const QString typed = box->currentText();
        auto* model = static_cast<QStandardItemModel*>(box->model());
        model->removeRows(0, model->rowCount());
        for (const SerialDeviceInfo& d : m_present) {
            QString about = DeviceSummary(d);
            if (d.systemLocation != d.path && !d.systemLocation.isEmpty())
                about += (about.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("→ %1").arg(d.systemLocation);
            auto* path = new QStandardItem(d.path);
            path->setToolTip(about);
            auto* info = new QStandardItem(about);
            model->appendRow({path, info});
        }
        auto* view = static_cast<QTreeView*>(box->view());
        view->resizeColumnToContents(0);
        view->resizeColumnToContents(1);
        view->setMinimumWidth(view->columnWidth(0) + view->columnWidth(1) + 8);
        // Filling the list must not replace what the port maps to.
        box->setCurrentIndex(box->findText(typed));
        box->setEditText(typed);
        ShowInfo(port);
    }
}

void CPortDevicesDlg::ShowInfo(int port) {
    const QString path = DeviceBox(port)->currentText().trimmed();
    QString text;
    if (path.isEmpty()) {
        text = QStringLiteral("未设置：使用 %1").arg(DefaultPortDevice(short(port)));
    } else {
        auto it = std::find_if(m_present.begin(), m_present.end(), [&](const SerialDeviceInfo& d) { return d.path == path; });
        if (it != m_present.end()) {
            text = DeviceSummary(*it);
            if (it->systemLocation != it->path && !it->systemLocation.isEmpty())
                text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("→ %1").arg(it->systemLocation);
            if (text.isEmpty())
                text = QStringLiteral("串口设备");
        } else if (m_devices.IsPresent(path)) {
            text = QStringLiteral("设备存在");
        } else {
            text = QStringLiteral("现在找不到这个设备");
        }
        if (IsBuiltInUart(path))
            text += QStringLiteral("（机器自带的串口，可能是控制台）");
    }
    QLabel* label = InfoLabel(port);
    label->setToolTip(text);
    label->setAccessibleDescription(text);
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->contentsRect().width()));
}

void CPortDevicesDlg::OnRefresh() { FillDevices(); }

void CPortDevicesDlg::OnOK() {
    m_profile.Reload();
    m_changed.clear();
    for (int port = 1; port <= kPorts; ++port) {
        QString path = DeviceBox(port)->currentText().trimmed();
        if (path.isEmpty())
            path = DefaultPortDevice(short(port));
        if (path == PortDevice(m_profile, short(port)))
            continue;
        m_profile.WriteProfileString(kDevicesSection, QStringLiteral("Com%1").arg(port), path);
        m_changed.push_back(short(port));
    }
    QString error;
    if (!m_changed.empty() && !m_profile.Flush(&error)) {
        m_profile.Reload();
        m_changed.clear();
        m_prompts.MessageBox(QStringLiteral("串口设备无法保存：%1").arg(error));
        return;
    }
    accept();
}
