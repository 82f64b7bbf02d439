#pragma once

#include "card/card_config_form.h"
#include "card/card_config_record.h"
#include "res/dialog_builder.h"

#include <QDialog>

class CProfile;
class IClock;
class IPrompts;

// "Card Configuration": edits the basic part of the caller's record in place. The record changes
// only when the collect step runs (button 1105, and saving to a file).
class CCardConfigDlg : public QDialog {
    Q_OBJECT

public:
    CCardConfigDlg(CardConfigRecord& record, IPrompts& prompts, QWidget* parent = nullptr);
    // With the profile (where the last saved file name is kept) and the clock (which names saved
    // files), as the program opens it.
    CCardConfigDlg(CardConfigRecord& record, IPrompts& prompts, CProfile& profile, IClock& clock,
                   QWidget* parent = nullptr);

    // The state of "Suppress Extended Config" when the dialog closed: write the basic part only.
    bool SuppressExtended() const;

    QWidget* Control(int id) const { return m_built.Control(id); }
    const CBuiltDialog& Built() const { return m_built; }
    CardConfigRecord& Record() { return m_record; }
    const CardConfigForm& Form() const { return m_form; }

    // Record to controls, ending with the enable rules.
    void LoadStep();
    // Controls to record; on failure shows the message, focuses its control and returns false.
    bool CollectStep();
    void RefreshEnables();

    // Handlers.
    void OnIsa();
    void OnSerial();
    void OnCallRemote();
    void OnListen();
    void OnEssIdChanged();
    void OnEnableDhcp();
    void OnReplaceRemoteIp();
    void OnProgramCard();

    // Buttons 1102, 1103 and 1104: the extended dialog and configuration files.
    void OnExtendedConfiguration();
    void OnSaveToFile();
    void OnRestoreFromFile();

protected:

    // Moves the exchange values between the form and the controls.
    void DoDataExchange(bool saveAndValidate);

    CardConfigRecord& m_record;
    IPrompts& m_prompts;
    CardConfigForm m_form;
    CBuiltDialog m_built;
    CProfile* m_pProfile = nullptr;
    IClock* m_pClock = nullptr;

private:
    void OnInitDialog();
    void WireMessageMap();
};
