// The GJB factory tests against the simulated reader: the sensitivity run and its output file, the
// self-interference action and the air-interface test page.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "core/configgjb/SensitivityTestThread.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/configgjb/SensitivityTestDlg.h"

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
    SetConfig6CFileAsker([path](QWidget*, bool, const QString&, const QString&, const QString&) { return path; });
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
    SetConfig6CFileAsker([path](QWidget*, bool, const QString&, const QString&, const QString&) { return path; });
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

QTEST_MAIN(ConfigGjbTestsTest)
#include "tst_configgjb_tests.moc"
