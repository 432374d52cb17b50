#include "core/gjb/GjbTagTable.h"

#include "core/app/AppContext.h"
#include "core/inventory/TagTable.h"

#include <QTextStream>

#include <algorithm>

namespace {
constexpr int kIdLength = 0;
constexpr int kId = 2;
constexpr int kAntenna = 258;

void copyCounts(GjbTagRecord& to, const GjbTagRecord& from)
{
    assignIfChanged(to.tagId, from.tagId);
    assignIfChanged(to.lastReadTime, from.lastReadTime);
    to.antennaCount1 = from.antennaCount1;
    to.antennaCount2 = from.antennaCount2;
    to.antennaCount3 = from.antennaCount3;
    to.antennaCount4 = from.antennaCount4;
    assignIfChanged(to.otherInfo, from.otherInfo);
}
} // namespace

bool ParseGjbTagReport(const unsigned char* buffer, int size, GjbTagReport& out)
{
    if (!buffer || size <= kAntenna) {
        return false;
    }
    const int length = buffer[kIdLength] | (buffer[kIdLength + 1] << 8);
    if (length > kAntenna - kId) {
        return false;
    }
    out.tagId = AppContext::bytesToHex(buffer + kId, length);
    out.antenna = buffer[kAntenna];
    return true;
}

void GjbTagCounts::addRead(const QString& tagId, int antenna, const QString& time)
{
    Entry* e = m_owner.value(tagId, nullptr);
    if (!e) {
        if (tagId.size() >= m_longestKey) {
            const auto it = m_records.find(tagId);
            e = it == m_records.end() ? nullptr : &it->second;
        } else {
            for (auto& [key, entry] : m_records) {
                if (key.contains(tagId)) {
                    e = &entry;
                    break;
                }
            }
        }
        if (!e) {
            m_owner.clear();
            e = &m_records[tagId];
            e->rec.tagId = tagId;
            m_longestKey = qMax(m_longestKey, tagId.size());
        }
        m_owner.insert(tagId, e);
    }
    GjbTagRecord& r = e->rec;
    switch (antenna) {
    case 1:
        ++r.antennaCount1;
        break;
    case 2:
        ++r.antennaCount2;
        break;
    case 3:
        ++r.antennaCount3;
        break;
    case 4:
        ++r.antennaCount4;
        break;
    default:
        break;
    }
    assignIfChanged(r.lastReadTime, time);
    if (!e->changed) {
        e->changed = true;
        m_changed.push_back(e);
    }
}

void GjbTagCounts::clear()
{
    m_records.clear();
    m_owner.clear();
    m_changed.clear();
    m_longestKey = 0;
}

const GjbTagRecord* GjbTagCounts::find(const QString& key) const
{
    const auto it = m_records.find(key);
    return it == m_records.end() ? nullptr : &it->second.rec;
}

void GjbTagCounts::mergeInto(GjbPageTable& page)
{
    for (Entry* e : m_changed) {
        page.take(e->rec);
        e->changed = false;
    }
    m_changed.clear();
}

void GjbPageTable::take(const GjbTagRecord& rec)
{
    const auto [it, added] = m_records.try_emplace(rec.tagId);
    Entry& e = it->second;
    m_total += rec.total() - e.rec.total();
    copyCounts(e.rec, rec);
    if (added || !e.changed) {
        e.changed = true;
        m_changed.push_back(&it->first);
    }
}

void GjbPageTable::clear()
{
    m_records.clear();
    m_changed.clear();
    m_rowKeys.clear();
    m_rowOf.clear();
    m_longestRowKey = 0;
    m_total = 0;
}

const GjbTagRecord* GjbPageTable::find(const QString& key) const
{
    const auto it = m_records.find(key);
    return it == m_records.end() ? nullptr : &it->second.rec;
}

std::vector<const GjbTagRecord*> GjbPageTable::records() const
{
    std::vector<const GjbTagRecord*> out;
    out.reserve(m_records.size());
    for (const auto& kv : m_records) {
        out.push_back(&kv.second.rec);
    }
    return out;
}

// Rows only ever append, so a key's first matching row never changes once found.
int GjbPageTable::rowFor(const QString& key)
{
    const auto cached = m_rowOf.constFind(key);
    if (cached != m_rowOf.constEnd()) {
        return cached.value();
    }
    if (key.size() >= m_longestRowKey) {
        return -1; // only a row of its own key could hold it
    }
    for (size_t i = 0; i < m_rowKeys.size(); ++i) {
        if (m_rowKeys[i].contains(key)) {
            m_rowOf.insert(key, static_cast<int>(i));
            return static_cast<int>(i);
        }
    }
    return -1;
}

void GjbPageTable::syncRows(TagRowSink& rows)
{
    std::sort(m_changed.begin(), m_changed.end(), [](const QString* a, const QString* b) { return *a < *b; });
    for (const QString* key : m_changed) {
        Entry& e = m_records.at(*key);
        e.changed = false;
        int row = rowFor(*key);
        if (row < 0) {
            row = rows.appendRow(*key, QString());
            m_rowKeys.push_back(*key);
            m_rowOf.insert(*key, row);
            m_longestRowKey = qMax(m_longestRowKey, key->size());
        }
        // The row keeps the ID it was made with; the rest comes from the record.
        TagReadRecord shown;
        shown.epc = m_rowKeys[static_cast<size_t>(row)];
        shown.tid = e.rec.otherInfo;
        shown.lastReadTime = e.rec.lastReadTime;
        shown.antennaCount1 = e.rec.antennaCount1;
        shown.antennaCount2 = e.rec.antennaCount2;
        shown.antennaCount3 = e.rec.antennaCount3;
        shown.antennaCount4 = e.rec.antennaCount4;
        rows.setRowValues(row, shown);
    }
    m_changed.clear();
    rows.commit();
}

void GjbPageTable::writeText(QTextStream& out, const QStringList& labels) const
{
    const auto label = [&labels](int i) { return i < labels.size() ? labels.at(i) : QString(); };
    for (const auto& kv : m_records) {
        const GjbTagRecord& r = kv.second.rec;
        out << label(0) << ':' << r.tagId << '\t' << label(1) << ':' << r.antennaCount1 << '\t' << label(2)
            << ':' << r.antennaCount2 << '\t' << label(3) << ':' << r.antennaCount3 << '\t' << label(4) << ':'
            << r.antennaCount4 << '\t' << label(5) << ':' << r.lastReadTime << '\t' << label(6) << ':'
            << r.otherInfo << "\t\n";
    }
}
