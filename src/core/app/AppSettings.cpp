#include "core/app/AppSettings.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSettings>

namespace {
QMutex g_instanceMutex;
AppSettings* g_instance = nullptr;
QString g_appDirOverride;

// The validator's Acceptable state: the expression matches the whole text.
bool AcceptsWholeText(const QString& pattern, const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    return expression.match(text).hasMatch();
}
} // namespace

AppSettings* AppSettings::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) {
        g_instance = new AppSettings;
    }
    return g_instance;
}

void AppSettings::DestroyInstance()
{
    QMutexLocker lock(&g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

void AppSettings::SetAppDirOverride(const QString& dir)
{
    g_appDirOverride = dir;
}

QString AppSettings::AppDirOverride()
{
    return g_appDirOverride;
}

bool AppSettings::InitPaths()
{
    QString dir = g_appDirOverride;
    if (dir.isEmpty()) {
        dir = QCoreApplication::applicationDirPath();
    }
    return InitPaths(dir);
}

bool AppSettings::InitPaths(const QString& appDir)
{
    m_appDir = appDir;
    m_sysIniPath = QStringLiteral("%1/Config/sys.ini").arg(m_appDir);
    m_languageDir = QStringLiteral("%1/language").arg(m_appDir);
    m_styleSheetPath = QStringLiteral("%1/skin/qss/stylesheet.css").arg(m_appDir);

    // The profile name has its own defaults, unlike the getters used by the dialogs.
    QSettings sys(m_sysIniPath, QSettings::IniFormat);
    const QString dllType =
        sys.value(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), QStringLiteral("DEFAULT")).toString();
    const QString loadType =
        sys.value(QStringLiteral("DEVICE_CONFIG/LOADTYPE"), QStringLiteral("RELEASE")).toString();
    const QString folder = QStringLiteral("%1/Config/DeviceConfig").arg(m_appDir);
    m_deviceProfilePath = QStringLiteral("%1/%2-%3.ini").arg(folder, dllType, loadType);
    return true;
}

QString AppSettings::GetSkinDir() const
{
    return QStringLiteral("%1/skin").arg(m_appDir);
}

QString AppSettings::GetSysValue(const QString& key, const QString& defaultValue) const
{
    QSettings sys(m_sysIniPath, QSettings::IniFormat);
    return sys.value(key, defaultValue).toString();
}

bool AppSettings::SetSysValue(const QString& key, const QString& value)
{
    QSettings sys(m_sysIniPath, QSettings::IniFormat);
    sys.setValue(key, value);
    sys.sync();
    return sys.status() == QSettings::NoError;
}

QString AppSettings::GetDllType() const
{
    return GetSysValue(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), QStringLiteral("6C"));
}

bool AppSettings::SetDllType(const QString& value)
{
    return SetSysValue(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), value);
}

QString AppSettings::GetLoadType() const
{
    return GetSysValue(QStringLiteral("DEVICE_CONFIG/LOADTYPE"), QStringLiteral("DEBUG"));
}

bool AppSettings::SetLoadType(const QString& value)
{
    return SetSysValue(QStringLiteral("DEVICE_CONFIG/LOADTYPE"), value);
}

QString AppSettings::GetFrequencyTable() const
{
    return GetSysValue(QStringLiteral("6CCONIFG/FrenyTable"), QStringLiteral("China"));
}

bool AppSettings::SetFrequencyTable(const QString& value)
{
    return SetSysValue(QStringLiteral("6CCONIFG/FrenyTable"), value);
}

QString AppSettings::GetAttachFunction() const
{
    return GetSysValue(QStringLiteral("6CCONIFG/AttachFunction"), QStringLiteral("NULL"));
}

bool AppSettings::SetAttachFunction(const QString& value)
{
    return SetSysValue(QStringLiteral("6CCONIFG/AttachFunction"), value);
}

int AppSettings::GetAnalysisTime() const
{
    return GetSysValue(QStringLiteral("Wireless_Config/AnalysisTime"), QStringLiteral("0")).toInt();
}

bool AppSettings::SetAnalysisTime(int value)
{
    return SetSysValue(QStringLiteral("Wireless_Config/AnalysisTime"), QString::number(value));
}

bool AppSettings::IsValidIp(const QString& text)
{
    static const QString pattern =
        QStringLiteral("((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)");
    return AcceptsWholeText(pattern, text);
}

bool AppSettings::IsHexText(const QString& text)
{
    return AcceptsWholeText(QStringLiteral("[a-fA-F0-9]+$"), text);
}
