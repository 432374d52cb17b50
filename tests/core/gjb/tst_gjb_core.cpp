#include "core/gjb/GjbReaderConfig.h"
#include "core/gjb/GjbTagOps.h"
#include "core/gjb/GjbTagTable.h"
#include "core/inventory/TagTable.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

unsigned int le16(const std::vector<unsigned char>& r, int at)
{
    return r[static_cast<size_t>(at)] | (r[static_cast<size_t>(at) + 1] << 8);
}

QByteArray bytesAt(const std::vector<unsigned char>& r, int at, int n)
{
    return QByteArray(reinterpret_cast<const char*>(r.data()) + at, n);
}

// Rows as a view would hold them.
class RecordingRows : public TagRowSink
{
public:
    int findRow(const QString&, const QString&) const override { return -1; }
    int appendRow(const QString& id, const QString&) override
    {
        ids << id;
        values.push_back({});
        return static_cast<int>(ids.size()) - 1;
    }
    void setRowValues(int row, const TagReadRecord& rec) override { values[static_cast<size_t>(row)] = rec; }
    void commit() override { ++commits; }

    QStringList ids;
    std::vector<TagReadRecord> values;
    int commits = 0;
};

} // namespace

class GjbCoreTest : public QObject
{
    Q_OBJECT

private slots:
    void requestHeaderAndAreaParts()
    {
        using namespace GjbTagOps;
        const Match m{QStringLiteral("A1B2C3"), QStringLiteral("FFF"), 0x0102, true};
        const Password pwd{0x11, 0x22, 0x33, 0x44};

        const auto read = buildRead(m, areaCode(3, 5), 0x0203, 2, pwd);
        QCOMPARE(static_cast<int>(read.size()), kRequestSize);
        QCOMPARE(read[0], 1);
        QCOMPARE(le16(read, 2), 0x0102u);
        QCOMPARE(le16(read, 4), 12u);
        QCOMPARE(bytesAt(read, 6, 3), QByteArray::fromHex("FFF000"));
        QCOMPARE(le16(read, 260), 24u);
        QCOMPARE(bytesAt(read, 262, 4), QByteArray::fromHex("A1B2C300"));
        QCOMPARE(read[516], 1);
        QCOMPARE(read[518], 0x35);
        QCOMPARE(le16(read, 520), 0x0203u);
        QCOMPARE(le16(read, 522), 2u);
        QCOMPARE(bytesAt(read, 524, 4), QByteArray::fromHex("11223344"));

        QCOMPARE(areaCode(1, 5), 0x10); // the number only counts in the user area
        QCOMPARE(areaCode(0, 15), 0x00);
        QCOMPARE(areaCode(3, 15), 0x3F);

        const auto write = buildWrite(m, 0x30, 0, 2, QStringLiteral("0000ABCD"), pwd);
        QCOMPARE(le16(write, 522), 2u);
        QCOMPARE(le16(write, 524), 2u);
        QCOMPARE(bytesAt(write, 526, 5), QByteArray::fromHex("0000ABCD00"));
        QCOMPARE(bytesAt(write, 1550, 4), QByteArray::fromHex("11223344"));
        // Data shorter than the words: the missing bytes are zero.
        const auto shortWrite = buildWrite(m, 0x30, 0, 2, QStringLiteral("0000"), pwd);
        QCOMPARE(bytesAt(shortWrite, 526, 5), QByteArray(5, '\0'));
        QVERIFY(buildWrite(m, 0x30, 0, 513, QString(), pwd).empty());
        QCOMPARE(static_cast<int>(buildWrite(m, 0x30, 0, 512, QString(), pwd).size()), kRequestSize);

        const auto lock = buildLock(m, 0x10, 2, pwd);
        QCOMPARE(le16(lock, 518), 0x10u);
        QCOMPARE(lock[520], 2);
        QCOMPARE(bytesAt(lock, 521, 4), QByteArray::fromHex("11223344"));

        const auto kill = buildKill(Match{QStringLiteral("AB"), QString(), 0, false}, pwd);
        QCOMPARE(le16(kill, 4), 0u);
        QCOMPARE(kill[516], 0);
        QCOMPARE(bytesAt(kill, 518, 4), QByteArray::fromHex("11223344"));
    }

