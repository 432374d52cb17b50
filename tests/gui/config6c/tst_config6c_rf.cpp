#include "Config6CSim.h"
#include "gui/config6c/ReadConfigFor6CDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {
void Click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
}

QStringList Texts(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

} // namespace

class Config6CRfTest : public QObject
{
    Q_OBJECT

private slots:
    void antennas_data();
    void antennas();
    void pointsQueriedSortedAndSentBack();
    void pointOutsideTheTable();
    void movingPoints();
    void americaTableSendsFifty();
    void showingQueriesUntilBothSucceed();
};

void Config6CRfTest::antennas_data()
{
    QTest::addColumn<QByteArray>("stored");    // the reader's 12-byte antenna record
    QTest::addColumn<QList<int>>("positions"); // power list positions shown after a query (-1 none)
    QTest::newRow("power bytes 10 16 12 40")
        << QByteArray::fromHex("010001000a100c2801020304") << QList<int>{30, 0, 12, -1};
    QTest::newRow("power bytes 0 35 20 15") << QByteArray::fromHex("00000000002314"
                                                                   "0f"
                                                                   "ffffffff")
                                            << QList<int>{20, 19, 4, 15};
}

void Config6CRfTest::antennas()
{
    QFETCH(QByteArray, stored);
    QFETCH(QList<int>, positions);
    Config6CSim r;
    QVERIFY(r.ok());
    QCOMPARE(r.model().setAntennas(std::vector<uint8_t>(stored.begin(), stored.end())),
             readersim::Result::Ok);
    LogCapture log;
    ReadConfigFor6CDlg page;
    Click(&page, "qurAntennaBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_ANTENNA_STATE_QUERY_SUCCESS")});
    for (int a = 1; a <= 4; ++a) {
        QCOMPARE(page.antennaCheck(a)->isChecked(), stored.at(a - 1) != 0);
        QCOMPARE(page.powerList(a)->currentIndex(), positions.at(a - 1));
        QCOMPARE(page.dwellSpin(a)->value(), int(uint8_t(stored.at(8 + a - 1))));
    }

    // A power list without an entry has nothing to send.
    log.clear();
    if (positions.contains(-1)) {
        Click(&page, "setAntennaBtn");
        QCOMPARE(log.texts(), QStringList{L("IDCS_INPUT_EMPTY")});
        QCOMPARE(r.model().antenna(4).power, uint8_t(40));
        log.clear();
    }
    const int set[4] = {19, 20, 30, 0};
    for (int a = 1; a <= 4; ++a) {
        page.powerList(a)->setCurrentIndex(set[a - 1]);
        page.antennaCheck(a)->setChecked(a % 2 == 0);
        page.dwellSpin(a)->setValue(10 * a);
    }
    Click(&page, "setAntennaBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_ANTENNA_STATE_SET_SUCCESS")});
    const uint8_t powers[4] = {35, 0, 10, 16};
    for (int a = 1; a <= 4; ++a) {
        const readersim::AntennaConfig c = r.model().antenna(a);
        QCOMPARE(c.enabled, a % 2 == 0);
        QCOMPARE(c.power, powers[a - 1]);
        QCOMPARE(int(c.dwell), 10 * a);
    }
}

void Config6CRfTest::pointsQueriedSortedAndSentBack()
{
    Config6CSim r;
    QVERIFY(r.ok());
    QCOMPARE(r.model().rfSet(0, {3, 0, 7}), readersim::Result::Ok);
    LogCapture log;
    ReadConfigFor6CDlg page;
    QCOMPARE(page.availableList()->count(), 16);
    Click(&page, "qurPointBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_FREQUENCY_POINT_QUERY_SUCCESS")});
    QCOMPARE(Texts(page.chosenList()), (QStringList{"920.625MHz", "921.375MHz", "922.375MHz"}));
    QCOMPARE(page.availableList()->count(), 13);
    Click(&page, "setPointBtn");
    QCOMPARE(r.model().frequencyPoints(), (std::vector<uint8_t>{0, 3, 7}));

    // A second query starts again from the full table.
    QCOMPARE(r.model().rfSet(0, {15}), readersim::Result::Ok);
    Click(&page, "qurPointBtn");
    QCOMPARE(page.chosenPoints(), QList<int>{15});
    QCOMPARE(page.availableList()->count(), 15);

    // An empty choice is sent as a count of 0.
    Click(&page, "noSelectAllPointBtn");
    Click(&page, "setPointBtn");
    QVERIFY(r.model().frequencyPoints().empty());
}

