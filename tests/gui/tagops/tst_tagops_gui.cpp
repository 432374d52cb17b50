#include "SimReader.h"

#include "LogCapture.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/tagops/TagOpFor6CDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>

namespace {

QString L(const char* key)
{
    return LangText(key);
}

struct Ops
{
    Ops()
    {
        w.show();
        stack = w.findChild<QStackedWidget*>("stackedWidget");
    }
    template <typename T = QWidget> T* on(int page, const char* name) const
    {
        return w.page(page)->findChild<T*>(name);
    }
    void click(int page, const char* button)
    {
        QTest::mouseClick(on<QPushButton>(page, button), Qt::LeftButton);
    }
    void setPassword(int page, const char* prefix, const QString& hex8)
    {
        for (int i = 0; i < 4; ++i) {
            on<QLineEdit>(page, qPrintable(QString("%1%2").arg(prefix).arg(i + 1)))
                ->setText(hex8.mid(2 * i, 2));
        }
    }
    void setData(int page, const QString& text) { on<QPlainTextEdit>(page, "dataEdit")->setPlainText(text); }
    QString data(int page) const { return on<QPlainTextEdit>(page, "dataEdit")->toPlainText(); }

    TagOpFor6CDlg w;
    QStackedWidget* stack = nullptr;
};

enum
{
    SelectPage,
    UserPage,
    EpcPage,
    LockPage,
    PasswordPage,
    KillPage
};

} // namespace

class TagOpsGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void containerPages();
    void selectAndPersistentRecord();
    void userMemoryWriteThenRead();
    void epcWriteShowsInNextInventory();
    void lockNeedsPassword();
    void passwordChangeAndKill();
    void inputErrors();
    void withoutReader();
};

