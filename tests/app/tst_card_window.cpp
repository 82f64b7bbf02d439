// The card buttons of the main window on the fake serial control and the fake clock: reset, read
// status, the exchange's room check and silence time-out, the status window, configure and the
// verified write.
#include "card/card_config_dlg.h"
#include "card/card_protocol.h"
#include "card/card_status_dlg.h"
#include "res/resource.h"
#include "sim/card_simulator.h"
#include "terminal/receive_view.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestCardWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

    void resetSendsOneFrameAndShowsNothing();
    void readStatusOpensTheStatusWindow();
    void readStatusAnswers_data();
    void readStatusAnswers();
    void roomCheck_data();
    void roomCheck();
    void lostDeviceEndsTheExchange();
    void quitEndsTheExchangeAtOnce_data();
    void quitEndsTheExchangeAtOnce();
    void configureCard_data();
    void configureCard();

private:
    // The simulated card answers each request as the card would; with `restAfterMs`, only the first
    // 20 bytes of an answer at once and the rest after that silence.
    void AnswerWithSimulator(CardSimFault fault = CardSimFault::None, int restAfterMs = -1) {
        m_sim = std::make_unique<CCardSimulator>();
        m_sim->SetFault(fault);
        f.comm.onOutput = [this, restAfterMs](const QByteArray& bytes) {
            for (const CardSimExchange& e :
                 m_sim->Feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()))) {
                const QByteArray reply(reinterpret_cast<const char*>(e.reply.data()), qsizetype(e.reply.size()));
                if (reply.isEmpty())
                    continue;
                f.comm.ScheduleInput(restAfterMs < 0 ? e.delayMs + 5 : 0, restAfterMs < 0 ? reply : reply.left(20));
                if (restAfterMs >= 0)
                    f.comm.ScheduleInput(restAfterMs, reply.mid(20));
            }
        };
    }
    CWindowFixture f;
    std::unique_ptr<CCardSimulator> m_sim;
};

namespace {
const QStringList kPreamble{"Output=00", "Break=1", "Output=00", "Break=0"};
}

void TestCardWindow::resetSendsOneFrameAndShowsNothing() {
    CTerminalDlg& dlg = f.Open();
    static_cast<QPushButton*>(dlg.Control(IDC_CARD_RESET))->click();
    QCOMPARE(f.comm.ops, kPreamble + QStringList("Output=05 30 30 41 39 30 30 30 30 30 30 30 30 0D"));
    QVERIFY(f.prompts.messages.empty());
    QCOMPARE(f.prompts.waitCursorDepth, 0);
    QVERIFY(f.prompts.waitCursorShown > 0);
}

void TestCardWindow::readStatusOpensTheStatusWindow() {
    CTerminalDlg& dlg = f.Open();
    AnswerWithSimulator();
    QStringList raw, decoded;
    QString title, shownAtModal, rxAtModal;
    // Bytes still waiting for the next frame when the exchange starts.
    f.comm.Receive("pending ");
    f.prompts.onModal = [&](QDialog& d) {
        auto& status = static_cast<CCardStatusDlg&>(d);
        title = d.windowTitle();
        shownAtModal = dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText();
        rxAtModal = dlg.Control<QLabel>(IDC_RX_COUNT)->text();
        if (const QString shot = qEnvironmentVariable("SERIMO_SCREENSHOT"); !shot.isEmpty())
            d.grab().save(shot);
        for (int k = 0; k < 15; ++k) {
            raw << static_cast<QLineEdit*>(status.Control(IDC_STATUS_RAW_FIRST + k))->text();
            decoded << static_cast<QLabel*>(status.Control(IDC_STATUS_DECODED_FIRST + k))->text();
        }
        return int(QDialog::Rejected);
    };
    static_cast<QPushButton*>(dlg.Control(IDC_READ_CARD_STATUS))->click();
    QVERIFY2(f.prompts.messages.empty(), qPrintable(f.prompts.Texts().join('|')));
    QCOMPARE(title, QStringLiteral("卡状态信息"));
    const CardStatusRecord expected = m_sim->CurrentStatus();
    QCOMPARE(raw[2], StatusRawText(expected, 2));
    QCOMPARE(decoded[0], QStringLiteral("OEM卡"));
    QCOMPARE(decoded[3], StatusDecodedText(expected, 3));
    // Events were off during the exchange and on again after it; the answer is in the capture too.
    QCOMPARE(f.comm.OpsStartingWith("RThreshold"), QStringList({"RThreshold=0", "RThreshold=1"}));
    QCOMPARE(f.comm.ops.mid(1, 5), kPreamble + QStringList("Output=05 30 30 41 37 30 30 30 30 30 30 30 30 0D"));
    // The answer is on screen, after what was pending, before the status window opens.
    QVERIFY2(shownAtModal.startsWith(QStringLiteral("pending .00A800000047")), qPrintable(shownAtModal));
    QCOMPARE(rxAtModal, QStringLiteral("RX:%1").arg(dlg.RxCount()));
    QCOMPARE(f.prompts.waitCursorDepth, 0);
}

