#include "SimReader.h"

#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/tagops/TagOpFor6CDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

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
    // Clicks and waits until the reader call it started (if any) has reported.
    void click(int page, const char* button)
    {
        QTest::mouseClick(on<QPushButton>(page, button), Qt::LeftButton);
        settle();
    }
    static bool settle()
    {
        QElapsedTimer t;
        t.start();
        while (SimReader::driver()->IsBusy() && t.elapsed() < 20000) {
            QTest::qWait(5);
        }
        return !SimReader::driver()->IsBusy();
    }
    // Types into a password row as an operator would: each box selected, then two keys.
    void typePassword(int page, const char* prefix, const QString& text)
    {
        for (int i = 0; i < 4; ++i) {
            auto* edit = on<QLineEdit>(page, qPrintable(QString("%1%2").arg(prefix).arg(i + 1)));
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, text.mid(2 * i, 2));
        }
    }
    void setPassword(int page, const char* prefix, const QString& hex8)
    {
        for (int i = 0; i < 4; ++i) {
            on<QLineEdit>(page, qPrintable(QString("%1%2").arg(prefix).arg(i + 1)))
                ->setText(hex8.mid(2 * i, 2));
        }
    }
    bool selectTag(int bank, int start, int length, const QString& hex)
    {
        return w.selectTag(bank, start, length, hex) && settle();
    }
    void setData(int page, const QString& text) { on<QPlainTextEdit>(page, "dataEdit")->setPlainText(text); }
    QString data(int page) const { return on<QPlainTextEdit>(page, "dataEdit")->toPlainText(); }

    TagOpFor6CDlg w;
    QStackedWidget* stack = nullptr;
};

void SetPasswords(readersim::ReaderModel& model, size_t index, uint32_t access, uint32_t kill)
{
    readersim::Tag t = model.tag(index);
    t.accessPassword = access;
    t.killPassword = kill;
    model.setTag(index, t);
}

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
    void passwordsTypedAreSent_data();
    void passwordsTypedAreSent();
    void lengthCapSaysSo();
    void irreversibleOperationsAsk_data();
    void irreversibleOperationsAsk();
    void slowCallKeepsWindowAlive();
    void failuresCarryTheirCode_data();
    void failuresCarryTheirCode();
    void fieldMessagesNameTheFault_data();
    void fieldMessagesNameTheFault();
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
    o.selectTag(0, 0, 0, QString());
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
    QVERIFY(o.selectTag(0, 0, int(tag.epc.size()), SimReader::hex(tag.epc)));

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
    o.on<QLineEdit>(UserPage, "lenEdit")->setText("1"); // one word reads as one word
    o.click(UserPage, "actionBtn");
    QCOMPARE(log.last(), L("IDCS_TAG_READ_USER_SUCCESS") + L("IDCS_READ_TAG_LEN_ONE").arg(1));
    QVERIFY(!log.last().contains("words"));

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

    QuestionAnswers answers;
    answers.pushOk();
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
    QuestionAnswers answers;
    answers.pushOk();
    answers.pushOk();
    o.setPassword(KillPage, "pwdEdit", "00000000");
    o.click(KillPage, "killBtn");
    QCOMPARE(log.last(), L("IDCS_KILL_FAILED"));
    QVERIFY(log.containsError(L("IDCS_KILL_FAILED")));
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
    QCOMPARE(log.texts(), (QStringList{lenErr})); // once, not again as a failed select
    o.on<QLineEdit>(SelectPage, "matchLenEdit")->setText("1");
    o.on<QLineEdit>(SelectPage, "matchDataEdit")->setText("AB");
    o.on<QLineEdit>(SelectPage, "startEdit")->setText("8192");
    o.click(SelectPage, "selectBtn");
    QCOMPARE(log.texts().mid(1), (QStringList{L("IDCS_START_OUT_OF_RANGE")}));
    o.on<QLineEdit>(SelectPage, "startEdit")->setText("8191");
    o.click(SelectPage, "selectBtn");
    QVERIFY(log.last() != lenErr);            // in range; the tag decides the rest
    QVERIFY(o.selectTag(0, 0, 0, QString())); // hand-off of nothing: select all again

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
    QCOMPARE(log.last(), L("IDCS_START_OUT_OF_RANGE"));

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
    QCOMPARE(log.texts().count(L("IDCS_TAG_SELECT_FAILED")), 0);
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
    QCOMPARE(log.texts(), (QStringList{L("IDCS_READ_NO_LINK")}));
    log.clear();
    o.click(SelectPage, "noSelectBtn");
    o.click(UserPage, "actionBtn");
    o.click(EpcPage, "writeBtn");
    o.click(LockPage, "lockBtn");
    o.click(PasswordPage, "setBtn");
    o.click(KillPage, "killBtn");
    QCOMPARE(log.texts(), QStringList(6, L("IDCS_READ_NO_LINK")));
    SimReader::driver()->SetState(ReaderDllBase::StateConnected);
}

