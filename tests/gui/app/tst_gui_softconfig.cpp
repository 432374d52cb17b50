#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "TempAppDir.h"
#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/SoftConfigDlg.h"
#include "gui/reader/ConnetDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

using namespace guitest;

namespace {
template <typename T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ItemData(QComboBox* box)
{
    QStringList data;
    for (int i = 0; i < box->count(); ++i) {
        data << box->itemData(i).toString();
    }
    return data;
}

QStringList MenuNames(MainWindow& window)
{
    QStringList names;
    for (QAction* action : window.menuBar()->actions()) {
        if (action->menu()) {
            names << action->menu()->objectName();
        }
    }
    return names;
}
} // namespace

class TstGuiSoftConfig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void seriesAndLanguageLists();
    void rowsFollowSeriesAndLoadType();
    void userEditionOffersOnlyTheLanguage();
    void refusedWhileReading();
    void cancellingSavesNothing();
    void setSavesTheChoices();
    void unwritableSettingsDoNotRestart();
    void restartWithAnotherSeries();
};

void TstGuiSoftConfig::seriesAndLanguageLists()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DEVICE_LIST/GB", "0");
    dir.setSysValue("DEVICE_LIST/WIRELESS", "01"); // a number 1 all the same
    dir.setSysValue("DEVICE_LIST/GJB", "yes");
    dir.startApp();
    SoftConfigDlg dlg;
    auto* series = Child<QComboBox>(&dlg, "apiCb");
    QCOMPARE(ItemData(series), (QStringList{"6C", "WIRELESS"}));
    QCOMPARE(series->itemText(0), Text("IDCS_COMMON"));
    QCOMPARE(series->itemText(1), Text("IDCS_WIRELESS_RECV"));
    QCOMPARE(series->currentData().toString(), QStringLiteral("6C"));

    auto* languages = Child<QComboBox>(&dlg, "languageCb");
    QVERIFY(languages->count() >= 2);
    QCOMPARE(languages->currentData().toString(), QStringLiteral("en"));
    QCOMPARE(languages->currentText(), QStringLiteral("English"));

    // Shown again, the lists are read again.
    dir.setSysValue("DEVICE_LIST/GB", "1");
    dir.setSysValue("DEVICE_CONFIG/DLL_TYPE", "GB");
    QSettings index(dir.filePath("language/LanguageIndex.ini"), QSettings::IniFormat);
    index.setValue("info/languagesSel", "zh_CN");
    index.sync();
    dlg.show();
    QCOMPARE(ItemData(series), (QStringList{"6C", "GB", "WIRELESS"}));
    QCOMPARE(series->currentData().toString(), QStringLiteral("GB"));
    QCOMPARE(languages->currentData().toString(), QStringLiteral("zh_CN"));
    dlg.hide();

    // A series that is not offered selects nothing; an empty selection picks the first language.
    dir.setSysValue("DEVICE_CONFIG/DLL_TYPE", "GJB");
    index.setValue("info/languagesSel", "");
    index.sync();
    dlg.RefreshLists();
    QCOMPARE(series->currentIndex(), -1);
    QCOMPARE(languages->currentIndex(), 0);
    index.setValue("info/languagesSel", "xx");
    index.sync();
    dlg.RefreshLists();
    QCOMPARE(languages->currentIndex(), -1);
}

