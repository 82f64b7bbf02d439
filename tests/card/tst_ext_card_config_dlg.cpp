// The extended dialog on widgets: opening, the enable rules, OK and its refusals, names for assistive
// tools.
#include "card/ext_card_config_dlg.h"
#include "card/number_box.h"
#include "res/resource.h"
#include "tests/support/fake_prompts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

CardConfigRecord Sample() {
    CardConfigRecord r;
    for (std::size_t i = 0; i < r.bytes.size(); ++i)
        r.bytes[i] = static_cast<std::uint8_t>(i * 5 + 1);
    auto& b = r.bytes;
    b[128] = 0x9D, b[129] = 0x01, b[130] = 0x02, b[131] = 0x05;
    b[132] = 2;   // TX power
    b[280] = 1;   // Ad Hoc on
    b[136] = 6;   // channel 6
    b[137] = 3;   // 9600
    b[206] = 2;   // key 3 in use
    b[207] = 1;   // 40-bit keys
    b[279] = 100; // restart delay
    b[537] = 1;
    b[538] = 20, b[539] = 30, b[540] = 40;
    return r;
}

template <class T> T* Get(const CExtCardConfigDlg& dlg, int id) {
    auto* w = qobject_cast<T*>(dlg.Control(id));
    Q_ASSERT(w);
    return w;
}

