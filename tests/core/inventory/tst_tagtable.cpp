#include "TagRowsReference.h"
#include "core/inventory/TagFileWriter.h"
#include "core/inventory/TagTable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <atomic>
#include <thread>

namespace {

// Rows as a plain list: found by a linear scan, first match wins, as the page's model finds them.
struct RowList : TagRowSink
{
    QVector<ReferenceView::Row> rows;
    int commits = 0;

    int findRow(const QString& epc, const QString& tid) const override
    {
        for (int i = 0; i < rows.size(); ++i) {
            if (!epc.isEmpty() ? rows[i].epcData == epc : rows[i].tidData == tid) {
                return i;
            }
        }
        return -1;
    }
    int appendRow(const QString& epc, const QString& tid) override
    {
        ReferenceView::Row row;
        row.epcData = row.epc = epc;
        row.tidData = row.tid = tid;
        rows << row;
        return rows.size() - 1;
    }
    void setRowValues(int row, const TagReadRecord& rec) override
    {
        ReferenceView::Row& r = rows[row];
        r.epc = rec.epc;
        r.tid = rec.tid;
        r.time = rec.lastReadTime;
        r.c[0] = rec.antennaCount1;
        r.c[1] = rec.antennaCount2;
        r.c[2] = rec.antennaCount3;
        r.c[3] = rec.antennaCount4;
        r.rssi = rec.lastRssi;
        r.bestRssi = rec.bestRssi;
    }
    void commit() override { ++commits; }

    QString rowText(int row) const
    {
        const ReferenceView::Row& r = rows[row];
        return RowText(row, r.epc, r.tid, r.time, r.c, r.rssi, r.bestRssi, r.epcData, r.tidData);
    }
};

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
    t.apply(MakeRead("E1", "", 1));
    t.apply(MakeRead("", "T2", 2));
    t.apply(MakeRead("E3", "T3", 3));
    QCOMPARE(t.size(), 3);
    QVERIFY(t.find("E1") && t.find("T2") && t.find("E3"));
    QCOMPARE(t.find("T2")->antennaCount2, 1);

    // A later read with an EPC still finds the record by its TID key, and the key stays.
    t.apply(MakeRead("E2", "T2", 4));
    QCOMPARE(t.size(), 3);
    QVERIFY(!t.find("E2"));
    QCOMPARE(t.find("T2")->epc, QString("E2"));
    QCOMPARE(t.find("T2")->antennaCount4, 1);

    // Antennas outside 1..4 refresh the record but count nowhere.
    const qint64 later = 1700000000000;
    t.apply(MakeRead("E9", "", 0, later));
    t.apply(MakeRead("E9", "", 5, later));
    t.apply(MakeRead("E1", "", 255, later));
    const TagReadRecord* e9 = t.find("E9");
    QVERIFY(e9);
    QCOMPARE(e9->antennaCount1 + e9->antennaCount2 + e9->antennaCount3 + e9->antennaCount4, 0);
    QCOMPARE(t.find("E1")->antennaCount1, 1);
    QCOMPARE(t.find("E1")->lastReadTime, TagTable::timeText(later));
    QCOMPARE(t.totalReads(), qint64(4));

    // Signal strength: the last and the best per tag; a read without one changes neither.
    QVERIFY(!t.hasRssi());
    QCOMPARE(t.find("E3")->lastRssi, kNoRssi);
    for (int dbm : {-60, -52, -71, kNoRssi}) {
        t.apply(MakeRead("E3", "T3", 3, 0, dbm));
    }
    QVERIFY(t.hasRssi());
    QCOMPARE(t.find("E3")->lastRssi, -71);
    QCOMPARE(t.find("E3")->bestRssi, -52);
    QCOMPARE(t.find("E1")->bestRssi, kNoRssi);
    t.clear();
    QVERIFY(!t.hasRssi());
}

void TagTableTest::rowsAndMatching()
{
    TagTable t;
    RowList m;
    // New rows in one refresh come in key order.
    t.apply(MakeRead("CC", "", 1));
    t.apply(MakeRead("AA", "", 1));
    t.apply(MakeRead("", "BB", 2));
    t.syncRows(m);
    QCOMPARE(m.rows.size(), 3);
    QCOMPARE(m.rows[0].epc, QString("AA"));
    QCOMPARE(m.rows[1].tid, QString("BB"));
    QCOMPARE(m.rows[2].epc, QString("CC"));
    QCOMPARE(m.rows[1].tidData, QString("BB"));
    QCOMPARE(m.rows[1].epcData, QString());

    // A row keeps the data it was created with, while its texts follow the record.
    t.apply(MakeRead("EE", "BB", 3));
    t.syncRows(m);
    QCOMPARE(m.rows.size(), 4); // the record now matches by EPC "EE": no row has that data
    QCOMPARE(m.rows[3].epc, QString("EE"));
    QCOMPARE(m.rows[3].c[2], 1);
    QCOMPARE(m.rows[1].epcData, QString());
    QCOMPARE(m.rows[1].epc, QString()); // the old row is left as it was
    QCOMPARE(m.commits, 2);
}

