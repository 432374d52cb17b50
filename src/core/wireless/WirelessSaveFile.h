#pragma once

#include <QList>
#include <QString>

#include <array>

// The text the wireless receive window appends to a file when the tree is saved: every reader with its
// tags, as the tree shows them.
namespace WirelessSaveFile {

struct Tag
{
    QString key;
    QString readTime;
    std::array<QString, 4> counts;
};

struct Reader
{
    QString name; // the reader's address text
    QList<Tag> tags;
};

QString text(const QList<Reader>& readers);
// Appends text(readers) as UTF-8; false when the file cannot be opened or written.
bool append(const QString& path, const QList<Reader>& readers);

} // namespace WirelessSaveFile