void TestCardWindow::readStatusAnswers_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("restAfterMs"); // -1: the answer comes whole
    QTest::addColumn<QStringList>("messages");
    const QString failed = QStringLiteral("读卡状态失败!"), length = QStringLiteral("读回的状态信息长度错误!"),
                  cutOff = QStringLiteral("读回的数据数量不足!");
    auto row = [](const char* name, CardSimFault fault, int restAfterMs, const QStringList& messages) {
        QTest::newRow(name) << int(fault) << restAfterMs << messages;
    };
    row("lower case", CardSimFault::LowerCase, -1, {});
    row("stale bytes first", CardSimFault::Stale, -1, {});
    row("70 bytes", CardSimFault::Status70, -1, {length, failed});
    row("72 bytes", CardSimFault::Status72, -1, {length, failed});
    row("bad digit", CardSimFault::BadDigit, -1, {QStringLiteral("读回的数据出错!"), failed});
    row("cr early", CardSimFault::EarlyCr, -1, {cutOff, failed});
    row("silent", CardSimFault::Silent, -1, {failed});
    // The clock counts whole seconds, and more than 8 of them must pass in silence; an answer cut off
    // by the time-out is decoded as it is.
    row("rest after 8.5 s", CardSimFault::None, 8500, {});
    row("rest after 9.5 s", CardSimFault::None, 9500, {cutOff, failed});
}

void TestCardWindow::readStatusAnswers() {
    QFETCH(int, fault);
    QFETCH(int, restAfterMs);
    QFETCH(QStringList, messages);
    CTerminalDlg& dlg = f.Start();
    AnswerWithSimulator(CardSimFault(fault), restAfterMs);
    const qint64 start = f.clock.NowMs();
    dlg.OnReadCardStatus();
    QCOMPARE(f.prompts.Texts(), messages);
    QCOMPARE(f.prompts.modalCount, messages.isEmpty() ? 1 : 0); // the status window
    QCOMPARE(f.comm.GetRThreshold(), short(1));
    QVERIFY(f.clock.NowMs() - start < 10000);
}