// What the boxes show is what goes to the tag, byte for byte; a box without two digits stops the
// operation before anything is sent.
void TagOpsGuiTest::passwordsTypedAreSent_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<quint32>("expected"); // 0: refused
    QTest::newRow("zeros inside") << "12304050" << 0x12304050u;
    QTest::newRow("tens") << "10203040" << 0x10203040u;
    QTest::newRow("leading zeros") << "01020304" << 0x01020304u;
    QTest::newRow("one digit in the first box") << "1" << 0u;
}

void TagOpsGuiTest::passwordsTypedAreSent()
{
    QFETCH(QString, typed);
    QFETCH(quint32, expected);
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    if (typed.size() < 8) { // a single key in the first box, the others left as they were
        auto* first = o.on<QLineEdit>(PasswordPage, "newPwdEdit1");
        first->setFocus();
        first->selectAll();
        QTest::keyClicks(first, typed);
    } else {
        o.typePassword(PasswordPage, "newPwdEdit", typed);
    }
    const quint64 framesBefore = r.sim->stats().framesReceived;
    o.click(PasswordPage, "setBtn");
    if (expected == 0) {
        QCOMPARE(log.texts(), (QStringList{L("IDCS_PWD_FIELD_ERRO")}));
        QCOMPARE(r.sim->stats().framesReceived, framesBefore); // nothing sent
        QCOMPARE(r.sim->model().tag(0).accessPassword, 0u);
        return;
    }
    QCOMPARE(log.last(), L("IDCS_EDIT_SUCCESS"));
    QCOMPARE(r.sim->model().tag(0).accessPassword, expected);

    // The same boxes on the lock page: the typed password secures the tag.
    QuestionAnswers answers;
    answers.pushOk();
    o.typePassword(LockPage, "pwdEdit", typed);
    o.click(LockPage, "lockBtn");
    QCOMPARE(log.last(), L("IDCS_LOCK_SUCCESS"));
    QVERIFY(r.sim->model().tag(0).isLocked(readersim::LockArea::Epc));
}

// The length cap is kept, but it says when it cut.
void TagOpsGuiTest::lengthCapSaysSo()
{
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    auto* note = o.on<QLabel>(EpcPage, "capNoteLabel");
    QVERIFY(note->text().isEmpty());
    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("1");
    o.setData(EpcPage, "11 22 33 44 55 66 77 88 99 AA BB CC");
    QCOMPARE(o.data(EpcPage), QString("11 22"));
    QCOMPARE(note->text(), L("IDCS_DATA_CUT_NOTE").arg(24).arg(4));
    QVERIFY(!note->isHidden());
    o.setData(EpcPage, "3344"); // fits: the note goes
    QVERIFY(note->text().isEmpty());

    o.on<QLineEdit>(UserPage, "lenEdit")->setText("2");
    o.setData(UserPage, "0102030405");
    QCOMPARE(o.on<QLabel>(UserPage, "capNoteLabel")->text(), L("IDCS_DATA_CUT_NOTE").arg(10).arg(8));
}

// Kill and lock cannot be undone: each asks first, naming the tag, and a No sends nothing.
void TagOpsGuiTest::irreversibleOperationsAsk_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("button");
    QTest::newRow("kill") << int(KillPage) << "killBtn";
    QTest::newRow("lock") << int(LockPage) << "lockBtn";
}

