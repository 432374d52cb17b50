#include "core/inventory/TagFileWriter.h"
#include "gui/inventory/TagListModel.h"
#include "core/inventory/TagTable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <atomic>
#include <map>
#include <thread>

namespace {

TagRead read(const QString& epc, const QString& tid, int antenna, qint64 ms = 0)
{
    TagRead r;
    r.epc = epc;
    r.tid = tid;
    r.antenna = antenna;
    r.msecsSinceEpoch = ms;
    return r;
}

// The plain algorithm, kept deliberately naive: a full pass over the table each refresh and a
// linear scan over the rows, first match wins.
struct ReferenceView
{
    struct Row
    {
        QString epcData, tidData, epc, tid, time;
        int c[4] = {0, 0, 0, 0};
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
        }
    }
};

QString rowText(const TagListModel& m, int row)
{
    QStringList parts;
    for (int c = 0; c < TagListModel::ColumnCount; ++c) {
        parts << m.text(row, c);
    }
    parts << m.index(row, 1).data(TagListModel::MatchRole).toString()
          << m.index(row, 2).data(TagListModel::MatchRole).toString();
    return parts.join(QLatin1Char('|'));
}

QString refText(const ReferenceView& ref, int row)
{
    const auto& r = ref.rows[row];
    QStringList parts{QString::number(row + 1), r.epc, r.tid, r.time};
    for (int c : r.c) {
        parts << QString::number(c);
    }
    parts << r.epcData << r.tidData;
    return parts.join(QLatin1Char('|'));
}

} // namespace

class TagTableTest : public QObject
{
    Q_OBJECT

private slots:
    void keysAndCounts();
    void rowsAndMatching();
    void matchesNaiveRefreshOnRandomReads();
    void clearRenumbers();
    void bufferHandsOverEveryRead();
    void readRate();
    void textFormatIsExact();
    void csvFormat();
    void unopenableFileWritesNothing();
};

void TagTableTest::keysAndCounts()
{
    TagTable t;
    // EPC only, TID only, both: the key is the EPC when the first read had one, else the TID.
    t.apply(read("E1", "", 1));
    t.apply(read("", "T2", 2));
    t.apply(read("E3", "T3", 3));
    QCOMPARE(t.size(), 3);
    QVERIFY(t.find("E1") && t.find("T2") && t.find("E3"));
    QCOMPARE(t.find("T2")->antennaCount2, 1);

    // A later read with an EPC still finds the record by its TID key, and the key stays.
    t.apply(read("E2", "T2", 4));
    QCOMPARE(t.size(), 3);
    QVERIFY(!t.find("E2"));
    QCOMPARE(t.find("T2")->epc, QString("E2"));
    QCOMPARE(t.find("T2")->antennaCount4, 1);

    // Antennas outside 1..4 refresh the record but count nowhere.
    const qint64 later = 1700000000000;
    t.apply(read("E9", "", 0, later));
    t.apply(read("E9", "", 5, later));
    t.apply(read("E1", "", 255, later));
    const TagReadRecord* e9 = t.find("E9");
    QVERIFY(e9);
    QCOMPARE(e9->antennaCount1 + e9->antennaCount2 + e9->antennaCount3 + e9->antennaCount4, 0);
    QCOMPARE(t.find("E1")->antennaCount1, 1);
    QCOMPARE(t.find("E1")->lastReadTime, TagTable::timeText(later));
    QCOMPARE(t.totalReads(), qint64(4));
}