void TestCardWindow::roomCheck_data() {
    QTest::addColumn<qint64>("rxCount");
    QTest::addColumn<bool>("reset");
    QTest::newRow("204288 left alone") << qint64(204288) << false;
    QTest::newRow("204289 cleared") << qint64(204289) << true;
    QTest::newRow("far beyond the buffer") << qint64(5'000'000'000) << true;
}

void TestCardWindow::roomCheck() {
    QFETCH(qint64, rxCount);
    QFETCH(bool, reset);
    CTerminalDlg& dlg = f.Start();
    AnswerWithSimulator();
    dlg.SetRxCount(rxCount);
    QString rxWhenTold;
    f.prompts.onMessage = [&](const QString&) { rxWhenTold = dlg.Control<QLabel>(IDC_RX_COUNT)->text(); };
    dlg.OnReadCardStatus();
    if (reset) {
        QCOMPARE(f.prompts.Texts().value(0), QStringLiteral("为保证命令的可靠运行，RX清0。"));
        QCOMPARE(rxWhenTold, QStringLiteral("RX:0"));
        QCOMPARE(f.prompts.modalCount, 1); // the exchange went on and the answer was complete
    } else {
        // The 512 bytes left hold the whole status answer: the exchange runs without clearing RX.
        QVERIFY(!f.prompts.Texts().contains(QStringLiteral("为保证命令的可靠运行，RX清0。")));
        QVERIFY(dlg.RxCount() > rxCount);
    }
}

void TestCardWindow::lostDeviceEndsTheExchange() {
    CTerminalDlg& dlg = f.Start();
    f.comm.onOutput = [&](const QByteArray& bytes) {
        if (bytes.size() > 1) {
            f.comm.SetPortOpen(false);
            f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
        }
    };
    const qint64 start = f.clock.NowMs();
    dlg.OnReadCardStatus();
    QVERIFY(f.clock.NowMs() - start < 1000);
    QCOMPARE(f.comm.GetRThreshold(), short(1));
    QCOMPARE(f.prompts.waitCursorDepth, 0);
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("读卡状态失败!")));
    // The closed state and its message follow once the window is idle again.
    QTRY_COMPARE_WITH_TIMEOUT(f.prompts.messages.size(), std::size_t(2), 5000);
    QVERIFY(!dlg.Control<QPushButton>(IDC_CLOSE_PORT)->isEnabled());
}

void TestCardWindow::quitEndsTheExchangeAtOnce_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<qint64>("rxCount");
    QTest::addColumn<QString>("quitAt"); // the box open when the program is ended; empty: the request sent
    QTest::newRow("wrong status length box") << int(CardSimFault::Status70) << qint64(0)
                                             << QStringLiteral("读回的状态信息长度错误!");
    QTest::newRow("RX cleared box, nothing sent") << int(CardSimFault::None) << qint64(204289)
                                                  << QStringLiteral("为保证命令的可靠运行，RX清0。");
    QTest::newRow("silent card's wait") << int(CardSimFault::Silent) << qint64(0) << QString();
}

// Ended from outside: the box that was open is the last, and the silence is not waited out.
void TestCardWindow::quitEndsTheExchangeAtOnce() {
    QFETCH(int, fault);
    QFETCH(qint64, rxCount);
    QFETCH(QString, quitAt);
    CTerminalDlg& dlg = f.Open();
    AnswerWithSimulator(CardSimFault(fault));
    dlg.SetRxCount(rxCount);
    f.comm.onOutput = [&, answer = f.comm.onOutput](const QByteArray& bytes) {
        answer(bytes);
        if (bytes.size() > 1 && quitAt.isEmpty())
            dlg.BeginQuit();
    };
    f.prompts.onMessage = [&](const QString& text) { text == quitAt ? dlg.BeginQuit() : void(); };
    const qint64 start = f.clock.NowMs();
    dlg.OnReadCardStatus();
    QCOMPARE(f.prompts.Texts(), quitAt.isEmpty() ? QStringList() : QStringList(quitAt));
    QVERIFY(f.prompts.modalCount == 0 && f.clock.NowMs() - start < 1000 && dlg.result() == QDialog::Rejected);
    QCOMPARE(f.comm.written.isEmpty(), rxCount > 0);
}

