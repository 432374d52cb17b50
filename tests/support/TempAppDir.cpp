#include "TempAppDir.h"

#include "core/app/AppSettings.h"
#include "core/app/RunSingletons.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
bool CopyTree(const QString& from, const QString& to)
{
    QDir source(from);
    if (!source.exists()) {
        return false;
    }
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(file, target)) {
            return false;
        }
        QFile::setPermissions(target,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
    return true;
}
} // namespace

TempAppDir::TempAppDir()
{
    const QString data = qEnvironmentVariable("RIVULET_DATA_DIR");
    m_valid = m_dir.isValid() && !data.isEmpty() && CopyTree(data, m_dir.path());
    if (m_valid) {
        // Reader discovery of a test stays on this machine, whatever the profile enables.
        setSysValue(QStringLiteral("DISCOVERY/TARGET"), QStringLiteral("127.0.0.1"));
    }
}

TempAppDir::~TempAppDir()
{
    if (m_started) {
        stopApp();
    }
}

QString TempAppDir::filePath(const QString& relative) const
{
    return m_dir.filePath(relative);
}

QString TempAppDir::sysIniPath() const
{
    return filePath(QStringLiteral("Config/sys.ini"));
}

QString TempAppDir::profilePath(const QString& fileName) const
{
    return filePath(QStringLiteral("Config/DeviceConfig/") + fileName);
}

void TempAppDir::setSysValue(const QString& key, const QString& value)
{
    QSettings ini(sysIniPath(), QSettings::IniFormat);
    ini.setValue(key, value);
}

void TempAppDir::removeSysValue(const QString& key)
{
    QSettings ini(sysIniPath(), QSettings::IniFormat);
    ini.remove(key);
}

void TempAppDir::setProfileValue(const QString& fileName, const QString& key, const QString& value)
{
    QSettings ini(profilePath(fileName), QSettings::IniFormat);
    ini.setValue(key, value);
}

void TempAppDir::removeProfileValue(const QString& fileName, const QString& key)
{
    QSettings ini(profilePath(fileName), QSettings::IniFormat);
    ini.remove(key);
}

bool TempAppDir::writeFile(const QString& relative, const QByteArray& content)
{
    const QString target = filePath(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}

bool TempAppDir::removeFile(const QString& relative)
{
    return QFile::remove(filePath(relative));
}

void TempAppDir::startApp()
{
    AppSettings::SetAppDirOverride(path());
    StartRunSingletons();
    m_started = true;
}

void TempAppDir::stopApp()
{
    ShutdownRunSingletons();
    m_started = false;
}
