#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away application directory: a copy of the runtime data ($RIVULET_DATA_DIR) that the
// app singletons are started on. Removed with the object.
class TempAppDir
{
public:
    TempAppDir();
    ~TempAppDir();

    bool isValid() const { return m_valid; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const;
    QString sysIniPath() const;
    QString profilePath(const QString& fileName) const; // e.g. "6C-DEBUG.ini"

    // group/key in sys.ini.
    void setSysValue(const QString& key, const QString& value);
    void removeSysValue(const QString& key);
    // group/key in a profile file of Config/DeviceConfig.
    void setProfileValue(const QString& fileName, const QString& key, const QString& value);
    void removeProfileValue(const QString& fileName, const QString& key);
    // Writes text as the whole file (relative to the directory), creating folders.
    bool writeFile(const QString& relative, const QByteArray& content);
    bool removeFile(const QString& relative);

    // Points the program at this directory and builds one run's singletons on it.
    void startApp();
    // The run loop's shutdown step.
    void stopApp();

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
    bool m_started = false;
};
