// Walks every window of the program: each control has a name for assistive tools, its text fits
// it at the dialog font, the tab order is the template's, and drawn artwork has the screen's pixel
// density. Adding a window is one row in Windows().
#include "app/about_dlg.h"
#include "app/port_devices_dlg.h"
#include "card/card_config_dlg.h"
#include "card/card_status_dlg.h"
#include "card/ext_card_config_dlg.h"
#include "res/dialog_builder.h"
#include "sim/card_simulator.h"
#include "tests/support/fake_device_list.h"
#include "tests/support/window_fixture.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <cmath>
#include <functional>

namespace {

// What the windows are shown on.
struct Env {
    CWindowFixture f;
    CardStatusRecord status = CCardSimulator::DefaultStatus();
    CardConfigRecord config = CCardSimulator::DefaultConfig();
    CFakeDeviceList devices;
    std::vector<std::unique_ptr<QWidget>> owned;

    Env() {
        devices.devices = {
            {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS0"), {}, {}, {}},
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"),
             QStringLiteral("FTDI"), QStringLiteral("A50285BI")},
            {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
             QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
             QStringLiteral("A50285BI")},
        };
    }
    template <typename W> QWidget* Own(std::unique_ptr<W> w) {
        owned.push_back(std::move(w));
        return owned.back().get();
    }
};

struct WindowRow {
    const char* name;
    std::function<QWidget*(Env&)> make;
};

const std::vector<WindowRow>& Windows() {
    static const std::vector<WindowRow> rows = {
        {"main window, logging",
         [](Env& e) -> QWidget* {
             e.f.Start().StartLog(e.f.dir.filePath("walk.log"), LogFormat::Text);
             return e.f.dlg.get();
         }},
        {"status window", [](Env& e) { return e.Own(std::make_unique<CCardStatusDlg>(e.status)); }},
        {"configuration dialog", [](Env& e) { return e.Own(std::make_unique<CCardConfigDlg>(e.config, e.f.prompts)); }},
        {"extended configuration dialog",
         [](Env& e) { return e.Own(std::make_unique<CExtCardConfigDlg>(e.config, e.f.prompts)); }},
        {"about box", [](Env& e) { return e.Own(std::make_unique<CAboutDlg>()); }},
        {"serial devices dialog",
         [](Env& e) {
             e.f.WriteProfile(QStringLiteral("[Devices]\nCom2=/dev/ttyS0\n"));
             e.f.profile = std::make_unique<CProfile>(e.f.ProfilePath());
             return e.Own(std::make_unique<CPortDevicesDlg>(*e.f.profile, e.devices, e.f.prompts));
         }},
    };
    return rows;
}

// The parts of composite widgets (a list's popup, a text area's scroll bars and viewport) are not
// controls of the window.
bool IsControl(QWidget* w, QWidget* window) {
    if (!w->isVisibleTo(window) || qobject_cast<QScrollBar*>(w))
        return false;
    const QByteArray cls = w->metaObject()->className();
    if (cls == "QWidget" || cls == "QFrame")
        return false;
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QComboBox*>(p))
            return false;
    return true;
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a)
        return QString();
    // A list is read by its label where the platform names it by its current item.
    for (const auto& [other, relation] : a->relations(QAccessible::Label))
        if (!other->text(QAccessible::Name).isEmpty())
            return other->text(QAccessible::Name);
    if (qobject_cast<QComboBox*>(w) && w->accessibleName().isEmpty())
        return QString();
    return a->text(QAccessible::Name);
}

// The texts a control shows and the rectangle they must fit in (empty texts when it shows none).
QStringList TextsAndRoom(QWidget* w, QRect& room, bool& wrap) {
    wrap = false;
    QStyle* style = w->style();
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        // The text keeps some 0.4 em clear of the edges, so that it does not touch them.
        const int gap = int(std::ceil(0.4 * b->fontMetrics().height()));
        room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, b).intersected(b->rect().adjusted(gap, 0, -gap, 0));
        return {b->text()};
    }
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(w);
        room = style->subElementRect(qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents,
                                     &opt, w);
        return {static_cast<QAbstractButton*>(w)->text()};
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const int m = label->margin();
        room = label->contentsRect().adjusted(m, m, -m, -m);
        wrap = label->wordWrap();
        return {label->text()};
    }
    if (auto* list = qobject_cast<QComboBox*>(w); list && !list->isEditable()) { // an edit scrolls
        QStyleOptionComboBox opt;
        opt.initFrom(list);
        room = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, list);
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        room = group->rect().adjusted(group->fontMetrics().averageCharWidth(), 0, -group->fontMetrics().averageCharWidth(), 0);
        return {group->title()};
    }
    return {};
}