void TagOpsGuiTest::irreversibleOperationsAsk()
{
    QFETCH(int, page);
    QFETCH(QString, button);
    SimReader r(2, 0);
    QVERIFY(r.ok());
    SetPasswords(r.sim->model(), 0, 0, 0xCAFEBABE);
    LogCapture log;
    Ops o;
    const QString epc = SimReader::hex(r.sim->model().tag(0).epc);
    o.on<QLineEdit>(KillPage, "epcEdit")->setText(epc.toLower());
    o.setPassword(KillPage, "pwdEdit", "CAFEBABE");
    QVERIFY(o.selectTag(0, 0, int(epc.size() / 2), epc));
    log.clear();

    QuestionAnswers answers;
    answers.pushCancel();
    const quint64 framesBefore = r.sim->stats().framesReceived;
    o.click(page, qPrintable(button));
    QCOMPARE(answers.asked().size(), 1);
    QVERIFY2(answers.asked().first().contains(epc), qPrintable(answers.asked().first()));
    QCOMPARE(r.sim->stats().framesReceived, framesBefore);
    QCOMPARE(log.count(), 0);
    QVERIFY(!r.sim->model().tag(0).killed);
    QVERIFY(!r.sim->model().tag(0).isLocked(readersim::LockArea::Epc));

    answers.pushOk();
    o.click(page, qPrintable(button));
    QCOMPARE(log.last(), L(page == KillPage ? "IDCS_KILL_SUCCESS" : "IDCS_LOCK_SUCCESS"));
    if (page == KillPage) {
        QVERIFY(r.sim->model().tag(0).killed);
    } else {
        QVERIFY(r.sim->model().tag(0).isLocked(readersim::LockArea::Epc));
    }
    QVERIFY(!r.sim->model().tag(1).killed);
}

// A call that waits for the reader leaves the window alive: timers fire, the page shows it is busy
// and every other reader action is refused until the answer is in.
void TagOpsGuiTest::slowCallKeepsWindowAlive()
{
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    r.sim->setLatencyMs(1500);
    int ticks = 0;
    int ticksWhileBusy = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (SimReader::driver()->IsBusy()) {
            ++ticksWhileBusy;
        }
    });
    timer.start(20);
    auto* action = o.on<QPushButton>(UserPage, "actionBtn");
    const quint64 framesAtStart = r.sim->stats().framesReceived;
    QTest::mouseClick(action, Qt::LeftButton);
    QVERIFY(SimReader::driver()->IsBusy());
    // The read goes out from the worker; it is in once the reader has counted it.
    QTRY_COMPARE(r.sim->stats().framesReceived, framesAtStart + 1);
    QVERIFY(!action->isEnabled());
    QCOMPARE(o.w.page(UserPage)->cursor().shape(), Qt::BusyCursor);
    QCOMPARE(log.count(), 0);

    // Another action meanwhile: refused, nothing sent.
    const quint64 framesBefore = r.sim->stats().framesReceived;
    o.on<QLineEdit>(EpcPage, "lenEdit")->setText("1");
    o.setData(EpcPage, "ABCD");
    QTest::mouseClick(o.on<QPushButton>(EpcPage, "writeBtn"), Qt::LeftButton);
    QCOMPARE(log.last(), L("IDCS_READING_CARD"));
    QCOMPARE(r.sim->stats().framesReceived, framesBefore);

    QTRY_VERIFY_WITH_TIMEOUT(!SimReader::driver()->IsBusy(), 10000);
    QVERIFY2(ticksWhileBusy >= 10, qPrintable(QString::number(ticksWhileBusy)));
    QCOMPARE(log.last(), L("IDCS_TAG_READ_USER_SUCCESS") + L("IDCS_READ_TAG_LEN_ONE").arg(1));
    QVERIFY(action->isEnabled());
    QCOMPARE(o.w.page(UserPage)->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(ticks >= ticksWhileBusy);
}

