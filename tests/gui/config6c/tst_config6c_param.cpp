#include "Config6CSim.h"
#include "QuestionAnswers.h"
#include "core/app/AppContext.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/config6c/ParamAdd6CDlg.h"
#include "gui/config6c/ParamConfigFor6CDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString Hex(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())).toHex().toUpper();
}

QLineEdit* Edit(QWidget* w, const char* name)
{
    return w->findChild<QLineEdit*>(name);
}

void Click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
}

// Answers the next file dialog with path; counts how often it was asked.
struct FileAnswer
{
    explicit FileAnswer(const QString& path)
    {
        SetConfig6CFileAsker(
            [this, path](QWidget*, bool save, const QString&, const QString&, const QString&) {
                ++asked;
                lastSave = save;
                return path;
            });
    }
    ~FileAnswer() { SetConfig6CFileAsker({}); }
    int asked = 0;
    bool lastSave = false;
};

QString RowText(ParamConfigFor6CDlg& d)
{
    return d.table()->item(ParamTable::WiegandStart, 4)->text();
}
} // namespace

class Config6CParamTest : public QObject
{
    Q_OBJECT

private slots:
    void queryAllWithoutReader();
    void rowQueryThenSet_data();
    void rowQueryThenSet();
    void queryAllSetAllAndFactoryReset();
    void exportImportRoundTrip();
    void importRefusesBadFiles_data();
    void importRefusesBadFiles();
    void rawAccess_data();
    void rawAccess();
    void rebootAsksThenCutsTheLink();
};

void Config6CParamTest::queryAllWithoutReader()
{
    Config6CSim r;
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    ParamConfigFor6CDlg d;
    Click(&d, "queryBtn");
    QCOMPARE(log.texts(), QStringList(QVector<QString>(9, L("IDCS_READ_NO_LINK")).toList()));
    log.clear();
    Click(&d, "setBtn");
    QCOMPARE(log.count(), 9);
    QVERIFY(!log.containsError(L("IDCS_READ_NO_LINK")));
}

void Config6CParamTest::rowQueryThenSet_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");     // list position after the query (-1 no entry); text row: ignored
    QTest::addColumn<QString>("input"); // a list position, or the text row's text; empty: as shown
    QTest::addColumn<int>("written");   // -1: nothing is sent
    QTest::newRow("device type 0x03") << int(ParamTable::DeviceType) << 0x03 << 0 << QString("5") << 0x12;
    QTest::newRow("command 0x94") << int(ParamTable::CommandType) << 0x94 << -1 << QString() << 0x91;
    QTest::newRow("store off") << int(ParamTable::FlashStore) << 0 << 1 << QString("0") << 1;
    QTest::newRow("wiegand length 4") << int(ParamTable::WiegandLength) << 4 << 1 << QString("0") << 3;
    QTest::newRow("work mode 9") << int(ParamTable::WorkMode) << 9 << -1 << QString() << -1;
    QTest::newRow("start 1A") << int(ParamTable::WiegandStart) << 0xAB << 0 << QString("1A") << 0x1A;
    QTest::newRow("start 1FF") << int(ParamTable::WiegandStart) << 0xAB << 0 << QString("1FF") << 0xFF;
    QTest::newRow("start not hex") << int(ParamTable::WiegandStart) << 0xAB << 0 << QString("1G") << 0;
}

void Config6CParamTest::rowQueryThenSet()
{
    QFETCH(int, row);
    QFETCH(int, stored);
    QFETCH(QString, input);
    QFETCH(int, written);
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
    QCOMPARE(r.model().parmWrite(info.address, {uint8_t(stored)}), readersim::Result::Ok);
    QTest::mouseClick(d.rowButton(row, false), Qt::LeftButton);
    QCOMPARE(log.texts(), QStringList{L(info.querySuccessKey)});
    if (row == ParamTable::WiegandStart) {
        QCOMPARE(RowText(d), QString("AB"));
        d.table()->item(row, 4)->setText(input);
    } else {
        QTEST(d.rowList(row)->currentIndex(), "shown");
        if (!input.isEmpty()) {
            d.rowList(row)->setCurrentIndex(input.toInt());
        }
    }
    log.clear();
    QTest::mouseClick(d.rowButton(row, true), Qt::LeftButton);
    QCOMPARE(int(r.model().parmByte(info.address)), written < 0 ? stored : written);
    QCOMPARE(log.texts(), QStringList{written < 0 ? L("IDCS_INPUT_EMPTY") : L(info.setSuccessKey)});
}