// Why the control's texts do not fit it, or empty.
QString Clipped(QWidget* w) {
    QRect room;
    bool wrap = false;
    const QFontMetrics fm(w->font());
    QStringList problems;
    for (const QString& text : TextsAndRoom(w, room, wrap)) {
        if (text.isEmpty())
            continue;
        const QRect need = fm.boundingRect(QRect(0, 0, room.width(), 100000), wrap ? Qt::TextWordWrap : 0, text);
        // Whole lines: the bounding box of a line can be a pixel taller than the font's line height.
        const int height = std::max(1, int(std::lround(double(need.height()) / fm.lineSpacing()))) * fm.height();
        if (need.width() > room.width() || height > room.height())
            problems << QStringLiteral("\"%1\" needs %2x%3 px, has %4x%5")
                            .arg(text).arg(need.width()).arg(height).arg(room.width()).arg(room.height());
    }
    return problems.join(QStringLiteral(", "));
}

QString Describe(QWidget* w) {
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        text = b->text();
    else if (auto* l = qobject_cast<QLabel*>(w))
        text = l->text();
    return QStringLiteral("%1 %2 \"%3\"").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()), text);
}

} // namespace

class TestWindowWalk : public QObject {
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<Env>(); }
    void cleanup() {
        m_env->owned.clear();
        m_env.reset();
    }

    void everyControlHasAName_data() { Rows(); }
    void everyControlHasAName();
    void everyTextFits_data() { Rows(); }
    void everyTextFits();
    void tabOrderFollowsTheTemplate_data() { Rows(); }
    void tabOrderFollowsTheTemplate();
    void artworkMatchesThePixelDensity_data() { Rows(); }
    void artworkMatchesThePixelDensity();
    void fontIsChosenByWhatIsInstalled_data();
    void fontIsChosenByWhatIsInstalled();

private:
    static void Rows() {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < Windows().size(); ++i)
            QTest::newRow(Windows()[i].name) << int(i);
    }
    QWidget* Show() {
        QFETCH(int, row);
        QWidget* w = Windows()[std::size_t(row)].make(*m_env);
        w->show();
        return w;
    }
    std::unique_ptr<Env> m_env;
};

void TestWindowWalk::everyControlHasAName() {
    QWidget* window = Show();
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (IsControl(w, window) && AccessibleName(w).trimmed().isEmpty())
            unnamed << Describe(w);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("; "))));
}

void TestWindowWalk::everyTextFits() {
    QWidget* window = Show();
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!IsControl(w, window))
            continue;
        const QString why = Clipped(w);
        if (!why.isEmpty())
            clipped << Describe(w) + QStringLiteral(": ") + why;
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
}

void TestWindowWalk::tabOrderFollowsTheTemplate() {
    QWidget* window = Show();
    // The builder makes the controls in template order, and the template lists them as laid out.
    QList<QWidget*> expected;
    for (QObject* o : window->children())
        if (auto* w = qobject_cast<QWidget*>(o);
            w && o->property("controlId").isValid() && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus))
            expected << w;
    QVERIFY(!expected.isEmpty());
    // Follow the chain from the first control; each control of the template comes in its turn.
    QList<QWidget*> seen;
    QWidget* w = expected.first();
    for (int i = 0; i < 1000 && seen.size() < expected.size(); ++i, w = w->nextInFocusChain()) {
        for (QWidget* top = w; top && top != window; top = top->parentWidget())
            if (expected.contains(top) && !seen.contains(top)) {
                seen << top;
                break;
            }
    }
    QCOMPARE(seen, expected);
}

void TestWindowWalk::artworkMatchesThePixelDensity() {
    QWidget* window = Show();
    const qreal dpr = window->devicePixelRatioF();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QPixmap pixmap;
        if (auto* label = qobject_cast<QLabel*>(w))
            pixmap = label->pixmap();
        else if (auto* button = qobject_cast<CBitmapButton*>(w))
            pixmap = button->Bitmap();
        if (pixmap.isNull())
            continue;
        QVERIFY2(pixmap.devicePixelRatio() >= dpr, qPrintable(Describe(w)));
        // Drawn for the control's size, not scaled up into it.
        QVERIFY2(pixmap.deviceIndependentSize().toSize().width() <= w->width(), qPrintable(Describe(w)));
    }
}

void TestWindowWalk::fontIsChosenByWhatIsInstalled_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("chosen");
    const QString song = QStringLiteral("宋体");
    const QStringList linux = {"DejaVu Sans", "WenQuanYi Micro Hei", "Noto Sans CJK SC"};
    QTest::newRow("the template's face") << song << QStringList({song, "SimSun"}) << song;
    QTest::newRow("SimSun before the sans faces") << "MS Sans Serif" << linux + QStringList("simsun") << "SimSun";
    QTest::newRow("Noto before WenQuanYi") << song << linux << "Noto Sans CJK SC";
    QTest::newRow("WenQuanYi") << song << QStringList("WenQuanYi Zen Hei") << "WenQuanYi Zen Hei";
    QTest::newRow("none: the default face") << song << QStringList("DejaVu Sans") << QString();
}

void TestWindowWalk::fontIsChosenByWhatIsInstalled() {
    QFETCH(QString, face);
    QFETCH(QStringList, installed);
    QFETCH(QString, chosen);
    QCOMPARE(ChooseDialogFamily(face, installed), chosen);
}

QTEST_MAIN(TestWindowWalk)
#include "tst_window_walk.moc"
