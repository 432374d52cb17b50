#include "GuiTestUtil.h"
#include "TempAppDir.h"
#include "core/app/AppContext.h"
#include "gui/app/OpListDlg.h"
#include "gui/app/RunRivulet.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "zaltlink.h"

using namespace guitest;

class TstGuiOpList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void trimsOldestLines();
    void limitsMissing_data();
    void limitsMissing();
    void clearingRestartsNumbering();
    void lineLayout();
    void errorCodeAppended();
};

namespace {
const QString kProfile = QStringLiteral("6C-DEBUG.ini");
}

void TstGuiOpList::trimsOldestLines()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "OpListDlg/Max_OPERATE_RECORD", "100");
    dir.setProfileValue(kProfile, "OpListDlg/OVER_TO_DELETE", "10");
    dir.startApp();
    OpListDlg log;
    for (int i = 1; i <= 100; ++i) {
        log.slot_showMsg(QStringLiteral("m%1").arg(i), false, 0);
    }
    QCOMPARE(log.lineCount(), 100);
    log.slot_showMsg(QStringLiteral("m101"), false, 0);
    QCOMPARE(log.lineCount(), 91);
    QCOMPARE(log.lineText(0, 0), QStringLiteral("11"));
    QCOMPARE(log.lineText(0, 2), QStringLiteral("m11"));
    QCOMPARE(log.lineText(90, 0), QStringLiteral("101"));
    QCOMPARE(log.lineText(90, 2), QStringLiteral("m101"));

    // A trim count larger than the list empties it without running past the end.
    dir.stopApp();
    dir.setProfileValue(kProfile, "OpListDlg/Max_OPERATE_RECORD", "3");
    dir.setProfileValue(kProfile, "OpListDlg/OVER_TO_DELETE", "50");
    dir.startApp();
    OpListDlg small;
    for (int i = 0; i < 4; ++i) {
        small.slot_showMsg(QStringLiteral("x"), false, 0);
    }
    QCOMPARE(small.lineCount(), 0);
    small.slot_showMsg(QStringLiteral("y"), false, 0);
    QCOMPARE(small.lineText(0, 0), QStringLiteral("5"));
}

void TstGuiOpList::limitsMissing_data()
{
    QTest::addColumn<QString>("maxRecord");
    QTest::addColumn<QString>("overToDelete");
    QTest::newRow("no trim count") << "100"
                                   << "";
    QTest::newRow("no maximum") << ""
                                << "10";
    QTest::newRow("maximum 0") << "0"
                               << "10";
}

// Without both numbers nothing is ever dropped: a log that trims against a maximum of 0 would lose
// every line as it arrives.
void TstGuiOpList::limitsMissing()
{
    QFETCH(QString, maxRecord);
    QFETCH(QString, overToDelete);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    if (maxRecord.isEmpty()) {
        dir.removeProfileValue(kProfile, "OpListDlg/Max_OPERATE_RECORD");
    } else {
        dir.setProfileValue(kProfile, "OpListDlg/Max_OPERATE_RECORD", maxRecord);
    }
    if (overToDelete.isEmpty()) {
        dir.removeProfileValue(kProfile, "OpListDlg/OVER_TO_DELETE");
    } else {
        dir.setProfileValue(kProfile, "OpListDlg/OVER_TO_DELETE", overToDelete);
    }
    dir.startApp();
    OpListDlg log;
    for (int i = 0; i < 150; ++i) {
        log.slot_showMsg(QStringLiteral("m"), false, 0);
    }
    QCOMPARE(log.lineCount(), 150);
    QCOMPARE(log.lineText(0, 0), QStringLiteral("1"));
}

void TstGuiOpList::clearingRestartsNumbering()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    OpListDlg log;
    log.slot_showMsg(QStringLiteral("a"), false, 0);
    log.slot_showMsg(QStringLiteral("b"), false, 0);
    auto* clear = log.findChild<QPushButton*>(QStringLiteral("clearBtn"));
    QVERIFY(clear);
    QCOMPARE(clear->text(), Text("IDCS_CLEAR"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(log.lineCount(), 0);
    log.slot_showMsg(QStringLiteral("c"), false, 0);
    QCOMPARE(log.lineCount(), 1);
    QCOMPARE(log.lineText(0, 0), QStringLiteral("1"));
    QCOMPARE(log.lineText(0, 2), QStringLiteral("c"));
}

void TstGuiOpList::lineLayout()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    OpListDlg log;
    log.slot_showMsg(QStringLiteral("plain"), false, 0);
    QVERIFY(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(log.lineText(0, 1)).hasMatch());
    QCOMPARE(log.lineText(0, 2), QStringLiteral("plain"));
    // A reader failure ends in its code and what the code means, in the loaded language.
    const struct
    {
        int code;
        QString expected;
    } cases[] = {
        {4, QStringLiteral("failed ErroCode:4 (%1)").arg(Text("IDCS_ZERR_LINK_LOST"))},
        {0x13, QStringLiteral("failed ErroCode:19 (%1)").arg(Text("IDCS_ZERR_WRONG_PASSWORD"))},
        {200, QStringLiteral("failed ErroCode:200 (%1)").arg(Text("IDCS_UNKNOW_ERRO"))},
        {0, QStringLiteral("failed ErroCode:0")},
        {-1, QStringLiteral("failed")}, // not the reader's failure
    };
    int row = 1;
    for (const auto& c : cases) {
        log.slot_showMsg(QStringLiteral("failed"), true, c.code);
        QCOMPARE(log.lineText(row++, 2), c.expected);
    }
    QVERIFY(!Text("IDCS_ZERR_LINK_LOST").startsWith(QStringLiteral("IDCS_")));
}

// After a failed call on a link that went away, the library's code ends the line: the code of
// that call, taken when it was logged, even though the line is shown after the next call.
void TstGuiOpList::errorCodeAppended()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator();
    QVERIFY(sim);
    ReaderDllBase* reader = Reader();
    reader->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
    QVERIFY(reader->OpenReader());
    sim->cutLinks();
    unsigned char buffer[255] = {};
    unsigned char length = 255;
    QTRY_VERIFY_WITH_TIMEOUT(!ZALT_SysInfQuery(reader->GetHandle(), 1, buffer, &length), 5000);
    const int code = reader->GetErrorCode();
    QVERIFY(code != 0);

    OpListDlg log;
    // Queued, as the main window relays it.
    connect(AppContext::Instance(), &AppContext::sig_logMessage, &log, &OpListDlg::slot_showMsg,
            Qt::QueuedConnection);
    AppContext::Instance()->logMessage(QStringLiteral("query failed"), true);
    reader->CloseReader();
    QVERIFY(reader->GetErrorCode() != code);
    QTRY_COMPARE(log.lineCount(), 1);
    QVERIFY(log.lineText(0, 2).startsWith(QStringLiteral("query failed ErroCode:%1 (").arg(code)));
}

QTEST_MAIN(TstGuiOpList)
#include "tst_gui_oplist.moc"