void Config6CParamTest::queryAllSetAllAndFactoryReset()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    QCOMPARE(r.model().parmWrite(160, {0xAB}), readersim::Result::Ok);
    Click(&d, "queryBtn");
    QCOMPARE(log.count(), 9);
    QCOMPARE(log.lines().at(8), qMakePair(L("IDCS_WENGEN_LEN_QUERY_SUCCESS"), false));
    QCOMPARE(RowText(d), QString("AB"));
    QCOMPARE(d.rowList(ParamTable::ConnectPort)->currentIndex(), 2);

    d.rowList(ParamTable::WorkMode)->setCurrentIndex(2);
    d.rowList(ParamTable::DeviceType)->setCurrentIndex(8);
    log.clear();
    Click(&d, "setBtn");
    QCOMPARE(log.count(), 9);
    QCOMPARE(log.texts().first(), L("IDCS_WORK_MODEL_SET_SUCCESS"));
    QCOMPARE(Hex(r.parm(0, 2)), QString("0222"));
    QCOMPARE(int(r.model().parmByte(160)), 0xAB);

    log.clear();
    Click(&d, "resetBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_RESET_SUCCESS")});
    QCOMPARE(Hex(r.parm(0, 2)), QString("0000"));
    QCOMPARE(int(r.model().parmByte(160)), 0x05);
}

void Config6CParamTest::exportImportRoundTrip()
{
    Config6CSim r;
    QTemporaryDir dir;
    const QString path = dir.filePath("params.txt");
    LogCapture log;
    ParamConfigFor6CDlg d;
    ParamTable::Snapshot shown;
    shown.positions = {1, 3, 1, 4, 6, 1, 5, 0, 1};
    shown.wiegandStart = QStringLiteral("1FF");
    d.applySnapshot(shown);
    {
        FileAnswer answer(path);
        Click(&d, "exportBtn");
        QVERIFY(answer.lastSave);
    }
    QCOMPARE(log.texts(), QStringList{L("IDCS_EXPORT_SUCCESS")});
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("1,3,1,4,6,1,5,1FF,1\t\n"));

    d.applySnapshot(ParamTable::Snapshot{});
    log.clear();
    {
        FileAnswer answer(path);
        Click(&d, "importBtn");
        QVERIFY(!answer.lastSave);
    }
    QCOMPARE(log.texts(), QStringList{L("IDCS_IMPORT_SUCCESS")});
    QVERIFY(d.snapshot() == shown);
    QCOMPARE(d.rowList(ParamTable::DeviceType)->currentIndex(), 3);

    // Cancelled dialogs say nothing; a text that would not read back is not exported.
    log.clear();
    {
        FileAnswer answer{QString()};
        Click(&d, "exportBtn");
        Click(&d, "importBtn");
        QCOMPARE(answer.asked, 2);
    }
    QCOMPARE(log.count(), 0);
    d.table()->item(ParamTable::WiegandStart, 4)->setText("1,2");
    {
        FileAnswer answer(path);
        Click(&d, "exportBtn");
    }
    QCOMPARE(log.texts(), QStringList{L("IDCS_DATA_FORMAT_ERRO")});
    QVERIFY(f.seek(0));
    QCOMPARE(f.readAll(), QByteArray("1,3,1,4,6,1,5,1FF,1\t\n"));
}

void Config6CParamTest::importRefusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("eight fields") << QByteArray("0,3,0,0,2,0,2,05\t\n");
    QTest::newRow("ten fields") << QByteArray("0,3,0,0,2,0,2,05,0,1\t\n");
    QTest::newRow("a bad line after a good one") << QByteArray("0,3,0,0,2,0,2,05,0\n0,3,0,0,2,0,99,05,0\n");
}

