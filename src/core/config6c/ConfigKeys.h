#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The 6C reader's settings by name ("antenna.1.power", "network.ip", "q", "param.work_mode" ...), for
// tools that script a reader: each key is read and written with the same records as the dialogs.
namespace ConfigKeys {

struct KeyInfo
{
    QString key;
    QString help; // one line: the values it takes
};

// Every key, in the order `config get` lists them.
const QList<KeyInfo>& Keys();
bool IsKey(const QString& key);
// The values a key takes, one line.
QString KeyHelp(const QString& key);

enum class Status
{
    Ok,
    UnknownKey,
    BadValue,     // a value the key cannot take: nothing was sent
    ReaderFailed, // the reader refused or did not answer
    FileFailed
};

struct Outcome
{
    Status status = Status::Ok;
    QString detail; // the value read, or what was wrong
};

// A value as written: checked and converted before anything is sent.
Outcome CheckValue(const QString& key, const QString& value);

Outcome Get(intptr_t handle, const QString& key);
Outcome Set(intptr_t handle, const QString& key, const QString& value);

// The nine parameter rows through the parameter file of the configuration dialog.
Outcome ExportParams(intptr_t handle, const QString& path);
Outcome ImportParams(intptr_t handle, const QString& path);

} // namespace ConfigKeys