    void matchChecks_data()
    {
        QTest::addColumn<int>("idDigits");
        QTest::addColumn<int>("maskDigits");
        QTest::addColumn<int>("expected");
        using C = GjbTagOps::MatchCheck;
        QTest::newRow("full mask") << 24 << 24 << int(C::Ok);
        QTest::newRow("no mask") << 24 << 0 << int(C::Ok);
        QTest::newRow("mask longer") << 4 << 5 << int(C::MaskLongerThanId);
        QTest::newRow("id at the limit") << 508 << 508 << int(C::Ok);
        QTest::newRow("id past the limit") << 509 << 0 << int(C::TagIdTooLong);
        QTest::newRow("mask past the limit") << 508 << 509 << int(C::MaskTooLong);
    }
    void matchChecks()
    {
        QFETCH(int, idDigits);
        QFETCH(int, maskDigits);
        QFETCH(int, expected);
        const GjbTagOps::Match m{QString(idDigits, QLatin1Char('A')), QString(maskDigits, QLatin1Char('F')),
                                 0, true};
        QCOMPARE(int(GjbTagOps::checkMatch(m)), expected);
    }

    void answers_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("words");
        QTest::addColumn<QString>("hex");
        QTest::newRow("status 0, no words") << GjbTagOps::kAnswerSize << 0 << 0 << QString();
        QTest::newRow("two words") << GjbTagOps::kAnswerSize << 0 << 2 << QStringLiteral("0102ABCD");
        QTest::newRow("error status") << GjbTagOps::kAnswerSize << 0x83 << 0 << QString();
        // A count past the buffer shows what the buffer holds, never more.
        QTest::newRow("count past the end") << 285 << 0 << 0xFFFF << QStringLiteral("0102ABCD");
    }
    void answers()
    {
        QFETCH(int, size);
        QFETCH(int, status);
        QFETCH(int, words);
        QFETCH(QString, hex);
        std::vector<unsigned char> buf(static_cast<size_t>(size), 0);
        buf[278] = static_cast<unsigned char>(status);
        buf[279] = static_cast<unsigned char>(words >> 8);
        buf[280] = static_cast<unsigned char>(words & 0xFF);
        const unsigned char data[] = {0x01, 0x02, 0xAB, 0xCD};
        std::memcpy(buf.data() + 281, data, 4);
        const auto a = GjbTagOps::parseAnswer(buf.data(), size);
        QCOMPARE(a.status, status);
        QCOMPARE(a.wordCount, static_cast<unsigned int>(words));
        QCOMPARE(a.dataHex, hex);
    }

    void reportRecords()
    {
        std::vector<unsigned char> buf(65536, 0);
        buf[0] = 3;
        buf[2] = 0xE2;
        buf[3] = 0x0a;
        buf[4] = 0x01;
        buf[258] = 4;
        GjbTagReport r;
        QVERIFY(ParseGjbTagReport(buf.data(), static_cast<int>(buf.size()), r));
        QCOMPARE(r.tagId, QStringLiteral("E20A01"));
        QCOMPARE(r.antenna, 4);
        buf[0] = 0x01; // 257 bytes would run into the antenna byte
        buf[1] = 0x01;
        QVERIFY(!ParseGjbTagReport(buf.data(), static_cast<int>(buf.size()), r));
        QVERIFY(!ParseGjbTagReport(buf.data(), 200, r));
    }

    // Reads as the worker counts them, merged and shown as the page does.
    void substringCountingAndRows()
    {
        GjbTagCounts worker;
        GjbPageTable page;
        RecordingRows rows;
        worker.addRead("ABCD", 1, "10:00:00");
        worker.addRead("BC", 2, "10:00:01");   // inside a known ID: counted there
        worker.addRead("ABCD", 0, "10:00:02"); // antenna 0: time only
        worker.addRead("ABCD", 5, "10:00:03");
        worker.addRead("0F", 3, "10:00:04");
        QCOMPARE(worker.size(), 2);
        const GjbTagRecord* abcd = worker.find("ABCD");
        QCOMPARE(abcd->antennaCount1, 1);
        QCOMPARE(abcd->antennaCount2, 1);
        QCOMPARE(abcd->total(), 2);
        QCOMPARE(abcd->lastReadTime, QStringLiteral("10:00:03"));

        worker.mergeInto(page);
        page.syncRows(rows);
        QCOMPARE(rows.ids, (QStringList{"0F", "ABCD"})); // key order
        QCOMPARE(page.totalReads(), 3);

        // A new key that comes first in key order takes the reads of IDs it contains.
        worker.addRead("0ABCD", 4, "10:00:05");
        worker.addRead("BC", 4, "10:00:06");
        QCOMPARE(worker.find("0ABCD")->antennaCount4, 2);
        QCOMPARE(worker.find("ABCD")->antennaCount4, 0);
        worker.mergeInto(page);
        page.syncRows(rows);
        QCOMPARE(rows.ids, (QStringList{"0F", "ABCD", "0ABCD"}));
        QCOMPARE(rows.values[2].antennaCount4, 2);
        QCOMPARE(page.totalReads(), 5);

        // A key whose text lies inside an earlier row's key shows on that row.
        worker.clear();
        page.clear();
        RecordingRows rows2;
        worker.addRead("ABCD", 1, "t1");
        worker.addRead("CD", 1, "t1"); // counted on ABCD
        worker.mergeInto(page);
        page.syncRows(rows2);
        GjbTagCounts other; // a second run's table where CD came first
        other.addRead("CD", 2, "t2");
        other.addRead("ABCD", 3, "t3");
        other.mergeInto(page);
        page.syncRows(rows2);
        QCOMPARE(rows2.ids, QStringList{"ABCD"});
        QCOMPARE(rows2.values[0].epc, QStringLiteral("ABCD")); // the row keeps its own ID
        QCOMPARE(page.size(), 2);
    }

    // The tables against a literal reading of the rules: the first key in key order containing the
    // ID takes the read; the first row from the top containing the key shows the record.
    void randomReadsAgainstLiteralRules()
    {
        QRandomGenerator rng(11);
        for (int round = 0; round < 20; ++round) {
            GjbTagCounts worker;
            GjbPageTable page;
            RecordingRows rows;
            std::map<QString, std::array<int, 4>> literal;
            QStringList literalRows;
            for (int refresh = 0; refresh < 8; ++refresh) {
                for (int i = 0; i < 30; ++i) {
                    QString id;
                    const int len = 1 + int(rng.bounded(4));
                    for (int k = 0; k < len; ++k) {
                        id += QLatin1Char("AB0"[rng.bounded(3)]);
                    }
                    const int antenna = int(rng.bounded(6));
                    worker.addRead(id, antenna, "t");
                    auto it = std::find_if(literal.begin(), literal.end(),
                                           [&id](const auto& kv) { return kv.first.contains(id); });
                    if (it == literal.end()) {
                        it = literal.emplace(id, std::array<int, 4>{}).first;
                    }
                    if (antenna >= 1 && antenna <= 4) {
                        ++it->second[size_t(antenna - 1)];
                    }
                }
                worker.mergeInto(page);
                page.syncRows(rows);
                for (const auto& kv : literal) {
                    const auto row = std::find_if(literalRows.begin(), literalRows.end(),
                                                  [&kv](const QString& r) { return r.contains(kv.first); });
                    if (row == literalRows.end()) {
                        literalRows << kv.first;
                    }
                    const GjbTagRecord* rec = worker.find(kv.first);
                    QVERIFY(rec);
                    QCOMPARE(rec->antennaCount1, kv.second[0]);
                    QCOMPARE(rec->antennaCount4, kv.second[3]);
                }
                QCOMPARE(worker.size(), int(literal.size()));
                QCOMPARE(rows.ids, literalRows);
            }
        }
    }

    void mergeOnlyChangedAndClear()
    {
        GjbTagCounts worker;
        GjbPageTable page;
        RecordingRows rows;
        worker.addRead("01", 1, "a");
        worker.mergeInto(page);
        page.syncRows(rows);
        worker.mergeInto(page); // nothing new
        page.syncRows(rows);
        QCOMPARE(rows.ids.size(), 1);
        QCOMPARE(page.totalReads(), 1);
        worker.addRead("01", 1, "b");
        worker.mergeInto(page);
        page.syncRows(rows);
        QCOMPARE(rows.values[0].antennaCount1, 2);
        QCOMPARE(rows.values[0].lastReadTime, QStringLiteral("b"));
        // After a clear the worker starts again from zero and the page numbers rows anew.
        worker.clear();
        page.clear();
        RecordingRows fresh;
        worker.addRead("01", 2, "c");
        worker.mergeInto(page);
        page.syncRows(fresh);
        QCOMPARE(fresh.ids, QStringList{"01"});
        QCOMPARE(fresh.values[0].antennaCount1, 0);
        QCOMPARE(page.totalReads(), 1);
    }

    void saveLines()
    {
        GjbPageTable page;
        QString text;
        QTextStream out(&text);
        page.writeText(out, {"N", "A1", "A2", "A3", "A4", "T", "O"});
        out.flush();
        QVERIFY(text.isEmpty());
        GjbTagCounts worker;
        worker.addRead("0B", 2, "12:00:01");
        worker.addRead("0A", 1, "12:00:00");
        worker.mergeInto(page);
        page.writeText(out, {"N", "A1", "A2", "A3", "A4", "T", "O"});
        out.flush();
        QCOMPARE(text, QStringLiteral("N:0A\tA1:1\tA2:0\tA3:0\tA4:0\tT:12:00:00\tO:\t\n"
                                      "N:0B\tA1:0\tA2:1\tA3:0\tA4:0\tT:12:00:01\tO:\t\n"));
    }

    void configEncodings()
    {
        using namespace GjbReaderConfig;
        QCOMPARE(pointsFromMask((1 << 19) | 1), (std::vector<int>{0, 19}));
        QCOMPARE(pointMask({0, 19}), (1 << 19) | 1);
        QCOMPARE(pointMask({5}), 1 << 14);
        QCOMPARE(pointsFromMask(0xFFFFF).size(), size_t(20));
        QCOMPARE(pointsFromMask(0x100000), std::vector<int>{}); // beyond the twenty points
        QCOMPARE(pointText(0), QStringLiteral("920.125MHz"));
        QCOMPARE(pointText(1), QStringLiteral("920.375MHz"));
        QCOMPARE(pointText(19), QStringLiteral("924.875MHz"));
        QCOMPARE(powerItemText(2550), QStringLiteral("25"));
        QCOMPARE(powerItemText(2575), QStringLiteral("25"));
        QCOMPARE(powerValue("33"), 3300);
        QCOMPARE(powerItems().size(), 24);
        QCOMPARE(portMask({true, false, true, false}), 5);
        QCOMPARE(portsFromMask(0x18), (std::array<bool, 4>{false, false, false, true}));
        QCOMPARE(modulationItems().first(), QStringLiteral("30"));
        QCOMPARE(modulationItems().last(), QStringLiteral("100"));
    }
};

QTEST_GUILESS_MAIN(GjbCoreTest)
#include "tst_gjb_core.moc"
