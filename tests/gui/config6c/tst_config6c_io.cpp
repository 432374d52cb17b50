#include "Config6CSim.h"
#include "gui/config6c/CarrierWaveFor6CDlg.h"
#include "gui/config6c/FiltrateTagFor6CDlg.h"
#include "gui/config6c/FlashConfigFor6CDlg.h"
#include "gui/config6c/IoConfigFor6CDlg.h"
#include "gui/config6c/QValueDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {
using Lines = QList<QPair<QString, bool>>;

void Click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
}

template <class T = QWidget> T* Child(QWidget* w, const char* name)
{
    return w->findChild<T*>(name);
}
} // namespace

class Config6CIoTest : public QObject
{
    Q_OBJECT

private slots:
    void inputsAndOutputs();
    void readTriggeredOutputs();
    void pulseFailureOnLine2SkipsTheOutputs();
    void tagStore();
    void tagStoreCountOf300();
    void tagStoreWithoutReader();
    void filter();
    void qValueAndCarrier();
};

void Config6CIoTest::inputsAndOutputs()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    IoConfigFor6CDlg d;
    r.model().setInputs(0x02);
    Click(&d, "queryInBtn");
    QCOMPARE(Child<QLineEdit>(&d, "input0Edit")->text(), L("IDCS_LOW_VOLTAGE"));
    QCOMPARE(Child<QLineEdit>(&d, "input1Edit")->text(), L("IDCS_HIGH_VOLTAGE"));
    QCOMPARE(log.last(), L("IDCS_QUERY_SUCCESS"));

    d.actionList(3)->setCurrentIndex(2);
    Click(&d, "putout3Btn");
    QCOMPARE(int(r.model().outputAction(3)), 2);
    QCOMPARE(int(r.model().outputAction(1)), 0);
    QCOMPARE(log.last(), L("IDCS_SET_SUCCESS"));

    // A failed query leaves no stale levels behind.
    r.sim->cutLinks();
    log.clear();
    Click(&d, "queryInBtn");
    QCOMPARE(Child<QLineEdit>(&d, "input0Edit")->text(), QString());
    QCOMPARE(log.lines(), (Lines{{L("IDCS_QUERY_FAILED"), true}}));
}

void Config6CIoTest::readTriggeredOutputs()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    IoConfigFor6CDlg d;
    d.triggerCheck(0)->setChecked(true); // buzzer
    d.triggerCheck(3)->setChecked(true); // output 3
    for (int line = 0; line < 5; ++line) {
        d.pulseSpin(line)->setValue(5 + line);
    }
    Click(&d, "ctrlSetBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_SET_SUCCESS")});
    QCOMPARE(int(r.model().readingIo()), 9);
    for (int line = 0; line < 5; ++line) {
        uint8_t width = 0;
        QCOMPARE(r.model().pulseWidth(uint8_t(line), &width), readersim::Result::Ok);
        QCOMPARE(int(width), 5 + line);
    }

    QCOMPARE(r.model().setReadingIo(0x12), readersim::Result::Ok);
    QCOMPARE(r.model().setPulseWidth(2, 42), readersim::Result::Ok);
    log.clear();
    Click(&d, "ctrlQueryBtn");
    QCOMPARE(log.texts(), (QStringList{L("IDCS_QUERY_SUCCESS"), L("IDCS_QUERY_SUCCESS")}));
    const bool ticked[5] = {false, true, false, false, true};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(d.triggerCheck(row)->isChecked(), ticked[row]);
    }
    QCOMPARE(d.pulseSpin(2)->value(), 42);

    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    log.clear();
    Click(&d, "ctrlQueryBtn");
    QCOMPARE(log.lines(), (Lines{{L("IDCS_READ_NO_LINK"), false}, {L("IDCS_QUERY_FAILED"), true}}));
}

void Config6CIoTest::pulseFailureOnLine2SkipsTheOutputs()
{
    Config6CSim r;
    QVERIFY(r.ok());
    IoConfigFor6CDlg d;
    for (int row = 0; row < 5; ++row) {
        d.triggerCheck(row)->setChecked(true);
        d.pulseSpin(row)->setValue(30 + row);
    }
    LogCapture log;
    // The link goes down after the answers for lines 0 and 1.
    r.cutAfterMoreFrames(2);
    Click(&d, "ctrlSetBtn");
    QCOMPARE(log.lines(), (Lines{{L("IDCS_SET_FAILED"), true}}));
    uint8_t width = 0;
    QCOMPARE(r.model().pulseWidth(1, &width), readersim::Result::Ok);
    QCOMPARE(int(width), 31);
    QCOMPARE(r.model().pulseWidth(2, &width), readersim::Result::Ok);
    QCOMPARE(int(width), 1);
    QCOMPARE(int(r.model().readingIo()), 0);
}

