#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <climits>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// Equal texts, cheaply when they share their data.
inline bool sameText(const QString& a, const QString& b)
{
    return a.isSharedWith(b) || a == b;
}
// Assigns only a different text, so equal texts stay shared.
void assignIfChanged(QString& target, const QString& value);

// A report without a signal strength (the 6C protocol's never carry one).
constexpr int kNoRssi = INT_MIN;

// One distinct tag as the inventory shows it.
struct TagReadRecord
{
    QString tid;
    QString epc;
    QString lastReadTime; // "yyyy-MM-dd hh:mm:ss", local time
    int antennaCount1 = 0;
    int antennaCount2 = 0;
    int antennaCount3 = 0;
    int antennaCount4 = 0;
    // dBm. The last follows the tag as it or the antenna moves; the best tells whether the tag was
    // ever read well. A report without one leaves both as they were.
    int lastRssi = kNoRssi;
    int bestRssi = kNoRssi;
};

// One tag report. The worker resolves it to its record (id) before handing it over, so the
// user-interface thread neither hashes nor compares texts for a tag it already knows.
struct TagRead
{
    QString epc;
    QString tid;
    qint64 msecsSinceEpoch = 0;
    int antenna = 0;
    int rssi = kNoRssi;       // dBm
    int id = -1;              // record number; -1: not resolved yet
    QString key;              // set when this read created its record
    bool textsChanged = true; // false: epc and tid are what the record already holds
    quint32 generation = 0;   // of the buffer it was resolved for
};

// The key rule: a read belongs to the record keyed by its EPC, else to the one keyed by its TID,
// else to a new record keyed by its EPC (or its TID when the EPC is empty). Keys never change.
class TagKeyResolver
{
public:
    void resolve(TagRead& read);
    void clear();

private:
    QHash<QString, int> m_keys;
    std::vector<std::pair<QString, QString>> m_texts; // last epc and tid per record
};

// Appending never moves what is already queued, so the worker's lock never waits on a copy.
using TagReadBatch = std::deque<TagRead>;

// Reports travel from the worker to the user interface through this buffer. The worker appends
// one report at a time; the page takes everything at once by swapping containers, so the lock is
// held for a pointer swap, never for a copy of the table.
class TagReadBuffer
{
public:
    // Drops a read resolved before the last clear().
    void push(TagRead&& read);
    // Swaps the pending reports into out (whose old content is dropped first).
    void take(TagReadBatch& out);
    // Drops the pending reports and starts a new generation of record numbers.
    void clear();
    size_t pendingCount() const;
    quint32 generation() const { return m_generation.load(); }

    // Longest time the lock was held since the last reset, by the taking (page) and the pushing
    // (worker) side; push times are kept only while measuring.
    void setMeasureHold(bool on) { m_measure.store(on); }
    qint64 maxHoldNs() const { return qMax(m_maxTakeNs.load(), m_maxPushNs.load()); }
    qint64 maxTakeHoldNs() const { return m_maxTakeNs.load(); }
    qint64 maxPushHoldNs() const { return m_maxPushNs.load(); }
    void resetHoldStats()
    {
        m_maxTakeNs.store(0);
        m_maxPushNs.store(0);
    }

private:
    static void noteHold(std::atomic<qint64>& max, qint64 ns);

    mutable std::mutex m_mutex;
    TagReadBatch m_pending;
    std::atomic<quint32> m_generation{0};
    std::atomic<bool> m_measure{false};
    std::atomic<qint64> m_maxTakeNs{0};
    std::atomic<qint64> m_maxPushNs{0};
};

// Rows that show a TagTable (the page's model): the table finds, appends and fills rows through
// it and commits once per refresh.
class TagRowSink
{
public:
    virtual ~TagRowSink() = default;
    virtual int findRow(const QString& epc, const QString& tid) const = 0;
    virtual int appendRow(const QString& epc, const QString& tid) = 0;
    virtual void setRowValues(int row, const TagReadRecord& rec) = 0;
    virtual void commit() = 0;
};

// The page's table of distinct tags, ordered by key text. Lives on the user-interface thread.
class TagTable
{
public:
    struct Entry
    {
        TagReadRecord rec;
        int row = -1;   // tree row this record last wrote to
        QString rowEpc; // texts the row was looked up with
        QString rowTid;
        bool dirty = false;
        const QString* key = nullptr; // the order map's own key
    };
    using Order = std::map<QString, Entry*>;

    // Reads are resolved here unless the worker did it; one table takes one kind.
    void apply(const TagRead& read);
    void apply(const TagReadBatch& reads);
    void clear();

    int size() const { return static_cast<int>(m_entries.size()); }
    qint64 totalReads() const { return m_total; }
    // Whether a read applied since the last clear() carried a signal strength.
    bool hasRssi() const { return m_hasRssi; }
    // Records in key order.
    const Order& records() const { return m_order; }
    const TagReadRecord* find(const QString& key) const;

    // Brings the model's rows up to date: rows are found by their stored EPC (or, for a record
    // without EPC, TID) data, the first match wins, unmatched records append a row in key order.
    void syncRows(TagRowSink& model);

    static QString timeText(qint64 msecsSinceEpoch);

private:
    void applyResolved(const TagRead& read);
    void assignRow(Entry& e, TagRowSink& model);
    static bool rowTextsChanged(const Entry& e)
    {
        return !sameText(e.rowEpc, e.rec.epc) || !sameText(e.rowTid, e.rec.tid);
    }

    std::deque<Entry> m_entries; // by record number; never moves
    Order m_order;
    TagKeyResolver m_resolver;
    std::vector<Entry*> m_dirty;
    std::vector<int> m_rowRefs; // records writing to each row
    int m_sharedRows = 0;       // rows more than one record writes to
    bool m_rewriteAll = false;
    bool m_hasRssi = false;
    qint64 m_total = 0;
};

// Reads per second between two refreshes; 0 when no time passed or nothing was read.
quint32 computeReadRate(qint64 total, qint64 previousTotal, qint64 elapsedMs);
