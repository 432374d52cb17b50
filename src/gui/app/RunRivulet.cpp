#include "gui/app/RunRivulet.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "gui/app/MainWindow.h"
#include "core/app/ReaderDriverHolder.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QStyleFactory>

static void InitRivuletResourcesImpl()
{
    Q_INIT_RESOURCE(rivulet);
}

void InitRivuletResources()
{
    InitRivuletResourcesImpl();
}

QString ResolveAppDirOverride(const QStringList& arguments)
{
    const QString option = QStringLiteral("--app-dir");
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == option && i + 1 < arguments.size()) {
            return arguments.at(i + 1);
        }
        if (arg.startsWith(option + QLatin1Char('='))) {
            return arg.mid(option.size() + 1);
        }
    }
    return qEnvironmentVariable("RIVULET_APP_DIR");
}

void StartRunSingletons()
{
    AppSettings* settings = AppSettings::Instance();
    settings->InitPaths();
    const QString dllType = settings->GetDllType();
    DeviceProfile::Instance()->Open(settings->GetDeviceProfilePath());
    LoadLanguage(settings->GetLanguageDir());
    ReaderDriverHolder::Instance()->CreateDriver(dllType);
}

void ShutdownRunSingletons()
{
    UnloadLanguage();
    DeviceProfile::Instance()->Close();
    AppContext::Instance()->Shutdown();
    ReaderDriverHolder::Instance()->DestroyDriver();
    DeviceProfile::DestroyInstance();
    AppContext::DestroyInstance();
    AppSettings::DestroyInstance();
    ReaderDriverHolder::DestroyInstance();
}

void ApplyLook(QApplication& app)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);
    QApplication::setQuitOnLastWindowClosed(true);

    // A missing style sheet leaves the plain look; nothing is carried over from the last run.
    QString styleSheet;
    QFile file(AppSettings::Instance()->GetStyleSheetPath());
    if (file.open(QIODevice::ReadOnly)) {
        styleSheet = QString::fromUtf8(file.readAll());
    }
    app.setStyleSheet(styleSheet);
}

int RunRivulet(QApplication& app, const std::function<void(MainWindow&)>& onWindowShown)
{
    int result = 0;
    bool restart = false;
    do {
        StartRunSingletons();
        ApplyLook(app);
        auto* window = new MainWindow;
        window->show();
        if (onWindowShown) {
            onWindowShown(*window);
        }
        result = app.exec();
        restart = window->GetRestartFlag();
        delete window;
        ShutdownRunSingletons();
    } while (restart);
    return result;
}
