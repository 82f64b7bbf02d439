#include "terminal/break_preamble.h"
#include "tests/support/fake_mscomm.h"

#include <QTest>

class TestBreakPreamble : public QObject {
    Q_OBJECT

private slots:
    // A failure while the line is in break must not leave it there.
    void order_data() {
        QTest::addColumn<bool>("outputFails");
        QTest::newRow("sent") << false;
        QTest::newRow("output fails") << true;
    }
    void order() {
        QFETCH(bool, outputFails);
        CFakeMSComm comm;
        comm.SetPortOpen(true);
        comm.ClearLog();
        if (outputFails) {
            comm.onOutput = [&](const QByteArray&) { comm.FailWrite(QStringLiteral("Output")); };
            QVERIFY_THROWS_EXCEPTION(CCommError, SendBreakPreamble(comm));
        } else {
            SendBreakPreamble(comm);
            QCOMPARE(comm.written, QByteArray(2, '\0'));
        }
        QCOMPARE(comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0"}));
    }
};

QTEST_GUILESS_MAIN(TestBreakPreamble)
#include "tst_break_preamble.moc"
