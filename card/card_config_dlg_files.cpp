// The card configuration dialog's buttons that reach beyond it: the extended dialog and the
// configuration files.
#include "card/card_config_dlg.h"

#include "app/prompts.h"
#include "card/config_file_commands.h"
#include "card/ext_card_config_dlg.h"
#include "serial/clock.h"

CCardConfigDlg::CCardConfigDlg(CardConfigRecord& record, IPrompts& prompts, CProfile& profile, IClock& clock,
                               QWidget* parent)
    : CCardConfigDlg(record, prompts, parent) {
    m_pProfile = &profile;
    m_pClock = &clock;
}

void CCardConfigDlg::OnExtendedConfiguration() {
    // Only bytes 128 and above change there, and this dialog shows none of them: nothing to refresh.
    CExtCardConfigDlg::Edit(m_record, m_prompts, this);
}

void CCardConfigDlg::OnSaveToFile() {
    CSteadyClock wallClock; // names the file when the dialog was made without the program's clock
    m_prompts.BeginWaitCursor();
    if (CollectStep())
        SaveConfigurationToFile(m_record, m_prompts, m_pProfile, m_pClock ? *m_pClock : wallClock);
    m_prompts.EndWaitCursor();
}

void CCardConfigDlg::OnRestoreFromFile() {
    if (RestoreConfigurationFromFile(m_record, m_prompts, m_pProfile))
        LoadStep();
}
