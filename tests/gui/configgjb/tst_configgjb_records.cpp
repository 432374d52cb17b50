// The secrecy module and the record pages against the simulated GJB reader.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "gui/configgjb/AddRepairRecordDlg.h"
#include "gui/configgjb/ElectronRecordDlg.h"
#include "gui/configgjb/RepairRecordDlg.h"
#include "gui/configgjb/SecrecyDlg.h"

#include <wire/messages_gjb.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using guitest::Text;

namespace {

void Click(QWidget* w, const char* name)
{
    QPushButton* b = w->findChild<QPushButton*>(name);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

QPushButton* RowButton(QTableWidget* table, int row, int which)
{
    return table->cellWidget(row, 2)->findChildren<QPushButton*>().at(which);
}

std::vector<uint8_t> Bytes(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::vector<uint8_t>(b.begin(), b.end());
}

const QString kHan(QChar(0x4E2D)); // three bytes of UTF-8

} // namespace

class ConfigGjbRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { RepairRecordDlg::SetDialogRunner({}); }
    void secrecyStateAndPassword();
    void secrecyKill_data();
    void secrecyKill();
    void repairQueryAndAdd();
    void repairAddLimits_data();
    void repairAddLimits();
    void electronRowCutOnCharacter();
    void electronAllStopsAtFirstFailure();
};

void ConfigGjbRecordsTest::secrecyStateAndPassword()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    SecrecyDlg dlg;
    LogCapture log;
    auto* combo = dlg.findChild<QComboBox*>("stateCombo");
    combo->setCurrentIndex(1);
    Click(&dlg, "setBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_SECRECY_SET_SUCCESS")});
    QCOMPARE(r.model().secrecy().state, uint8_t(1));
    combo->setCurrentIndex(0);
    Click(&dlg, "qurBtn");
    QTRY_COMPARE(log.count(), 2);
    QCOMPARE(combo->currentText(), Text("IDCS_OPEN_S"));

    // Seven characters are refused before anything is sent; eight go through.
    log.clear();
    dlg.findChild<QLineEdit*>("oldPwdEdit")->setText("12345678");
    dlg.findChild<QLineEdit*>("newPwdEdit")->setText("abcdefg");
    Click(&dlg, "editBtn");
    QCOMPARE(log.texts(), QStringList{Text("IDCS_PWD_LEN_LIMIT_8")});
    dlg.findChild<QLineEdit*>("newPwdEdit")->setText("abcdefgh");
    Click(&dlg, "editBtn");
    QTRY_COMPARE(log.count(), 2);
    QCOMPARE(log.lines().last(), qMakePair(Text("IDCS_EDIT_SUCCESS"), false));
    QCOMPARE(r.model().secrecy().password, Bytes("abcdefgh"));
}

void ConfigGjbRecordsTest::secrecyKill_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("line"); // "" none
    QTest::addColumn<bool>("killed");
    QTest::newRow("first cancelled") << QList<int>{32} << "12345678" << 1 << "" << false;
    QTest::newRow("first escaped") << QList<int>{0} << "12345678" << 1 << "" << false;
    QTest::newRow("second cancelled") << QList<int>{16, 32} << "12345678" << 2 << "" << false;
    QTest::newRow("seven characters after both")
        << QList<int>{16, 16} << "1234567" << 2 << "IDCS_PWD_LEN_LIMIT_8" << false;
    QTest::newRow("wrong password") << QList<int>{16, 16} << "87654321" << 2 << "IDCS_KILL_FAILED" << false;
    QTest::newRow("killed") << QList<int>{16, 16} << "12345678" << 2 << "IDCS_KILL_SUCCESS" << true;
}

void ConfigGjbRecordsTest::secrecyKill()
{
    QFETCH(QList<int>, answers);
    QFETCH(QString, password);
    QFETCH(int, asked);
    QFETCH(QString, line);
    QFETCH(bool, killed);
    GjbSimReader r;
    QVERIFY(r.ok());
    SecrecyDlg dlg;
    QuestionAnswers questions;
    for (int a : answers) {
        questions.push(a);
    }
    LogCapture log;
    dlg.findChild<QLineEdit*>("killPwdEdit")->setText(password);
    Click(&dlg, "killBtn");
    QCOMPARE(questions.asked().size(), asked);
    if (line.isEmpty()) {
        QTest::qWait(50);
        QCOMPARE(log.count(), 0);
    } else {
        QTRY_COMPARE(log.count(), 1);
        QCOMPARE(log.texts().first(), Text(qPrintable(line)));
    }
    QCOMPARE(!r.model().secrecy().present, killed);
}