void Config6CIoTest::tagStore()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    FlashConfigFor6CDlg d;
    auto* enable = Child<QCheckBox>(&d, "enableCheck");
    QVERIFY(!enable->isChecked());
    QVERIFY(!Child<QPushButton>(&d, "clearBtn")->isEnabled());
    d.show();
    QVERIFY(enable->isChecked());
    QVERIFY(Child<QPushButton>(&d, "clearBtn")->isEnabled());
    // Showing reads the switch and writes nothing back.
    QCOMPARE(log.texts(), QStringList{L("IDCS_FLASH_ENABLE_QUERY_SUCCESS")});

    Click(&d, "queryBtn");
    QCOMPARE(Child<QLineEdit>(&d, "countEdit")->text(), QString::number(r.model().flashCount()));
    QVERIFY(r.model().flashCount() > 0);
    Click(&d, "clearBtn");
    QCOMPARE(Child<QLineEdit>(&d, "countEdit")->text(), QString("0"));
    QCOMPARE(r.model().flashCount(), 0u);
    Child<QLineEdit>(&d, "countEdit")->clear();
    Click(&d, "queryBtn"); // an empty store reads FF FF FF FF
    QCOMPARE(Child<QLineEdit>(&d, "countEdit")->text(), QString("0"));

    log.clear();
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(5, enable->height() / 2));
    QVERIFY(!r.model().flashEnabled());
    QVERIFY(!Child<QPushButton>(&d, "queryBtn")->isEnabled());
    QCOMPARE(log.texts(), QStringList{L("IDCS_FLASH_ENABLE_SET_SUCCESS")});
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(5, enable->height() / 2));
    QVERIFY(r.model().flashEnabled());
    QVERIFY(Child<QPushButton>(&d, "queryBtn")->isEnabled());
}

void Config6CIoTest::tagStoreCountOf300()
{
    Config6CSim r(300);
    QVERIFY(r.ok());
    // An inventory puts every tag it reports into the store once.
    QCOMPARE(r.model().startInventory(readersim::ReadType::Epc, 1, 0), readersim::Result::Ok);
    r.model().generateReports(1000, 0, [](const readersim::Tag&, const readersim::Report&) {});
    r.model().stopInventory();
    QCOMPARE(r.model().flashCountRecord()[3], uint8_t(0x2C));
    FlashConfigFor6CDlg d;
    d.show();
    Click(&d, "queryBtn");
    QCOMPARE(Child<QLineEdit>(&d, "countEdit")->text(), QString("300"));
}

void Config6CIoTest::tagStoreWithoutReader()
{
    Config6CSim r;
    QVERIFY(r.ok());
    FlashConfigFor6CDlg d;
    d.show();
    d.hide();
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
    QVERIFY(Child<QCheckBox>(&d, "enableCheck")->isChecked());
    QVERIFY(Child<QPushButton>(&d, "clearBtn")->isEnabled());

    // Unticking without a reader is refused and the box keeps showing what the reader has.
    log.clear();
    Child<QCheckBox>(&d, "enableCheck")->click();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
    QVERIFY(Child<QCheckBox>(&d, "enableCheck")->isChecked());
    QVERIFY(r.model().flashEnabled());
}

void Config6CIoTest::filter()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    FiltrateTagFor6CDlg d;
    auto* spin = Child<QSpinBox>(&d, "timeSpin");
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_FILTER_ENABLE_QUERY_SUCCESS")});
    QVERIFY(!Child<QCheckBox>(&d, "enableCheck")->isChecked());
    QVERIFY(!spin->isEnabled());

    Child<QCheckBox>(&d, "enableCheck")->click();
    QVERIFY(r.model().filterEnabled());
    QVERIFY(spin->isEnabled());
    Click(&d, "queryBtn");
    QCOMPARE(spin->value(), 10);
    spin->setValue(25);
    Click(&d, "setBtn");
    QCOMPARE(int(r.model().filterTime()), 25);
    QCOMPARE(log.last(), L("IDCS_FILTER_TIME_SUCCESS"));

    r.sim->cutLinks();
    log.clear();
    Click(&d, "queryBtn");
    QCOMPARE(spin->value(), 1);
    QCOMPARE(log.lines(), (Lines{{L("IDCS_FILTER_TIME_QUERY_FAILED"), true}}));
}

void Config6CIoTest::qValueAndCarrier()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    QValueDlg q;
    q.show();
    auto* spin = Child<QSpinBox>(&q, "qSpin");
    QCOMPARE(spin->value(), 4);
    spin->setValue(7);
    Click(&q, "setBtn");
    QCOMPARE(int(r.model().qValue()), 7);
    // The reader refuses what Gen2 has no slots for.
    spin->setValue(200);
    log.clear();
    Click(&q, "setBtn");
    QCOMPARE(log.lines(), (Lines{{L("IDCS_QVALUE_SET_FAILED"), true}}));
    q.hide();
    q.show();
    QCOMPARE(spin->value(), 7);

    CarrierWaveFor6CDlg c;
    Child<QComboBox>(&c, "antennaCombo")->setCurrentIndex(1);
    Click(&c, "openBtn");
    QVERIFY(r.model().carrier(2));
    QVERIFY(!r.model().carrier(1));
    QCOMPARE(log.last(), L("IDCS_OPEN_SUCCESS"));
    Click(&c, "closeBtn");
    QVERIFY(!r.model().carrier(2));
    QCOMPARE(log.last(), L("IDCS_CLOSE_SUCCESS"));
}

QTEST_MAIN(Config6CIoTest)
#include "tst_config6c_io.moc"