void TagTableTest::rowsAndMatching()
{
    TagTable t;
    TagListModel m;
    // New rows in one refresh come in key order, numbered from 1.
    t.apply(read("CC", "", 1));
    t.apply(read("AA", "", 1));
    t.apply(read("", "BB", 2));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.text(0, 1), QString("AA"));
    QCOMPARE(m.text(1, 2), QString("BB"));
    QCOMPARE(m.text(2, 1), QString("CC"));
    QCOMPARE(m.text(2, 0), QString("3"));
    QCOMPARE(m.index(1, 2).data(TagListModel::MatchRole).toString(), QString("BB"));
    QCOMPARE(m.index(1, 1).data(TagListModel::MatchRole).toString(), QString());

    // A row keeps the data it was created with, while its texts follow the record.
    t.apply(read("EE", "BB", 3));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 4); // the record now matches by EPC "EE": no row has that data
    QCOMPARE(m.text(3, 1), QString("EE"));
    QCOMPARE(m.index(1, 1).data(TagListModel::MatchRole).toString(), QString());
    QCOMPARE(m.text(1, 1), QString()); // the old row is left as it was
}

void TagTableTest::matchesNaiveRefreshOnRandomReads()
{
    // Small alphabets make records share EPCs and TIDs, so rows collide and keys get overwritten.
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 300; ++round) {
        TagTable t;
        TagListModel m;
        // The same reads, numbered beforehand as the worker does.
        TagTable pre;
        TagListModel preModel;
        TagKeyResolver resolver;
        ReferenceView ref;
        const int refreshes = 1 + rng->bounded(6);
        for (int f = 0; f < refreshes; ++f) {
            const int reads = rng->bounded(30);
            for (int i = 0; i < reads; ++i) {
                const int kind = rng->bounded(3);
                const QString epc = kind == 1 ? QString() : QString("E%1").arg(rng->bounded(6));
                const QString tid = kind == 0 ? QString() : QString("T%1").arg(rng->bounded(6));
                const TagRead r = read(epc, tid, rng->bounded(6), 1700000000000 + rng->bounded(5000));
                t.apply(r);
                ref.apply(r);
                TagRead numbered = r;
                resolver.resolve(numbered);
                pre.apply(numbered);
            }
            t.syncRows(m);
            pre.syncRows(preModel);
            ref.refresh();
            QCOMPARE(m.rowCount(), ref.rows.size());
            QCOMPARE(preModel.rowCount(), ref.rows.size());
            for (int row = 0; row < ref.rows.size(); ++row) {
                QCOMPARE(rowText(m, row), refText(ref, row));
                QCOMPARE(rowText(preModel, row), refText(ref, row));
            }
        }
        QCOMPARE(t.size(), int(ref.table.size()));
    }
}

void TagTableTest::clearRenumbers()
{
    TagTable t;
    TagListModel m;
    t.apply(read("B", "", 1));
    t.apply(read("C", "", 1));
    t.syncRows(m);
    t.clear();
    m.clear();
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(t.totalReads(), qint64(0));
    t.apply(read("Z", "", 2));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 1);
    QCOMPARE(m.text(0, 0), QString("1"));
    QCOMPARE(m.text(0, 5), QString("1"));
}

void TagTableTest::bufferHandsOverEveryRead()
{
    TagReadBuffer buffer;
    buffer.setMeasureHold(true);
    const int total = 200000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < total; ++i) {
            buffer.push(read(QString::number(i % 5000, 16), QString(), 1 + i % 4));
        }
        done = true;
    });
    TagTable t;
    TagReadBatch batch;
    while (!done.load() || buffer.pendingCount() > 0) {
        buffer.take(batch);
        t.apply(batch);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    producer.join();
    buffer.take(batch);
    t.apply(batch);
    QCOMPARE(t.totalReads(), qint64(total));
    QCOMPARE(t.size(), 5000);
    QVERIFY(buffer.maxHoldNs() > 0);

    // A read numbered before a clear belongs to a table that no longer exists.
    TagRead stale = read("E1", "", 1);
    stale.generation = buffer.generation();
    buffer.clear();
    buffer.push(std::move(stale));
    QCOMPARE(buffer.pendingCount(), size_t(0));
    TagRead fresh = read("E1", "", 1);
    fresh.generation = buffer.generation();
    buffer.push(std::move(fresh));
    QCOMPARE(buffer.pendingCount(), size_t(1));
}

