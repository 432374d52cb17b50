#pragma once

#include <QByteArray>
#include <QString>

// The language table: every visible text is looked up by key. Missing texts show the key itself.
bool LoadLanguage(const QString& languageDir);
// The language the index lists under id ("en", "zh_CN"), whatever the index selects.
bool LoadLanguageById(const QString& languageDir, const QString& id);
void UnloadLanguage();
QString LangText(const char* key);
QString LangText(const QString& key);
QString LangText(const QByteArray& key);
// The text of a key as a form label: it ends in a colon whether or not the text has one.
QString LangLabel(const char* key);

// Name of the loaded language ("English", "简体中文"), empty when none.
QString CurrentLanguageName();
