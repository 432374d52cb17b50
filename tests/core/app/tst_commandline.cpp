#include "core/app/AppSettings.h"
#include "core/app/CommandLine.h"

#include <QtTest>

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

class TstCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void helpNamesEveryOption();
    void overrideMovesThePaths();
};

void TstCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("env");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("textHas");

    const QString none;
    QTest::newRow("nothing") << QStringList{"rivulet"} << none << Action::Run << none << none;
    QTest::newRow("no arguments at all") << QStringList{} << none << Action::Run << none << none;
    QTest::newRow("separate value") << QStringList{"rivulet", "--app-dir", "/opt/a"} << none << Action::Run
                                    << "/opt/a" << none;
    QTest::newRow("joined value") << QStringList{"rivulet", "--app-dir=/opt/b"} << none << Action::Run
                                  << "/opt/b" << none;
    QTest::newRow("environment") << QStringList{"rivulet"} << "/opt/env" << Action::Run << "/opt/env" << none;
    QTest::newRow("option beats environment")
        << QStringList{"rivulet", "--app-dir", "/opt/a"} << "/opt/env" << Action::Run << "/opt/a" << none;
    QTest::newRow("given empty beats environment")
        << QStringList{"rivulet", "--app-dir="} << "/opt/env" << Action::Run << "" << none;
    QTest::newRow("last one wins") << QStringList{"rivulet", "--app-dir", "/a", "--app-dir", "/b"} << none
                                   << Action::Run << "/b" << none;
    QTest::newRow("path with spaces") << QStringList{"rivulet", "--app-dir", "/opt/my readers"} << none
                                      << Action::Run << "/opt/my readers" << none;
    QTest::newRow("help") << QStringList{"rivulet", "--help"} << none << Action::ShowHelp << none
                          << "--app-dir <DIR>";
    QTest::newRow("short help") << QStringList{"rivulet", "-h"} << none << Action::ShowHelp << none
                                << "--version";
    QTest::newRow("help after a directory") << QStringList{"rivulet", "--app-dir", "/x", "--help"} << none
                                            << Action::ShowHelp << none << "Usage:";
    QTest::newRow("version") << QStringList{"rivulet", "--version"} << none << Action::ShowVersion << none
                             << "Rivulet " + RivuletVersion() + "\n";
    QTest::newRow("short version") << QStringList{"rivulet", "-v"} << none << Action::ShowVersion << none
                                   << RivuletVersion();
    // Told, not silently ignored: the operator would otherwise run on the wrong directory.
    QTest::newRow("value missing") << QStringList{"rivulet", "--app-dir"} << "/opt/env" << Action::Refuse
                                   << none << "Missing value after '--app-dir'";
    QTest::newRow("unknown option") << QStringList{"rivulet", "--app-dri", "/x"} << none << Action::Refuse
                                    << none << "Unknown option 'app-dri'";
    QTest::newRow("refusal points to help") << QStringList{"/usr/bin/rivulet", "--bogus"} << none
                                            << Action::Refuse << none << "Try '/usr/bin/rivulet --help'";
    QTest::newRow("unknown beats help")
        << QStringList{"rivulet", "--help", "--bogus"} << none << Action::Refuse << none << "bogus";
}

void TstCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, env);
    QFETCH(Action, action);
    QFETCH(QString, appDir);
    QFETCH(QString, textHas);

    const CommandLine result = ParseCommandLine(arguments, env);
    QCOMPARE(result.action, action);
    QCOMPARE(result.appDir, appDir);
    if (action == Action::Run) {
        QVERIFY(result.text.isEmpty());
    } else {
        QVERIFY2(result.text.contains(textHas), qPrintable(result.text));
        QVERIFY(result.text.endsWith(QLatin1Char('\n')));
    }
}

void TstCommandLine::helpNamesEveryOption()
{
    const QString help = ParseCommandLine({"rivulet", "--help"}, QString()).text;
    for (const char* option : {"-h, --help", "-v, --version", "--app-dir <DIR>", "RIVULET_APP_DIR"}) {
        QVERIFY2(help.contains(QLatin1String(option)), option);
    }
    QVERIFY(!help.contains(QLatin1String("--help-all")));
}

// What the option selects is where every file is looked for.
void TstCommandLine::overrideMovesThePaths()
{
    AppSettings::SetAppDirOverride(QString());
    AppSettings::Instance()->InitPaths();
    QCOMPARE(AppSettings::Instance()->GetAppDir(), QCoreApplication::applicationDirPath());
    AppSettings::SetAppDirOverride(ParseCommandLine({"rivulet", "--app-dir", "/opt/c"}, QString()).appDir);
    AppSettings::Instance()->InitPaths();
    QCOMPARE(AppSettings::Instance()->GetSysIniPath(), QStringLiteral("/opt/c/Config/sys.ini"));
    AppSettings::DestroyInstance();
    AppSettings::SetAppDirOverride(QString());
}

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"