void TstGuiSoftConfig::rowsFollowSeriesAndLoadType()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.removeSysValue("DEVICE_CONFIG/LOADTYPE"); // reads as DEBUG: every row may show
    dir.setSysValue("6CCONIFG/FrenyTable", "America");
    dir.setSysValue("6CCONIFG/AttachFunction", "GPRS");
    dir.startApp();
    SoftConfigDlg dlg;
    auto* series = Child<QComboBox>(&dlg, "apiCb");
    auto* sixC = Child<QWidget>(&dlg, "sixCOptions");
    auto* analysis = Child<QWidget>(&dlg, "analysisRow");
    QVERIFY(!Child<QCheckBox>(&dlg, "userVerCb")->isChecked());
    QVERIFY(!Child<QCheckBox>(&dlg, "userVerCb")->isHidden());
    QVERIFY(!Child<QWidget>(&dlg, "productRow")->isHidden());
    QVERIFY(!sixC->isHidden());
    QVERIFY(analysis->isHidden());
    QVERIFY(Child<QRadioButton>(&dlg, "americaRb")->isChecked());
    QVERIFY(Child<QRadioButton>(&dlg, "gprsRb")->isChecked());

    series->setCurrentIndex(series->findData("WIRELESS"));
    QVERIFY(sixC->isHidden());
    QVERIFY(!analysis->isHidden());
    series->setCurrentIndex(series->findData("GJB"));
    QVERIFY(sixC->isHidden());
    QVERIFY(analysis->isHidden());
}

void TstGuiSoftConfig::userEditionOffersOnlyTheLanguage()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DEVICE_CONFIG/LOADTYPE", "RELEASE");
    dir.startApp();
    SoftConfigDlg dlg;
    dlg.show();
    QVERIFY(Child<QCheckBox>(&dlg, "userVerCb")->isChecked());
    QVERIFY(Child<QCheckBox>(&dlg, "userVerCb")->isHidden());
    QVERIFY(Child<QWidget>(&dlg, "productRow")->isHidden());
    QVERIFY(Child<QWidget>(&dlg, "sixCOptions")->isHidden());
    QVERIFY(Child<QWidget>(&dlg, "analysisRow")->isHidden());
    QVERIFY(!Child<QWidget>(&dlg, "languageRow")->isHidden());
    // Refreshing the lists must not bring the rows back.
    auto* series = Child<QComboBox>(&dlg, "apiCb");
    series->setCurrentIndex(series->findData("WIRELESS"));
    dlg.RefreshLists();
    QVERIFY(Child<QWidget>(&dlg, "sixCOptions")->isHidden());
    QVERIFY(Child<QWidget>(&dlg, "analysisRow")->isHidden());
    dlg.hide();
}

void TstGuiSoftConfig::refusedWhileReading()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    SoftConfigDlg dlg;
    QuestionAnswers answers;
    answers.pushOk();
    LogCapture log;
    const QByteArray before = ReadFile(dir.sysIniPath());
    Reader()->SetState(ReaderDllBase::StateReading);
    dlg.slot_SetBtnClicked();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    QVERIFY(answers.asked().isEmpty());
    QCOMPARE(ReadFile(dir.sysIniPath()), before);
    Reader()->SetState(ReaderDllBase::StateDisconnected);
}

void TstGuiSoftConfig::cancellingSavesNothing()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    auto* dlg = window.findChild<SoftConfigDlg*>();
    QVERIFY(dlg);
    auto* series = Child<QComboBox>(dlg, "apiCb");
    series->setCurrentIndex(series->findData("GJB"));
    Child<QComboBox>(dlg, "languageCb")->setCurrentIndex(1);
    Child<QCheckBox>(dlg, "userVerCb")->setChecked(true);

    const QByteArray sysBefore = ReadFile(dir.sysIniPath());
    const QByteArray indexBefore = ReadFile(dir.filePath("language/LanguageIndex.ini"));
    QuestionAnswers answers;
    answers.pushCancel();
    dlg->slot_SetBtnClicked();
    QCOMPARE(answers.asked(), QStringList{Text("IDCS_IF_REBOOT_SOFT")});
    QCOMPARE(ReadFile(dir.sysIniPath()), sysBefore);
    QCOMPARE(ReadFile(dir.filePath("language/LanguageIndex.ini")), indexBefore);
    QVERIFY(!window.GetRestartFlag());

    // The cancel button closes the dialog and saves nothing either.
    dlg->show();
    QTest::mouseClick(Child<QPushButton>(dlg, "cancelBtn"), Qt::LeftButton);
    QVERIFY(dlg->isHidden());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    QCOMPARE(ReadFile(dir.sysIniPath()), sysBefore);
}

