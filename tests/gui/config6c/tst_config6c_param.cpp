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
    void layout();
    void queryAllWithoutReader();
    void rowQueryShowsReaderValue_data();
    void rowQueryShowsReaderValue();
    void rowSetWritesByte_data();
    void rowSetWritesByte();
    void queryAllSetAllAndFactoryReset();
    void exportImportRoundTrip();
    void importRefusesBadFiles_data();
    void importRefusesBadFiles();
    void rawAccess_data();
    void rawAccess();
    void rebootAsksThenCutsTheLink();
};

void Config6CParamTest::layout()
{
    Config6CSim r;
    ParamConfigFor6CDlg d;
    QCOMPARE(d.table()->rowCount(), 9);
    QCOMPARE(d.table()->columnCount(), 6);
    QCOMPARE(d.table()->item(2, 1)->text(), QString("239"));
    QCOMPARE(d.table()->item(2, 3)->text(), QString("91"));
    QCOMPARE(d.rowList(ParamTable::DeviceType)->count(), 9);
    QCOMPARE(d.rowList(ParamTable::CommandType)->itemText(1), L("IDCS_COMMAND_TYPE_PARAM_1"));
    QVERIFY(!d.rowList(ParamTable::WiegandStart));
    QCOMPARE(RowText(d), QString("05"));
    // Only the Wiegand start cell is edited in place.
    QVERIFY(d.table()->item(ParamTable::WiegandStart, 4)->flags() & Qt::ItemIsEditable);
    QVERIFY(!(d.table()->item(ParamTable::WiegandStart, 3)->flags() & Qt::ItemIsEditable));
}

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

void Config6CParamTest::rowQueryShowsReaderValue_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("position"); // -1: the list shows no entry
    QTest::newRow("device type 0x21") << int(ParamTable::DeviceType) << 0x21 << 7;
    QTest::newRow("device type 0x03") << int(ParamTable::DeviceType) << 0x03 << 0;
    QTest::newRow("command 0x92") << int(ParamTable::CommandType) << 0x92 << 1;
    QTest::newRow("command 0x94") << int(ParamTable::CommandType) << 0x94 << -1;
    QTest::newRow("command 0x81") << int(ParamTable::CommandType) << 0x81 << -1;
    QTest::newRow("store off") << int(ParamTable::FlashStore) << 0 << 1;
    QTest::newRow("wiegand length 4") << int(ParamTable::WiegandLength) << 4 << 1;
    QTest::newRow("connection port 7") << int(ParamTable::ConnectPort) << 7 << 7;
    QTest::newRow("work mode 9") << int(ParamTable::WorkMode) << 9 << -1;
}

void Config6CParamTest::rowQueryShowsReaderValue()
{
    QFETCH(int, row);
    QFETCH(int, stored);
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
    QCOMPARE(r.model().parmWrite(info.address, {uint8_t(stored)}), readersim::Result::Ok);
    QTest::mouseClick(d.rowButton(row, false), Qt::LeftButton);
    QTEST(d.rowList(row)->currentIndex(), "position");
    QCOMPARE(log.texts(), QStringList{L(info.querySuccessKey)});
}

void Config6CParamTest::rowSetWritesByte_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("position"); // for the text row: ignored
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("written"); // -1: nothing written
    QTest::newRow("device type 5") << int(ParamTable::DeviceType) << 5 << "" << 0x12;
    QTest::newRow("command 1") << int(ParamTable::CommandType) << 1 << "" << 0x92;
    QTest::newRow("store on") << int(ParamTable::FlashStore) << 0 << "" << 1;
    QTest::newRow("store off") << int(ParamTable::FlashStore) << 1 << "" << 0;
    QTest::newRow("wiegand length 1") << int(ParamTable::WiegandLength) << 1 << "" << 4;
    QTest::newRow("baud 4") << int(ParamTable::BaudRate) << 4 << "" << 4;
    QTest::newRow("start 1A") << int(ParamTable::WiegandStart) << 0 << "1A" << 0x1A;
    QTest::newRow("start 1FF") << int(ParamTable::WiegandStart) << 0 << "1FF" << 0xFF;
    QTest::newRow("start not hex") << int(ParamTable::WiegandStart) << 0 << "xy" << 0;
    QTest::newRow("antenna port without entry") << int(ParamTable::AntennaPort) << -1 << "" << -1;
}