void TagOpsGuiTest::containerPages()
{
    SimReader r(1, 0);
    Ops o;
    QCOMPARE(o.w.pageCount(), 6);
    auto* list = o.w.findChild<QListWidget*>("opList");
    QCOMPARE(list->count(), 6);
    QCOMPARE(list->item(5)->text(), L("IDCS_KILL_TAG"));
    QCOMPARE(list->item(3)->data(Qt::UserRole + 1).toInt(), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
    QCOMPARE(o.stack->currentIndex(), 4);
    QCOMPARE(o.w.antennaNumber(), 1);
    o.w.findChild<QComboBox*>("antennaCombo")->setCurrentIndex(3);
    QCOMPARE(o.w.antennaNumber(), 4);

    // The hand-off does not change the page shown.
    o.w.selectTag(0, 0, 0, QString());
    QCOMPARE(o.stack->currentIndex(), 4);

    // The lock button follows the operation; the operation is read at click time.
    auto* op = o.on<QComboBox>(LockPage, "opCombo");
    op->setCurrentIndex(1);
    QCOMPARE(o.on<QPushButton>(LockPage, "lockBtn")->text(), L("IDCS_UNLOCK"));
    op->setCurrentIndex(0);
    QCOMPARE(o.on<QPushButton>(LockPage, "lockBtn")->text(), L("IDCS_LOCK"));

    // Read mode keeps the password fields shut.
    QVERIFY(!o.on<QLineEdit>(UserPage, "pwdEdit1")->isEnabled());
    QTest::mouseClick(o.on<QRadioButton>(UserPage, "writeRb"), Qt::LeftButton);
    QVERIFY(o.on<QLineEdit>(UserPage, "pwdEdit1")->isEnabled());
    QCOMPARE(o.on<QPushButton>(UserPage, "actionBtn")->text(), L("IDCS_WRITE"));
}

void TagOpsGuiTest::selectAndPersistentRecord()
{
    SimReader r(3, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    const readersim::Tag tag = r.sim->model().tag(1);
    o.on<QComboBox>(SelectPage, "areaCombo")->setCurrentIndex(1); // TID
    o.on<QLineEdit>(SelectPage, "startEdit")->setText("2");
    o.on<QLineEdit>(SelectPage, "matchLenEdit")->setText("4");
    o.on<QLineEdit>(SelectPage, "matchDataEdit")->setText(SimReader::hex(tag.tid).mid(4, 8));
    o.on<QCheckBox>(SelectPage, "keepCheck")->setChecked(true);
    o.click(SelectPage, "selectBtn");
    QCOMPARE(log.texts(), (QStringList{L("IDCS_TAG_PARAM_SET_SUCCESS"), L("IDCS_TAG_SELECT_SUCCESS")}));
    QVERIFY(r.sim->model().hasPersistentSelect());
    const readersim::SelectFilter kept = r.sim->model().persistentSelect();
    QCOMPARE(int(kept.bank), 2);
    QCOMPARE(int(kept.startBits), 16);
    QCOMPARE(int(kept.lengthBits), 32);
    QCOMPARE(SimReader::hex(kept.mask), SimReader::hex(tag.tid).mid(4, 8));
    QVERIFY(r.sim->model().currentSelect().active());

    // The match data cannot outgrow the match length.
    o.on<QLineEdit>(SelectPage, "matchLenEdit")->setText("1");
    QCOMPARE(o.on<QLineEdit>(SelectPage, "matchDataEdit")->maxLength(), 2);

    log.clear();
    o.click(SelectPage, "noSelectBtn");
    QCOMPARE(o.on<QLineEdit>(SelectPage, "matchDataEdit")->text(), QString());
    QCOMPARE(log.last(), L("IDCS_NO_SELECT_SUCCESS"));
    QVERIFY(!r.sim->model().currentSelect().active());
}

void TagOpsGuiTest::userMemoryWriteThenRead()
{
    SimReader r(2, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    // Operations act on the first tag the select admits: pin tag 1.
    const readersim::Tag tag = r.sim->model().tag(1);
    QVERIFY(o.w.selectTag(0, 0, int(tag.epc.size()), SimReader::hex(tag.epc)));

    QTest::mouseClick(o.on<QRadioButton>(UserPage, "writeRb"), Qt::LeftButton);
    o.on<QLineEdit>(UserPage, "startEdit")->setText("3");
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("2");
    o.setData(UserPage, "de ad\nbe ef");
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), L("IDCS_TAG_WRITE_USER_SUCCESS") + L("IDCS_READ_TAG_LEN").arg(2));
    const std::vector<uint8_t> user = r.sim->model().tag(1).user;
    QCOMPARE(SimReader::hex(std::vector<uint8_t>(user.begin() + 6, user.begin() + 10)), QString("DEADBEEF"));

    QTest::mouseClick(o.on<QRadioButton>(UserPage, "readRb"), Qt::LeftButton);
    o.on<QPushButton>(UserPage, "clearBtn")->click();
    QCOMPARE(o.data(UserPage), QString());
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), L("IDCS_TAG_READ_USER_SUCCESS") + L("IDCS_READ_TAG_LEN").arg(2));
    QCOMPARE(o.data(UserPage), QString("DE AD BE EF"));

    // Seventeen bytes: the last on a line of its own, the length field caps what is shown.
    o.on<QLineEdit>(UserPage, "startEdit")->setText("0");
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("9");
    o.click(UserPage, "actionBtn");
    const QString shown = o.data(UserPage);
    QCOMPARE(shown.count('\n'), 1);
    QCOMPARE(shown.indexOf('\n'), 16 * 3);
    QCOMPARE(TagOpHex::clean(shown), SimReader::hex(std::vector<uint8_t>(user.begin(), user.begin() + 18)));
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("1");
    o.setData(UserPage, shown); // over the cap: cut to one word
    QCOMPARE(o.data(UserPage),
             SimReader::hex(std::vector<uint8_t>(user.begin(), user.begin() + 2)).insert(2, ' '));
}

