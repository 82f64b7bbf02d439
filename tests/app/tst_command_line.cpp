// The program's command line: options parsed without a window, and the program answering them
// without a display.
#include "app/command_line.h"
#include "app/port_settings.h"
#include "app/profile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Devices = std::map<short, QString>;
Q_DECLARE_METATYPE(Devices)

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void refuses_data();
    void refuses();
    void helpAndVersion();
    void overrideLeavesProfileAlone();
    void programAnswersWithoutDisplay_data();
    void programAnswersWithoutDisplay();
};

void TestCommandLine::runs_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<bool>("startOnCom1");
    QTest::newRow("nothing") << QStringList{} << Devices{} << false;
    QTest::newRow("device") << QStringList{"--device", "/dev/ttyUSB0"} << Devices{{1, "/dev/ttyUSB0"}}
                            << true;
    QTest::newRow("device=") << QStringList{"--device=/tmp/a b"} << Devices{{1, "/tmp/a b"}} << true;
    QTest::newRow("-d") << QStringList{"-d", "/dev/serial/by-id/usb-x-if00"}
                        << Devices{{1, "/dev/serial/by-id/usb-x-if00"}} << true;
    QTest::newRow("other ports keep the saved port")
        << QStringList{"--device", "Com2=/a", "--device", "com4=/b"} << Devices{{2, "/a"}, {4, "/b"}}
        << false;
    QTest::newRow("com1 by name keeps the saved port")
        << QStringList{"--device", "COM1=/a"} << Devices{{1, "/a"}} << false;
    QTest::newRow("path and mappings")
        << QStringList{"--device", "/p", "--device", "Com3=/q"} << Devices{{1, "/p"}, {3, "/q"}} << true;
    QTest::newRow("qt window options left for qt")
        << QStringList{"-platform", "offscreen", "-style=fusion", "-reverse", "--device", "/p"}
        << Devices{{1, "/p"}} << true;
}

void TestCommandLine::runs() {
    QFETCH(QStringList, arguments);
    QFETCH(Devices, devices);
    QFETCH(bool, startOnCom1);
    const CommandLine line = ParseCommandLine(QStringList{"serimo"} + arguments);
    QCOMPARE(line.action, CommandLine::Action::Run);
    QCOMPARE(line.devices, devices);
    QCOMPARE(line.startOnCom1, startOnCom1);
}

void TestCommandLine::refuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown") << QStringList{"--bogus"} << "Unknown option 'bogus'.";
    QTest::newRow("unknown single dash") << QStringList{"-x"} << "Unknown option 'x'.";
    QTest::newRow("device without path") << QStringList{"--device"} << "Missing value after '--device'.";
    QTest::newRow("empty path") << QStringList{"--device", ""} << "--device needs a device path.";
    QTest::newRow("empty mapping") << QStringList{"--device", "Com2="} << "--device needs a device path.";
    QTest::newRow("no such port") << QStringList{"--device", "Com5=/a"}
                                  << "There is no port Com5 (Com1 to Com4).";
    QTest::newRow("port zero") << QStringList{"--device", "com0=/a"}
                               << "There is no port com0 (Com1 to Com4).";
    QTest::newRow("com1 twice") << QStringList{"--device", "/a", "--device", "Com1=/b"}
                                << "Com1 is given more than one device.";
    QTest::newRow("log format unknown") << QStringList{"--log", "a.log", "--log-format", "hex"}
                                        << "--log-format is raw or text, not 'hex'.";
    QTest::newRow("log format alone") << QStringList{"--log-format", "raw"} << "--log-format needs --log FILE.";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << "Unexpected argument '/dev/ttyUSB0'.";
}

void TestCommandLine::refuses() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CommandLine line = ParseCommandLine(QStringList{"serimo"} + arguments);
    QCOMPARE(line.action, CommandLine::Action::Error);
    QCOMPARE(line.text, message);
    QVERIFY(line.devices.empty());
}

void TestCommandLine::helpAndVersion() {
    for (const char* option : {"--help", "-h"}) {
        const CommandLine line = ParseCommandLine({"/usr/bin/serimo", option, "--device", "/a"});
        QCOMPARE(line.action, CommandLine::Action::Help);
        QVERIFY2(line.text.startsWith("Usage: serimo [options]\n"), qPrintable(line.text));
        QVERIFY(line.text.contains("--device <path>") && line.text.contains("--log <file>") &&
                line.text.contains("--log-format <format>"));
        QVERIFY2(!line.text.contains("platform"), "Qt's own options stay out of the help");
    }
    for (const char* option : {"--version", "-v"}) {
        const CommandLine line = ParseCommandLine({"serimo", option});
        QCOMPARE(line.action, CommandLine::Action::Version);
        QVERIFY2(line.text.startsWith("serimo 2.") && line.text.endsWith('\n'), qPrintable(line.text));
    }
}

void TestCommandLine::overrideLeavesProfileAlone() {
    QTemporaryDir dir;
    const QString path = dir.filePath("serimo.ini");
    const QByteArray file("[Devices]\r\nCom1=/from/profile\r\nCom2=/two\r\n");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    CProfile profile(path);
    SetPortDeviceOverrides({{1, "/from/command/line"}, {3, "/three"}});
    const QStringList mapped{PortDevice(profile, 1), PortDevice(profile, 2), PortDevice(profile, 3)};
    SetPortDeviceOverrides({});
    QCOMPARE(mapped, (QStringList{"/from/command/line", "/two", "/three"}));
    QCOMPARE(PortDevice(profile, 1), QString("/from/profile"));
    QVERIFY(profile.Flush());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), file);
}

void TestCommandLine::programAnswersWithoutDisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "serimo 2."
                             << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: serimo [options]"
                          << "";
    QTest::newRow("bad option") << QStringList{"--bogus"} << 2 << ""
                                << "serimo: Unknown option 'bogus'. Try 'serimo --help'.\n";
    QTest::newRow("bad port") << QStringList{"--device", "Com9=/x"} << 2 << ""
                              << "serimo: There is no port Com9 (Com1 to Com4). Try 'serimo --help'.\n";
}

void TestCommandLine::programAnswersWithoutDisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    program.setProcessEnvironment(env);
    program.start(SERIMO_PATH, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString got = QString::fromLocal8Bit(program.readAllStandardOutput());
    QVERIFY2(out.isEmpty() ? got.isEmpty() : got.startsWith(out), qPrintable(got));
    // Lines end in CR LF on Windows, as its C runtime writes them.
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()).replace(QLatin1String("\r\n"), QLatin1String("\n")), err);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