void TstGuiSoftConfig::setSavesTheChoices()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    auto* dlg = window.findChild<SoftConfigDlg*>();
    QVERIFY(dlg);
    auto* series = Child<QComboBox>(dlg, "apiCb");
    series->setCurrentIndex(series->findData("6C"));
    Child<QRadioButton>(dlg, "europeRb")->setChecked(true);
    Child<QRadioButton>(dlg, "wifiRb")->setChecked(true);
    auto* languages = Child<QComboBox>(dlg, "languageCb");
    languages->setCurrentIndex(languages->findData("zh_CN"));

    QuestionAnswers answers;
    answers.pushOk();
    dlg->slot_SetBtnClicked();
    QVERIFY(window.GetRestartFlag());
    AppSettings* settings = AppSettings::Instance();
    QCOMPARE(settings->GetDllType(), QStringLiteral("6C"));
    QCOMPARE(settings->GetFrequencyTable(), QStringLiteral("Europe"));
    QCOMPARE(settings->GetAttachFunction(), QStringLiteral("WIFI"));
    QCOMPARE(settings->GetLoadType(), QStringLiteral("DEBUG"));
    QSettings index(dir.filePath("language/LanguageIndex.ini"), QSettings::IniFormat);
    QCOMPARE(index.value("info/languagesSel").toString(), QStringLiteral("zh_CN"));

    // Wireless keeps the 6C options as they were and saves the analysis box.
    window.SetRestartFlag(false);
    series->setCurrentIndex(series->findData("WIRELESS"));
    Child<QCheckBox>(dlg, "analysisTimeCb")->setChecked(true);
    Child<QCheckBox>(dlg, "userVerCb")->setChecked(true);
    answers.pushOk();
    dlg->slot_SetBtnClicked();
    QCOMPARE(settings->GetDllType(), QStringLiteral("WIRELESS"));
    QCOMPARE(settings->GetAnalysisTime(), 2);
    QCOMPARE(settings->GetFrequencyTable(), QStringLiteral("Europe"));
    QCOMPARE(settings->GetLoadType(), QStringLiteral("RELEASE"));

    // Nothing selected: the saved series and language stay as they are.
    series->setCurrentIndex(-1);
    languages->setCurrentIndex(-1);
    answers.pushOk();
    dlg->slot_SetBtnClicked();
    QCOMPARE(settings->GetDllType(), QStringLiteral("WIRELESS"));
    QCOMPARE(index.value("info/languagesSel").toString(), QStringLiteral("zh_CN"));
}

// Settings that cannot be written are reported, and nothing restarts as if they had been saved.
void TstGuiSoftConfig::unwritableSettingsDoNotRestart()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    auto* dlg = window.findChild<SoftConfigDlg*>();
    QVERIFY(dlg);
    auto* series = Child<QComboBox>(dlg, "apiCb");
    series->setCurrentIndex(series->findData("GJB"));
    auto* languages = Child<QComboBox>(dlg, "languageCb");
    languages->setCurrentIndex(languages->findData("zh_CN"));
    const QByteArray indexBefore = ReadFile(dir.filePath("language/LanguageIndex.ini"));
    // A sys.ini nobody can write, whoever runs the test: a folder in its place.
    QVERIFY(QFile::remove(dir.sysIniPath()));
    QVERIFY(QDir().mkdir(dir.sysIniPath()));

    LogCapture log;
    QuestionAnswers answers;
    answers.pushOk();
    dlg->slot_SetBtnClicked();
    QCOMPARE(log.lines(),
             (QList<QPair<QString, bool>>{
                 {Text("IDCS_SETTINGS_SAVE_FAILED").arg(QDir::toNativeSeparators(dir.sysIniPath())), true}}));
    QVERIFY(!window.GetRestartFlag());
    QCOMPARE(ReadFile(dir.filePath("language/LanguageIndex.ini")), indexBefore);
    QVERIFY(Child<QLabel>(dlg, "noteLabel")->text() == Text("IDCS_SET_RESTARTS_NOTE"));
}