void Config6CRfTest::pointOutsideTheTable()
{
    Config6CSim r;
    QVERIFY(r.ok());
    // Index 20 is a point of the America table only.
    QCOMPARE(r.model().rfSet(0, {1, 20, 2}), readersim::Result::Ok);
    LogCapture log;
    ReadConfigFor6CDlg page;
    Click(&page, "qurPointBtn");
    QCOMPARE(log.lines(),
             (QList<QPair<QString, bool>>{{L("IDCS_FREQUENCY_POINT_QUERY_SUCCESS"), false},
                                          {L("IDCS_FREQUENCY_POINT_FORMAT_QUERY_FAILED"), false}}));
    QCOMPARE(page.chosenPoints(), QList<int>{1});
}

void Config6CRfTest::movingPoints()
{
    Config6CSim r;
    r.model().rfSet(0, {});
    ReadConfigFor6CDlg page;
    page.show();
    QListWidget* left = page.availableList();
    QListWidget* right = page.chosenList();
    left->item(9)->setSelected(true);
    left->item(2)->setSelected(true);
    Click(&page, "selectPointBtn");
    QCOMPARE(page.chosenPoints(), (QList<int>{2, 9}));
    QCOMPARE(left->count(), 14);

    // Double-clicking moves one item back, into its place in frequency order.
    const QRect rect = right->visualItemRect(right->item(1));
    QTest::mousePress(right->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(right->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(right->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(page.chosenPoints(), QList<int>{2});
    QCOMPARE(left->item(8)->data(Qt::UserRole + 1).toInt(), 9);
    QStringList sorted = Texts(left);
    sorted.sort();
    QCOMPARE(Texts(left), sorted);
}

void Config6CRfTest::americaTableSendsFifty()
{
    Config6CSim r(4, [](TempAppDir& app) { app.setSysValue("6CCONIFG/FrenyTable", "America"); });
    QVERIFY(r.ok());
    LogCapture log;
    ReadConfigFor6CDlg page;
    QCOMPARE(page.availableList()->count(), 50);
    QCOMPARE(page.availableList()->item(49)->text(), QString("927.25Mhz"));
    Click(&page, "selectAllPointBtn");
    QCOMPARE(page.chosenList()->count(), 50);
    QCOMPARE(page.availableList()->count(), 0);
    Click(&page, "setPointBtn");
    QCOMPARE(log.last(), L("IDCS_FREQUENCY_POINT_SET_SUCCESS"));
    QCOMPARE(r.model().frequencyPoints().size(), size_t(50));
    QCOMPARE(int(r.model().frequencyPoints().back()), 49);
}

void Config6CRfTest::showingQueriesUntilBothSucceed()
{
    Config6CSim r;
    QVERIFY(r.ok());
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    ReadConfigFor6CDlg page;
    page.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
    QVERIFY(page.queryPending());

    Config6CSim::driver()->SetState(ReaderDllBase::StateConnected);
    page.hide();
    log.clear();
    page.show();
    QCOMPARE(log.texts(),
             (QStringList{L("IDCS_ANTENNA_STATE_QUERY_SUCCESS"), L("IDCS_FREQUENCY_POINT_QUERY_SUCCESS")}));
    QVERIFY(!page.queryPending());
    QCOMPARE(page.chosenList()->count(), 16);
    QCOMPARE(page.powerList(1)->currentIndex(), 30);

    page.hide();
    log.clear();
    page.show();
    QCOMPARE(log.count(), 0);
}

QTEST_MAIN(Config6CRfTest)
#include "tst_config6c_rf.moc"
