#include "card/ext_card_config_dlg.h"

#include "app/prompts.h"
#include "card/data_exchange.h"
#include "card/number_box.h"
#include "res/resource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <initializer_list>

namespace {

using Form = ExtCardConfigForm;

void EnableAll(const CBuiltDialog& built, std::initializer_list<int> ids, bool enable) {
    for (int id : ids)
        if (QWidget* w = built.Control(id))
            w->setEnabled(enable);
}

} // namespace

CExtCardConfigDlg::CExtCardConfigDlg(const CardConfigRecord& record, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_record(record), m_prompts(prompts) {
    m_built = BuildDialog(*this, ExtCardConfigDialogTemplate());
    LinkLabelBuddies(m_built);
    for (int i = 0; i < Form::kMacBytes; ++i) {
        Control(IDC_PREFERRED_MAC_FIRST + i)
            ->setAccessibleName(QStringLiteral("Preferred MAC Address %1").arg(i + 1));
        Control(IDC_MANDATORY_MAC_FIRST + i)
            ->setAccessibleName(QStringLiteral("Mandatory MAC Address %1").arg(i + 1));
    }
    for (int k = 0; k < Form::kKeys; ++k)
        for (int j = 1; j <= Form::kKeyBytes; ++j)
            Control(Form::KeyBoxId(k, j))
                ->setAccessibleName(QStringLiteral("WEP Key %1 byte %2").arg(k + 1).arg(j));
    Control(IDC_EXT_INFO)->setAccessibleName(QStringLiteral("Length and Version"));

    auto* ok = Get<QPushButton>(IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CExtCardConfigDlg::OnOK);
    connect(Get<QPushButton>(IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    // Clicks only: the channel jump must not happen when the dialog sets the box itself.
    connect(Get<QCheckBox>(IDC_ADHOC_ENABLE), &QCheckBox::clicked, this, &CExtCardConfigDlg::OnAdHocClicked);
    connect(Get<QCheckBox>(IDC_POWER_DOWN_ENABLE), &QCheckBox::clicked, this,
            &CExtCardConfigDlg::OnPowerDownClicked);
    connect(Get<QComboBox>(IDC_WEP_AUTH), &QComboBox::currentIndexChanged, this,
            &CExtCardConfigDlg::OnAuthenticationChanged);
    OnInitDialog();
}

bool CExtCardConfigDlg::Edit(CardConfigRecord& record, IPrompts& prompts, QWidget* parent) {
    CExtCardConfigDlg dialog(record, prompts, parent);
    if (prompts.RunModal(dialog) != QDialog::Accepted)
        return false;
    record = dialog.Record();
    return true;
}

void CExtCardConfigDlg::OnInitDialog() {
    auto* port2 = Get<QComboBox>(IDC_PORT2_BAUD);
    for (const char* text : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "Disable"})
        port2->addItem(QString::fromLatin1(text));
    auto* auth = Get<QComboBox>(IDC_WEP_AUTH);
    auth->blockSignals(true);
    for (const char* text : {"0 - Open System", "1 - 40 bits key", "2 - 128 bits key"})
        auth->addItem(QString::fromLatin1(text));
    auth->blockSignals(false);
    auto* channel = Get<QComboBox>(IDC_ADHOC_CHANNEL);
    for (int n = 1; n <= 11; ++n)
        channel->addItem(QString::asprintf("Chan %02d", n));

    auto* delay = Get<CNumberBox>(IDC_RESTART_DELAY);
    delay->SetRange(36, 127);
    delay->SetWrap(true);
    for (int id : {IDC_POWER_IDLE, IDC_POWER_ON, IDC_POWER_OFF})
        Get<CNumberBox>(id)->SetRange(1, 255);
    Get<CNumberBox>(IDC_ADHOC_TX_POWER)->SetRange(0, 4);

    m_form.Load(m_record);
    DoDataExchange(false);
    OnAuthenticationChanged();
    ApplyAdHocRule();
    ApplyPowerDownRule();
}

void CExtCardConfigDlg::DoDataExchange(bool save) {
    const CDataExchange dx(m_built, save);
    dx.Radio(IDC_WEP_KEY_USE_FIRST, m_form.keyInUse);
    dx.List(IDC_WEP_AUTH, m_form.authentication);
    for (int i = 0; i < 4; ++i) {
        dx.Check(IDC_BASIC_RATE_FIRST + i, m_form.basicRates[i]);
        dx.Check(IDC_TX_RATE_FIRST + i, m_form.txRates[i]);
    }
    dx.Check(IDC_ADHOC_ENABLE, m_form.adHocEnabled);
    dx.Check(IDC_ENABLE_APPLICATION, m_form.enableApplication);
    dx.Check(IDC_POWER_DOWN_ENABLE, m_form.powerDownEnabled);
    dx.Check(IDC_LONG_PREAMBLE, m_form.longPreamble);
    dx.List(IDC_PORT2_BAUD, m_form.port2Baud);
    dx.List(IDC_ADHOC_CHANNEL, m_form.channel);
    dx.Number(IDC_RESTART_DELAY, m_form.restartDelay);
    for (int i = 0; i < Form::kMacBytes; ++i)
        dx.Text(IDC_MANDATORY_MAC_FIRST + i, m_form.mandatoryMac[i]);
    dx.Number(IDC_POWER_IDLE, m_form.idle);
    dx.Number(IDC_POWER_OFF, m_form.off);
    dx.Number(IDC_POWER_ON, m_form.on);
    for (int i = 0; i < Form::kMacBytes; ++i)
        dx.Text(IDC_PREFERRED_MAC_FIRST + i, m_form.preferredMac[i]);
    auto* info = Get<QPlainTextEdit>(IDC_EXT_INFO);
    if (save)
        m_form.info = info->toPlainText();
    else
        info->setPlainText(QString(m_form.info).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    dx.Number(IDC_ADHOC_TX_POWER, m_form.txPower);
    for (int k = 0; k < Form::kKeys; ++k)
        for (int j = 1; j <= Form::kKeyBytes; ++j)
            dx.Text(Form::KeyBoxId(k, j), m_form.keys[k][j - 1]);
}

void CExtCardConfigDlg::OnOK() {
    DoDataExchange(true);
    const Form::Result result = m_form.Collect(m_record);
    if (!result.ok) {
        m_prompts.MessageBox(result.message);
        if (QWidget* w = Control(result.focusId))
            w->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

void CExtCardConfigDlg::OnAdHocClicked() {
    Get<QComboBox>(IDC_ADHOC_CHANNEL)
        ->setCurrentIndex(Get<QCheckBox>(IDC_ADHOC_ENABLE)->isChecked() ? 0 : -1);
    ApplyAdHocRule();
}

void CExtCardConfigDlg::ApplyAdHocRule() {
    const bool on = Get<QCheckBox>(IDC_ADHOC_ENABLE)->isChecked();
    EnableAll(m_built,
              {IDC_ADHOC_TX_POWER_LABEL, IDC_ADHOC_CHANNEL_LABEL, IDC_BASIC_RATES_LABEL, IDC_TX_RATES_LABEL,
               IDC_ADHOC_TX_POWER, IDC_ADHOC_CHANNEL},
              on);
    for (int i = 0; i < 4; ++i) {
        Control(IDC_BASIC_RATE_FIRST + i)->setEnabled(on);
        Control(IDC_TX_RATE_FIRST + i)->setEnabled(on);
    }
}

void CExtCardConfigDlg::OnAuthenticationChanged() {
    const int auth = Get<QComboBox>(IDC_WEP_AUTH)->currentIndex();
    for (int k = 0; k < Form::kKeys; ++k) {
        Control(IDC_WEP_KEY_USE_FIRST + k)->setEnabled(Form::KeyRadiosEnabled(auth));
        for (int j = 1; j <= Form::kKeyBytes; ++j)
            Control(Form::KeyBoxId(k, j))->setEnabled(Form::KeyBoxEnabled(auth, j));
    }
}

void CExtCardConfigDlg::OnPowerDownClicked() {
    ApplyPowerDownRule();
}

void CExtCardConfigDlg::ApplyPowerDownRule() {
    EnableAll(m_built,
              {IDC_POWER_ON_LABEL, IDC_POWER_OFF_LABEL, IDC_POWER_IDLE_LABEL, IDC_POWER_ON, IDC_POWER_OFF,
               IDC_POWER_IDLE},
              Get<QCheckBox>(IDC_POWER_DOWN_ENABLE)->isChecked());
}
