#include "SimReader.h"

#include "LogCapture.h"
#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "core/inventory/TagFileWriter.h"
#include "gui/app/MainWindow.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ConnetDlg.h"
#include "gui/tagops/TagOpFor6CDlg.h"

#include <zaltlink.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <map>

namespace {

struct Page
{
    explicit Page(QWidget* workspace = nullptr) : w(workspace)
    {
        w.show();
        tree = w.findChild<QTreeView*>("tagTree");
        readBtn = w.findChild<QPushButton*>("readBtn");
        clearBtn = w.findChild<QPushButton*>("clearBtn");
        readType = w.findChild<QComboBox*>("readTypeCombo");
        antenna = w.findChild<QComboBox*>("antennaCombo");
        total = w.findChild<QLabel*>("readCountLabel");
    }
    void refresh() { w.slot_refresh_time(); }
    int rows() const { return w.model()->rowCount(); }
    QString text(int row, int col) const { return w.model()->text(row, col); }

    ReadCardFor6CDlg w;
    QTreeView* tree = nullptr;
    QPushButton* readBtn = nullptr;
    QPushButton* clearBtn = nullptr;
    QComboBox* readType = nullptr;
    QComboBox* antenna = nullptr;
    QLabel* total = nullptr;
};

// Ends the reader's inventory behind the page's back and waits until the page has received every
// report the reader sent, so counts can be compared exactly.
bool drainAll(SimReader& r, Page& p)
{
    ZALT_PowerOff(static_cast<ZALT_HANDLE>(SimReader::driver()->GetHandle()));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (p.w.worker()->receivedCount() == r.sim->reportsSent()) {
            QTest::qWait(50); // nothing more trickles in
            if (p.w.worker()->receivedCount() == r.sim->reportsSent()) {
                p.refresh();
                return true;
            }
        }
        QTest::qWait(10);
    }
    return false;
}

} // namespace

class InventoryGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Beeper::SetTestMode(true); }
    void rowsMatchWhatTheReaderSent_data();
    void rowsMatchWhatTheReaderSent();
    void startStopRulesAndKeys();
    void clearDuringRunAndRate();
    void saveAndExportFiles();
    void unopenableSaveFile();
    void selectHandOff();
    void selectOddLength();
    void throughTheWorkArea();
    void beepWhileReadsArrive();
    void readerGoesAwayMidRun_data();
    void readerGoesAwayMidRun();
    void selectInForceIsShown();
    void exportSuffixFollowsTheFilter_data();
    void exportSuffixFollowsTheFilter();
};

void InventoryGuiTest::rowsMatchWhatTheReaderSent_data()
{
    QTest::addColumn<int>("readType");
    QTest::newRow("epc") << 0;
    QTest::newRow("tid") << 1;
    QTest::newRow("epc+tid") << 2;
}