void ConfigGjbRecordsTest::repairQueryAndAdd()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    RepairRecordDlg dlg;
    auto* table = dlg.findChild<QTableWidget*>("recordTable");
    LogCapture log;
    Click(&dlg, "queryBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_QUERY_SUCCESS")});
    QCOMPARE(table->rowCount(), 0);

    RepairRecordDlg::SetDialogRunner([](AddRepairRecordDlg* d) {
        d->SetText(QStringLiteral("更换天线 antenna"));
        return int(QDialog::Accepted);
    });
    log.clear();
    Click(&dlg, "addBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_SET_SUCCESS")});
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("更换天线 antenna"));
    QCOMPARE(r.model().repairCount(), 1u);

    // A query shows the reader's rows, its time stamps included.
    QVERIFY(r.model().repairWrite(Bytes("second")) == 0);
    log.clear();
    Click(&dlg, "queryBtn");
    QTRY_COMPARE(log.count(), 1);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("2"));
    QCOMPARE(table->item(1, 2)->text(), QStringLiteral("second"));
    QCOMPARE(table->item(1, 1)->text(), QString::fromStdString(r.model().repairRecords()[1].time));

    // Cancelled: nothing sent, nothing logged.
    RepairRecordDlg::SetDialogRunner([](AddRepairRecordDlg*) { return int(QDialog::Rejected); });
    log.clear();
    Click(&dlg, "addBtn");
    QTest::qWait(50);
    QCOMPARE(log.count(), 0);
    QCOMPARE(r.model().repairCount(), 2u);
}

void ConfigGjbRecordsTest::repairAddLimits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("255 bytes") << QString(85, kHan[0]) << "IDCS_SET_SUCCESS";
    QTest::newRow("256 bytes") << "a" + QString(85, kHan[0]) << "IDCS_DATA_LEN_ERRO";
    QTest::newRow("empty") << QString() << "IDCS_INPUT_EMPTY";
}

void ConfigGjbRecordsTest::repairAddLimits()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    GjbSimReader r;
    QVERIFY(r.ok());
    RepairRecordDlg dlg;
    RepairRecordDlg::SetDialogRunner([text](AddRepairRecordDlg* d) {
        d->SetText(text);
        return int(QDialog::Accepted);
    });
    LogCapture log;
    Click(&dlg, "addBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text(qPrintable(line))});
    QCOMPARE(r.model().repairCount(), line == "IDCS_SET_SUCCESS" ? 1u : 0u);
}

void ConfigGjbRecordsTest::electronRowCutOnCharacter()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    ElectronRecordDlg dlg;
    auto* table = dlg.findChild<QTableWidget*>("recordTable");
    QCOMPARE(table->rowCount(), 32);
    LogCapture log;
    // 256 bytes, the 255th inside the last character: that character is left out whole.
    const QString text = "a" + QString(85, kHan[0]);
    table->item(4, 1)->setText(text);
    QTest::mouseClick(RowButton(table, 4, 1), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 1);
    QCOMPARE(log.lines().first(), qMakePair(Text("IDCS_SET_LINE_SUCCESS_1").arg(5), false));
    std::vector<uint8_t> stored;
    QCOMPARE(r.model().electronRead(4, &stored), uint8_t(0));
    QCOMPARE(stored, Bytes(text.left(85)));

    log.clear();
    table->item(4, 1)->setText(QString());
    QTest::mouseClick(RowButton(table, 4, 0), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 1);
    QCOMPARE(log.lines().first(), qMakePair(Text("IDCS_QUERY_LINE_SUCCESS_1").arg(5), false));
    QCOMPARE(table->item(4, 1)->text(), text.left(85));

    r.model().refuse(wire::gjb::cmd::ElectronRead, 6, 0x18);
    log.clear();
    QTest::mouseClick(RowButton(table, 6, 0), Qt::LeftButton);
    QTRY_COMPARE(log.count(), 1);
    QCOMPARE(log.lines().first(), qMakePair(Text("IDCS_QUERY_LINE_FAILED_1").arg(7), true));
}

void ConfigGjbRecordsTest::electronAllStopsAtFirstFailure()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    ElectronRecordDlg dlg;
    auto* table = dlg.findChild<QTableWidget*>("recordTable");
    for (int row = 0; row < 32; ++row) {
        table->item(row, 1)->setText(QStringLiteral("slot %1").arg(row));
    }
    r.model().refuse(wire::gjb::cmd::ElectronWrite, 3, 0x18);
    LogCapture log;
    Click(&dlg, "setBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_SET_FAILED")});
    for (int slot = 0; slot < 32; ++slot) {
        std::vector<uint8_t> stored;
        r.model().electronRead(uint32_t(slot), &stored);
        QCOMPARE(stored, slot < 3 ? Bytes(QStringLiteral("slot %1").arg(slot)) : std::vector<uint8_t>{});
    }

    r.model().clearRefusals();
    log.clear();
    Click(&dlg, "setBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_SET_SUCCESS")});
    for (int row = 0; row < 32; ++row) {
        table->item(row, 1)->setText(QString());
    }
    log.clear();
    Click(&dlg, "queryBtn");
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_QUERY_SUCCESS")});
    QCOMPARE(table->item(31, 1)->text(), QStringLiteral("slot 31"));
}

QTEST_MAIN(ConfigGjbRecordsTest)
#include "tst_configgjb_records.moc"
