#include "core/inventory/ReadPageSettings.h"

#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"

#include <QDir>

int ReadPageInterval(const char* group, const char* key)
{
    const int v =
        DeviceProfile::Instance()->GetValue(QString::fromLatin1(group), QString::fromLatin1(key)).toInt();
    return v > 0 ? v : kReadPageMinInterval;
}

QString ReadPageSaveFilePath(const char* group)
{
    QString file =
        DeviceProfile::Instance()->GetValue(QString::fromLatin1(group), QStringLiteral("SaveFile"));
    if (file.isEmpty() || QDir::isAbsolutePath(file)) {
        return file;
    }
    return QDir(AppSettings::Instance()->GetAppDir()).filePath(file);
}