void InventoryGuiTest::rowsMatchWhatTheReaderSent()
{
    QFETCH(int, readType);
    SimReader r(20, 3000);
    QVERIFY(r.ok());
    Page p;
    QAbstractItemModelTester tester(p.w.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    p.readType->setCurrentIndex(readType);
    p.antenna->setCurrentIndex(0); // poll all four antennas
    QSignalSpy counts(&p.w, &ReadCardFor6CDlg::sig_sendReadCount);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateReading));
    QCOMPARE(p.readBtn->text(), LangText("IDCS_STOP_READ_CARD"));
    QVERIFY(counts.size() >= 2); // start clears the table, then reports the fresh start
    QCOMPARE(counts.at(0), (QList<QVariant>{0, 0, 2}));
    QCOMPARE(counts.at(1), (QList<QVariant>{0, 0, 0}));
    QTRY_COMPARE_WITH_TIMEOUT(p.rows(), 20, 5000);
    QVERIFY(drainAll(r, p));
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateConnected));
    QCOMPARE(p.readBtn->text(), LangText("IDCS_START_READ_CARD"));

    QCOMPARE(p.rows(), 20);
    std::map<QString, int> rowOf;
    for (int row = 0; row < p.rows(); ++row) {
        QCOMPARE(p.text(row, 0), QString::number(row + 1));
        const int keyCol = readType == 1 ? TagListModel::ColTid : TagListModel::ColEpc;
        rowOf[p.w.model()->index(row, keyCol).data(TagListModel::MatchRole).toString()] = row;
        if (readType == 0) {
            QVERIFY(p.text(row, TagListModel::ColTid).isEmpty());
        }
        if (readType == 1) {
            QVERIFY(p.text(row, TagListModel::ColEpc).isEmpty());
        }
        if (row > 0) { // rows that arrived in one refresh come in key order
            QVERIFY(p.text(row - 1, keyCol) < p.text(row, keyCol) || p.rows() > 20);
        }
    }
    qint64 sum = 0;
    for (size_t i = 0; i < r.sim->model().tagCount(); ++i) {
        const readersim::Tag tag = r.sim->model().tag(i);
        const QString key = SimReader::hex(readType == 1 ? tag.tid : tag.epc);
        QVERIFY2(rowOf.count(key), qPrintable(key));
        const int row = rowOf[key];
        if (readType == 2) {
            QCOMPARE(p.text(row, TagListModel::ColTid), SimReader::hex(tag.tid));
        }
        for (int a = 1; a <= 4; ++a) {
            QCOMPARE(p.text(row, TagListModel::ColAnt1 + a - 1).toULongLong(), tag.reports[a]);
            sum += qint64(tag.reports[a]);
        }
    }
    QCOMPARE(p.total->text(), QString::number(sum));
    // A 6C-protocol reader reports no signal strength: the page shows no column for it.
    QVERIFY(p.tree->isColumnHidden(TagListModel::ColRssi));
    QVERIFY(p.tree->isColumnHidden(TagListModel::ColBestRssi));
    // The last refresh counted the tags; the stop then shows the rate as 0 at once.
    QCOMPARE(counts.at(counts.size() - 2).at(0).toInt(), 20);
    QCOMPARE(counts.at(counts.size() - 2).at(2).toInt(), 1);
    QCOMPARE(counts.last(), (QList<QVariant>{20, 0, 2}));
}

void InventoryGuiTest::startStopRulesAndKeys()
{
    SimReader r(5, 500);
    QVERIFY(r.ok());
    LogCapture log;
    Page p;
    QTest::keyClick(&p.w, Qt::Key_F9); // not reading
    QCOMPARE(log.last(), LangText("IDCS_READER_NOREAD"));
    QTest::keyClick(&p.w, Qt::Key_F8);
    QCOMPARE(log.last(), LangText("IDCS_READ_SUCCESS"));
    QTest::keyClick(&p.w, Qt::Key_F8); // already reading: state is 3, not 2
    QCOMPARE(log.last(), LangText("IDCS_READ_NO_LINK"));
    QVERIFY(!log.containsError(LangText("IDCS_READ_NO_LINK")));
    // How long the stop takes is the benchmark's figure inventory.stop_ms.
    QTest::keyClick(&p.w, Qt::Key_F9);
    QCOMPARE(log.last(), LangText("IDCS_STOP_SCCUSS"));
    QVERIFY(!p.w.worker()->isRunning());

    // Hidden pages ignore the keys.
    p.w.hide();
    QVERIFY(!p.w.handleKey(Qt::Key_F8));
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateConnected));
    p.w.show();

    SimReader::driver()->SetState(ReaderDllBase::StateDisconnected);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QCOMPARE(log.last(), LangText("IDCS_READ_NO_LINK"));
    SimReader::driver()->SetState(ReaderDllBase::StateConnected);

    // A refused start is an error line and leaves everything idle.
    r.sim->cutLinks();
    QTest::qWait(50);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QVERIFY(log.containsError(LangText("IDCS_READ_FAILED")));
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateConnected));
}

