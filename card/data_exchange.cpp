#include "card/data_exchange.h"

#include "card/number_box.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

void SelectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void CDataExchange::Text(int id, QString& value) const {
    auto* edit = static_cast<QLineEdit*>(m_built.Control(id));
    if (m_bSave)
        value = edit->text();
    else
        edit->setText(value);
}

void CDataExchange::List(int id, int& index) const {
    auto* combo = static_cast<QComboBox*>(m_built.Control(id));
    if (m_bSave)
        index = combo->currentIndex();
    else
        SelectIndex(combo, index);
}

void CDataExchange::Check(int id, bool& value) const {
    auto* box = static_cast<QAbstractButton*>(m_built.Control(id));
    if (m_bSave)
        value = box->isChecked();
    else
        box->setChecked(value);
}

void CDataExchange::Radio(int firstId, int& index) const {
    if (m_bSave)
        index = m_built.RadioIndex(firstId);
    else
        m_built.SetRadioIndex(firstId, index);
}

void CDataExchange::Address(int id, CIpAddressBox::Address& value) const {
    auto* box = static_cast<CIpAddressBox*>(m_built.Control(id));
    if (m_bSave)
        value = box->GetAddress();
    else
        box->SetAddress(value);
}

void CDataExchange::Number(int id, QString& value) const {
    auto* box = static_cast<CNumberBox*>(m_built.Control(id));
    if (m_bSave)
        value = QString::number(box->Value());
    else
        box->SetValue(value.toInt());
}

void CDataExchange::Number(int id, int& value) const {
    auto* box = static_cast<CNumberBox*>(m_built.Control(id));
    if (m_bSave)
        value = box->Value();
    else
        box->SetValue(value);
}
