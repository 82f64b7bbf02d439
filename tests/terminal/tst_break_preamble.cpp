#include "terminal/break_preamble.h"
#include "tests/support/fake_mscomm.h"

#include <QTest>

class TestBreakPreamble : public QObject {
    Q_OBJECT

private slots:
    void order();
    void breakEndsWhenOutputFails();
};

void TestBreakPreamble::order() {
    CFakeMSComm comm;
    comm.SetPortOpen(true);
    comm.ClearLog();

    SendBreakPreamble(comm);

    QCOMPARE(comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0"}));
    QCOMPARE(comm.written, QByteArray(2, '\0'));
}

// A failure while the line is in break must not leave it there.
void TestBreakPreamble::breakEndsWhenOutputFails() {
    CFakeMSComm comm;
    comm.SetPortOpen(true);
    comm.ClearLog();
    comm.onOutput = [&](const QByteArray&) { comm.FailWrite(QStringLiteral("Output")); };

    QVERIFY_THROWS_EXCEPTION(CCommError, SendBreakPreamble(comm));
    QCOMPARE(comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0"}));
}

QTEST_GUILESS_MAIN(TestBreakPreamble)
#include "tst_break_preamble.moc"