// What a screen reader announces for the box: its name, or for a drop-down list (whose name is its
// current item on some platforms) the label that labels it.
QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return QString();
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
    void opensWithTheRecordsValues() {
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Extended Card Configuration"));
        QCOMPARE(Get<QComboBox>(dlg, IDC_ADHOC_CHANNEL)->currentText(), QStringLiteral("Chan 06"));
        QCOMPARE(Get<QComboBox>(dlg, IDC_PORT2_BAUD)->currentText(), QStringLiteral("9600"));
        QCOMPARE(Get<QComboBox>(dlg, IDC_WEP_AUTH)->currentText(), QStringLiteral("1 - 40 bits key"));
        QVERIFY(Get<QAbstractButton>(dlg, IDC_WEP_KEY_USE_FIRST + 2)->isChecked());
        QCOMPARE(Get<CNumberBox>(dlg, IDC_RESTART_DELAY)->text(), QStringLiteral("100"));
        QCOMPARE(Get<CNumberBox>(dlg, IDC_POWER_OFF)->text(), QStringLiteral("20"));
        QCOMPARE(Get<QLineEdit>(dlg, ExtCardConfigForm::KeyBoxId(0, 1))->text(),
                 QString::asprintf("%02X", Sample().bytes[151]));
        QCOMPARE(Get<QPlainTextEdit>(dlg, IDC_EXT_INFO)->toPlainText(),
                 QStringLiteral("Length = 413\nVersion = 2.5"));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(Get<QLineEdit>(dlg, IDC_MANDATORY_MAC_FIRST + i)->text(), QStringLiteral("0"));
        // SERIMO_SCREENSHOT=file.png keeps a picture of the dialog, for looking at the layout.
        if (const QString shot = qEnvironmentVariable("SERIMO_SCREENSHOT"); !shot.isEmpty())
            dlg.grab().save(shot);
    }

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
            for (int j = 1; j <= 13; ++j) {
                if (j <= 5)
                    QTEST(dlg.Control(ExtCardConfigForm::KeyBoxId(k, j))->isEnabled(), "firstFive");
                else
                    QTEST(dlg.Control(ExtCardConfigForm::KeyBoxId(k, j))->isEnabled(), "lastEight");
            }
        }
    }

    // Opening applies the Ad Hoc rule without touching the channel; a click moves it.
    void adHocRule() {
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        auto* enable = Get<QCheckBox>(dlg, IDC_ADHOC_ENABLE);
        auto* channel = Get<QComboBox>(dlg, IDC_ADHOC_CHANNEL);
        QVERIFY(channel->isEnabled());
        enable->click();
        QCOMPARE(channel->currentIndex(), -1);
        for (int id : {int(IDC_ADHOC_CHANNEL), int(IDC_ADHOC_TX_POWER), int(IDC_BASIC_RATE_FIRST),
                       IDC_TX_RATE_FIRST + 3, int(IDC_ADHOC_TX_POWER_LABEL)})
            QVERIFY2(!dlg.Control(id)->isEnabled(), qPrintable(QString::number(id)));
        enable->click();
        QCOMPARE(channel->currentText(), QStringLiteral("Chan 01"));
        QVERIFY(dlg.Control(IDC_TX_RATE_FIRST + 3)->isEnabled());

        CardConfigRecord off = Sample();
        off.bytes[280] = 0;
        CExtCardConfigDlg closed(off, prompts);
        QCOMPARE(Get<QComboBox>(closed, IDC_ADHOC_CHANNEL)->currentText(), QStringLiteral("Chan 06"));
        QVERIFY(!closed.Control(IDC_ADHOC_CHANNEL)->isEnabled());
    }

    void powerDownRule() {
        CardConfigRecord r = Sample();
        r.bytes[537] = 0;
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(r, prompts);
        const int ids[] = {IDC_POWER_ON, IDC_POWER_OFF, IDC_POWER_IDLE, IDC_POWER_IDLE_LABEL};
        for (int id : ids)
            QVERIFY(!dlg.Control(id)->isEnabled());
        Get<QCheckBox>(dlg, IDC_POWER_DOWN_ENABLE)->click();
        for (int id : ids)
            QVERIFY(dlg.Control(id)->isEnabled());
    }

    void okStoresTheEditsInTheCopy() {
        CFakePrompts prompts;
        const CardConfigRecord original = Sample();
        CExtCardConfigDlg dlg(original, prompts);
        auto* delay = Get<CNumberBox>(dlg, IDC_RESTART_DELAY);
        delay->Step(1);
        Get<QLineEdit>(dlg, IDC_PREFERRED_MAC_FIRST + 5)->setText(QStringLiteral("254"));
        Get<QComboBox>(dlg, IDC_PORT2_BAUD)->setCurrentIndex(-1);
        Get<QPushButton>(dlg, IDOK)->click();
        QVERIFY2(prompts.messages.empty(), qPrintable(prompts.Texts().join('|')));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(int(dlg.Record().RestartDelay()), 101);
        QCOMPARE(int(dlg.Record().PreferredApMac()[5]), 254);
        QCOMPARE(int(dlg.Record().Port2Baud()), 0xFF);
        QCOMPARE(int(dlg.Record().AdHocChannel()), 6);
        QCOMPARE(int(dlg.Record().WepKeyLength(3)), 5);
        for (std::size_t i = 0; i < 128; ++i)
            QCOMPARE(dlg.Record().bytes[i], original.bytes[i]);
    }

    // The caller's record changes only when the dialog ends with OK, even after a refused OK.
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
        prompts.onModal = [&](QDialog& d) {
            auto& dlg = static_cast<CExtCardConfigDlg&>(d);
            Get<CNumberBox>(dlg, IDC_RESTART_DELAY)->Step(-1);
            if (refuseFirst) {
                Get<QLineEdit>(dlg, ExtCardConfigForm::KeyBoxId(0, 1))->setText(QStringLiteral("G"));
                Get<QPushButton>(dlg, IDOK)->click();
                Get<QLineEdit>(dlg, ExtCardConfigForm::KeyBoxId(0, 1))->setText(QStringLiteral("AA"));
            }
            Get<QPushButton>(dlg, pressOk ? IDOK : IDCANCEL)->click();
            return dlg.result();
        };
        CardConfigRecord record = Sample();
        QCOMPARE(CExtCardConfigDlg::Edit(record, prompts, nullptr), pressOk);
        QCOMPARE(prompts.modalCount, 1);
        QCOMPARE(int(record.RestartDelay()), pressOk ? 99 : 100);
        QCOMPARE(int(record.WepKeyByte(0, 0)),
                 pressOk && refuseFirst ? 0xAA : int(Sample().WepKeyByte(0, 0)));
        if (!pressOk)
            QVERIFY(record == Sample());
    }

    void restartDelayArrowsWrap() {
        CardConfigRecord r = Sample();
        r.bytes[279] = 127;
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(r, prompts);
        auto* delay = Get<CNumberBox>(dlg, IDC_RESTART_DELAY);
        delay->Step(1);
        QCOMPARE(delay->text(), QStringLiteral("36"));
    }

    void refusedOkKeepsTheDialogOpen_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("key -1") << ExtCardConfigForm::KeyBoxId(1, 9) << "-1"
                                << QStringLiteral("WEP KEY的有效数值在00-FF之间！");
        QTest::newRow("key empty") << ExtCardConfigForm::KeyBoxId(3, 13) << ""
                                   << QStringLiteral("请设置WEP KEY!");
        QTest::newRow("MAC 300") << int(IDC_PREFERRED_MAC_FIRST) << "300"
                                 << QStringLiteral("Preferred MAC Address 必须是0到255之间的整数！");
    }
    void refusedOkKeepsTheDialogOpen() {
        QFETCH(int, box);
        QFETCH(QString, text);
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        Get<QComboBox>(dlg, IDC_WEP_AUTH)->setCurrentIndex(2); // every key box editable
        Get<QLineEdit>(dlg, box)->setText(text);
        Get<QPushButton>(dlg, IDOK)->click();
        QCOMPARE(prompts.messages.size(), std::size_t(1));
        QTEST(prompts.LastText(), "message");
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(dlg.focusWidget(), dlg.Control(box));
    }

    void unselectedKeyInUseIsAskedFor() {
        CardConfigRecord r = Sample();
        r.bytes[206] = 7;
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(r, prompts);
        QCOMPARE(Get<QPushButton>(dlg, IDOK)->isDefault(), true);
        Get<QPushButton>(dlg, IDOK)->click();
        QCOMPARE(prompts.LastText(), QStringLiteral("请选择加密算法序号!"));
        QCOMPARE(dlg.focusWidget(), dlg.Control(IDC_WEP_KEY_USE_FIRST));
        Get<QAbstractButton>(dlg, IDC_WEP_KEY_USE_FIRST + 3)->click();
        Get<QPushButton>(dlg, IDOK)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(int(dlg.Record().WepKeyIndex()), 3);
    }

    void boxesAreNamedForAssistiveTools_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("restart delay") << int(IDC_RESTART_DELAY) << "188 Restart Delay (ticks)";
        QTest::newRow("TX power") << int(IDC_ADHOC_TX_POWER) << "TX Power";
        QTest::newRow("channel") << int(IDC_ADHOC_CHANNEL) << "Override Chan.";
        QTest::newRow("port 2") << int(IDC_PORT2_BAUD) << "Comm Port 2 Baud";
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

    // Tab goes through the first key row left to right, then on to the next row's radio.
    void tabOrderFollowsTheRows() {
        CFakePrompts prompts;
        CExtCardConfigDlg dlg(Sample(), prompts);
        QWidget* w = dlg.Control(ExtCardConfigForm::KeyBoxId(0, 12));
        QCOMPARE(w->nextInFocusChain(), dlg.Control(ExtCardConfigForm::KeyBoxId(0, 13)));
        QWidget* next = dlg.Control(ExtCardConfigForm::KeyBoxId(0, 13))->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, dlg.Control(IDC_WEP_KEY_USE_FIRST + 1));
    }
};

QTEST_MAIN(TestExtCardConfigDlg)
#include "tst_ext_card_config_dlg.moc"
