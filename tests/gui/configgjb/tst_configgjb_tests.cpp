// The GJB factory tests against the simulated reader: the sensitivity run and its output file, the
// self-interference action and the air-interface test page.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "core/configgjb/SensitivityTestThread.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/configgjb/DealTestDlg.h"
#include "gui/configgjb/SensitivityTestDlg.h"

#include <QComboBox>
#include <QListWidget>
#include <QTableWidget>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using guitest::Text;

namespace {

QPushButton* Button(QWidget* w, const char* name)
{
    return w->findChild<QPushButton*>(name);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class ConfigGjbTestsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetConfig6CFileAsker({}); }
    void sensitivityRun_data();
    void sensitivityRun();
    void sensitivityStopKeepsOldFile();
    void sensitivityNoFile();
    void disturbInit();
    void airFrameSent();
    void airFrameRefusals_data();
    void airFrameRefusals();
    void airStop();
    void noCommandEnabled();
};

void ConfigGjbTestsTest::sensitivityRun_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("writable");
    QTest::newRow("five results") << 5 << true;
    QTest::newRow("no tests") << 0 << true;
    QTest::newRow("folder missing") << 3 << false;
}

void ConfigGjbTestsTest::sensitivityRun()
{
    QFETCH(int, count);
    QFETCH(bool, writable);
    GjbSimReader r;
    QVERIFY(r.ok());
    QTemporaryDir dir;
    const QString path = dir.filePath(writable ? "results.bin" : "gone/results.bin");
    SetConfig6CFileAsker(
        [path](QWidget*, bool, const QString&, const QString&, const QString&) { return path; });
    SensitivityTestDlg dlg;
    QTest::mouseClick(Button(&dlg, "browseBtn"), Qt::LeftButton);
    QCOMPARE(dlg.findChild<QLineEdit*>("fileEdit")->text(), path);
    dlg.findChild<QSpinBox*>("countSpin")->setValue(count);

    LogCapture log;
    QTest::mouseClick(Button(&dlg, "startBtn"), Qt::LeftButton);
    QCOMPARE(log.texts().value(0), Text("IDCS_SENSITIVITY_TEST_START"));
    QTRY_COMPARE(log.count(), 2);
    QTRY_VERIFY(Button(&dlg, "startBtn")->isEnabled());
    QVERIFY(!Button(&dlg, "stopBtn")->isEnabled());
    if (!writable) {
        QCOMPARE(log.lines().last(), qMakePair(Text("IDCS_SENSITIVITY_SAVE_FAILED_1").arg(path), true));
        return;
    }
    QCOMPARE(log.lines().last(), qMakePair(Text("IDCS_SENSITIVITY_TEST_SUCCESS_1").arg(count), false));
    QByteArray expected;
    for (const auto& result : r.model().sensitivity().results) {
        expected.append(char(result[0])).append(char(result[1]));
    }
    QCOMPARE(expected.size(), 2 * count);
    QCOMPARE(ReadFile(path), expected);
}

void ConfigGjbTestsTest::sensitivityStopKeepsOldFile()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    r.sim->setRate(2); // slow enough to stop in the middle
    QTemporaryDir dir;
    const QString path = dir.filePath("results.bin");
    QVERIFY(WriteFile(path, "previous run"));
    SetConfig6CFileAsker(
        [path](QWidget*, bool, const QString&, const QString&, const QString&) { return path; });
    SensitivityTestDlg dlg;
    QTest::mouseClick(Button(&dlg, "browseBtn"), Qt::LeftButton);
    dlg.findChild<QSpinBox*>("countSpin")->setValue(99);
    LogCapture log;
    QTest::mouseClick(Button(&dlg, "startBtn"), Qt::LeftButton);
    QVERIFY(Button(&dlg, "stopBtn")->isEnabled());
    QTRY_VERIFY(dlg.Thread()->Received() >= 1);

    // A second start while the first runs is refused and sends nothing.
    QVERIFY(!dlg.Thread()->StartTest());

    QTest::mouseClick(Button(&dlg, "stopBtn"), Qt::LeftButton);
    QTRY_VERIFY(Button(&dlg, "startBtn")->isEnabled());
    QVERIFY(dlg.Thread()->IsFinished());
    QCOMPARE(ReadFile(path), QByteArray("previous run"));
    QCOMPARE(log.texts(), QStringList{Text("IDCS_SENSITIVITY_TEST_START")});
    QVERIFY(!r.model().sensitivity().running);
}

void ConfigGjbTestsTest::sensitivityNoFile()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    SensitivityTestDlg dlg;
    dlg.findChild<QLineEdit*>("fileEdit")->clear();
    LogCapture log;
    QTest::mouseClick(Button(&dlg, "startBtn"), Qt::LeftButton);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_SELECT_SAVE_FILE")});
    QVERIFY(dlg.Thread()->IsFinished());
}

void ConfigGjbTestsTest::disturbInit()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    LogCapture log;
    DisturbreStrainDlg::RunInit();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_DISTURBRESTRAIN_SUCCESS")});
    QCOMPARE(r.model().disturbInitCount(), 1);
}

