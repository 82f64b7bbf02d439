// The Qt SerialPort backend on Windows, on the COM port named by SERIMO_TEST_COM (under Wine, one that
// the prefix's dosdevices map to a pseudo-terminal).
#include "serial/qt_serial_comm.h"

#include <QtTest>

#include <windows.h> // lean, without min/max: the build defines WIN32_LEAN_AND_MEAN and NOMINMAX

class TestQtSerialCommWin : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_port = qEnvironmentVariable("SERIMO_TEST_COM");
        if (m_port.isEmpty())
            QSKIP("SERIMO_TEST_COM names no COM port to test on");
    }
    void handshakingIsInTheDcb_data();
    void handshakingIsInTheDcb();
    void typedNameOpensAndHeldPortIsInUse();

private:
    QString m_port;
};

void TestQtSerialCommWin::handshakingIsInTheDcb_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");
    QTest::newRow("none") << int(CMSComm::comNone) << false << false;
    QTest::newRow("XON/XOFF") << int(CMSComm::comXOnXoff) << false << true;
    QTest::newRow("RTS/CTS") << int(CMSComm::comRTS) << true << false;
    QTest::newRow("both") << int(CMSComm::comRTSXOnXOff) << true << true;
}

void TestQtSerialCommWin::handshakingIsInTheDcb() {
    QFETCH(int, mode);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);
    CQtSerialComm comm([this](short) { return m_port; });
    comm.SetHandshaking(mode);
    QVERIFY_THROWS_NO_EXCEPTION(comm.SetPortOpen(true));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    QVERIFY(::GetCommState(comm.findChild<QSerialPort*>()->handle(), &dcb));
    QCOMPARE(bool(dcb.fOutX && dcb.fInX), xonXoff);
    QCOMPARE(bool(dcb.fOutxCtsFlow), rtsCts);
    if (xonXoff) {
        QCOMPARE(int(dcb.XonChar), 0x11);
        QCOMPARE(int(dcb.XoffChar), 0x13);
    }
}

void TestQtSerialCommWin::typedNameOpensAndHeldPortIsInUse() {
    const QString typed = QStringLiteral("\\\\.\\") + m_port.toLower();
    CQtSerialComm first([typed](short) { return typed; });
    CQtSerialComm second([this](short) { return m_port; });
    QVERIFY_THROWS_NO_EXCEPTION(first.SetPortOpen(true));
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        QSKIP("Wine lets a second CreateFile open a COM port that is held");
    QVERIFY_THROWS_EXCEPTION(CCommError, second.SetPortOpen(true));
    QCOMPARE(second.LastErrorText(), m_port + QStringLiteral(": Device is already in use"));
}

QTEST_MAIN(TestQtSerialCommWin)
#include "tst_qt_serial_comm_win.moc"
