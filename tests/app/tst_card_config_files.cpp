// Buttons 1102, 1103 and 1104 of "Card Configuration" in the window, on the fake serial control with
// the simulated card: the extended dialog, saving and restoring .cfg files.
#include "card/card_config_dlg.h"
#include "card/ext_card_config_dlg.h"
#include "card/number_box.h"
#include "res/resource.h"
#include "sim/card_simulator.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

namespace {

QByteArray Bytes(const CardConfigRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), qsizetype(r.bytes.size()));
}

void Click(QDialog& d, int id) {
    static_cast<QAbstractButton*>(d.findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)))->click();
}

} // namespace

class TestCardConfigFiles : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_savedFolder = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        f.WriteProfile(QStringLiteral("[Com Port]\r\nBaud=5\r\n"));
    }
    void cleanup() {
        QDir::setCurrent(m_savedFolder);
        f.Reset();
    }

    void extendedChangesAreSavedAndProgrammed_data();
    void extendedChangesAreSavedAndProgrammed();
    void restoredFileReachesBothDialogs();
    void restoredCodesOutsideTheirListsAreAskedFor();

private:
    // The simulated card answers each request as the card would.
    void AnswerWithSimulator() {
        m_sim = std::make_unique<CCardSimulator>();
        f.comm.onOutput = [this](const QByteArray& bytes) {
            for (const CardSimExchange& e : m_sim->Feed(
                     reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())))
                if (!e.reply.empty())
                    f.comm.ScheduleInput(
                        e.delayMs + 5,
                        QByteArray(reinterpret_cast<const char*>(e.reply.data()), qsizetype(e.reply.size())));
        };
    }
    // Runs "配置卡" with `basic` driving the configuration dialog and `extended` the extended one.
    void Configure(std::function<int(CCardConfigDlg&)> basic,
                   std::function<int(CExtCardConfigDlg&)> extended = {}) {
        f.prompts.onModal = [=](QDialog& d) {
            if (auto* ext = qobject_cast<CExtCardConfigDlg*>(&d))
                return extended ? extended(*ext) : int(QDialog::Rejected);
            return basic(static_cast<CCardConfigDlg&>(d));
        };
        static_cast<QPushButton*>(f.dlg->Control(IDC_CONFIGURE_CARD))->click();
    }
    QString WriteCfg(const CardConfigRecord& r, const QString& name) {
        return f.WriteFile(name, Bytes(r)) ? f.dir.filePath(name) : QString();
    }

    CWindowFixture f;
    std::unique_ptr<CCardSimulator> m_sim;
    QString m_savedFolder;
};

void TestCardConfigFiles::extendedChangesAreSavedAndProgrammed_data() {
    QTest::addColumn<bool>("extendedOk");
    QTest::newRow("extended OK") << true;
    QTest::newRow("extended cancelled") << false;
}

// The saved file holds exactly what the following write sends, extended changes included.
void TestCardConfigFiles::extendedChangesAreSavedAndProgrammed() {
    QFETCH(bool, extendedOk);
    f.Start();
    AnswerWithSimulator();
    const CardConfigRecord atStart = m_sim->Config();
    int extendedDialogs = 0;
    Configure(
        [](CCardConfigDlg& d) {
            Click(d, IDC_CFG_SAVE_FILE);
            Click(d, IDC_CFG_EXTENDED);
            Click(d, IDC_CFG_SAVE_FILE); // the same second: replaces the first
            Click(d, IDC_CFG_PROGRAM);
            return d.result();
        },
        [&](CExtCardConfigDlg& d) {
            ++extendedDialogs;
            static_cast<CNumberBox*>(d.Control(IDC_RESTART_DELAY))->Step(1);
            Click(d, extendedOk ? IDOK : IDCANCEL);
            return d.result();
        });
    QCOMPARE(f.prompts.Texts(), QStringList{QStringLiteral("卡配置成功改写！")});
    QCOMPARE(extendedDialogs, 1);
    QCOMPARE(int(m_sim->Config().RestartDelay()), atStart.RestartDelay() + (extendedOk ? 1 : 0));

    const QString name = QStringLiteral("2024-03-05 14.05.09.cfg");
    QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("*.cfg")}), QStringList{name});
    QCOMPARE(f.ReadFile(name), Bytes(m_sim->Config()));
    QVERIFY(f.dlg->Config() == m_sim->Config());

    // The name is in the profile file at once, and closing the window keeps it.
    QVERIFY(f.ProfileText().contains(QStringLiteral("[Setting]\r\nRecent File Saved=") + name));
    f.dlg->SaveSettings();
    QVERIFY(f.ProfileText().contains(QStringLiteral("Recent File Saved=") + name));
    QVERIFY(f.ProfileText().contains(QStringLiteral("Baud=")));
}