void TestCardWindow::configureCard_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("suppress");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("written"); // length of the write request, 0 for none
    const QStringList ok{QStringLiteral("卡配置成功改写！")}, failed{QStringLiteral("卡配置改写失败！")};
    const QStringList basicOk{QStringLiteral("卡基本配置成功改写！")}, basicFailed{QStringLiteral("卡基本配置改写失败！")};
    QTest::newRow("extended write") << int(CardSimFault::None) << true << false << ok << 1102;
    QTest::newRow("basic write") << int(CardSimFault::None) << true << true << basicOk << 272;
    QTest::newRow("cancel") << int(CardSimFault::None) << false << false << QStringList() << 0;
    QTest::newRow("lower-case answers") << int(CardSimFault::LowerCase) << true << false << ok << 1102;
    QTest::newRow("different data acknowledged") << int(CardSimFault::WrongAck) << true << false << failed << 1102;
    QTest::newRow("different basic data") << int(CardSimFault::WrongAck) << true << true << basicFailed << 272;
    QTest::newRow("basic ack to an extended write") << int(CardSimFault::WrongAckKind) << true << false << failed << 1102;
    QTest::newRow("extended ack to a basic write") << int(CardSimFault::WrongAckKind) << true << true << basicFailed << 272;
    // The card answers the read with its status: the status window, and nothing more.
    QTest::newRow("status answer") << int(CardSimFault::WrongType) << true << false << QStringList() << 0;
    QTest::newRow("no answer") << int(CardSimFault::Silent) << true << false << QStringList({QStringLiteral("读卡配置失败!")}) << 0;
}

void TestCardWindow::configureCard() {
    QFETCH(int, fault);
    QFETCH(bool, accept);
    QFETCH(bool, suppress);
    QFETCH(QStringList, messages);
    QFETCH(int, written);
    CTerminalDlg& dlg = f.Open();
    AnswerWithSimulator(CardSimFault(fault));
    const CardConfigRecord atStart = m_sim->Config();
    int configDialogs = 0, statusWindows = 0;
    f.prompts.onModal = [&](QDialog& d) {
        auto* config = qobject_cast<CCardConfigDlg*>(&d);
        if (!config) {
            ++statusWindows;
            return int(QDialog::Rejected);
        }
        ++configDialogs;
        static_cast<QLineEdit*>(config->Control(IDC_CFG_UNIT_NAME))->setText(QStringLiteral("EDITED"));
        static_cast<QCheckBox*>(config->Control(IDC_CFG_SUPPRESS_EXTENDED))->setChecked(suppress);
        if (!accept)
            return int(QDialog::Rejected);
        static_cast<QPushButton*>(config->Control(IDC_CFG_PROGRAM))->click();
        return d.result();
    };
    static_cast<QPushButton*>(dlg.Control(IDC_CONFIGURE_CARD))->click();
    QCOMPARE(f.prompts.Texts(), messages);
    QCOMPARE(statusWindows, fault == int(CardSimFault::WrongType) ? 1 : 0);
    QCOMPARE(configDialogs, fault == int(CardSimFault::WrongType) || fault == int(CardSimFault::Silent) ? 0 : 1);

    // The read, then at most one write, each frame in one Output after the break preamble.
    QStringList frames;
    for (const QString& op : f.comm.OpsStartingWith("Output"))
        if (op != QStringLiteral("Output=00"))
            frames << op;
    QCOMPARE(frames.size(), written ? 2 : 1);
    QCOMPARE(frames.first(), QStringLiteral("Output=05 30 30 42 32 30 30 30 30 30 30 30 30 30 30 41 30 0D"));
    if (!written) {
        QVERIFY(m_sim->Config() == atStart);
        return;
    }
    QCOMPARE(dlg.Config().UnitName(), std::string("EDITED")); // kept also when the write failed
    const std::vector<std::uint8_t> expected = BuildCardRequest(
        written == 1102 ? CardRequest::WriteExtendedConfig : CardRequest::WriteBasicConfig, dlg.Config());
    QCOMPARE(int(expected.size()), written);
    const QByteArray bytes(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size()));
    QCOMPARE(frames.last(), QStringLiteral("Output=") + QString::fromLatin1(bytes.toHex(' ').toUpper()));
    // Everything but the unit name is what the card sent.
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        if (i < 14 || i >= 30)
            QCOMPARE(dlg.Config().bytes[i], atStart.bytes[i]);
    QCOMPARE(m_sim->Config().UnitName(), std::string("EDITED"));
    QCOMPARE(f.comm.GetRThreshold(), short(1));
}

QTEST_MAIN(TestCardWindow)
#include "tst_card_window.moc"
