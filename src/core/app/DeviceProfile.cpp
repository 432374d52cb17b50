#include "core/app/DeviceProfile.h"

#include <QMutexLocker>
#include <QSettings>

namespace {
QMutex g_instanceMutex;
DeviceProfile* g_instance = nullptr;
} // namespace

DeviceProfile* DeviceProfile::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) {
        g_instance = new DeviceProfile;
    }
    return g_instance;
}

void DeviceProfile::DestroyInstance()
{
    QMutexLocker lock(&g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

DeviceProfile::~DeviceProfile() = default;

bool DeviceProfile::Open(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_path = path;
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    return true;
}

bool DeviceProfile::IsEnabled(const QString& group, const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings) {
        return false;
    }
    const QString value = m_settings->value(group + QLatin1Char('/') + key, QStringLiteral("0")).toString();
    bool ok = false;
    const uint number = value.toUInt(&ok, 10);
    return ok && number == 1;
}

QString DeviceProfile::GetValue(const QString& group, const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings) {
        return QString();
    }
    const QVariant value = m_settings->value(group + QLatin1Char('/') + key);
    // An unquoted value with commas comes back as a list.
    if (value.userType() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}

bool DeviceProfile::SetValue(const QString& group, const QString& key, const QString& value)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings) {
        return false;
    }
    m_settings->setValue(group + QLatin1Char('/') + key, value);
    m_settings->sync();
    return true;
}

void DeviceProfile::Close()
{
    QMutexLocker lock(&m_mutex);
    m_settings.reset();
}

bool DeviceProfile::IsOpen() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings != nullptr;
}
