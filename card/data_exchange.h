#pragma once

#include "card/ip_address_box.h"
#include "res/dialog_builder.h"

#include <QString>

class QComboBox;

// Selects item `index` of a list; an index outside the list leaves nothing selected.
void SelectIndex(QComboBox* list, int index);

// Moves values between a built dialog's controls and a form's members, one way or the other, as a
// classic dialog's data exchange does: controls to members when saving, members to controls else.
class CDataExchange {
public:
    CDataExchange(const CBuiltDialog& built, bool save) : m_built(built), m_bSave(save) {}

    void Text(int id, QString& value) const;
    void List(int id, int& index) const; // an index outside the list leaves nothing selected
    void Check(int id, bool& value) const;
    void Radio(int firstId, int& index) const;
    void Address(int id, CIpAddressBox::Address& value) const;
    // A number box: what it shows, also outside its range, so a stored value goes back as read
    // unless the arrows moved it.
    void Number(int id, QString& value) const; // as decimal text
    void Number(int id, int& value) const;

private:
    const CBuiltDialog& m_built;
    bool m_bSave;
};
