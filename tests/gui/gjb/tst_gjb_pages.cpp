// The GJB inventory page, its tag-operation dialog and the reader configuration panel against an
// in-process simulated GJB reader.
#include "GjbSimReader.h"
#include "LogCapture.h"
#include "core/app/LanguageText.h"
#include "core/gjb/ReadCardThread.h"
#include "gui/app/RunRivulet.h"
#include "gui/gjb/ReadCardDlg.h"
#include "gui/gjb/ReaderConfig.h"
#include "gui/gjb/TagOpDlg.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/TagListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include <wire/messages_gjb.h>

namespace {

QString L(const char* key)
{
    return LangText(key);
}

template <typename T> T* child(QObject& parent, const char* name)
{
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        qFatal("no child %s", name);
    }
    return w;
}

QStringList listTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

QString tagIdHex(const readersim::GjbTag& t)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(t.code.data()), static_cast<int>(t.code.size()))
            .toHex()
            .toUpper());
}

} // namespace

class TstGjbPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitRivuletResources();
        Beeper::SetTestMode(true);
    }

    void reverseLinkCombo_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("current");
        QTest::newRow("rates") << "1"
                               << "IDCS_ULINK_SPEED" << 8 << "64K";
        QTest::newRow("times") << "0"
                               << "IDCS_ULINK_TIME" << 4 << "1Tc";
        QTest::newRow("absent") << QString() << "IDCS_ULINK_TIME" << 4 << "1Tc";
    }
    void reverseLinkCombo()
    {
        QFETCH(QString, flag);
        QFETCH(QString, label);
        QFETCH(int, count);
        QFETCH(QString, current);
        GjbSimReader r(false, [&](TempAppDir& app) {
            const QString key = QStringLiteral("ReadCardDlg/UlinkPeriodicGB");
            if (flag.isNull()) {
                app.removeProfileValue(GjbSimReader::kProfile, key);
            } else {
                app.setProfileValue(GjbSimReader::kProfile, key, flag);
            }
        });
        ReadCardDlg page;
        QCOMPARE(child<QLabel>(page, "ulinkLabel")->text(), L(label.toLatin1().constData()));
        auto* combo = child<QComboBox>(page, "ulinkCombo");
        QCOMPARE(combo->count(), count);
        QCOMPARE(combo->currentText(), current);
    }

    // A loop run shows the simulated tags, clear renumbers, a double click hands the tag on.
    void loopRunClearAndDoubleClick()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        ReadCardDlg page;
        LogCapture log;
        QFile::remove(page.saveFilePath());
        page.slot_save_file(); // before any tag: nothing written
        QVERIFY(!QFile::exists(page.saveFilePath()));

        QTest::mouseClick(child<QPushButton>(page, "circulateBtn"), Qt::LeftButton);
        QVERIFY(r.driver()->IsState(3));
        QVERIFY(!child<QPushButton>(page, "timerBtn")->isEnabled());
        QVERIFY(child<QPushButton>(page, "stopBtn")->isEnabled());
        QTRY_COMPARE(page.model()->rowCount(), 5);
        QCOMPARE(r.model().inventory().reverseLink, 2); // the index goes unchanged
        // The tag table is shared with the 6C page; a GJB reader reports no signal strength.
        auto* tree = page.findChild<QTreeView*>(QStringLiteral("tagTree"));
        QVERIFY(tree->isColumnHidden(TagListModel::ColRssi) &&
                tree->isColumnHidden(TagListModel::ColBestRssi));
        QCOMPARE(r.model().inventory().preamble, 1);

        page.slot_ClearBtnClicked();
        QCOMPARE(page.model()->rowCount(), 0);
        QTRY_COMPARE(page.model()->rowCount(), 5);
        QCOMPARE(page.model()->text(0, TagListModel::ColNumber), QStringLiteral("1"));

        QTest::mouseClick(child<QPushButton>(page, "stopBtn"), Qt::LeftButton);
        QVERIFY(r.driver()->IsState(2));
        QVERIFY(log.contains(L("IDCS_STOP_SCCUSS")));
        const int rows = page.model()->rowCount();
        QCOMPARE(rows, 5); // the table keeps what the last refresh merged

        // Every simulated tag is on a row with its ID.
        QStringList ids;
        for (int i = 0; i < rows; ++i) {
            ids << page.model()->text(i, TagListModel::ColEpc);
        }
        for (const auto& t : r.model().tags()) {
            QVERIFY(ids.contains(tagIdHex(t)));
        }

        page.slot_itemDoubleClicked(page.model()->index(0, 0));
        TagOpDlg* dlg = page.tagOpDialog();
        QVERIFY(dlg->isVisible());
        QCOMPARE(child<QLineEdit>(*dlg, "tagIdEdit")->text(), ids.at(0));
        QCOMPARE(child<QLineEdit>(*dlg, "maskEdit")->text(), QString(ids.at(0).size(), QLatin1Char('F')));
        dlg->hide();

        page.slot_save_file();
        QFile f(page.saveFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QCOMPARE(text.count(QStringLiteral("\t\n")), 5);
        QVERIFY(text.startsWith(L("IDCS_CRAD_NUMBER") + ":"));
        f.close();

        // A save that cannot be written is an error line, once per failing streak.
        QVERIFY(QFile::remove(page.saveFilePath()));
        QVERIFY(QDir().mkpath(page.saveFilePath()));
        page.slot_save_file();
        page.slot_save_file();
        const QString failed =
            L("IDCS_SAVE_FILE_FAILED")
                .arg(QDir::toNativeSeparators(QFileInfo(page.saveFilePath()).absoluteFilePath()));
        QVERIFY(log.containsError(failed));
        QCOMPARE(log.texts().count(failed), 1);
        QVERIFY(QDir(page.saveFilePath()).removeRecursively());
    }

    // A timed run goes on while reports keep coming and ends at the first quiet receive after its
    // time; stopping one with the button logs its average as well.
    void timedRun()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        LogCapture log;
        ReadCardThread worker;
        worker.setDriver(r.driver());
        const std::vector<uint8_t> antennas = r.driver()->AntennaList();
        QVERIFY(r.driver()->Inventory(int(antennas.size()), antennas.data(), 0, 0, 0, 0, 2, 0, 1));
        QVERIFY(worker.startCollect(100));
        QTest::qWait(400);
        QVERIFY(!worker.isIdle());
        QVERIFY(!log.contains(L("IDCS_READ_CARD_STOP")));
        r.model().stopActivity();
        QTRY_VERIFY(worker.isIdle());
        QVERIFY(log.contains(L("IDCS_READ_CARD_STOP")));
        QVERIFY(r.driver()->IsState(2));

        ReadCardDlg page;
        child<QSpinBox>(page, "durationSpin")->setValue(60000);
        log.clear();
        QTest::mouseClick(child<QPushButton>(page, "timerBtn"), Qt::LeftButton);
        QVERIFY(log.contains(L("IDCS_INVENTORY_SUCCESS")));
        QTRY_VERIFY(page.table().totalReads() > 0);
        QTest::mouseClick(child<QPushButton>(page, "stopBtn"), Qt::LeftButton);
        const double average = page.table().totalReads() / 60.0;
        QVERIFY(log.contains(L("IDCS_AVERAGE_READ_CARD_1").arg(average)));
        QVERIFY(log.contains(L("IDCS_STOP_SCCUSS")));
    }

    // A start the reader refuses is logged as a failure, timed or not, and nothing runs.
    void startRefused_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::newRow("timed") << true;
        QTest::newRow("loop") << false;
    }
    void startRefused()
    {
        QFETCH(bool, timed);
        GjbSimReader r;
        QVERIFY(r.ok());
        r.model().refuse(wire::gjb::cmd::Inventory, -1, wire::status::BadParameter);
        ReadCardDlg page;
        LogCapture log;
        QTest::mouseClick(child<QPushButton>(page, timed ? "timerBtn" : "circulateBtn"), Qt::LeftButton);
        QVERIFY(log.containsError(L("IDCS_INVENTORY_FAILED")));
        QVERIFY(!log.contains(L("IDCS_INVENTORY_SUCCESS")));
        QVERIFY(r.driver()->IsState(2));
        QVERIFY(page.worker()->isIdle());
        QVERIFY(child<QPushButton>(page, "timerBtn")->isEnabled());
    }

    // The reader going away mid-run ends the run and the connection instead of leaving it reading.
    void linkLostDuringRun()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        ReadCardDlg page;
        LogCapture log;
        page.slot_CirculateBtnClicked();
        QTRY_VERIFY(page.table().totalReads() > 0);
        r.sim.reset();
        QTRY_VERIFY_WITH_TIMEOUT(r.driver()->IsState(0), 20000);
        QVERIFY(log.containsError(L("IDCS_INVENTORY_LINK_LOST")));
        QVERIFY(page.worker()->isIdle());
        QVERIFY(!child<QPushButton>(page, "stopBtn")->isEnabled());
    }

    void tagOperations()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        const readersim::GjbTag tag = r.model().tag(0);
        TagOpDlg dlg;
        auto* result = child<QPlainTextEdit>(dlg, "resultEdit");
        dlg.setTagId(tagIdHex(tag));

        // Write two words to user area 1, then read them back.
        child<QComboBox>(dlg, "writeUserNoCombo")->setCurrentIndex(1);
        child<QLineEdit>(dlg, "writeLenEdit")->setText("02");
        child<QLineEdit>(dlg, "writeDataEdit")->setText("12345678");
        dlg.slot_WriteBtnClicked();
        QTRY_COMPARE(result->toPlainText(), L("IDCS_OP_SUCCESS"));
        QCOMPARE(dlg.lastRequest()[518], 0x31);
        child<QComboBox>(dlg, "readUserNoCombo")->setCurrentIndex(1);
        child<QLineEdit>(dlg, "readLenEdit")->setText("02");
        dlg.slot_ReadBtnClicked();
        QTRY_COMPARE(result->toPlainText(), QStringLiteral("12345678"));

        // The tab switch empties the result box.
        child<QTabWidget>(dlg, "tabWidget")->setCurrentIndex(1);
        QVERIFY(result->toPlainText().isEmpty());

        // A failing tag status is shown with its text.
        r.model().failNextAccess(131);
        dlg.slot_ReadBtnClicked();
        QTRY_COMPARE(result->toPlainText(), r.driver()->ErrorText(131));
    }

    void tagOperationRefusals_data()
    {
        QTest::addColumn<QString>("tagId");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mask longer") << "AB"
                                     << "FFF" << true << "IDCS_MASK_LEN_LIMIT";
        QTest::newRow("id too long") << QString(509, 'A') << "" << true << "IDCS_GJB_ID_TOO_LONG_1";
        QTest::newRow("mask too long")
            << QString(508, 'A') << QString(509, 'F') << true << "IDCS_GJB_ID_TOO_LONG_1";
        QTest::newRow("not connected") << "AB"
                                       << "FF" << false << "IDCS_READ_NO_LINK";
    }
    void tagOperationRefusals()
    {
        QFETCH(QString, tagId);
        QFETCH(QString, mask);
        QFETCH(bool, connected);
        QFETCH(QString, expected);
        GjbSimReader r(connected);
        QVERIFY(r.ok());
        TagOpDlg dlg;
        child<QLineEdit>(dlg, "tagIdEdit")->setText(tagId);
        child<QLineEdit>(dlg, "maskEdit")->setText(mask);
        dlg.slot_KillBtnClicked();
        QString text = L(expected.toLatin1().constData());
        if (text.contains(QLatin1String("%1"))) {
            text = text.arg(GjbTagOps::kMaxIdDigits);
        }
        QCOMPARE(child<QPlainTextEdit>(dlg, "resultEdit")->toPlainText(), text);
        QCOMPARE(r.model().lastAccess().operation, 0); // nothing was sent
    }

    void readerConfigQueries()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        readersim::GjbSettings s = r.model().settings();
        s.antennaMask = 0x5;
        s.power = {2550, 3000, 2575, 3000};
        s.dwell = {200, 100, 300, 100};
        s.points = (1u << 19) | 1u;
        s.modulation = 60;
        r.model().setSettings(s);
        ReaderConfig panel;
        LogCapture log;
        panel.updateReaderState(2);
        QVERIFY(child<QCheckBox>(panel, "antennaOneCheck")->isChecked());
        QVERIFY(!child<QCheckBox>(panel, "antennaTwoCheck")->isChecked());
        QCOMPARE(child<QComboBox>(panel, "powerOneCombo")->currentText(), QStringLiteral("25"));
        QCOMPARE(child<QComboBox>(panel, "powerThreeCombo")->currentText(), QStringLiteral("25"));
        QCOMPARE(child<QSpinBox>(panel, "timeThreeSpin")->value(), 300);
        QCOMPARE(listTexts(panel.selectedPoints()),
                 (QStringList{QStringLiteral("920.125MHz"), QStringLiteral("924.875MHz")}));
        QCOMPARE(panel.availablePoints()->count(), 18);
        QCOMPARE(child<QComboBox>(panel, "modulateCombo")->currentText(), QStringLiteral("60"));
        QCOMPARE(r.driver()->AntennaList(), (std::vector<uint8_t>{1, 3}));
        QVERIFY(log.contains(L("IDCS_MODULATE_QUERY_SUCCESS")));

        // Point 5 joins: its bit is 14.
        panel.slot_PonitLWDoubleClicked(
            panel.availablePoints()->findItems("921.375MHz", Qt::MatchExactly).at(0));
        panel.slot_SetPointBtnClicked();
        QCOMPARE(r.model().settings().points, (1u << 19) | (1u << 14) | 1u);

        panel.updateReaderState(3);
        QVERIFY(!child<QPushButton>(panel, "setPointBtn")->isEnabled());
        panel.updateReaderState(4);
        QVERIFY(child<QPushButton>(panel, "setPointBtn")->isEnabled());
    }

    void readerConfigNoPort()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        readersim::GjbSettings s = r.model().settings();
        s.antennaMask = 0;
        r.model().setSettings(s);
        ReaderConfig panel;
        LogCapture log;
        panel.slot_QurAntennaBtnClicked();
        QCOMPARE(log.texts(), QStringList{L("IDCS_ANTENNA_STATE_QUERY_SUCCESS")});
        // A set with no port sends the mask alone.
        s.antennaMask = 0xF;
        s.power = {1000, 1000, 1000, 1000};
        r.model().setSettings(s);
        log.clear();
        panel.slot_SetAntennaBtnClicked();
        QCOMPARE(log.texts(), QStringList{L("IDCS_ANTENNA_STATE_SET_SUCCESS")});
        QCOMPARE(r.model().settings().antennaMask, 0u);
        QCOMPARE(r.model().settings().power[0], 1000u);
    }
};

QTEST_MAIN(TstGjbPages)
#include "tst_gjb_pages.moc"