void Config6CParamTest::importRefusesBadFiles()
{
    QFETCH(QByteArray, content);
    Config6CSim r;
    QTemporaryDir dir;
    const QString path = dir.filePath("params.txt");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), qint64(content.size()));
    }
    LogCapture log;
    ParamConfigFor6CDlg d;
    const ParamTable::Snapshot before = d.snapshot();
    FileAnswer answer(path);
    Click(&d, "importBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_IMPORT_FAILED")});
    QVERIFY(d.snapshot() == before);
}

void Config6CParamTest::rawAccess_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QStringList>("input"); // start, length, data
    QTest::addColumn<QByteArray>("logged"); // a key; "limit" for the 0..255 message
    QTest::addColumn<QString>("shown");     // the data field afterwards (reads) or the bytes stored (writes)
    QTest::newRow("read two") << false << QStringList{"239", "2", ""} << QByteArray("IDCS_READ_DATA_SUCCESS")
                              << QString("9100");
    QTest::newRow("read length 0") << false << QStringList{"10", "0", "stale"}
                                   << QByteArray("IDCS_READ_DATA_SUCCESS") << QString();
    QTest::newRow("read empty start")
        << false << QStringList{"", "1", "keep"} << QByteArray("IDCS_INPUT_EMPTY") << QString("keep");
    QTest::newRow("read 256") << false << QStringList{"256", "1", "keep"} << QByteArray("limit")
                              << QString("keep");
    QTest::newRow("read past the end")
        << false << QStringList{"255", "2", "keep"} << QByteArray("IDCS_READ_DATA_FAILED") << QString("keep");
    QTest::newRow("write two") << true << QStringList{"160", "2", "1204"} << QByteArray("IDCS_WRITE_SUCCESS")
                               << QString("1204");
    QTest::newRow("write three digits")
        << true << QStringList{"160", "2", "ABC"} << QByteArray("IDCS_DATA_LEN_ERRO") << QString("0503");
}

void Config6CParamTest::rawAccess()
{
    QFETCH(bool, write);
    QFETCH(QStringList, input);
    QFETCH(QByteArray, logged);
    QFETCH(QString, shown);
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    ParamAdd6CDlg* raw = d.rawDialog();
    Click(&d, "paramRwBtn");
    QVERIFY(raw->isVisible());
    QVERIFY(raw->isModal());
    Edit(raw, "startEdit")->setText(input.at(0));
    Edit(raw, "lenEdit")->setText(input.at(1));
    Edit(raw, "dataEdit")->setText(input.at(2));
    Click(raw, write ? "writeBtn" : "readBtn");
    QCOMPARE(log.texts(), QStringList{logged == "limit" ? L("IDCD_INPUT_LIMIT_1_2").arg(0).arg(255)
                                                        : L(logged.constData())});
    if (write) {
        QCOMPARE(Hex(r.parm(160, 2)), shown);
    } else {
        QCOMPARE(Edit(raw, "dataEdit")->text(), shown);
    }
}

void Config6CParamTest::rebootAsksThenCutsTheLink()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    QuestionAnswers answers;
    QSignalSpy cut(AppContext::Instance(), &AppContext::sig_cutConnectionRequested);
    ParamConfigFor6CDlg d;
    d.show();
    answers.pushCancel();
    Click(&d, "rebootBtn");
    QCOMPARE(answers.asked(), QStringList{L("IDCS_READLY_REBOOT_DEVICE")});
    QCOMPARE(r.model().rebootCount(), 0);
    QCOMPARE(log.count(), 0);

    answers.pushOk();
    Click(&d, "rebootBtn");
    QTRY_COMPARE(r.model().rebootCount(), 1);
    QCOMPARE(cut.count(), 1);
    QVERIFY(d.isHidden());
    QCOMPARE(log.texts(), QStringList{L("IDCS_REBOOT_SUCCESS")});
}

QTEST_MAIN(Config6CParamTest)
#include "tst_config6c_param.moc"
