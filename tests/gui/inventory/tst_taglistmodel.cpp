#include "TagRowsReference.h"
#include "core/inventory/TagTable.h"
#include "gui/inventory/TagListModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using Mode = QAbstractItemModelTester::FailureReportingMode;

QString ModelRowText(const TagListModel& m, int row)
{
    QStringList parts;
    for (int c = 0; c < TagListModel::ColumnCount; ++c) {
        parts << m.text(row, c);
    }
    parts << m.index(row, TagListModel::ColEpc).data(TagListModel::MatchRole).toString()
          << m.index(row, TagListModel::ColTid).data(TagListModel::MatchRole).toString();
    return parts.join(QLatin1Char('|'));
}

TagReadRecord Record(const QString& epc, const QString& tid, int count1)
{
    TagReadRecord rec;
    rec.epc = epc;
    rec.tid = tid;
    rec.antennaCount1 = count1;
    return rec;
}

} // namespace

class TagListModelTest : public QObject
{
    Q_OBJECT

private slots:
    void matchesNaiveRefreshOnRandomReads();
    void numbersAndMatchData();
    void editsShowOnCommit();
    void clearDuringRefresh();
};

// The table drives the model as the page does, under the model tester; every few refreshes the
// operator clears.
void TagListModelTest::matchesNaiveRefreshOnRandomReads()
{
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 300; ++round) {
        TagTable t;
        TagListModel m;
        QAbstractItemModelTester tester(&m, Mode::QtTest);
        // The same reads, numbered beforehand as the worker does.
        TagTable pre;
        TagListModel preModel;
        QAbstractItemModelTester preTester(&preModel, Mode::QtTest);
        TagKeyResolver resolver;
        ReferenceView ref;
        QSignalSpy inserts(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
        const int refreshes = 1 + rng->bounded(6);
        for (int f = 0; f < refreshes; ++f) {
            const int reads = rng->bounded(30);
            for (int i = 0; i < reads; ++i) {
                const int kind = rng->bounded(3);
                const QString epc = kind == 1 ? QString() : QString("E%1").arg(rng->bounded(6));
                const QString tid = kind == 0 ? QString() : QString("T%1").arg(rng->bounded(6));
                const int rssi = rng->bounded(4) == 0 ? kNoRssi : -90 + rng->bounded(60);
                const TagRead r =
                    MakeRead(epc, tid, rng->bounded(6), 1700000000000 + rng->bounded(5000), rssi);
                t.apply(r);
                ref.apply(r);
                TagRead numbered = r;
                resolver.resolve(numbered);
                pre.apply(numbered);
            }
            if (rng->bounded(8) == 0) {
                // Cleared with reads applied but not yet shown, as the clear button may.
                t.clear();
                m.clear();
                pre.clear();
                preModel.clear();
                resolver.clear();
                ref = ReferenceView();
                QCOMPARE(m.rowCount(), 0);
            }
            inserts.clear();
            changes.clear();
            t.syncRows(m);
            pre.syncRows(preModel);
            ref.refresh();
            // One announcement of each kind per refresh at most.
            QVERIFY(inserts.size() <= 1);
            QVERIFY(changes.size() <= 1);
            QCOMPARE(m.rowCount(), ref.rows.size());
            QCOMPARE(preModel.rowCount(), ref.rows.size());
            for (int row = 0; row < ref.rows.size(); ++row) {
                QCOMPARE(ModelRowText(m, row), ref.rowText(row));
                QCOMPARE(ModelRowText(preModel, row), ref.rowText(row));
            }
        }
    }
}

void TagListModelTest::numbersAndMatchData()
{
    TagTable t;
    TagListModel m;
    QAbstractItemModelTester tester(&m, Mode::QtTest);
    t.apply(MakeRead("CC", "", 1));
    t.apply(MakeRead("AA", "", 1));
    t.apply(MakeRead("", "BB", 2));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.text(0, TagListModel::ColEpc), QString("AA"));
    QCOMPARE(m.text(1, TagListModel::ColTid), QString("BB"));
    QCOMPARE(m.text(2, TagListModel::ColEpc), QString("CC"));
    QCOMPARE(m.text(2, TagListModel::ColNumber), QString("3"));
    QCOMPARE(m.index(1, TagListModel::ColTid).data(TagListModel::MatchRole).toString(), QString("BB"));
    QCOMPARE(m.index(1, TagListModel::ColEpc).data(TagListModel::MatchRole).toString(), QString());
    QVERIFY(!m.index(1, TagListModel::ColReadTime).data(TagListModel::MatchRole).isValid());

    t.apply(MakeRead("EE", "BB", 3));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 4);
    QCOMPARE(m.text(3, TagListModel::ColEpc), QString("EE"));
    QCOMPARE(m.index(1, TagListModel::ColEpc).data(TagListModel::MatchRole).toString(), QString());
    QCOMPARE(m.text(1, TagListModel::ColEpc), QString());
}

