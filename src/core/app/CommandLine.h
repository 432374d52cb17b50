#pragma once

#include <QString>
#include <QStringList>

// Rivulet's own options: --app-dir DIR, -h/--help, -v/--version.
struct CommandLine
{
    enum class Action
    {
        Run,
        ShowHelp,
        ShowVersion,
        Refuse // unknown option or missing value: text says which
    };

    Action action = Action::Run;
    // The application directory to run on; empty: the executable's own.
    QString appDir;
    // Help, version or error text, ready to print, for every action but Run.
    QString text;
};

// arguments as QCoreApplication::arguments() gives them, program name first. Without --app-dir the
// directory is envAppDir (RIVULET_APP_DIR).
CommandLine ParseCommandLine(const QStringList& arguments, const QString& envAppDir);

// The program's version, "1.0.0".
QString RivuletVersion();
