#pragma once

#include "res/dialog_builder.h"

#include <QDialog>

// "关于Serimo": the icon, the version line, a second line and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    const CBuiltDialog& Built() const { return m_built; }

private:
    CBuiltDialog m_built;
};
