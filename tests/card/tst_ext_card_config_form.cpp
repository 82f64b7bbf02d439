// The extended dialog's values without widgets: load, collect in order, the key boxes.
#include "card/ext_card_config_form.h"
#include "res/resource.h"

#include <QTest>
#include <functional>

namespace {

// Every byte distinct, the coded bytes valid, so that load + collect must give it back.
CardConfigRecord Consistent() {
    CardConfigRecord r;
    for (std::size_t i = 0; i < r.bytes.size(); ++i)
        r.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto& b = r.bytes;
    b[280] = 1, b[136] = 6, b[137] = 3, b[133] = 0, b[134] = 0xA5, b[135] = 0x5A;
    b[206] = 1, b[207] = 2, b[208] = 3, b[210] = 1, b[537] = 1;
    for (int k = 0; k < 4; ++k)
        b[150 + 14 * k] = 13;
    r.SetPreferredApMacCopy(r.PreferredApMac());
    return r;
}

using Edit = std::function<void(ExtCardConfigForm&, CardConfigRecord&)>;

// Loads `r`, lets `edit` change the values (or the record before loading), collects into `r`.
FormCollectResult Run(CardConfigRecord& r, const Edit& before, const Edit& after = {}) {
    ExtCardConfigForm form;
    if (before)
        before(form, r);
    form.Load(r);
    if (after)
        after(form, r);
    return form.Collect(r);
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestExtCardConfigForm : public QObject {
    Q_OBJECT

private slots:
    // Bytes nobody owns, bits 4-7 of 134/135 and a channel with Ad Hoc on all survive; 138-143 get
    // the preferred address.
    void loadThenCollectKeepsTheRecord() {
        CardConfigRecord r = Consistent();
        r.bytes[138] = 0x11;
        r.bytes[128] = 0x9D, r.bytes[129] = 0x01, r.bytes[130] = 0x02, r.bytes[131] = 0x05;
        CardConfigRecord expected = r;
        expected.bytes[138] = Consistent().bytes[138];
        ExtCardConfigForm form;
        form.Load(r);
        QCOMPARE(form.info, QStringLiteral("Length = 413\r\nVersion = 2.5"));
        QVERIFY(form.Collect(r).ok);
        QVERIFY(r == expected);
    }

    void collect_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<QList<int>>("values");
        auto auth = [](int a) {
            return Edit([a](ExtCardConfigForm& f, CardConfigRecord&) { f.authentication = a; });
        };
        QTest::newRow("open system") << auth(0) << QList<int>{207, 208, 150, 164, 178, 192}
                                     << QList<int>{0, 0, 5, 5, 5, 5};
        QTest::newRow("40 bits") << auth(1) << QList<int>{207, 208, 150, 192} << QList<int>{1, 3, 5, 5};
        QTest::newRow("128 bits") << auth(2) << QList<int>{207, 208, 150, 192} << QList<int>{2, 3, 13, 13};
        QTest::newRow("key byte 13 kept with 40 bits") << Edit([](ExtCardConfigForm& f, CardConfigRecord&) {
            f.authentication = 1, f.keys[3][12] = "7e";
        }) << QList<int>{150 + 42 + 13} << QList<int>{0x7E};
        QTest::newRow("Ad Hoc off stores power and rates")
            << Edit([](ExtCardConfigForm& f, CardConfigRecord&) {
                   f.adHocEnabled = false, f.txPower = "4", f.basicRates = {false, true, true, false};
               })
            << QList<int>{280, 136, 132, 134} << QList<int>{0, 0, 4, 0xA6};
        QTest::newRow("no second port speed")
            << Edit([](ExtCardConfigForm& f, CardConfigRecord&) { f.port2Baud = -1; }) << QList<int>{137}
            << QList<int>{0xFF};
        QTest::newRow("MAC into both copies")
            << Edit([](ExtCardConfigForm& f, CardConfigRecord&) { f.preferredMac[5] = " 254 "; })
            << QList<int>{149, 143} << QList<int>{254, 254};
        // Codes loaded from outside their lists.
        auto loaded = [](int offset, int stored) {
            return Edit([=](ExtCardConfigForm& f, CardConfigRecord& r) {
                r.bytes[std::size_t(offset)] = std::uint8_t(stored);
                f.Load(r);
            });
        };
        QTest::newRow("port 2 unknown") << loaded(137, 9) << QList<int>{137} << QList<int>{0xFF};
        QTest::newRow("preamble 7 is short") << loaded(133, 7) << QList<int>{133} << QList<int>{1};
        QTest::newRow("power down 9 is on") << loaded(537, 9) << QList<int>{537} << QList<int>{1};
        QTest::newRow("application 2 is off") << loaded(210, 2) << QList<int>{210} << QList<int>{0};
    }
    void collect() {
        QFETCH(Edit, edit);
        QFETCH(QList<int>, offsets);
        QFETCH(QList<int>, values);
        CardConfigRecord r = Consistent();
        const FormCollectResult result = Run(r, {}, edit);
        QVERIFY2(result.ok, qPrintable(result.message));
        for (qsizetype i = 0; i < offsets.size(); ++i)
            QCOMPARE(int(r.bytes[std::size_t(offsets[i])]), values[i]);
    }

    // The first failing check names its control; key boxes are read as "%02X" reads them.
    void refusals_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("onRecord");   // the edit changes the record before loading
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("keyValue");
        const QString set = QStringLiteral("请设置WEP KEY!"),
                      range = QStringLiteral("WEP KEY的有效数值在00-FF之间！");
        const int box = ExtCardConfigForm::KeyBoxId(2, 7);
        auto key = [](const char* text) {
            return Edit([text](ExtCardConfigForm& f, CardConfigRecord&) {
                f.keys[2][6] = QString::fromLatin1(text);
            });
        };
        QTest::newRow("key 1") << key("1") << false << QString() << 0 << 0x01;
        QTest::newRow("key 1FF reads two characters") << key("1FF") << false << QString() << 0 << 0x1F;
        QTest::newRow("key with a leading blank") << key(" 0A") << false << QString() << 0 << 0x0A;
        QTest::newRow("key -1") << key("-1") << false << range << box << -1;
        QTest::newRow("key G0") << key("G0") << false << set << box << -1;
        QTest::newRow("key empty") << key("") << false << set << box << -1;
        QTest::newRow("authentication 3")
            << Edit([](ExtCardConfigForm&, CardConfigRecord& r) { r.bytes[207] = 3; }) << true
            << QStringLiteral("请选择WEP鉴定算法!") << int(IDC_WEP_AUTH) << -1;
        QTest::newRow("key in use 4")
            << Edit([](ExtCardConfigForm&, CardConfigRecord& r) { r.bytes[206] = 4; }) << true
            << QStringLiteral("请选择加密算法序号!") << int(IDC_WEP_KEY_USE_FIRST) << -1;
        QTest::newRow("MAC 256") << Edit([](ExtCardConfigForm& f, CardConfigRecord&) {
            f.preferredMac[2] = "256";
        }) << false << QStringLiteral("Preferred MAC Address 必须是0到255之间的整数！")
                                 << int(IDC_PREFERRED_MAC_FIRST) + 2 << -1;
        QTest::newRow("mandatory MAC +1")
            << Edit([](ExtCardConfigForm& f, CardConfigRecord&) { f.mandatoryMac[3] = "+1"; }) << false
            << QStringLiteral("Mandatory MAC Address 必须是0到255之间的整数！")
            << int(IDC_MANDATORY_MAC_FIRST) + 3 << -1;
    }
    void refusals() {
        QFETCH(Edit, edit);
        QFETCH(bool, onRecord);
        QFETCH(QString, message);
        QFETCH(int, keyValue);
        CardConfigRecord r = Consistent();
        const FormCollectResult result =
            onRecord ? Run(r, edit) : Run(r, {}, [&](ExtCardConfigForm& f, CardConfigRecord& rec) {
                f.keys[0][0] = QStringLiteral("C3"); // a key box before the one under test
                edit(f, rec);
            });
        QCOMPARE(result.message, message);
        QCOMPARE(result.ok, message.isEmpty());
        if (!result.ok)
            QTEST(result.focusId, "focus");
        if (keyValue >= 0)
            QCOMPARE(int(r.bytes[150 + 28 + 7]), keyValue);
        if (message.contains(QStringLiteral("WEP KEY")))
            QCOMPARE(int(r.bytes[151]), 0xC3); // written before the failing box
    }
};

QTEST_GUILESS_MAIN(TestExtCardConfigForm)
#include "tst_ext_card_config_form.moc"
