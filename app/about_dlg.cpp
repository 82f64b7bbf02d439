#include "app/about_dlg.h"

#include "res/resource.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    m_built = BuildDialog(*this, AboutDialogTemplate());
    auto* ok = static_cast<QPushButton*>(m_built.byId.at(IDOK));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
