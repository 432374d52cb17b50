#include "core/app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

QString RivuletVersion()
{
    return QStringLiteral(RIVULET_VERSION);
}

CommandLine ParseCommandLine(const QStringList& arguments, const QString& envAppDir)
{
    // Built by hand rather than with addHelpOption(): that one also answers --help-all, which only
    // process() can print, and process() ends the program instead of returning.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption appDir(
        QStringLiteral("app-dir"),
        QStringLiteral("Run on the settings, language files and skin in DIR instead of the directory "
                       "of the executable. Without it, RIVULET_APP_DIR names the directory."),
        QStringLiteral("DIR"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Installs, tests and services UHF RFID readers."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(appDir);

    CommandLine result;
    // The parser takes the first entry for the program's name.
    QStringList args = arguments;
    if (args.isEmpty()) {
        args << QStringLiteral("rivulet");
    }
    const QString program = args.first();
    if (!parser.parse(args)) {
        result.action = CommandLine::Action::Refuse;
        result.text = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                          .arg(program, parser.errorText());
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = QStringLiteral("Rivulet %1\n").arg(RivuletVersion());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
        result.text = parser.helpText();
        return result;
    }
    // Given, even empty, the option wins over the environment.
    result.appDir = parser.isSet(appDir) ? parser.value(appDir) : envAppDir;
    return result;
}