void InventoryGuiTest::clearDuringRunAndRate()
{
    SimReader r(10, 2000);
    QVERIFY(r.ok());
    Page p;
    QAbstractItemModelTester tester(p.w.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy counts(&p.w, &ReadCardFor6CDlg::sig_sendReadCount);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(p.rows(), 10, 5000);
    QTRY_VERIFY(p.total->text().toInt() > 100);
    const quint64 receivedBeforeClear = p.w.worker()->receivedCount();
    QTest::mouseClick(p.clearBtn, Qt::LeftButton);
    const quint64 receivedAfterClear = p.w.worker()->receivedCount();
    QCOMPARE(counts.last(), (QList<QVariant>{0, 0, 2}));
    QCOMPARE(p.rows(), 0);
    QCOMPARE(p.total->text(), QString("0"));
    QVERIFY(p.w.worker()->isCollecting()); // reading goes on
    QTRY_VERIFY_WITH_TIMEOUT(p.rows() > 0, 3000);
    QCOMPARE(p.text(0, 0), QString("1"));
    QTRY_VERIFY(counts.last().at(1).toInt() > 0); // a rate while reads arrive

    QVERIFY(drainAll(r, p));
    // Counting started again at the clear: every read received after it is counted, none from
    // before. One read may have been under way while the clear ran.
    const quint64 received = p.w.worker()->receivedCount();
    const quint64 total = p.total->text().toULongLong();
    QVERIFY2(total <= received - receivedBeforeClear, qPrintable(QString::number(total)));
    QVERIFY2(total + 1 >= received - receivedAfterClear, qPrintable(QString::number(total)));
    QTest::qWait(5);
    p.refresh(); // nothing new since the last refresh
    QCOMPARE(counts.last().at(1).toInt(), 0);
    QCOMPARE(counts.last().at(2).toInt(), 1);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
}

void InventoryGuiTest::saveAndExportFiles()
{
    QTemporaryDir dir;
    const QString periodic = dir.filePath("periodic.txt");
    SimReader r(6, 2000, periodic);
    QVERIFY(r.ok());
    LogCapture log;
    Page p;
    QVERIFY(p.w.saveFilePath() == periodic);
    p.w.findChild<QCheckBox*>("recordCheck")->setChecked(true);
    p.w.findChild<QSpinBox*>("saveIntervalSpin")->setValue(50);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    // Where the snapshots go is said once, with the full path.
    QCOMPARE(log.last(), LangText("IDCS_SAVE_FILE_AT").arg(QDir::toNativeSeparators(periodic)).arg(50));
    QTRY_COMPARE_WITH_TIMEOUT(p.rows(), 6, 5000);
    QVERIFY(drainAll(r, p));

    // What the table must look like on disk, built from what the reader says it sent.
    std::map<QString, readersim::Tag> byEpc;
    for (const readersim::Tag& t : r.sim->model().tags()) {
        byEpc[SimReader::hex(t.epc)] = t;
    }
    QString snapshot;
    int n = 0;
    for (const auto& kv : byEpc) {
        const TagReadRecord* rec = p.w.table().find(kv.first);
        QVERIFY(rec);
        snapshot += QStringLiteral("%1:%2\t%3:%4\t%5:\t%6:%7\t%8:%9\t%10:%11\t%12:%13\t%14:%15\t\n")
                        .arg(LangText("IDCS_NUMBER"))
                        .arg(++n)
                        .arg(LangText("IDCS_EPC"), kv.first, LangText("IDCS_TID"), LangText("IDCS_READTIME"),
                             rec->lastReadTime, LangText("IDCS_ANTENNA_ONE_COUNT"))
                        .arg(kv.second.reports[1])
                        .arg(LangText("IDCS_ANTENNA_TWO_COUNT"))
                        .arg(kv.second.reports[2])
                        .arg(LangText("IDCS_ANTENNA_THREE_COUNT"))
                        .arg(kv.second.reports[3])
                        .arg(LangText("IDCS_ANTENNA_FOUR_COUNT"))
                        .arg(kv.second.reports[4]);
    }
    snapshot += "\t\n";

    // The periodic save goes on until the stop: wait for two snapshots of the final table, each
    // closed by its separator line.
    const auto saved = [&periodic] {
        QFile f(periodic);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QTRY_VERIFY(saved().endsWith((snapshot + snapshot).toUtf8()));
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QVERIFY(saved().endsWith(snapshot.toUtf8()));

    const QString exported = dir.filePath("export.txt");
    QString offered;
    ReadCardFor6CDlg::SetSaveFileAsker(
        [&](QWidget*, const QString& caption, const QString&, const QString& filter, QString* selected) {
            offered = filter;
            Q_UNUSED(caption);
            Q_UNUSED(selected);
            return exported;
        });
    p.w.slot_exportItem();
    p.w.slot_exportItem();
    QCOMPARE(log.last(), LangText("IDCS_EXPORT_SUCCESS"));
    QVERIFY(offered.startsWith(ReadCardFor6CDlg::textFilter()));
    QVERIFY(offered.contains(ReadCardFor6CDlg::csvFilter()));
    QFile exportedFile(exported);
    QVERIFY(exportedFile.open(QIODevice::ReadOnly));
    QCOMPARE(exportedFile.readAll(), (snapshot + snapshot).toUtf8());

    const QString csv = dir.filePath("export.csv");
    ReadCardFor6CDlg::SetSaveFileAsker(
        [&](QWidget*, const QString&, const QString&, const QString&, QString* selected) {
            *selected = ReadCardFor6CDlg::csvFilter();
            return csv;
        });
    p.w.slot_exportItem();
    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csvFile.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 6 + 1); // header, six tags, nothing after the last line end
    QVERIFY(lines[1].startsWith("1," + byEpc.begin()->first.toUtf8() + ",,"));

    // A cancelled dialog does nothing.
    log.clear();
    ReadCardFor6CDlg::SetSaveFileAsker(
        [](QWidget*, const QString&, const QString&, const QString&, QString*) { return QString(); });
    p.w.slot_exportItem();
    QCOMPARE(log.count(), 0);
    ReadCardFor6CDlg::SetSaveFileAsker(nullptr);
}

void InventoryGuiTest::unopenableSaveFile()
{
    QTemporaryDir dir;
    SimReader r(4, 1000, dir.path()); // a directory cannot be opened as a file
    QVERIFY(r.ok());
    LogCapture log;
    Page p;
    p.w.findChild<QCheckBox*>("recordCheck")->setChecked(true);
    p.w.findChild<QSpinBox*>("saveIntervalSpin")->setValue(20);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(p.rows(), 4, 5000);
    // A save that cannot be written is an error line, once, not one per interval.
    const QString failed = LangText("IDCS_SAVE_FILE_FAILED").arg(QDir::toNativeSeparators(dir.path()));
    QTRY_VERIFY(log.containsError(failed));
    QTest::qWait(100);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    QCOMPARE(log.texts().count(failed), 1);

    ReadCardFor6CDlg::SetSaveFileAsker([&](QWidget*, const QString&, const QString&, const QString&,
                                           QString*) { return dir.filePath("no/such/folder/x.txt"); });
    p.w.slot_exportItem();
    QCOMPARE(log.last(), LangText("IDCS_EXPORT_FAILED"));
    QVERIFY(!log.containsError(LangText("IDCS_EXPORT_FAILED")));
    ReadCardFor6CDlg::SetSaveFileAsker(nullptr);
}

void InventoryGuiTest::selectHandOff()
{
    SimReader r(3, 1000);
    QVERIFY(r.ok());
    Page p;
    TagOpFor6CDlg tagOp;
    QList<QVariantList> calls;
    p.w.setSelectHandler([&](int bank, int start, int length, const QString& hex) {
        calls << QVariantList{bank, start, length, hex};
        return tagOp.selectTag(bank, start, length, hex);
    });
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(p.rows(), 3, 5000);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);

    // No current row: nothing happens.
    p.w.slot_selectEpc();
    QVERIFY(calls.isEmpty());

    p.tree->setCurrentIndex(p.w.model()->index(1, 0));
    p.w.slot_copyItemEPC();
    const QString epc = p.text(1, TagListModel::ColEpc);
    QCOMPARE(QApplication::clipboard()->text(), epc);
    p.w.slot_selectTid(); // EPC-only run: empty TID
    QVERIFY(calls.isEmpty());
    p.w.slot_selectEpc();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0], (QVariantList{0, 0, int(epc.size() / 2), epc}));
    // The select reached the reader: only that tag answers now.
    QTRY_VERIFY(r.sim->model().currentSelect().active());
    const readersim::SelectFilter f = r.sim->model().currentSelect();
    QCOMPARE(int(f.bank), int(readersim::Bank::Epc));
    QCOMPARE(SimReader::hex(f.mask), epc);

    // The right button opens the menu, in this order; a row without a TID offers nothing by TID.
    QStringList offered;
    QList<bool> enabled;
    QTimer::singleShot(100, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (QAction* a : popup->actions()) {
                offered << a->text();
                enabled << a->isEnabled();
            }
            popup->close();
        }
    });
    const QRect cell = p.tree->visualRect(p.w.model()->index(0, 1));
    QTest::mousePress(p.tree->viewport(), Qt::RightButton, {}, cell.center());
    QTest::mouseRelease(p.tree->viewport(), Qt::RightButton, {}, cell.center());
    QCOMPARE(offered,
             (QStringList{LangText("IDCS_COPY_EPC"), LangText("IDCS_COPY_TID"), LangText("IDCS_EXPORT"),
                          LangText("IDCS_SELECT_EPC"), LangText("IDCS_SELECT_TID")}));
    QCOMPARE(enabled, (QList<bool>{true, false, true, true, false}));
}