void TagListModelTest::editsShowOnCommit()
{
    TagListModel m;
    QAbstractItemModelTester tester(&m, Mode::QtTest);
    QSignalSpy inserts(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);

    for (int i = 0; i < 6; ++i) {
        QCOMPARE(m.appendRow(QString("E%1").arg(i), QString()), i);
    }
    m.setRowValues(1, Record("E1", "", 5));
    // Staged rows are invisible, and found, until the commit announces them in one step.
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.stagedRowCount(), 6);
    QCOMPARE(m.findRow("E4", QString()), 4);
    QVERIFY(inserts.isEmpty() && changes.isEmpty());
    m.commit();
    QCOMPARE(inserts.size(), 1);
    QCOMPARE(inserts.first().at(1).toInt(), 0);
    QCOMPARE(inserts.first().at(2).toInt(), 5);
    QVERIFY(changes.isEmpty());
    QCOMPARE(m.text(1, TagListModel::ColAnt1), QString("5"));

    // Changes to shown rows, and rows appended beside them, are one change range and one insert.
    inserts.clear();
    m.setRowValues(4, Record("E4", "T4", 1));
    m.setRowValues(2, Record("E2", "", 2));
    QCOMPARE(m.appendRow("E6", QString()), 6);
    m.setRowValues(6, Record("E6", "", 3));
    m.setRowValues(99, Record("X", "", 1)); // no such row: ignored
    m.setRowValues(-1, Record("X", "", 1));
    m.commit();
    QCOMPARE(changes.size(), 1);
    const auto topLeft = changes.first().at(0).value<QModelIndex>();
    const auto bottomRight = changes.first().at(1).value<QModelIndex>();
    QCOMPARE(topLeft.row(), 2);
    QCOMPARE(bottomRight.row(), 4);
    QCOMPARE(topLeft.column(), int(TagListModel::ColEpc));
    QCOMPARE(bottomRight.column(), int(TagListModel::ColumnCount - 1));
    QCOMPARE(inserts.size(), 1);
    QCOMPARE(inserts.first().at(1).toInt(), 6);
    QCOMPARE(m.text(4, TagListModel::ColTid), QString("T4"));
    QCOMPARE(m.text(6, TagListModel::ColAnt1), QString("3"));

    // Nothing staged: nothing announced.
    changes.clear();
    inserts.clear();
    m.commit();
    QVERIFY(inserts.isEmpty() && changes.isEmpty());
}

// The clear button empties the model between two refreshes, with edits of the next one staged.
void TagListModelTest::clearDuringRefresh()
{
    TagTable t;
    TagListModel m;
    QAbstractItemModelTester tester(&m, Mode::QtTest);
    t.apply(MakeRead("B", "", 1));
    t.apply(MakeRead("C", "", 1));
    t.syncRows(m);
    m.appendRow("D", QString());
    m.setRowValues(0, Record("B", "", 9));

    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
    t.clear();
    m.clear();
    QCOMPARE(resets.size(), 1);
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.stagedRowCount(), 0);
    QCOMPARE(m.findRow("B", QString()), -1);
    QCOMPARE(m.findRow("D", QString()), -1);
    m.commit(); // what was staged before the clear is gone, not announced late
    QVERIFY(inserts.isEmpty() && changes.isEmpty());

    t.apply(MakeRead("Z", "", 2));
    t.syncRows(m);
    QCOMPARE(m.rowCount(), 1);
    QCOMPARE(m.text(0, TagListModel::ColNumber), QString("1"));
    QCOMPARE(m.text(0, TagListModel::ColAnt2), QString("1"));
    QCOMPARE(m.findRow("Z", QString()), 0);
}

QTEST_MAIN(TagListModelTest)
#include "tst_taglistmodel.moc"
