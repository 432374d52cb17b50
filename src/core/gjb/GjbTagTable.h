#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QTextStream;
class TagRowSink;

// One GJB tag as the inventory counts it.
struct GjbTagRecord
{
    QString tagId;        // upper-case hex, also the table key
    QString lastReadTime; // "hh:mm:ss"
    int antennaCount1 = 0;
    int antennaCount2 = 0;
    int antennaCount3 = 0;
    int antennaCount4 = 0;
    QString otherInfo; // nothing fills it; kept for the column and the file field
    qint64 total() const
    {
        return static_cast<qint64>(antennaCount1) + antennaCount2 + antennaCount3 + antennaCount4;
    }
};

// The fields of a tag report record that the inventory reads.
struct GjbTagReport
{
    QString tagId;
    int antenna = 0;
};
// False when the record's ID length runs past its ID area or the buffer.
bool ParseGjbTagReport(const unsigned char* buffer, int size, GjbTagReport& out);

class GjbPageTable;

// The worker's table. A reported ID counts on the first record, in key order, whose key contains
// it, so a shorter read of a known tag lands on that tag's row.
class GjbTagCounts
{
public:
    void addRead(const QString& tagId, int antenna, const QString& time);
    void clear();
    int size() const { return static_cast<int>(m_records.size()); }
    const GjbTagRecord* find(const QString& key) const;
    // Copies the records changed since the last merge into the page's records of the same key.
    void mergeInto(GjbPageTable& page);

private:
    struct Entry
    {
        GjbTagRecord rec;
        bool changed = false;
    };
    std::map<QString, Entry> m_records;
    // Which record an ID text counted on; dropped whenever a key is added, as it may come first.
    QHash<QString, Entry*> m_owner;
    qsizetype m_longestKey = 0; // an ID at least this long can only be inside its own key
    std::vector<Entry*> m_changed;
};

// The page's table and the rows that show it. Rows are found by the first row, from the top, whose
// key contains the record's key; a record without one appends a row.
class GjbPageTable
{
public:
    void clear();
    int size() const { return static_cast<int>(m_records.size()); }
    qint64 totalReads() const { return m_total; }
    const GjbTagRecord* find(const QString& key) const;
    // Records in key order.
    std::vector<const GjbTagRecord*> records() const;

    // Updates the rows of the records changed since the last call, then commits.
    void syncRows(TagRowSink& rows);
    int rowCount() const { return static_cast<int>(m_rowKeys.size()); }

    // One save-file line per record: labels are the seven field names in file order.
    void writeText(QTextStream& out, const QStringList& labels) const;

private:
    friend class GjbTagCounts;
    struct Entry
    {
        GjbTagRecord rec;
        bool changed = false;
    };
    void take(const GjbTagRecord& rec);
    int rowFor(const QString& key);

    std::map<QString, Entry> m_records;
    std::vector<const QString*> m_changed;
    std::vector<QString> m_rowKeys;
    QHash<QString, int> m_rowOf; // every row's own key, and keys found inside a longer one
    qsizetype m_longestRowKey = 0;
    qint64 m_total = 0;
};
