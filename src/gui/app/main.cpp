#include "core/app/AppSettings.h"
#include "core/app/CommandLine.h"
#include "gui/app/RunRivulet.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rivulet"));
    QApplication::setApplicationVersion(RivuletVersion());
    // Qt has taken its own options out of the list by now.
    const CommandLine options =
        ParseCommandLine(QApplication::arguments(), qEnvironmentVariable("RIVULET_APP_DIR"));
    switch (options.action) {
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(options.text), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        std::fputs(qPrintable(options.text), stderr);
        return 1;
    case CommandLine::Action::Run:
        break;
    }
    InitRivuletResources();
    AppSettings::SetAppDirOverride(options.appDir);
    return RunRivulet(app);
}
