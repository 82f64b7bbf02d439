#pragma once

#include "card/card_config_record.h"
#include "card/ext_card_config_form.h"
#include "res/dialog_builder.h"

#include <QDialog>

class IPrompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class CNumberBox;

// "Extended Card Configuration": the extended part of the record, edited on a copy of all 541 bytes.
// The caller takes Record() back only when the dialog ends with OK.
class CExtCardConfigDlg : public QDialog {
    Q_OBJECT

public:
    CExtCardConfigDlg(const CardConfigRecord& record, IPrompts& prompts, QWidget* parent = nullptr);

    // Opens the dialog modally on a copy of `record` and copies all 541 bytes back on OK. Returns
    // whether it ended with OK.
    static bool Edit(CardConfigRecord& record, IPrompts& prompts, QWidget* parent);

    const CardConfigRecord& Record() const { return m_record; }
    QWidget* Control(int id) const { return m_built.Control(id); }

    // Handlers.
    void OnOK();
    void OnAdHocClicked();
    void OnAuthenticationChanged();
    void OnPowerDownClicked();

private:
    void OnInitDialog();
    // Moves the values into the controls, or (saveAndValidate) the controls into the values.
    void DoDataExchange(bool saveAndValidate);
    void ApplyAdHocRule();
    void ApplyPowerDownRule();

    template <class T> T* Get(int id) const { return static_cast<T*>(Control(id)); }

    CardConfigRecord m_record;
    IPrompts& m_prompts;
    CBuiltDialog m_built;
    ExtCardConfigForm m_form;
};
