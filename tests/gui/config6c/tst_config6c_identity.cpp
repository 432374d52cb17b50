#include "Config6CSim.h"
#include "gui/config6c/ReaderInfoFor6CDlg.h"
#include "gui/config6c/ReaderTimeSetDlg.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <array>
#include <utility>

namespace {
using Lines = QList<QPair<QString, bool>>;

void Click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
}

QString Record(readersim::ReaderModel& model, uint8_t type)
{
    std::vector<uint8_t> out;
    model.sysInfQuery(type, &out);
    return QString::fromUtf8(reinterpret_cast<const char*>(out.data()), int(out.size()));
}

} // namespace

class Config6CIdentityTest : public QObject
{
    Q_OBJECT

private slots:
    void identityShown();
    void identitySet_data();
    void identitySet();
    void factoryRecordsFollowTheLoadType();
    void identityWithoutReader();
    void clockSetAndRead();
    void clockRecordAllZero();
};

void Config6CIdentityTest::identityShown()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ReaderInfoFor6CDlg d;
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READER_INFO_SUCCESS")});
    const char* expected[] = {"READER01", "SIM6C4", "SN000001", "V2.1.7", "F1.0.3", "HW-B1.2", "HW-R1.1"};
    for (int type = 0; type < 7; ++type) {
        QCOMPARE(d.recordField(type)->text(), QString(expected[type]));
    }
    QVERIFY(d.recordField(3)->isReadOnly());
    QVERIFY(!d.recordField(0)->isReadOnly());
}

void Config6CIdentityTest::identitySet_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("logged");
    QTest::newRow("name of 8") << QByteArray("nameSetBtn") << 0 << "ABCDEFGH"
                               << QByteArray("IDCS_READER_NAME_SET_SUCCESS");
    QTest::newRow("name of 9") << QByteArray("nameSetBtn") << 0 << "ABCDEFGHI"
                               << QByteArray("IDCS_INPUT_LIMIT_8");
    QTest::newRow("empty name") << QByteArray("nameSetBtn") << 0 << "" << QByteArray("IDCS_INPUT_EMPTY");
    QTest::newRow("model of four 2-byte characters")
        << QByteArray("modelSetBtn") << 1 << QString(4, QChar(0x00E9)) << QByteArray("IDCS_INPUT_LIMIT_6");
    QTest::newRow("serial of 3") << QByteArray("serialSetBtn") << 2 << "S42"
                                 << QByteArray("IDCS_PRODUCT_SERIAL_SET_SUCCESS");
}

void Config6CIdentityTest::identitySet()
{
    QFETCH(QByteArray, button);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, logged);
    Config6CSim r;
    QVERIFY(r.ok());
    ReaderInfoFor6CDlg d;
    d.show();
    const QString before = Record(r.model(), uint8_t(type));
    LogCapture log;
    d.recordField(type)->setText(text);
    Click(&d, button.constData());
    QCOMPARE(log.texts(), QStringList{L(logged.constData())});
    QCOMPARE(Record(r.model(), uint8_t(type)), logged.endsWith("SUCCESS") ? text : before);
    // A set followed by a query shows what was set.
    d.recordField(type)->clear();
    Click(&d, "queryBtn");
    QCOMPARE(d.recordField(type)->text(), Record(r.model(), uint8_t(type)));
}

void Config6CIdentityTest::factoryRecordsFollowTheLoadType()
{
    Config6CSim r;
    QVERIFY(r.ok());
    ReaderInfoFor6CDlg d;
    auto* model = d.findChild<QPushButton*>("modelSetBtn");
    auto* serial = d.findChild<QPushButton*>("serialSetBtn");
    d.show();
    QVERIFY(model->isVisible());
    d.hide();
    r.app.setSysValue("DEVICE_CONFIG/LOADTYPE", "RELEASE");
    d.show();
    QVERIFY(!model->isVisible());
    QVERIFY(!serial->isVisible());
    QVERIFY(d.findChild<QPushButton*>("nameSetBtn")->isVisible());
    // Any other load type leaves the buttons as they are.
    d.hide();
    r.app.setSysValue("DEVICE_CONFIG/LOADTYPE", "OTHER");
    d.show();
    QVERIFY(!model->isVisible());
}

void Config6CIdentityTest::identityWithoutReader()
{
    Config6CSim r;
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    ReaderInfoFor6CDlg d;
    d.show();
    QCOMPARE(log.lines(),
             (Lines{{L("IDCS_READ_NO_LINK"), false}, {L("IDCS_DEVICE_NAME_QUERY_FAILED"), true}}));
}

void Config6CIdentityTest::clockSetAndRead()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ReaderTimeSetDlg d;
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_QUERY_TIME_CONFIG_SUCCESS")});
    auto* date = d.findChild<QDateEdit*>("dateEdit");
    auto* time = d.findChild<QTimeEdit*>("timeEdit");
    QCOMPARE(date->date(), QDate::currentDate());

    date->setDate(QDate(2016, 3, 7)); // a Monday
    time->setTime(QTime(9, 5, 30));
    Click(&d, "setBtn");
    QCOMPARE(log.last(), L("IDCS_SET_TIME_CONFIG_SUCCESS"));
    std::array<uint8_t, 7> clock = r.model().clockRecord();
    // The reader's clock runs on from what was set.
    QVERIFY2(clock[0] == 0x30 || clock[0] == 0x31, qPrintable(QString::number(clock[0], 16)));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(clock.data()) + 1, 6).toHex(' '),
             QByteArray("05 09 01 07 03 16"));

    Click(&d, "curTimeBtn");
    QCOMPARE(date->date(), QDate::currentDate());
    QCOMPARE(int(r.model().clockRecord()[6]), 0x16); // nothing was sent
    Click(&d, "queryBtn");
    QCOMPARE(date->date(), QDate(2016, 3, 7));
    QCOMPARE(time->time().hour(), 9);
    QCOMPARE(time->time().minute(), 5);
}

void Config6CIdentityTest::clockRecordAllZero()
{
    // A clock never set reports zeros: the edits keep what they showed.
    Config6CSim r;
    QVERIFY(r.ok());
    ReaderTimeSetDlg d;
    auto* date = d.findChild<QDateEdit*>("dateEdit");
    date->setDate(QDate(2020, 2, 2));
    r.model().setClockRecord(std::array<uint8_t, 7>{});
    LogCapture log;
    d.show();
    QCOMPARE(log.lines(), (Lines{{L("IDCS_QUERY_TIME_CONFIG_FAILED"), false}}));
    QCOMPARE(date->date(), QDate(2020, 2, 2));
}

QTEST_MAIN(Config6CIdentityTest)
#include "tst_config6c_identity.moc"
