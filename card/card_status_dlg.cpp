#include "card/card_status_dlg.h"

#include "res/resource.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CCardStatusDlg::CCardStatusDlg(const CardStatusRecord& record, QWidget* parent) : QDialog(parent), m_record(record) {
    m_built = BuildDialog(*this, CardStatusDialogTemplate());
    LinkLabelBuddies(m_built); // each raw box is named by its field's label
    connect(static_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &QDialog::reject);
    OnInitDialog();
}

QWidget* CCardStatusDlg::Control(int id) const {
    auto it = m_built.byId.find(id);
    return it == m_built.byId.end() ? nullptr : it->second;
}

void CCardStatusDlg::OnInitDialog() {
    for (int k = 0; k < kStatusFieldCount; ++k) {
        m_strRaw[k] = StatusRawText(m_record, k);
        m_strDecoded[k] = StatusDecodedText(m_record, k);
    }
    DoDataExchange();
}

void CCardStatusDlg::DoDataExchange() {
    for (int k = 0; k < kStatusFieldCount; ++k) {
        auto* raw = static_cast<QLineEdit*>(Control(IDC_STATUS_RAW_FIRST + k));
        raw->setText(m_strRaw[k]);
        raw->setCursorPosition(0);
        static_cast<QLabel*>(Control(IDC_STATUS_DECODED_FIRST + k))->setText(m_strDecoded[k]);
    }
}
