#include "card/card_config_dlg.h"

#include "app/prompts.h"
#include "card/card_code_tables.h"
#include "card/data_exchange.h"
#include "card/ip_address_box.h"
#include "card/number_box.h"
#include "res/resource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kAlgorithmMin = 1, kAlgorithmMax = 10;

void FillList(QComboBox* list, const CodeTable& table) {
    list->clear();
    for (const CodeTableEntry& e : table)
        list->addItem(e.text);
}

} // namespace

CCardConfigDlg::CCardConfigDlg(CardConfigRecord& record, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_record(record), m_prompts(prompts) {
    m_built = BuildDialog(*this, CardConfigDialogTemplate());
    LinkLabelBuddies(m_built);
    for (int i = 0; i < 6; ++i)
        Control(IDC_CFG_MANAGER_MAC_FIRST + i)->setAccessibleName(QStringLiteral("Manager MAC Address %1").arg(i + 1));
    static_cast<QPushButton*>(Control(IDCANCEL))->setDefault(true);
    WireMessageMap();
    OnInitDialog();
}

void CCardConfigDlg::WireMessageMap() {
    auto button = [this](int id) { return static_cast<QAbstractButton*>(Control(id)); };
    struct Click {
        int id;
        void (CCardConfigDlg::*handler)();
    };
    const Click clicks[] = {
        {IDC_CFG_ISA, &CCardConfigDlg::OnIsa},
        {IDC_CFG_SERIAL, &CCardConfigDlg::OnSerial},
        {IDC_CFG_CALL_REMOTE, &CCardConfigDlg::OnCallRemote},
        {IDC_CFG_LISTEN, &CCardConfigDlg::OnListen},
        {IDC_CFG_ENABLE_DHCP, &CCardConfigDlg::OnEnableDhcp},
        {IDC_CFG_REPLACE_REMOTE_IP, &CCardConfigDlg::OnReplaceRemoteIp},
        {IDC_CFG_PROGRAM, &CCardConfigDlg::OnProgramCard},
        {IDC_CFG_EXTENDED, &CCardConfigDlg::OnExtendedConfiguration},
        {IDC_CFG_SAVE_FILE, &CCardConfigDlg::OnSaveToFile},
        {IDC_CFG_RESTORE_FILE, &CCardConfigDlg::OnRestoreFromFile},
    };
    for (const Click& c : clicks)
        connect(button(c.id), &QAbstractButton::clicked, this, [this, c] { (this->*c.handler)(); });
    connect(button(IDCANCEL), &QAbstractButton::clicked, this, &QDialog::reject);
    connect(static_cast<QLineEdit*>(Control(IDC_CFG_ESS_ID)), &QLineEdit::textChanged, this,
            &CCardConfigDlg::OnEssIdChanged);
    // 1106 "Summary" has no action.
}

void CCardConfigDlg::OnInitDialog() {
    FillList(static_cast<QComboBox*>(Control(IDC_CFG_BAUD)), BaudCodeTable());
    FillList(static_cast<QComboBox*>(Control(IDC_CFG_DIVERSITY)), DiversityCodeTable());
    FillList(static_cast<QComboBox*>(Control(IDC_CFG_GROUP_NAME)), GroupNameTable());
    FillList(static_cast<QComboBox*>(Control(IDC_CFG_OPTION11)), Option11Table());
    auto* algorithm = static_cast<CNumberBox*>(Control(IDC_CFG_ALGORITHM_SPIN));
    algorithm->SetRange(kAlgorithmMin, kAlgorithmMax);
    algorithm->SetWrap(true);
    // The beacon boxes are shown only.
    for (int id : {IDC_CFG_BEACON_MIN_SPIN, IDC_CFG_BEACON_MAX_SPIN})
        static_cast<CNumberBox*>(Control(id))->SetRange(0, 255);
    static_cast<QLineEdit*>(Control(IDC_CFG_CMD_ESCAPE))->setMaxLength(2);
    static_cast<QLineEdit*>(Control(IDC_CFG_MSG_PREFIX))->setMaxLength(1);
    LoadStep();
}

bool CCardConfigDlg::SuppressExtended() const {
    return static_cast<QAbstractButton*>(Control(IDC_CFG_SUPPRESS_EXTENDED))->isChecked();
}

void CCardConfigDlg::LoadStep() {
    m_form.Load(m_record);
    DoDataExchange(false);
    RefreshEnables();
}

bool CCardConfigDlg::CollectStep() {
    DoDataExchange(true);
    const FormCollectResult result = m_form.Collect(m_record);
    if (result.ok)
        return true;
    m_prompts.MessageBox(result.message);
    if (QWidget* w = Control(result.focusId)) {
        w->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
    }
    return false;
}

void CCardConfigDlg::RefreshEnables() {
    const CardConfigForm::EnableState e = m_form.Enables();
    Control(IDC_CFG_DIRECT)->setEnabled(e.direct);
    Control(IDC_CFG_RETRY)->setEnabled(e.retry);
    Control(IDC_CFG_RETRY_LABEL)->setEnabled(e.retry);
    Control(IDC_CFG_CAPTURE_ESS_ID)->setEnabled(e.captureEssId);
    for (int id : {IDC_CFG_FLASH_DHCP, IDC_CFG_DHCP_TIMEOUT_LABEL, IDC_CFG_DHCP_TIMEOUT, IDC_CFG_DHCP_TIMEOUT_NOTE,
                   IDC_CFG_SEND_UNIT_NAME_ID, IDC_CFG_GROUP_NAME_LABEL, IDC_CFG_GROUP_NAME})
        Control(id)->setEnabled(e.dhcpGroup);
    Control(IDC_CFG_OPTION11_LABEL)->setEnabled(e.option11);
    Control(IDC_CFG_OPTION11)->setEnabled(e.option11);
    static_cast<QAbstractButton*>(Control(IDC_CFG_REPLACE_REMOTE_IP))->setText(e.replaceRemoteIpText);
}

void CCardConfigDlg::DoDataExchange(bool save) {
    const CDataExchange dx(m_built, save);
    dx.Text(IDC_CFG_UNIT_NAME, m_form.unitName);
    dx.Text(IDC_CFG_ESS_ID, m_form.essId);
    dx.Address(IDC_CFG_LOCAL_IP, m_form.localIp);
    dx.Address(IDC_CFG_REMOTE_IP, m_form.remoteIp);
    dx.Address(IDC_CFG_GATEWAY_IP, m_form.gatewayIp);
    dx.Address(IDC_CFG_SUBNET_MASK, m_form.subnetMask);
    dx.Radio(IDC_CFG_TCP, m_form.protocol);
    dx.Radio(IDC_CFG_DIRECT, m_form.dataFormat);
    dx.Radio(IDC_CFG_CALL_REMOTE, m_form.connectMode);
    dx.Radio(IDC_CFG_ISA, m_form.ioMode);
    dx.Radio(IDC_CFG_WAKEUP_YES, m_form.wakeup);
    dx.Text(IDC_CFG_RETRY, m_form.retry);
    dx.Text(IDC_CFG_PORT, m_form.port);
    dx.Text(IDC_CFG_CMD_ESCAPE, m_form.cmdEscape);
    dx.Text(IDC_CFG_MSG_PREFIX, m_form.msgPrefix);
    dx.List(IDC_CFG_BAUD, m_form.baud);
    dx.List(IDC_CFG_DIVERSITY, m_form.diversity);
    dx.Check(IDC_CFG_BYTE_STUFFING, m_form.byteStuffing);
    dx.Check(IDC_CFG_CAPTURE_ESS_ID, m_form.captureEssId);
    dx.Check(IDC_CFG_CLOSE_OUT_OF_RANGE, m_form.closeOnOutOfRange);
    dx.Check(IDC_CFG_ENABLE_DHCP, m_form.dhcpEnabled);
    dx.Check(IDC_CFG_FLASH_DHCP, m_form.flashDhcp);
    dx.Check(IDC_CFG_INHIBIT_MESSAGES, m_form.inhibitMessages);
    dx.Check(IDC_CFG_POWER_SAVE, m_form.powerSaveEnabled);
    dx.Check(IDC_CFG_REPLACE_REMOTE_IP, m_form.replaceRemoteIp);
    dx.Check(IDC_CFG_SEND_UNIT_NAME_ID, m_form.sendUnitNameId);
    if (save) // it starts off and no load changes it
        dx.Check(IDC_CFG_SUPPRESS_EXTENDED, m_form.suppressExtended);
    dx.Text(IDC_CFG_DHCP_TIMEOUT, m_form.dhcpTimeout);
    dx.List(IDC_CFG_GROUP_NAME, m_form.groupName);
    dx.List(IDC_CFG_OPTION11, m_form.option11);
    dx.Number(IDC_CFG_ALGORITHM_SPIN, m_form.powerSaveAlgorithm);
}

void CCardConfigDlg::OnIsa() {
    m_form.ioMode = CardConfigForm::kIsa;
    RefreshEnables();
}

void CCardConfigDlg::OnSerial() {
    m_form.ioMode = CardConfigForm::kSerial;
    RefreshEnables();
}

void CCardConfigDlg::OnCallRemote() {
    m_form.connectMode = CardConfigForm::kCallRemote;
    RefreshEnables();
}

void CCardConfigDlg::OnListen() {
    m_form.connectMode = CardConfigForm::kListen;
    RefreshEnables();
}

void CCardConfigDlg::OnEssIdChanged() {
    m_form.essId = static_cast<QLineEdit*>(Control(IDC_CFG_ESS_ID))->text();
    RefreshEnables();
}

void CCardConfigDlg::OnEnableDhcp() {
    m_form.dhcpEnabled = static_cast<QAbstractButton*>(Control(IDC_CFG_ENABLE_DHCP))->isChecked();
    RefreshEnables();
}

void CCardConfigDlg::OnReplaceRemoteIp() {
    m_form.replaceRemoteIp = static_cast<QAbstractButton*>(Control(IDC_CFG_REPLACE_REMOTE_IP))->isChecked();
    RefreshEnables();
}

void CCardConfigDlg::OnProgramCard() {
    if (CollectStep())
        accept();
}
