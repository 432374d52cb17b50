#include "core/inventory/TagTable.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>

void TagReadBuffer::noteHold(std::atomic<qint64>& max, qint64 ns)
{
    qint64 seen = max.load();
    while (ns > seen && !max.compare_exchange_weak(seen, ns)) {
    }
}

void TagReadBuffer::push(TagRead&& read)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (read.generation != m_generation.load(std::memory_order_relaxed)) {
        return;
    }
    if (!m_measure.load(std::memory_order_relaxed)) {
        m_pending.push_back(std::move(read));
        return;
    }
    QElapsedTimer held;
    held.start();
    m_pending.push_back(std::move(read));
    noteHold(m_maxPushNs, held.nsecsElapsed());
}

void TagReadBuffer::take(TagReadBatch& out)
{
    TagReadBatch().swap(out);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QElapsedTimer held;
        held.start();
        m_pending.swap(out);
        noteHold(m_maxTakeNs, held.nsecsElapsed());
    }
}

void TagReadBuffer::clear()
{
    TagReadBatch dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_generation.fetch_add(1);
    // Freed outside the lock.
    m_pending.swap(dropped);
}

void TagKeyResolver::resolve(TagRead& read)
{
    int id = m_keys.value(read.epc, -1);
    if (id < 0) {
        id = m_keys.value(read.tid, -1);
    }
    if (id < 0) {
        id = static_cast<int>(m_texts.size());
        read.key = read.epc.isEmpty() ? read.tid : read.epc;
        m_keys.insert(read.key, id);
        m_texts.emplace_back(read.epc, read.tid);
        read.textsChanged = true;
    } else {
        auto& texts = m_texts[static_cast<size_t>(id)];
        read.textsChanged = !sameText(texts.first, read.epc) || !sameText(texts.second, read.tid);
        if (read.textsChanged) {
            texts.first = read.epc;
            texts.second = read.tid;
        } else {
            // Released here rather than by the thread that applies the read.
            read.epc = QString();
            read.tid = QString();
        }
    }
    read.id = id;
}

void TagKeyResolver::clear()
{
    m_keys.clear();
    m_texts.clear();
}

size_t TagReadBuffer::pendingCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending.size();
}

void assignIfChanged(QString& target, const QString& value)
{
    if (!target.isSharedWith(value) && target != value) {
        target = value;
    }
}

QString TagTable::timeText(qint64 msecsSinceEpoch)
{
    // Formatting a local time is costly and thousands of reads share one second.
    thread_local qint64 cachedSecond = -1;
    thread_local QString cachedText;
    const qint64 second = msecsSinceEpoch / 1000;
    if (second != cachedSecond) {
        cachedText = QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        cachedSecond = second;
    }
    return cachedText;
}

void TagTable::apply(const TagRead& read)
{
    if (read.id >= 0) {
        applyResolved(read);
        return;
    }
    TagRead resolved = read;
    m_resolver.resolve(resolved);
    applyResolved(resolved);
}

void TagTable::applyResolved(const TagRead& read)
{
    const size_t id = static_cast<size_t>(read.id);
    if (id == m_entries.size()) {
        m_entries.emplace_back();
        Entry& created = m_entries.back();
        const auto it = m_order.emplace(read.key, &created).first;
        created.key = &it->first;
    } else if (id > m_entries.size()) {
        return; // numbered for a table that was cleared since
    }
    Entry* found = &m_entries[id];
    Entry& e = *found;
    // Keeping the stored text when it is unchanged leaves it shared with the row that shows it,
    // so a refresh of a large table compares pointers instead of characters.
    if (read.textsChanged) {
        assignIfChanged(e.rec.epc, read.epc);
        assignIfChanged(e.rec.tid, read.tid);
    }
    assignIfChanged(e.rec.lastReadTime, timeText(read.msecsSinceEpoch));
    if (read.rssi != kNoRssi) {
        e.rec.lastRssi = read.rssi;
        e.rec.bestRssi = qMax(e.rec.bestRssi, read.rssi);
        m_hasRssi = true;
    }
    switch (read.antenna) {
    case 1:
        ++e.rec.antennaCount1;
        ++m_total;
        break;
    case 2:
        ++e.rec.antennaCount2;
        ++m_total;
        break;
    case 3:
        ++e.rec.antennaCount3;
        ++m_total;
        break;
    case 4:
        ++e.rec.antennaCount4;
        ++m_total;
        break;
    default:
        break;
    }
    if (!e.dirty) {
        e.dirty = true;
        m_dirty.push_back(&e);
    }
}

