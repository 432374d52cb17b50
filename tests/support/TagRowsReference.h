#pragma once

// The inventory's row rule written out naively, for tests of the incremental tag table and of the
// model that shows it.

#include "core/inventory/TagTable.h"

#include <QStringList>
#include <QVector>

#include <map>

inline TagRead MakeRead(const QString& epc, const QString& tid, int antenna, qint64 ms = 0,
                        int rssi = kNoRssi)
{
    TagRead r;
    r.rssi = rssi;
    r.epc = epc;
    r.tid = tid;
    r.antenna = antenna;
    r.msecsSinceEpoch = ms;
    return r;
}

// One row as "number|epc|tid|time|count1|count2|count3|count4|rssi|bestRssi|epcData|tidData", a
// signal strength never reported left empty.
inline QString RowText(int row, const QString& epc, const QString& tid, const QString& time,
                       const int (&c)[4], int rssi, int bestRssi, const QString& epcData,
                       const QString& tidData)
{
    QStringList parts{QString::number(row + 1), epc, tid, time};
    for (int n : c) {
        parts << QString::number(n);
    }
    for (int dbm : {rssi, bestRssi}) {
        parts << (dbm == kNoRssi ? QString() : QString::number(dbm));
    }
    parts << epcData << tidData;
    return parts.join(QLatin1Char('|'));
}

// A full pass over the table each refresh and a linear scan over the rows, first match wins.
struct ReferenceView
{
    struct Row
    {
        QString epcData, tidData, epc, tid, time;
        int c[4] = {0, 0, 0, 0};
        int rssi = kNoRssi;
        int bestRssi = kNoRssi;
    };
    std::map<QString, TagReadRecord> table;
    QVector<Row> rows;

    void apply(const TagRead& r)
    {
        auto it = table.find(r.epc);
        if (it == table.end()) {
            it = table.find(r.tid);
        }
        if (it == table.end()) {
            it = table.emplace(r.epc.isEmpty() ? r.tid : r.epc, TagReadRecord()).first;
        }
        it->second.epc = r.epc;
        it->second.tid = r.tid;
        it->second.lastReadTime = TagTable::timeText(r.msecsSinceEpoch);
        int* counts[] = {&it->second.antennaCount1, &it->second.antennaCount2, &it->second.antennaCount3,
                         &it->second.antennaCount4};
        if (r.antenna >= 1 && r.antenna <= 4) {
            ++*counts[r.antenna - 1];
        }
        if (r.rssi != kNoRssi) {
            it->second.lastRssi = r.rssi;
            if (it->second.bestRssi == kNoRssi || r.rssi > it->second.bestRssi) {
                it->second.bestRssi = r.rssi;
            }
        }
    }

    void refresh()
    {
        for (const auto& kv : table) {
            const TagReadRecord& rec = kv.second;
            int found = -1;
            for (int i = 0; i < rows.size() && found < 0; ++i) {
                if (!rec.epc.isEmpty() ? rows[i].epcData == rec.epc : rows[i].tidData == rec.tid) {
                    found = i;
                }
            }
            if (found < 0) {
                Row row;
                row.epcData = rec.epc;
                row.tidData = rec.tid;
                rows << row;
                found = rows.size() - 1;
            }
            Row& row = rows[found];
            row.epc = rec.epc;
            row.tid = rec.tid;
            row.time = rec.lastReadTime;
            row.c[0] = rec.antennaCount1;
            row.c[1] = rec.antennaCount2;
            row.c[2] = rec.antennaCount3;
            row.c[3] = rec.antennaCount4;
            row.rssi = rec.lastRssi;
            row.bestRssi = rec.bestRssi;
        }
    }

    QString rowText(int row) const
    {
        const Row& r = rows[row];
        return RowText(row, r.epc, r.tid, r.time, r.c, r.rssi, r.bestRssi, r.epcData, r.tidData);
    }
};