// The whole interface is rebuilt with the new series' menus; the old connection is gone.
void TstGuiSoftConfig::restartWithAnotherSeries()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    AppSettings::SetAppDirOverride(dir.path());
    auto sim = StartSimulator();
    QVERIFY(sim);
    QuestionAnswers answers;
    int runs = 0;
    bool wasConnected = false;
    QStringList firstMenus;
    QStringList secondMenus;
    QString secondTitle;
    QString secondDll;
    int clientsAfterRestart = -1;
    bool has6CDriver = false;

    RunRivulet(*qApp, [&](MainWindow& window) {
        ++runs;
        if (runs == 1) {
            firstMenus = MenuNames(window);
            has6CDriver = Has6CDriver();
            QTimer::singleShot(0, &window, [&, w = &window] {
                if (has6CDriver) { // checked after the run
                    auto* panel = w->connetDlg();
                    Child<QComboBox>(panel, "tcpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
                    Child<QLineEdit>(panel, "tcpPortEdit")->setText(QString::number(sim->tcpPort()));
                    QTest::mouseClick(Child<QPushButton>(panel, "connetBtn"), Qt::LeftButton);
                    QTRY_VERIFY(!Reader()->IsBusy()); // the open runs on a worker
                    wasConnected =
                        Reader()->IsState(ReaderDllBase::StateConnected) && sim->waitForClients(1, 2000);
                }
                auto* dlg = w->findChild<SoftConfigDlg*>();
                QTimer::singleShot(0, dlg, [dlg] {
                    auto* series = Child<QComboBox>(dlg, "apiCb");
                    series->setCurrentIndex(series->findData("GJB"));
                    auto* languages = Child<QComboBox>(dlg, "languageCb");
                    languages->setCurrentIndex(languages->findData("zh_CN"));
                    QTest::mouseClick(Child<QPushButton>(dlg, "setBtn"), Qt::LeftButton);
                });
                // Through the menu, as the operator does it: the dialog runs modal.
                answers.pushOk();
                for (QAction* action : w->findChildren<QAction*>()) {
                    if (action->objectName() == QLatin1String("softconfigAc")) {
                        action->trigger();
                    }
                }
            });
        } else {
            secondMenus = MenuNames(window);
            secondTitle = window.windowTitle();
            secondDll = AppSettings::Instance()->GetDllType();
            static_cast<void>(QTest::qWaitFor([&sim] { return sim->tcpClients() == 0; }, 3000));
            clientsAfterRestart = sim->tcpClients();
            QTimer::singleShot(0, &window, [&, w = &window] {
                answers.pushOk();
                w->close();
            });
        }
    });

    AppSettings::SetAppDirOverride(QString());
    QCOMPARE(runs, 2);
    QVERIFY(firstMenus.contains("sys6cMenu"));
    QCOMPARE(secondDll, QStringLiteral("GJB"));
    QVERIFY(!secondMenus.contains("sys6cMenu"));
    QCOMPARE(secondMenus.first(), QStringLiteral("fileMenu"));
    QSettings index(dir.filePath("language/LanguageIndex.ini"), QSettings::IniFormat);
    QCOMPARE(index.value("info/languagesSel").toString(), QStringLiteral("zh_CN"));
    QVERIFY(!secondTitle.isEmpty());
    QVERIFY(secondTitle != QStringLiteral("IDCS_WINTITLE_GJB"));
    QCOMPARE(answers.pending(), 0);
    QVERIFY(has6CDriver);
    QVERIFY(wasConnected);
    QCOMPARE(clientsAfterRestart, 0);
}

QTEST_MAIN(TstGuiSoftConfig)
#include "tst_gui_softconfig.moc"
