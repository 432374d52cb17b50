#pragma once

#include <QMutex>
#include <QString>

#include <memory>

class QSettings;

// The per-product switch file: which panels, menus, items and media exist.
class DeviceProfile
{
public:
    static DeviceProfile* Instance();
    static void DestroyInstance();

    ~DeviceProfile();

    bool Open(const QString& path);
    // On only when the value reads as the unsigned decimal number 1 ("01" is on, "true" is off).
    bool IsEnabled(const QString& group, const QString& key) const;
    QString GetValue(const QString& group, const QString& key) const;
    bool SetValue(const QString& group, const QString& key, const QString& value);
    void Close();

    bool IsOpen() const;
    QString GetPath() const { return m_path; }

private:
    DeviceProfile() = default;

    mutable QMutex m_mutex;
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};