namespace {

// Picks the command with this number and fills its rows: a number picks a combo's option value,
// text goes into a free cell.
void Fill(DealTestDlg& dlg, int command, const QVariantList& rows)
{
    auto* list = dlg.findChild<QListWidget*>("commandList");
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(33).toInt() == command) {
            list->setCurrentRow(i);
            emit list->itemClicked(list->item(i));
        }
    }
    auto* table = dlg.findChild<QTableWidget*>("fieldTable");
    for (int row = 0; row < rows.size(); ++row) {
        if (auto* combo = qobject_cast<QComboBox*>(table->cellWidget(row, 2))) {
            if (rows[row].isValid()) {
                combo->setCurrentIndex(combo->findData(rows[row].toInt()));
            }
        } else {
            table->item(row, 2)->setText(rows[row].toString());
        }
    }
}

} // namespace

void ConfigGjbTestsTest::airFrameSent()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    DealTestDlg dlg;
    QCOMPARE(dlg.findChild<QListWidget*>("commandList")->count(), 17);
    LogCapture log;
    // A Write after a Query: the table is rebuilt for each command, combos and cells alike.
    Fill(dlg, 6, {QVariant(), QVariant(), QVariant(), QVariant(), 3, 1, 0, 2, 1});
    QTest::mouseClick(Button(&dlg, "sendBtn"), Qt::LeftButton);
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_SEND_SUCCESS")});
    Fill(dlg, 8, {QVariant(), QVariant(), QVariant(), QVariant(), 3, "0000", "0001", "ABCDEF01", "5678"});
    QTest::mouseClick(Button(&dlg, "sendBtn"), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 2);
    const auto frames = r.model().airFrames();
    QCOMPARE(frames.size(), size_t(2));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(frames[0].bytes.data()), int(frames[0].bytes.size()))
                 .toHex(),
             QByteArray("0100fea4000018e95f4d00"));
    QCOMPARE(frames[1].check.command, uint8_t(0xA6));
    QVERIFY(frames[1].check.lengthOk && frames[1].check.crcOk);
}

void ConfigGjbTestsTest::airFrameRefusals_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QVariantList>("rows");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("field");
    const QVariant keep;
    QTest::newRow("empty data") << 8 << QVariantList{keep, keep, keep, keep, 0, "0", "0001", "", "0"}
                                << "IDCS_PARAM_ERRO_1"
                                << "IDCS_DATA";
    QTest::newRow("empty mask") << 12 << QVariantList{keep, keep, keep, keep, 0, 0, "0", "08", ""}
                                << "IDCS_PARAM_ERRO_1"
                                << "IDCS_MASK";
    QTest::newRow("too many words") << 8 << QVariantList{keep, keep, keep, keep, 0, "0", "0100", "AA", "0"}
                                    << "IDCS_AIR_FRAME_TOO_LONG_1"
                                    << "IDCS_LEN_BYTE";
}

void ConfigGjbTestsTest::airFrameRefusals()
{
    QFETCH(int, command);
    QFETCH(QVariantList, rows);
    QFETCH(QString, key);
    QFETCH(QString, field);
    GjbSimReader r;
    QVERIFY(r.ok());
    DealTestDlg dlg;
    Fill(dlg, command, rows);
    LogCapture log;
    QTest::mouseClick(Button(&dlg, "sendBtn"), Qt::LeftButton);
    QCOMPARE(log.lines(),
             (QList<QPair<QString, bool>>{{Text(qPrintable(key)).arg(Text(qPrintable(field))), false}}));
    QTest::qWait(50);
    QVERIFY(r.model().airFrames().empty());
}

void ConfigGjbTestsTest::airStop()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    DealTestDlg dlg;
    LogCapture log;
    Fill(dlg, 0, {QVariant(), QVariant(), QVariant(), 1}); // sent repeatedly
    QTest::mouseClick(Button(&dlg, "sendBtn"), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 1);
    QVERIFY(r.model().airTransmitting());
    QTest::mouseClick(Button(&dlg, "stopBtn"), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 2);
    QCOMPARE(log.lines().last(), qMakePair(Text("IDCS_STOP_SCCUSS"), false));
    QVERIFY(!r.model().airTransmitting());
}

void ConfigGjbTestsTest::noCommandEnabled()
{
    GjbSimReader r(true, [](TempAppDir& app) {
        for (const char* name :
             {"QueryRep", "Power", "Ack", "Disperse", "Shrink", "Access", "Query", "Read", "Write", "Erase",
              "Lock", "Kill", "Sort", "Nak", "GetRN", "GetRefreshRN", "GetDivide"}) {
            app.setProfileValue(GjbSimReader::kProfile, QStringLiteral("DealTestDlg/") + name,
                                QStringLiteral("0"));
        }
    });
    QVERIFY(r.ok());
    DealTestDlg dlg;
    QCOMPARE(dlg.findChild<QListWidget*>("commandList")->count(), 0);
    LogCapture log;
    QTest::mouseClick(Button(&dlg, "sendBtn"), Qt::LeftButton);
    QTest::qWait(50);
    QCOMPARE(log.count(), 0);
    QVERIFY(r.model().airFrames().empty());
}

QTEST_MAIN(ConfigGjbTestsTest)
#include "tst_configgjb_tests.moc"