void InventoryGuiTest::selectOddLength()
{
    SimReader r(1, 0);
    Page p;
    QList<QVariantList> calls;
    p.w.setSelectHandler([&](int bank, int start, int length, const QString& hex) {
        calls << QVariantList{bank, start, length, hex};
        return true;
    });
    // Reads never carry half bytes, but the hand-off must not pass one on.
    TagRead odd;
    odd.epc = "ABC";
    odd.tid = "E2003";
    odd.antenna = 1;
    p.w.worker()->buffer().push(std::move(odd));
    p.refresh();
    QCOMPARE(p.rows(), 1);
    p.tree->setCurrentIndex(p.w.model()->index(0, 0));
    p.w.slot_selectEpc();
    p.w.slot_selectTid();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0], (QVariantList{0, 0, 1, QString("AB")}));
    QCOMPARE(calls[1], (QVariantList{1, 0, 2, QString("E200")}));
}

void InventoryGuiTest::throughTheWorkArea()
{
    SimReader r(2, 1000);
    QVERIFY(r.ok());
    LogCapture log;
    workDpaceDlg work;
    work.show();
    auto* page = work.findChild<ReadCardFor6CDlg*>();
    QVERIFY(page);
    QVERIFY(work.findChild<TagOpFor6CDlg*>());
    QSignalSpy counts(&work, &workDpaceDlg::sig_sendReadCount);
    QKeyEvent f8(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier);
    work.keyPress(&f8);
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateReading));
    QTRY_COMPARE_WITH_TIMEOUT(page->model()->rowCount(), 2, 5000);
    QVERIFY(!counts.isEmpty());
    QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
    work.keyPress(&f9);
    QCOMPARE(SimReader::driver()->GetState(), int(ReaderDllBase::StateConnected));

    auto* tree = page->findChild<QTreeView*>("tagTree");
    tree->setCurrentIndex(page->model()->index(0, 0));
    log.clear();
    page->slot_selectEpc();
    QTRY_COMPARE(log.last(), LangText("IDCS_TAG_SELECT_SUCCESS"));
    QCOMPARE(SimReader::hex(r.sim->model().currentSelect().mask),
             page->model()->text(0, TagListModel::ColEpc));
}