void TagTable::apply(const TagReadBatch& reads)
{
    for (const TagRead& r : reads) {
        apply(r);
    }
}

void TagTable::clear()
{
    m_entries.clear();
    m_order.clear();
    m_resolver.clear();
    m_dirty.clear();
    m_rowRefs.clear();
    m_sharedRows = 0;
    m_rewriteAll = false;
    m_hasRssi = false;
    m_total = 0;
}

const TagReadRecord* TagTable::find(const QString& key) const
{
    const auto it = m_order.find(key);
    return it == m_order.end() ? nullptr : &it->second->rec;
}

void TagTable::assignRow(Entry& e, TagRowSink& model)
{
    if (e.row >= 0 && e.rowEpc == e.rec.epc && e.rowTid == e.rec.tid) {
        return;
    }
    int row = model.findRow(e.rec.epc, e.rec.tid);
    if (row < 0) {
        row = model.appendRow(e.rec.epc, e.rec.tid);
    }
    if (row >= static_cast<int>(m_rowRefs.size())) {
        m_rowRefs.resize(static_cast<size_t>(row) + 1, 0);
    }
    if (row != e.row) {
        if (e.row >= 0) {
            // The records left on a shared row must write it again.
            const int before = m_rowRefs[static_cast<size_t>(e.row)]--;
            if (before >= 2) {
                m_rewriteAll = true;
            }
            if (before == 2) {
                --m_sharedRows;
            }
        }
        if (++m_rowRefs[static_cast<size_t>(row)] == 2) {
            ++m_sharedRows;
        }
        e.row = row;
    }
    e.rowEpc = e.rec.epc;
    e.rowTid = e.rec.tid;
}

void TagTable::syncRows(TagRowSink& model)
{
    if (m_dirty.empty() && !m_rewriteAll) {
        model.commit();
        return;
    }
    // A record keeps its row while its texts stay; only the others look for a row, and those
    // append in key order.
    std::vector<Entry*> placing;
    for (Entry* e : m_dirty) {
        if (e->row >= 0 && !rowTextsChanged(*e)) {
            model.setRowValues(e->row, e->rec);
            e->dirty = false;
        } else {
            placing.push_back(e);
        }
    }
    auto place = [&](Entry& e) {
        assignRow(e, model);
        model.setRowValues(e.row, e.rec);
        e.dirty = false;
    };
    // Walking the whole map beats sorting once a good share of the table is new.
    if (placing.size() * 8 > m_order.size()) {
        for (auto& kv : m_order) {
            if (kv.second->dirty) {
                place(*kv.second);
            }
        }
    } else {
        std::sort(placing.begin(), placing.end(),
                  [](const Entry* a, const Entry* b) { return *a->key < *b->key; });
        for (Entry* e : placing) {
            place(*e);
        }
    }
    m_dirty.clear();
    if (m_sharedRows > 0 || m_rewriteAll) {
        m_rewriteAll = false;
        // Several records write to one row: the last in key order must win, as a full pass
        // over the table would leave it.
        for (auto& kv : m_order) {
            model.setRowValues(kv.second->row, kv.second->rec);
        }
    }
    model.commit();
}

quint32 computeReadRate(qint64 total, qint64 previousTotal, qint64 elapsedMs)
{
    if (elapsedMs <= 0 || total <= previousTotal) {
        return 0;
    }
    return static_cast<quint32>((total - previousTotal) * 1000 / elapsedMs);
}