void Config6CParamTest::rowSetWritesByte()
{
    QFETCH(int, row);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(int, written);
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
    QCOMPARE(r.model().parmWrite(info.address, {0x77}), readersim::Result::Ok);
    if (row == ParamTable::WiegandStart) {
        d.table()->item(row, 4)->setText(text);
    } else {
        d.rowList(row)->setCurrentIndex(position);
    }
    QTest::mouseClick(d.rowButton(row, true), Qt::LeftButton);
    QCOMPARE(int(r.model().parmByte(info.address)), written < 0 ? 0x77 : written);
    QCOMPARE(log.last(), written < 0 ? L("IDCS_INPUT_EMPTY") : L(info.setSuccessKey));
}

void Config6CParamTest::queryAllSetAllAndFactoryReset()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ParamConfigFor6CDlg d;
    // A command type the list cannot show: the list goes blank and a set writes the default.
    QCOMPARE(r.model().parmWrite(239, {0x94}), readersim::Result::Ok);
    QCOMPARE(r.model().parmWrite(160, {0xAB}), readersim::Result::Ok);
    Click(&d, "queryBtn");
    QCOMPARE(log.count(), 9);
    QCOMPARE(log.lines().at(8), qMakePair(L("IDCS_WENGEN_LEN_QUERY_SUCCESS"), false));
    QCOMPARE(d.rowList(ParamTable::CommandType)->currentIndex(), -1);
    QCOMPARE(RowText(d), QString("AB"));
    QCOMPARE(d.rowList(ParamTable::ConnectPort)->currentIndex(), 2);

    d.rowList(ParamTable::WorkMode)->setCurrentIndex(2);
    d.rowList(ParamTable::DeviceType)->setCurrentIndex(8);
    log.clear();
    Click(&d, "setBtn");
    QCOMPARE(log.count(), 9);
    QCOMPARE(log.texts().first(), L("IDCS_WORK_MODEL_SET_SUCCESS"));
    QCOMPARE(Hex(r.parm(0, 2)), QString("0222"));
    QCOMPARE(int(r.model().parmByte(239)), 0x91);
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
    QTest::newRow("empty") << QByteArray();
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
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QByteArray>("logged"); // a key; "limit" for the 0..255 message
    QTest::addColumn<QString>("shown");     // the data field afterwards (reads) or the bytes stored (writes)
    QTest::newRow("read two") << false << "239"
                              << "2"
                              << "" << QByteArray("IDCS_READ_DATA_SUCCESS") << "9100";
    QTest::newRow("read length 0") << false << "10"
                                   << "0"
                                   << "stale" << QByteArray("IDCS_READ_DATA_SUCCESS") << "";
    QTest::newRow("read not a number is 0") << false << "x"
                                            << "1"
                                            << "" << QByteArray("IDCS_READ_DATA_SUCCESS") << "00";
    QTest::newRow("read empty start") << false << ""
                                      << "1"
                                      << "keep" << QByteArray("IDCS_INPUT_EMPTY") << "keep";
    QTest::newRow("read 256") << false << "256"
                              << "1"
                              << "keep" << QByteArray("limit") << "keep";
    QTest::newRow("read -1") << false << "0"
                             << "-1"
                             << "keep" << QByteArray("limit") << "keep";
    QTest::newRow("read past the end") << false << "255"
                                       << "2"
                                       << "keep" << QByteArray("IDCS_READ_DATA_FAILED") << "keep";
    QTest::newRow("write two") << true << "160"
                               << "2"
                               << "1204" << QByteArray("IDCS_WRITE_SUCCESS") << "1204";
    QTest::newRow("write three digits") << true << "160"
                                        << "2"
                                        << "ABC" << QByteArray("IDCS_DATA_LEN_ERRO") << "0503";
    QTest::newRow("write empty length") << true << "160"
                                        << ""
                                        << "" << QByteArray("IDCS_INPUT_EMPTY") << "0503";
}

void Config6CParamTest::rawAccess()
{
    QFETCH(bool, write);
    QFETCH(QString, start);
    QFETCH(QString, length);
    QFETCH(QString, data);
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
    Edit(raw, "startEdit")->setText(start);
    Edit(raw, "lenEdit")->setText(length);
    Edit(raw, "dataEdit")->setText(data);
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