void InventoryGuiTest::beepWhileReadsArrive()
{
    SimReader r(3, 500);
    QVERIFY(r.ok());
    Page p;
    Beeper::ClearRecorded();
    p.w.findChild<QCheckBox*>("soundCheck")->setChecked(true);
    QTest::qWait(250);
    QVERIFY(Beeper::RecordedTones().isEmpty()); // nothing read, nothing sounds
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!Beeper::RecordedTones().isEmpty(), 3000);
    QCOMPARE(Beeper::RecordedTones().first().frequency, 6000);
    QCOMPARE(Beeper::RecordedTones().first().durationMs, 200);
    QTest::mouseClick(p.readBtn, Qt::LeftButton);
    p.w.findChild<QCheckBox*>("soundCheck")->setChecked(false);
}

void InventoryGuiTest::readerGoesAwayMidRun_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("tcp, reader stopped") << "tcp";
    // UDP tells nobody: the reader's silence does.
    QTest::newRow("udp, reader stopped") << "udp";
    QTest::newRow("udp, cut after 300 frames") << "udp cut";
}

// Stop shows a rate of 0; a reader that goes away mid-read takes the page back to idle and the
// whole program to not connected, and nothing claims a stop succeeded.
void InventoryGuiTest::readerGoesAwayMidRun()
{
    QFETCH(QString, how);
    SimReader r(5, 500);
    QVERIFY(r.ok());
    if (how.startsWith("udp")) {
        QVERIFY(r.useUdp());
    }
    LogCapture log;
    MainWindow window;
    window.show();
    AppContext::Instance()->NotifyReaderState(SimReader::driver()->GetState());
    auto* page = window.findChild<ReadCardFor6CDlg*>();
    QVERIFY(page);
    auto* readBtn = page->findChild<QPushButton*>("readBtn");
    auto* connectBtn = window.connetDlg()->findChild<QPushButton*>("connetBtn");
    auto* disconnectBtn = window.connetDlg()->findChild<QPushButton*>("disConnetBtn");
    auto* speed = window.connetDlg()->findChild<QLabel*>("readSpeedValue");
    QTRY_VERIFY(!connectBtn->isEnabled());

    QTest::mouseClick(readBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(speed->text().toInt() > 0, 10000);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(log.last(), LangText("IDCS_STOP_SCCUSS"));
    QTRY_COMPARE(speed->text(), QString("0")); // nothing is read any more

    QTest::mouseClick(readBtn, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(page->model()->rowCount() > 0, 5000);
    log.clear();
    if (how.endsWith("cut")) {
        r.sim->setCutAfter(300);
    } else {
        r.sim->stop();
    }
    QTRY_COMPARE_WITH_TIMEOUT(SimReader::driver()->GetState(), int(ReaderDllBase::StateDisconnected), 15000);
    QVERIFY(log.containsError(LangText("IDCS_INVENTORY_LINK_LOST")));
    QCOMPARE(readBtn->text(), LangText("IDCS_START_READ_CARD"));
    QVERIFY(!page->worker()->isCollecting());
    QTRY_VERIFY(connectBtn->isEnabled());
    QVERIFY(!disconnectBtn->isEnabled());
    QCOMPARE(speed->text(), QString("0"));
    QVERIFY(page->model()->rowCount() > 0); // what was read stays

    QTest::mouseClick(readBtn, Qt::LeftButton); // the button starts, and there is nothing to start on
    QCOMPARE(log.last(), LangText("IDCS_READ_NO_LINK"));
    QTest::keyClick(page, Qt::Key_F9);
    QCOMPARE(log.last(), LangText("IDCS_READER_NOREAD"));
    QVERIFY(!log.contains(LangText("IDCS_STOP_SCCUSS")));
}

// While a select is in force the page says so, naming it, and offers to cancel it.
void InventoryGuiTest::selectInForceIsShown()
{
    SimReader r(3, 1000);
    QVERIFY(r.ok());
    LogCapture log;
    workDpaceDlg work;
    work.show();
    auto* page = work.findChild<ReadCardFor6CDlg*>();
    auto* note = page->findChild<QFrame*>("selectNoteFrame");
    auto* cancel = page->findChild<QPushButton*>("cancelSelectBtn");
    QVERIFY(note && cancel);
    QVERIFY(note->isHidden());

    const QString epc = SimReader::hex(r.sim->model().tag(2).epc);
    QVERIFY(work.selectTag(0, 0, int(epc.size() / 2), epc));
    QTRY_COMPARE(log.last(), LangText("IDCS_TAG_SELECT_SUCCESS"));
    QVERIFY(!note->isHidden());
    QVERIFY(page->findChild<QLabel*>("selectNoteLabel")->text().contains(epc));

    // Reading now finds the one tag; the note says why.
    QTest::mouseClick(page->findChild<QPushButton*>("readBtn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page->model()->rowCount(), 1, 5000);
    QTest::mouseClick(cancel, Qt::LeftButton); // not while reading
    QCOMPARE(log.last(), LangText("IDCS_READING_CARD"));
    QTest::mouseClick(page->findChild<QPushButton*>("readBtn"), Qt::LeftButton);

    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_COMPARE(log.last(), LangText("IDCS_NO_SELECT_SUCCESS"));
    QVERIFY(note->isHidden());
    QVERIFY(!r.sim->model().currentSelect().active());
    QTest::mouseClick(page->findChild<QPushButton*>("readBtn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page->model()->rowCount(), 3, 5000);
    QTest::mouseClick(page->findChild<QPushButton*>("readBtn"), Qt::LeftButton);
}

void InventoryGuiTest::exportSuffixFollowsTheFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("written");
    QTest::newRow("text, no suffix") << "tags" << false << "tags.txt";
    QTest::newRow("csv, no suffix") << "tags" << true << "tags.csv";
    QTest::newRow("suffix typed") << "tags.log" << false << "tags.log";
}

void InventoryGuiTest::exportSuffixFollowsTheFilter()
{
    QFETCH(QString, typed);
    QFETCH(bool, csv);
    QFETCH(QString, written);
    SimReader r(1, 0);
    QTemporaryDir dir;
    Page p;
    QString offered;
    ReadCardFor6CDlg::SetSaveFileAsker(
        [&](QWidget*, const QString&, const QString&, const QString& filter, QString* selected) {
            offered = filter;
            *selected = csv ? ReadCardFor6CDlg::csvFilter() : ReadCardFor6CDlg::textFilter();
            return dir.filePath(typed);
        });
    p.w.slot_exportItem();
    ReadCardFor6CDlg::SetSaveFileAsker(nullptr);
    QCOMPARE(offered, LangText("IDCS_FILTER_TEXT") + ";;" + LangText("IDCS_FILTER_CSV"));
    QVERIFY(offered.contains("(*.txt)") && offered.contains("(*.csv)"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
}

QTEST_MAIN(InventoryGuiTest)
#include "tst_inventory_gui.moc"
