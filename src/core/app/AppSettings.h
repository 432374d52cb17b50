#pragma once

#include <QString>

// File paths of the program and typed access to Config/sys.ini. Only the paths are cached:
// every accessor opens sys.ini afresh so a change is seen at once.
class AppSettings
{
public:
    static AppSettings* Instance();
    static void DestroyInstance();

    // Replaces the executable's directory (--app-dir, RIVULET_APP_DIR); survives the instance.
    static void SetAppDirOverride(const QString& dir);
    static QString AppDirOverride();

    bool InitPaths();
    bool InitPaths(const QString& appDir);

    QString GetAppDir() const { return m_appDir; }
    QString GetSysIniPath() const { return m_sysIniPath; }
    QString GetLanguageDir() const { return m_languageDir; }
    QString GetStyleSheetPath() const { return m_styleSheetPath; }
    QString GetDeviceProfilePath() const { return m_deviceProfilePath; }
    QString GetSkinDir() const;

    QString GetDllType() const;
    bool SetDllType(const QString& value);
    QString GetLoadType() const;
    bool SetLoadType(const QString& value);
    QString GetFrequencyTable() const;
    bool SetFrequencyTable(const QString& value);
    QString GetAttachFunction() const;
    bool SetAttachFunction(const QString& value);
    int GetAnalysisTime() const;
    bool SetAnalysisTime(int value);

    // The setters write through at once and are false when sys.ini could not be written.
    // Reads any sys.ini key (group/key); for the device list and the like.
    QString GetSysValue(const QString& key, const QString& defaultValue = QString()) const;
    bool SetSysValue(const QString& key, const QString& value);

    static bool IsValidIp(const QString& text);
    static bool IsHexText(const QString& text);

private:
    AppSettings() = default;

    QString m_appDir;
    QString m_sysIniPath;
    QString m_languageDir;
    QString m_styleSheetPath;
    QString m_deviceProfilePath;
};