// A tag operation the reader refuses is an error line carrying the reader's code.
void TagOpsGuiTest::failuresCarryTheirCode_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("code");
    QTest::newRow("kill, wrong password") << int(KillPage) << "killBtn"
                                          << "IDCS_KILL_FAILED" << 0x13;
    QTest::newRow("read beyond user memory") << int(UserPage) << "actionBtn"
                                             << "IDCS_TAG_READ_USER_FAILED" << 0x15;
    QTest::newRow("unlock, wrong password") << int(LockPage) << "lockBtn"
                                            << "IDCS_UNLOCK_FAILED" << 0x13;
    QTest::newRow("password, wrong old one") << int(PasswordPage) << "setBtn"
                                             << "IDCS_EDIT_FAILED" << 0x13;
}

void TagOpsGuiTest::failuresCarryTheirCode()
{
    QFETCH(int, page);
    QFETCH(QString, button);
    QFETCH(QString, failure);
    QFETCH(int, code);
    SimReader r(1, 0);
    QVERIFY(r.ok());
    SetPasswords(r.sim->model(), 0, 0x22222222, 0x11111111);
    LogCapture log;
    QuestionAnswers answers;
    answers.pushOk();
    Ops o;
    o.on<QLineEdit>(KillPage, "epcEdit")->setText(SimReader::hex(r.sim->model().tag(0).epc));
    o.setPassword(KillPage, "pwdEdit", "99999999");
    o.on<QLineEdit>(UserPage, "startEdit")->setText("40");
    o.on<QComboBox>(LockPage, "opCombo")->setCurrentIndex(1);
    o.setPassword(LockPage, "pwdEdit", "99999999");
    o.setPassword(PasswordPage, "oldPwdEdit", "99999999");
    o.click(page, qPrintable(button));
    QCOMPARE(log.lines(), (QList<QPair<QString, bool>>{{L(qPrintable(failure)), true}}));
    QCOMPARE(log.lastCode(), code);
}

// Each refusal names the field at fault, and a refused entry sends nothing.
void TagOpsGuiTest::fieldMessagesNameTheFault_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("user length empty") << int(UserPage) << "lenEdit"
                                       << ""
                                       << "IDCS_LEN_NOT_NUMBER";
    QTest::newRow("user length not a number") << int(UserPage) << "lenEdit"
                                              << "two"
                                              << "IDCS_LEN_NOT_NUMBER";
    QTest::newRow("user length 0") << int(UserPage) << "lenEdit"
                                   << "0"
                                   << "IDCS_LEN_ZERO";
    QTest::newRow("user start") << int(UserPage) << "startEdit"
                                << "1a"
                                << "IDCS_START_NOT_NUMBER";
    QTest::newRow("operation time") << int(UserPage) << "opTimeEdit"
                                    << ""
                                    << "IDCS_OP_TIME_NOT_NUMBER";
    QTest::newRow("EPC length empty") << int(EpcPage) << "lenEdit"
                                      << ""
                                      << "IDCS_LEN_NOT_NUMBER";
    QTest::newRow("EPC length 0") << int(EpcPage) << "lenEdit"
                                  << "0"
                                  << "IDCS_LEN_ZERO";
    QTest::newRow("EPC data not hex") << int(EpcPage) << "dataEdit"
                                      << "hello"
                                      << "IDCS_DATA_FORMAT_ERRO";
    QTest::newRow("select start") << int(SelectPage) << "startEdit"
                                  << "x"
                                  << "IDCS_START_NOT_NUMBER";
    QTest::newRow("select match length") << int(SelectPage) << "matchLenEdit"
                                         << ""
                                         << "IDCS_LEN_NOT_NUMBER";
}

void TagOpsGuiTest::fieldMessagesNameTheFault()
{
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    SimReader r(1, 0);
    QVERIFY(r.ok());
    LogCapture log;
    Ops o;
    if (field == "dataEdit") {
        o.setData(page, value);
    } else {
        o.on<QLineEdit>(page, qPrintable(field))->setText(value);
    }
    const quint64 framesBefore = r.sim->stats().framesReceived;
    const char* button = page == UserPage ? "actionBtn" : page == EpcPage ? "writeBtn" : "selectBtn";
    o.click(page, button);
    QCOMPARE(log.texts(), (QStringList{L(qPrintable(expected))}));
    QCOMPARE(r.sim->stats().framesReceived, framesBefore);
}

QTEST_MAIN(TagOpsGuiTest)
#include "tst_tagops_gui.moc"
