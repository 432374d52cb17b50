#include "core/app/AppSettings.h"
#include "gui/app/RunRivulet.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rivulet"));
    InitRivuletResources();
    AppSettings::SetAppDirOverride(ResolveAppDirOverride(QApplication::arguments()));
    return RunRivulet(app);
}
