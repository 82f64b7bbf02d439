#pragma once

#include "res/dialog_template.h"

#include <QAbstractButton>
#include <QFont>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <functional>
#include <map>
#include <vector>

class QWidget;

// A push-like check box whose pressed state only the program changes (the line buttons).
class CToggleButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void nextCheckState() override {}
};

// A button that is nothing but its bitmap, sized to it.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT

public:
    using QAbstractButton::QAbstractButton;
    void SetBitmap(const QPixmap& bitmap);
    const QPixmap& Bitmap() const { return m_bitmap; }
    QSize sizeHint() const override { return m_bitmap.deviceIndependentSize().toSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_bitmap;
};

class QButtonGroup;

struct CBuiltDialog {
    std::map<int, QWidget*> byId;  // controls that have an id (a number box also under its arrow's id)
    std::vector<QWidget*> inOrder; // every control, in template order
    QSize baseUnits;               // average character width and height of the dialog font
    std::map<int, QButtonGroup*> radioGroups; // by the id of each group's first radio; button ids 0, 1, ...

    QWidget* Control(int id) const;
    // The checked radio of the group that starts at firstId, -1 when none; -1 clears the group.
    int RadioIndex(int firstId) const;
    void SetRadioIndex(int firstId, int index) const;
};

// The dialog font: the template's face where it is installed, else SimSun, else a CJK sans face
// (Noto Sans CJK SC, then WenQuanYi); the desktop's default face when none of them is there.
QString ChooseDialogFamily(const QString& face, const QStringList& installed);
QFont DialogFont(const DialogTemplate& t);
// The dialog base units of a font, measured the way the classic dialog manager does.
QSize DialogBaseUnits(const QFont& font);
QRect DialogUnitsToPixels(const QRect& dialogUnits, QSize baseUnits);

// Makes the widget for a control itself, or returns nullptr to leave it to the builder.
using ControlFactory = std::function<QWidget*(const ControlTemplate& control, QWidget& parent)>;

// Creates the template's controls as children of `dialog`, sizes the dialog's client area, and sets
// its title and font. Each control's objectName is "ctl<id>" (or "static<index>").
CBuiltDialog BuildDialog(QWidget& dialog, const DialogTemplate& t, const ControlFactory& make = nullptr);

// Makes each static text the buddy of the box that follows it in the template (edit, list, address
// box, number box), so that assistive tools read the label as the box's name.
void LinkLabelBuddies(const CBuiltDialog& built);
