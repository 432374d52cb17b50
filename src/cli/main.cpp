#include "cli/CliRun.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rivulet-cli"));
    return RunCli(QCoreApplication::arguments());
}