void TagOpsGuiTest::epcWriteShowsInNextInventory()
{
    SimReader r(1, 1000);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("3");
    o.setData(EpcPage, "1234 5678 9ABC");
    o.click(EpcPage, "writeBtn");
    QCOMPARE(log.last(), L("IDCS_WRITE_SUCCESS"));
    QCOMPARE(SimReader::hex(r.sim->model().tag(0).epc), QString("123456789ABC"));

    ReadCardFor6CDlg inv;
    inv.show();
    QTest::mouseClick(inv.findChild<QPushButton*>("readBtn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(inv.model()->rowCount(), 1, 5000);
    QCOMPARE(inv.model()->text(0, TagListModel::ColEpc), QString("123456789ABC"));
    QTest::mouseClick(inv.findChild<QPushButton*>("readBtn"), Qt::LeftButton);
}

void TagOpsGuiTest::lockNeedsPassword()
{
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    o.setPassword(PasswordPage, "oldPwdEdit", "00000000");
    o.setPassword(PasswordPage, "newPwdEdit", "11223344");
    o.click(PasswordPage, "setBtn");
    QCOMPARE(log.last(), L("IDCS_EDIT_SUCCESS"));

    o.setPassword(LockPage, "pwdEdit", "11223344");
    o.click(LockPage, "lockBtn"); // EPC area
    QCOMPARE(log.last(), L("IDCS_LOCK_SUCCESS"));
    QVERIFY(r.sim->model().tag(0).isLocked(readersim::LockArea::Epc));

    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("1");
    o.setData(EpcPage, "ABCD");
    o.click(EpcPage, "writeBtn"); // password fields left at 00
    QCOMPARE(log.last(), L("IDCS_WRITE_FAILED"));
    o.setPassword(EpcPage, "pwdEdit", "11223344");
    o.click(EpcPage, "writeBtn");
    QCOMPARE(log.last(), L("IDCS_WRITE_SUCCESS"));

    // Unlock of the kill-password area sends area 5, operation 1.
    o.on<QComboBox>(LockPage, "areaCombo")->setCurrentIndex(3);
    o.on<QComboBox>(LockPage, "opCombo")->setCurrentIndex(1);
    o.setPassword(LockPage, "pwdEdit", "00000000");
    o.click(LockPage, "lockBtn");
    QCOMPARE(log.last(), L("IDCS_UNLOCK_FAILED"));
    o.setPassword(LockPage, "pwdEdit", "11223344");
    o.click(LockPage, "lockBtn");
    QCOMPARE(log.last(), L("IDCS_UNLOCK_SUCCESS"));
}

void TagOpsGuiTest::passwordChangeAndKill()
{
    SimReader r(2, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    o.setPassword(PasswordPage, "oldPwdEdit", "00000000");
    o.setPassword(PasswordPage, "newPwdEdit", "0A0B0C0D");
    o.click(PasswordPage, "setBtn");
    QCOMPARE(log.last(), L("IDCS_EDIT_SUCCESS"));
    o.click(PasswordPage, "setBtn"); // the old password no longer matches
    QCOMPARE(log.last(), L("IDCS_EDIT_FAILED"));
    QCOMPARE(r.sim->model().tag(0).accessPassword, 0x0A0B0C0Du);

    // Kill password: the second type of the same page.
    o.on<QComboBox>(PasswordPage, "pwdTypeCombo")->setCurrentIndex(1);
    o.setPassword(PasswordPage, "newPwdEdit", "CAFEBABE");
    o.click(PasswordPage, "setBtn");
    QCOMPARE(log.last(), L("IDCS_EDIT_SUCCESS"));
    QCOMPARE(r.sim->model().tag(0).killPassword, 0xCAFEBABEu);

    const QString epc = SimReader::hex(r.sim->model().tag(0).epc);
    o.on<QLineEdit>(KillPage, "epcEdit")->setText(epc);
    o.setPassword(KillPage, "pwdEdit", "00000000");
    o.click(KillPage, "killBtn");
    QCOMPARE(log.last(), L("IDCS_KILL_FAILED"));
    o.setPassword(KillPage, "pwdEdit", "CAFEBABE");
    o.click(KillPage, "killBtn");
    QCOMPARE(log.last(), L("IDCS_KILL_SUCCESS"));
    QVERIFY(r.sim->model().tag(0).killed);
    QVERIFY(!r.sim->model().tag(1).killed);
}

void TagOpsGuiTest::inputErrors()
{
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    const QString lenErr = L("IDCS_DATA_LEN_ERRO");
    const QString fmtErr = L("IDCS_DATA_FORMAT_ERRO");

    o.on<QLineEdit>(SelectPage, "matchLenEdit")->setText("3");
    o.on<QLineEdit>(SelectPage, "matchDataEdit")->setText("ABCDE");
    o.click(SelectPage, "selectBtn");
    QCOMPARE(log.texts(), (QStringList{lenErr, L("IDCS_TAG_SELECT_FAILED")}));
    o.on<QLineEdit>(SelectPage, "matchLenEdit")->setText("1");
    o.on<QLineEdit>(SelectPage, "matchDataEdit")->setText("AB");
    o.on<QLineEdit>(SelectPage, "startEdit")->setText("8192");
    o.click(SelectPage, "selectBtn");
    QCOMPARE(log.texts().mid(2), (QStringList{lenErr, L("IDCS_TAG_SELECT_FAILED")}));
    o.on<QLineEdit>(SelectPage, "startEdit")->setText("8191");
    o.click(SelectPage, "selectBtn");
    QVERIFY(log.last() != lenErr);              // in range; the tag decides the rest
    QVERIFY(o.w.selectTag(0, 0, 0, QString())); // hand-off of nothing: select all again

    log.clear();
    QTest::mouseClick(o.on<QRadioButton>(UserPage, "writeRb"), Qt::LeftButton);
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("2");
    o.setData(UserPage, "1122334");
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), lenErr);
    o.setData(UserPage, "11 22 33 4G");
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), fmtErr);
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("4463"); // beyond the 8925-byte buffer
    o.setData(UserPage, QString("0").repeated(4 * 4463));
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), lenErr);
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("1");
    o.on<QLineEdit>(UserPage, "startEdit")->setText("70000");
    o.setData(UserPage, "0000");
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), lenErr);

    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("1");
    o.setData(EpcPage, "12G4");
    o.click(EpcPage, "writeBtn");
    QCOMPARE(log.last(), fmtErr);
    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("128"); // beyond the 255-byte buffer
    o.setData(EpcPage, QString("0").repeated(4 * 128));
    o.click(EpcPage, "writeBtn");
    QCOMPARE(log.last(), lenErr);
    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("257"); // would wrap to one word in its byte
    o.setData(EpcPage, "1234");
    o.click(EpcPage, "writeBtn");
    QCOMPARE(log.last(), lenErr);

    o.click(KillPage, "killBtn");
    QCOMPARE(log.last(), L("IDCS_EPC_EMPTY"));
    o.on<QLineEdit>(KillPage, "epcEdit")->setText(QString("A").repeated(106));
    o.click(KillPage, "killBtn");
    QCOMPARE(log.last(), lenErr);
    QCOMPARE(log.count(), 9);
    for (const auto& line : log.lines()) {
        QVERIFY(!line.second); // input errors are normal lines
    }
}

void TagOpsGuiTest::withoutReader()
{
    SimReader r(1, 0);
    SimReader::driver()->SetState(ReaderDllBase::StateReading);
    LogCapture log;
    Ops o;
    o.click(SelectPage, "selectBtn");
    QCOMPARE(log.texts(), (QStringList{L("IDCS_READ_NO_LINK"), L("IDCS_TAG_SELECT_FAILED")}));
    log.clear();
    o.click(SelectPage, "noSelectBtn");
    o.click(UserPage, "actionBtn");
    o.click(EpcPage, "writeBtn");
    o.click(LockPage, "lockBtn");
    o.click(PasswordPage, "setBtn");
    o.click(KillPage, "killBtn");
    QCOMPARE(log.texts(), (QStringList{L("IDCS_READ_NO_LINK"), L("IDCS_NO_SELECT_FAILED"),
                                       L("IDCS_READ_NO_LINK"), L("IDCS_READ_NO_LINK"), L("IDCS_READ_NO_LINK"),
                                       L("IDCS_READ_NO_LINK"), L("IDCS_READ_NO_LINK")}));
    SimReader::driver()->SetState(ReaderDllBase::StateConnected);
}

QTEST_MAIN(TagOpsGuiTest)
#include "tst_tagops_gui.moc"
