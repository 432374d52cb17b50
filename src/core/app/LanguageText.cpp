#include "core/app/LanguageText.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QSettings>
#include <QWriteLocker>

namespace {
// Worker threads look texts up too: the table is copied out of the file once, then only read.
struct LanguageTable
{
    QReadWriteLock lock;
    QString languageDir;
    QString languageName;
    QHash<QString, QString> texts;
};

LanguageTable& Table()
{
    static LanguageTable table;
    return table;
}

QString ValueAsText(const QVariant& value)
{
    // An unquoted INI value with commas is read back as a list.
    if (value.userType() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}
} // namespace

bool LoadLanguage(const QString& languageDir)
{
    QSettings index(QDir(languageDir).filePath(QStringLiteral("LanguageIndex.ini")), QSettings::IniFormat);
    const QString id = index.value(QStringLiteral("info/languagesSel")).toString();
    return LoadLanguageById(languageDir, id);
}

bool LoadLanguageById(const QString& languageDir, const QString& id)
{
    QHash<QString, QString> texts;
    QString name;
    if (!id.isEmpty()) {
        QSettings index(QDir(languageDir).filePath(QStringLiteral("LanguageIndex.ini")),
                        QSettings::IniFormat);
        name = ValueAsText(index.value(QStringLiteral("languages/") + id));
    }
    if (!name.isEmpty()) {
        const QString path = QDir(languageDir).filePath(name + QStringLiteral(".ini"));
        if (QFile::exists(path)) {
            QSettings file(path, QSettings::IniFormat);
            file.beginGroup(QStringLiteral("text"));
            const QStringList keys = file.childKeys();
            for (const QString& key : keys) {
                texts.insert(key, ValueAsText(file.value(key)));
            }
        }
    }
    LanguageTable& table = Table();
    QWriteLocker lock(&table.lock);
    table.languageDir = languageDir;
    table.languageName = name;
    table.texts = std::move(texts);
    return true;
}

void UnloadLanguage()
{
    LanguageTable& table = Table();
    QWriteLocker lock(&table.lock);
    table.texts.clear();
    table.languageName.clear();
}

QString LangText(const QString& key)
{
    if (key.isEmpty()) {
        return QString();
    }
    LanguageTable& table = Table();
    QReadLocker lock(&table.lock);
    const QString text = table.texts.value(key);
    return text.isEmpty() ? key : text;
}

QString LangText(const char* key)
{
    if (!key || !*key) {
        return QString();
    }
    return LangText(QString::fromUtf8(key));
}

QString LangText(const QByteArray& key)
{
    return LangText(QString::fromUtf8(key));
}

QString CurrentLanguageName()
{
    LanguageTable& table = Table();
    QReadLocker lock(&table.lock);
    return table.languageName;
}

QString LangLabel(const char* key)
{
    QString text = LangText(key);
    if (!text.endsWith(QLatin1Char(':')) && !text.endsWith(QChar(0xFF1A))) {
        text += QLatin1Char(':');
    }
    return text;
}