void TagTableTest::readRate()
{
    QCOMPARE(computeReadRate(100, 100, 250), 0u); // nothing new
    QCOMPARE(computeReadRate(100, 0, 0), 0u);     // same millisecond
    QCOMPARE(computeReadRate(150, 100, 250), 200u);
}

void TagTableTest::textFormatIsExact()
{
    TagTable t;
    t.apply(read("E2", "", 1, 0));
    t.apply(read("", "A1", 7, 0));
    t.apply(read("E2", "", 4, 0));
    const QString time = TagTable::timeText(0);
    QString text;
    QTextStream out(&text);
    TagFileWriter::writeText(out, t);
    out.flush();
    const QString expected =
        "IDCS_NUMBER:1\tIDCS_EPC:\tIDCS_TID:A1\tIDCS_READTIME:" + time +
        "\tIDCS_ANTENNA_ONE_COUNT:0\tIDCS_ANTENNA_TWO_COUNT:0\tIDCS_ANTENNA_THREE_COUNT:0"
        "\tIDCS_ANTENNA_FOUR_COUNT:0\t\n"
        "IDCS_NUMBER:2\tIDCS_EPC:E2\tIDCS_TID:\tIDCS_READTIME:" +
        time +
        "\tIDCS_ANTENNA_ONE_COUNT:1\tIDCS_ANTENNA_TWO_COUNT:0\tIDCS_ANTENNA_THREE_COUNT:0"
        "\tIDCS_ANTENNA_FOUR_COUNT:1\t\n"
        "\t\n";
    QCOMPARE(text, expected);

    // Saving appends: two snapshots, each closed by its separator line.
    QTemporaryDir dir;
    const QString path = dir.filePath("save.txt");
    QVERIFY(TagFileWriter::save(path, t));
    QVERIFY(TagFileWriter::save(path, t));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), (expected + expected).toUtf8());

    // An empty table still writes the separator.
    TagTable empty;
    QString none;
    QTextStream out2(&none);
    TagFileWriter::writeText(out2, empty);
    out2.flush();
    QCOMPARE(none, QString("\t\n"));
}

void TagTableTest::csvFormat()
{
    TagTable t;
    t.apply(read("E1", "T1", 2, 0));
    QTemporaryDir dir;
    const QString path = dir.filePath("tags.csv");
    QVERIFY(TagFileWriter::save(path, t, TagFileWriter::Format::Csv));
    QVERIFY(TagFileWriter::save(path, t, TagFileWriter::Format::Csv)); // replaces, never appends
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray expected = "\xEF\xBB\xBF"
                                "IDCS_NUMBER,IDCS_EPC,IDCS_TID,IDCS_READTIME,IDCS_ANTENNA_ONE_COUNT,"
                                "IDCS_ANTENNA_TWO_COUNT,IDCS_ANTENNA_THREE_COUNT,IDCS_ANTENNA_FOUR_COUNT\r\n"
                                "1,E1,T1," +
                                TagTable::timeText(0).toUtf8() + ",0,1,0,0\r\n";
    QCOMPARE(f.readAll(), expected);
    QCOMPARE(TagFileWriter::csvField("a,\"b\""), QString("\"a,\"\"b\"\"\""));
}

void TagTableTest::unopenableFileWritesNothing()
{
    TagTable t;
    t.apply(read("E1", "", 1));
    QTemporaryDir dir;
    QVERIFY(!TagFileWriter::save(dir.path(), t)); // a directory
    QVERIFY(!TagFileWriter::save(dir.filePath("missing/dir/x.txt"), t));
    QVERIFY(!TagFileWriter::save(QString(), t));
    QVERIFY(!QFile::exists(dir.filePath("missing")));
}

QTEST_GUILESS_MAIN(TagTableTest)
#include "tst_tagtable.moc"
