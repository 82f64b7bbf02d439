#include "res/dialog_builder.h"

#include "card/ip_address_box.h"
#include "card/number_box.h"
#include "res/artwork.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QListView>
#include <QPlainTextEdit>
#include <QWidget>

namespace {

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

QWidget* MakeText(QWidget& parent, const ControlTemplate& c) {
    auto* label = new QLabel(QString::fromUtf8(c.text), &parent);
    Qt::Alignment align = (c.style & kStyleCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
    align |= (c.style & kStyleVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(align);
    const bool framed = c.style & (kStyleSunken | kStyleBorder);
    label->setWordWrap(!framed);
    if (c.style & kStyleSunken)
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    else if (c.style & kStyleBorder)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* MakeEdit(QWidget& parent, const ControlTemplate& c) {
    if (c.style & kStyleMultiLine) {
        auto* edit = new QPlainTextEdit(&parent);
        edit->setReadOnly(c.style & kStyleReadOnly);
        edit->setVerticalScrollBarPolicy((c.style & kStyleVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(!(c.style & kStyleWantReturn) || (c.style & kStyleReadOnly));
        return edit;
    }
    auto* edit = new QLineEdit(&parent);
    edit->setReadOnly(c.style & kStyleReadOnly);
    return edit;
}

QWidget* MakeControl(QWidget& parent, const ControlTemplate& c) {
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::Text:
        return MakeText(parent, c);
    case ControlKind::Frame: {
        auto* frame = new QFrame(&parent);
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return frame;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(&parent);
        label->setPixmap(ResIconPixmap(text.toInt(), 32));
        label->setAlignment(Qt::AlignCenter);
        label->setAccessibleName(ResArtworkName(text.toInt()));
        return label;
    }
    case ControlKind::Button: {
        // A focused push button takes Enter and is pressed by it, as a dialog's buttons are.
        auto* button = new QPushButton(text, &parent);
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::Check:
        return new QCheckBox(text, &parent);
    case ControlKind::Toggle: {
        auto* button = new CToggleButton(text, &parent);
        button->setCheckable(true);
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::BitmapButton: {
        auto* button = new CBitmapButton(&parent);
        button->SetBitmap(ResBitmap(text.toInt()));
        button->setAccessibleName(ResArtworkName(text.toInt()));
        return button;
    }
    case ControlKind::List:
        return new QComboBox(&parent);
    case ControlKind::Edit:
        return MakeEdit(parent, c);
    case ControlKind::Custom:
        return new QWidget(&parent);
    case ControlKind::Group:
        return new QGroupBox(text, &parent);
    case ControlKind::Radio:
        return new QRadioButton(text, &parent);
    case ControlKind::IpAddress:
        return new CIpAddressBox(&parent);
    case ControlKind::NumberBox:
        return new CNumberBox(&parent);
    }
    return new QWidget(&parent);
}

// A check box has no word wrap of its own: break its text into lines that fit, keeping the one-line
// text as its accessible name.
void WrapCheckText(QCheckBox& check, int width) {
    const QString text = check.text();
    const QFontMetrics fm(check.font());
    const int room = width - fm.height() - 8; // the box and the gap after it
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && fm.horizontalAdvance(longer) > room) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    check.setText(lines.join(QLatin1Char('\n')));
    check.setAccessibleName(text);
}

} // namespace

void CBitmapButton::SetBitmap(const QPixmap& bitmap) {
    m_bitmap = bitmap;
    updateGeometry();
    update();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(QPointF(0, 0), m_bitmap);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

QString ChooseDialogFamily(const QString& face, const QStringList& installed) {
    // SimSun draws the dialogs as they were designed; the CJK sans faces of Linux desktops come next.
    const QStringList preferred = {face,
                                   QStringLiteral("SimSun"),
                                   QStringLiteral("宋体"),
                                   QStringLiteral("NSimSun"),
                                   QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("Noto Sans SC"),
                                   QStringLiteral("Source Han Sans SC"),
                                   QStringLiteral("WenQuanYi Micro Hei"),
                                   QStringLiteral("WenQuanYi Zen Hei"),
                                   QStringLiteral("Droid Sans Fallback")};
    for (const QString& family : preferred)
        if (!family.isEmpty() && installed.contains(family, Qt::CaseInsensitive))
            return family;
    return QString();
}

QFont DialogFont(const DialogTemplate& t) {
    QFont font;
    const QString family = ChooseDialogFamily(QString::fromUtf8(t.fontFace), QFontDatabase::families());
    // Glyphs the chosen face lacks come from the next CJK faces.
    QStringList families = {family, QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")};
    families.removeAll(QString());
    if (!families.isEmpty())
        font.setFamilies(families);
    font.setPointSize(t.pointSize);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, fm.height());
}

QRect DialogUnitsToPixels(const QRect& du, QSize base) {
    return QRect(MulDiv(du.x(), base.width(), 4), MulDiv(du.y(), base.height(), 8),
                 MulDiv(du.width(), base.width(), 4), MulDiv(du.height(), base.height(), 8));
}

CBuiltDialog BuildDialog(QWidget& dialog, const DialogTemplate& t, const ControlFactory& make) {
    CBuiltDialog built;
    const QFont font = DialogFont(t);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromUtf8(t.title));
    built.baseUnits = DialogBaseUnits(font);
    dialog.setFixedSize(DialogUnitsToPixels(QRect(0, 0, t.width, t.height), built.baseUnits).size());

    int index = 0;
    QButtonGroup* group = nullptr;
    for (const ControlTemplate& c : t.controls) {
        QWidget* w = make ? make(c, dialog) : nullptr;
        if (!w)
            w = MakeControl(dialog, c);
        w->setFont(font);
        QRect r = DialogUnitsToPixels(QRect(c.x, c.y, c.w, c.h), built.baseUnits);
        if (c.kind == ControlKind::List) {
            // The template's height is that of the dropped list; the closed box is one line high.
            auto* combo = static_cast<QComboBox*>(w);
            const int closed = combo->sizeHint().height();
            const int item = std::max(1, QFontMetrics(font).height() + 2);
            combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / item));
            r.setHeight(closed);
        } else if (c.kind == ControlKind::BitmapButton) {
            // A bitmap button takes the size of its bitmap.
            r.setSize(static_cast<CBitmapButton*>(w)->Bitmap().deviceIndependentSize().toSize());
        }
        w->setGeometry(r);
        if (c.kind == ControlKind::Check && (c.style & kStyleMultiLine))
            WrapCheckText(*static_cast<QCheckBox*>(w), r.width());
        if (c.style & kStyleInvisible)
            w->hide();
        w->setObjectName(c.id == -1 ? QStringLiteral("static%1").arg(index) : QStringLiteral("ctl%1").arg(c.id));
        w->setProperty("controlId", c.id);
        if (c.id != -1)
            built.byId[c.id] = w;
        if (c.kind == ControlKind::NumberBox && QString::fromUtf8(c.text).toInt() > 0)
            built.byId[QString::fromUtf8(c.text).toInt()] = w;
        if (c.kind == ControlKind::Radio) {
            if ((c.style & kStyleGroup) || !group) {
                group = new QButtonGroup(&dialog);
                built.radioGroups[c.id] = group;
            }
            group->addButton(static_cast<QRadioButton*>(w), int(group->buttons().size()));
        }
        built.inOrder.push_back(w);
        ++index;
    }
    return built;
}

QWidget* CBuiltDialog::Control(int id) const {
    const auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
}

int CBuiltDialog::RadioIndex(int firstId) const {
    const auto it = radioGroups.find(firstId);
    return it == radioGroups.end() ? -1 : it->second->checkedId();
}

void CBuiltDialog::SetRadioIndex(int firstId, int index) const {
    const auto it = radioGroups.find(firstId);
    if (it == radioGroups.end())
        return;
    QButtonGroup* group = it->second;
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group will not let its last button go.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

void LinkLabelBuddies(const CBuiltDialog& built) {
    for (std::size_t i = 0; i + 1 < built.inOrder.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(built.inOrder[i]);
        QWidget* box = built.inOrder[i + 1];
        if (!label || label->text().isEmpty())
            continue;
        if (!qobject_cast<QLineEdit*>(box) && !qobject_cast<QComboBox*>(box) && !qobject_cast<CIpAddressBox*>(box))
            continue;
        label->setBuddy(box);
        if (auto* address = qobject_cast<CIpAddressBox*>(box))
            address->SetAccessibleNames(label->text());
        else if (qobject_cast<QComboBox*>(box))
            box->setAccessibleName(label->text()); // a list would otherwise be named by its current item
    }
}
