// The extended dialog on widgets: the enable rules, OK on a copy and its refusals, names for
// assistive tools, tab order.
#include "card/ext_card_config_dlg.h"
#include "card/number_box.h"
#include "res/resource.h"
#include "tests/support/fake_prompts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

CardConfigRecord Sample() {
    CardConfigRecord r;
    for (std::size_t i = 0; i < r.bytes.size(); ++i)
        r.bytes[i] = static_cast<std::uint8_t>(i * 5 + 1);
    auto& b = r.bytes;
    b[280] = 1, b[136] = 6;   // Ad Hoc on, channel 6
    b[206] = 2, b[207] = 1;   // key 3, 40-bit keys
    b[279] = 100, b[537] = 0; // restart delay; power down off
    return r;
}

template <class T> T* Get(const CExtCardConfigDlg& dlg, int id) {
    return qobject_cast<T*>(dlg.Control(id));
}

// What a screen reader announces for a box: its name, or for a drop-down list (whose name is its
// current item on some platforms) the label that labels it.
QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (qobject_cast<QComboBox*>(w)) {
        const auto labels = iface->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.front().first->text(QAccessible::Name);
    }
    return iface->text(QAccessible::Name);
}

} // namespace

class TestExtCardConfigDlg : public QObject {
    Q_OBJECT

private slots:
    void authenticationRule_data() {
        QTest::addColumn<int>("auth");
        QTest::addColumn<bool>("radios");
        QTest::addColumn<bool>("firstFive");
        QTest::addColumn<bool>("lastEight");
        QTest::newRow("none") << -1 << false << false << false;
        QTest::newRow("open system") << 0 << false << false << false;
        QTest::newRow("40 bits") << 1 << true << true << false;
        QTest::newRow("128 bits") << 2 << true << true << true;
    }
    void authenticationRule() {
        QFETCH(int, auth);
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        Get<QComboBox>(dlg, IDC_WEP_AUTH)->setCurrentIndex(auth);
        for (int k = 0; k < 4; ++k) {
            QTEST(dlg.Control(IDC_WEP_KEY_USE_FIRST + k)->isEnabled(), "radios");
            for (int j = 1; j <= 13; ++j)
                QTEST(dlg.Control(ExtCardConfigForm::KeyBoxId(k, j))->isEnabled(),
                      j <= 5 ? "firstFive" : "lastEight");
        }
    }

    // Opening applies the Ad Hoc and power-down rules without touching the channel; a click on Ad Hoc
    // moves it.
    void adHocAndPowerDownRules() {
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        // SERIMO_SCREENSHOT=file.png keeps a picture of the dialog, for looking at the layout.
        if (const QString shot = qEnvironmentVariable("SERIMO_SCREENSHOT"); !shot.isEmpty())
            dlg.grab().save(shot);
        auto* channel = Get<QComboBox>(dlg, IDC_ADHOC_CHANNEL);
        QCOMPARE(channel->currentText(), QStringLiteral("Chan 06"));
        QVERIFY(channel->isEnabled());
        QVERIFY(!dlg.Control(IDC_POWER_IDLE)->isEnabled());

        Get<QCheckBox>(dlg, IDC_ADHOC_ENABLE)->click();
        QCOMPARE(channel->currentIndex(), -1);
        for (int id : {int(IDC_ADHOC_CHANNEL), int(IDC_ADHOC_TX_POWER), IDC_TX_RATE_FIRST + 3})
            QVERIFY(!dlg.Control(id)->isEnabled());
        Get<QCheckBox>(dlg, IDC_ADHOC_ENABLE)->click();
        QCOMPARE(channel->currentText(), QStringLiteral("Chan 01"));
        QVERIFY(dlg.Control(IDC_TX_RATE_FIRST + 3)->isEnabled());

        Get<QCheckBox>(dlg, IDC_POWER_DOWN_ENABLE)->click();
        for (int id : {IDC_POWER_ON, IDC_POWER_OFF, IDC_POWER_IDLE, IDC_POWER_IDLE_LABEL})
            QVERIFY(dlg.Control(id)->isEnabled());
    }

