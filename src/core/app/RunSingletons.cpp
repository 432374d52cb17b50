#include "core/app/RunSingletons.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/wireless/WirelessReaderRegistry.h"

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
    WirelessReaderRegistry::DestroyInstance();
    UnloadLanguage();
    DeviceProfile::Instance()->Close();
    AppContext::Instance()->Shutdown();
    ReaderDriverHolder::Instance()->DestroyDriver();
    DeviceProfile::DestroyInstance();
    AppContext::DestroyInstance();
    AppSettings::DestroyInstance();
    ReaderDriverHolder::DestroyInstance();
}
