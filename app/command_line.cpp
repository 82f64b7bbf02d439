#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#ifndef SERIMO_VERSION
#define SERIMO_VERSION "unknown"
#endif

namespace {

// Options QGuiApplication and QApplication take themselves; they must not be refused here.
// clang-format off
const char* const kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
                                       "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                                       "geometry", "style", "stylesheet", "name", "title", "visual"};
// clang-format on
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// "Com2=/dev/ttyACM0" names the port it maps; anything else is a path for Com1.
const QRegularExpression& PortMapping() {
    static const QRegularExpression re(QStringLiteral("^com(\\d+)=(.*)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

CommandLine Error(const QString& message) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.text = message;
    return result;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Serial-port terminal and service tool for a serial 802.11 radio card.\n"
                       "Settings are kept in serimo.ini in the user's configuration folder."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption device(
        {QStringLiteral("d"), QStringLiteral("device")},
        QStringLiteral("Open <path> as Com1 for this run, leaving the settings file as it is. "
                       "Com<n>=<path> maps Com2 to Com4 (or Com1) without changing the port opened. "
                       "May be given once per port."),
        QStringLiteral("path"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Write the whole session to <file> from the start, appending to it: .log and .txt "
                       "as timestamped text, anything else as the raw bytes received."),
        QStringLiteral("file"));
    const QCommandLineOption logFormat(QStringLiteral("log-format"),
                                       QStringLiteral("The log's format whatever the file is called: raw or text."),
                                       QStringLiteral("format"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(device);
    parser.addOption(log);
    parser.addOption(logFormat);
    for (const char* name : kQtValueOptions) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : kQtFlagOptions) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    if (!parser.parse(arguments))
        return Error(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return Error(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst()));

    CommandLine result;
    if (parser.isSet(help)) {
        // The parser names the program by the running application, and there is none yet.
        QString text = parser.helpText();
        QString program = arguments.isEmpty() ? QStringLiteral("serimo") : QFileInfo(arguments.constFirst()).fileName();
        // Typed without it on Windows.
        if (program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
            program.chop(4);
        text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: %1 [options]").arg(program));
        result.action = CommandLine::Action::Help;
        result.text = text;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("serimo " SERIMO_VERSION "\n");
        return result;
    }
    for (const QString& value : parser.values(device)) {
        short port = 1;
        QString path = value;
        if (const QRegularExpressionMatch m = PortMapping().match(value); m.hasMatch()) {
            const int n = m.captured(1).toInt();
            if (n < 1 || n > 4)
                return Error(QStringLiteral("There is no port %1 (Com1 to Com4).")
                                 .arg(value.left(value.indexOf(QLatin1Char('=')))));
            port = static_cast<short>(n);
            path = m.captured(2);
        } else {
            result.startOnCom1 = true;
        }
        if (path.trimmed().isEmpty())
            return Error(QStringLiteral("--device needs a device path."));
        if (!result.devices.emplace(port, path).second)
            return Error(QStringLiteral("Com%1 is given more than one device.").arg(port));
    }
    if (parser.values(log).size() > 1)
        return Error(QStringLiteral("--log may be given once."));
    if (parser.isSet(log)) {
        result.logPath = parser.value(log);
        if (result.logPath.isEmpty())
            return Error(QStringLiteral("--log needs a file."));
        result.logFormat = LogFormatForPath(result.logPath);
    }
    if (parser.isSet(logFormat)) {
        const QString format = parser.value(logFormat);
        if (format != QLatin1String("raw") && format != QLatin1String("text"))
            return Error(QStringLiteral("--log-format is raw or text, not '%1'.").arg(format));
        if (!parser.isSet(log))
            return Error(QStringLiteral("--log-format needs --log FILE."));
        result.logFormat = format == QLatin1String("text") ? LogFormat::Text : LogFormat::Raw;
    }
    return result;
}