void TagTableTest::matchesNaiveRefreshOnRandomReads()
{
    // Small alphabets make records share EPCs and TIDs, so rows collide and keys get overwritten.
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 300; ++round) {
        TagTable t;
        RowList m;
        // The same reads, numbered beforehand as the worker does.
        TagTable pre;
        RowList preRows;
        TagKeyResolver resolver;
        ReferenceView ref;
        const int refreshes = 1 + rng->bounded(6);
        for (int f = 0; f < refreshes; ++f) {
            const int reads = rng->bounded(30);
            for (int i = 0; i < reads; ++i) {
                const int kind = rng->bounded(3);
                const QString epc = kind == 1 ? QString() : QString("E%1").arg(rng->bounded(6));
                const QString tid = kind == 0 ? QString() : QString("T%1").arg(rng->bounded(6));
                // A quarter of the reads carry no signal strength, as a mixed field might.
                const int rssi = rng->bounded(4) == 0 ? kNoRssi : -90 + rng->bounded(60);
                const TagRead r =
                    MakeRead(epc, tid, rng->bounded(6), 1700000000000 + rng->bounded(5000), rssi);
                t.apply(r);
                ref.apply(r);
                TagRead numbered = r;
                resolver.resolve(numbered);
                pre.apply(numbered);
            }
            t.syncRows(m);
            pre.syncRows(preRows);
            ref.refresh();
            QCOMPARE(m.rows.size(), ref.rows.size());
            QCOMPARE(preRows.rows.size(), ref.rows.size());
            for (int row = 0; row < ref.rows.size(); ++row) {
                QCOMPARE(m.rowText(row), ref.rowText(row));
                QCOMPARE(preRows.rowText(row), ref.rowText(row));
            }
            // Once per refresh, even one that changed nothing: the model announces its edits there.
            QCOMPARE(m.commits, f + 1);
        }
        QCOMPARE(t.size(), int(ref.table.size()));
    }
}

void TagTableTest::clearRenumbers()
{
    TagTable t;
    RowList m;
    t.apply(MakeRead("B", "", 1));
    t.apply(MakeRead("C", "", 1));
    t.syncRows(m);
    t.clear();
    QCOMPARE(t.size(), 0);
    QCOMPARE(t.totalReads(), qint64(0));
    QVERIFY(!t.find("B"));
    // The rows went with the table: the next refresh writes into an empty list.
    RowList fresh;
    t.apply(MakeRead("Z", "", 2));
    t.syncRows(fresh);
    QCOMPARE(fresh.rows.size(), 1);
    QCOMPARE(fresh.rowText(0),
             RowText(0, "Z", "", TagTable::timeText(0), {0, 1, 0, 0}, kNoRssi, kNoRssi, "Z", ""));
    QCOMPARE(t.totalReads(), qint64(1));
}

void TagTableTest::bufferHandsOverEveryRead()
{
    TagReadBuffer buffer;
    buffer.setMeasureHold(true);
    const int total = 200000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < total; ++i) {
            buffer.push(MakeRead(QString::number(i % 5000, 16), QString(), 1 + i % 4));
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
    TagRead stale = MakeRead("E1", "", 1);
    stale.generation = buffer.generation();
    buffer.clear();
    buffer.push(std::move(stale));
    QCOMPARE(buffer.pendingCount(), size_t(0));
    TagRead fresh = MakeRead("E1", "", 1);
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
    // Files keep their columns when the reads carry a signal strength: other tools read them.
    t.apply(MakeRead("E2", "", 1, 0, -61));
    t.apply(MakeRead("", "A1", 7, 0));
    t.apply(MakeRead("E2", "", 4, 0));
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
    t.apply(MakeRead("E1", "T1", 2, 0, -48));
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
    t.apply(MakeRead("E1", "", 1));
    QTemporaryDir dir;
    QVERIFY(!TagFileWriter::save(dir.path(), t)); // a directory
    QVERIFY(!TagFileWriter::save(dir.filePath("missing/dir/x.txt"), t));
    QVERIFY(!TagFileWriter::save(QString(), t));
    QVERIFY(!QFile::exists(dir.filePath("missing")));
}

QTEST_GUILESS_MAIN(TagTableTest)
#include "tst_tagtable.moc"
