#pragma once

#include "card/card_status.h"
#include "res/dialog_builder.h"

#include <QDialog>
#include <QString>
#include <array>

// "卡状态信息": every field of a status record, raw and decoded. It only shows; it keeps nothing.
class CCardStatusDlg : public QDialog {
    Q_OBJECT

public:
    CCardStatusDlg(const CardStatusRecord& record, QWidget* parent = nullptr);

    const QString& RawText(int field) const { return m_strRaw[field]; }
    const QString& DecodedText(int field) const { return m_strDecoded[field]; }
    QWidget* Control(int id) const;

private:
    void OnInitDialog();
    void DoDataExchange();

    const CardStatusRecord& m_record;
    CBuiltDialog m_built;
    std::array<QString, kStatusFieldCount> m_strRaw;
    std::array<QString, kStatusFieldCount> m_strDecoded;
};