void TestCardConfigFiles::restoredFileReachesBothDialogs() {
    f.WriteProfile(QStringLiteral("[Setting]\r\nRecent File Saved=last.cfg\r\n"));
    f.Start();
    AnswerWithSimulator();
    CardConfigRecord file = CCardSimulator::DefaultConfig();
    file.SetUnitName("FROM-FILE");
    file.SetRestartDelay(77);
    file.SetWepAuth(2);
    QDir(f.dir.path()).mkdir(QStringLiteral("sub"));
    f.prompts.chooserAnswers.push_back(WriteCfg(file, QStringLiteral("sub/kept.cfg")));
    const QString startFolder = QDir::currentPath();
    QString unitName, delay, auth;
    Configure(
        [&](CCardConfigDlg& d) {
            Click(d, IDC_CFG_RESTORE_FILE);
            unitName = static_cast<QLineEdit*>(d.Control(IDC_CFG_UNIT_NAME))->text();
            Click(d, IDC_CFG_EXTENDED);
            return int(QDialog::Rejected);
        },
        [&](CExtCardConfigDlg& d) {
            delay = static_cast<QLineEdit*>(d.Control(IDC_RESTART_DELAY))->text();
            auth = static_cast<QComboBox*>(d.Control(IDC_WEP_AUTH))->currentText();
            return int(QDialog::Rejected);
        });
    QVERIFY2(f.prompts.messages.empty(), qPrintable(f.prompts.Texts().join('|')));
    QCOMPARE(f.prompts.choosers.size(), std::size_t(1));
    QCOMPARE(f.prompts.choosers[0].start, QDir(startFolder).filePath(QStringLiteral("last.cfg")));
    QCOMPARE(f.prompts.choosers[0].filter, QStringLiteral("S24 Card Config Files(*.cfg)|*.cfg||"));
    // The next save lands beside the restored file.
    QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(),
             QFileInfo(f.dir.filePath("sub")).canonicalFilePath());
    QCOMPARE(unitName, QStringLiteral("FROM-FILE"));
    QCOMPARE(delay, QStringLiteral("77"));
    QCOMPARE(auth, QStringLiteral("2 - 128 bits key"));
    // Cancelled: nothing written to the card, but the working record is the file's.
    QVERIFY(m_sim->Config() == CCardSimulator::DefaultConfig());
    QVERIFY(f.dlg->Config() == file);
}

void TestCardConfigFiles::restoredCodesOutsideTheirListsAreAskedFor() {
    f.Start();
    AnswerWithSimulator();
    CardConfigRecord file = CCardSimulator::DefaultConfig();
    file.SetProtocol(7);
    f.prompts.chooserAnswers.push_back(WriteCfg(file, QStringLiteral("odd.cfg")));
    bool anyProtocol = true;
    int result = -1;
    Configure([&](CCardConfigDlg& d) {
        Click(d, IDC_CFG_RESTORE_FILE);
        anyProtocol = d.Built().RadioIndex(IDC_CFG_TCP) >= 0;
        Click(d, IDC_CFG_SAVE_FILE);
        Click(d, IDC_CFG_PROGRAM);
        result = d.result();
        return int(QDialog::Rejected);
    });
    QVERIFY(!anyProtocol);
    QCOMPARE(result, 0);
    QCOMPARE(f.prompts.Texts(), QStringList(2, QStringLiteral("请选择使用的协议!")));
    QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("2*.cfg")}), QStringList()); // no file saved
    QCOMPARE(f.prompts.waitCursorDepth, 0);
    QVERIFY(m_sim->Config() == CCardSimulator::DefaultConfig());
}

QTEST_MAIN(TestCardConfigFiles)
#include "tst_card_config_files.moc"