    // The caller's record changes only when the dialog ends with OK, also after a refused OK, which
    // keeps the dialog open with the focus on the offending box.
    void editWorksOnACopy_data() {
        QTest::addColumn<bool>("refuseFirst");
        QTest::addColumn<bool>("pressOk");
        QTest::newRow("OK") << false << true;
        QTest::newRow("Cancel") << false << false;
        QTest::newRow("refused OK, then Cancel") << true << false;
        QTest::newRow("refused OK, then OK") << true << true;
    }
    void editWorksOnACopy() {
        QFETCH(bool, refuseFirst);
        QFETCH(bool, pressOk);
        CFakePrompts prompts;
        const int box = ExtCardConfigForm::KeyBoxId(3, 13);
        prompts.onModal = [&](QDialog& d) {
            auto& dlg = static_cast<CExtCardConfigDlg&>(d);
            Get<CNumberBox>(dlg, IDC_RESTART_DELAY)->Step(-1);
            Get<QComboBox>(dlg, IDC_WEP_AUTH)->setCurrentIndex(2);
            if (refuseFirst) {
                Get<QLineEdit>(dlg, box)->setText(QStringLiteral("-1"));
                Get<QPushButton>(dlg, IDOK)->click();
                if (dlg.result() != 0 || dlg.focusWidget() != dlg.Control(box))
                    return -1;
                Get<QLineEdit>(dlg, box)->setText(QStringLiteral("AA"));
            }
            Get<QPushButton>(dlg, pressOk ? IDOK : IDCANCEL)->click();
            return dlg.result();
        };
        CardConfigRecord record = Sample();
        QCOMPARE(CExtCardConfigDlg::Edit(record, prompts, nullptr), pressOk);
        QCOMPARE(prompts.Texts(),
                 refuseFirst ? QStringList{QStringLiteral("WEP KEY的有效数值在00-FF之间！")} : QStringList());
        if (!pressOk) {
            QVERIFY(record == Sample());
            return;
        }
        QCOMPARE(int(record.RestartDelay()), 99);
        QCOMPARE(int(record.WepKeyLength(0)), 13);
        QCOMPARE(int(record.WepKeyByte(3, 12)), refuseFirst ? 0xAA : int(Sample().WepKeyByte(3, 12)));
        for (std::size_t i = 0; i < CardConfigRecord::kBasicSize; ++i)
            QCOMPARE(record.bytes[i], Sample().bytes[i]);
    }

    void boxesAreNamedForAssistiveTools_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("restart delay") << int(IDC_RESTART_DELAY) << "188 Restart Delay (ticks)";
        QTest::newRow("channel") << int(IDC_ADHOC_CHANNEL) << "Override Chan.";
        QTest::newRow("authentication") << int(IDC_WEP_AUTH) << "Authentication:";
        QTest::newRow("idle") << int(IDC_POWER_IDLE) << "Idle:";
        QTest::newRow("MAC") << int(IDC_PREFERRED_MAC_FIRST) + 2 << "Preferred MAC Address 3";
        QTest::newRow("key") << ExtCardConfigForm::KeyBoxId(2, 13) << "WEP Key 3 byte 13";
    }
    void boxesAreNamedForAssistiveTools() {
        QFETCH(int, id);
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        QTEST(AccessibleName(dlg.Control(id)), "name");
    }

    // Tab goes along a key row left to right, then on to the next row's radio.
    void tabOrderFollowsTheRows() {
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        QCOMPARE(dlg.Control(ExtCardConfigForm::KeyBoxId(0, 12))->nextInFocusChain(),
                 dlg.Control(ExtCardConfigForm::KeyBoxId(0, 13)));
        QWidget* next = dlg.Control(ExtCardConfigForm::KeyBoxId(0, 13))->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, dlg.Control(IDC_WEP_KEY_USE_FIRST + 1));
    }
};

QTEST_MAIN(TestExtCardConfigDlg)
#include "tst_ext_card_config_dlg.moc"
