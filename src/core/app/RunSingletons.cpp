#include "core/app/RunSingletons.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"

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
