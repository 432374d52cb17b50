#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

#include <atomic>
#include <thread>

class TstAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void pathsFollowTheAppDir();
    void missingKeysGiveTheirDefaults();
    void profileNameUsesTheLoadTypeDefault();
    void missingOrBrokenSysIni_data();
    void missingOrBrokenSysIni();
    void settersWriteAtOnce();
    void profileFlags_data();
    void profileFlags();
    void profileStrings();
    void closedProfileIsOff();
    void deliveredProfiles_data();
    void deliveredProfiles();
    void languageLookup();
    void languageFallbacks_data();
    void languageFallbacks();

private:
    void writeLanguage(TempAppDir& dir, const QByteArray& index, const QByteArray& file);
};

void TstAppSettings::writeLanguage(TempAppDir& dir, const QByteArray& index, const QByteArray& file)
{
    QDir(dir.filePath(QStringLiteral("language"))).removeRecursively();
    if (!index.isEmpty()) {
        QVERIFY(dir.writeFile(QStringLiteral("language/LanguageIndex.ini"), index));
    }
    if (!file.isEmpty()) {
        QVERIFY(dir.writeFile(QStringLiteral("language/Testish.ini"), file));
    }
}

void TstAppSettings::pathsFollowTheAppDir()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    AppSettings* s = AppSettings::Instance();
    QCOMPARE(s->GetAppDir(), dir.path());
    QCOMPARE(s->GetSysIniPath(), dir.path() + "/Config/sys.ini");
    QCOMPARE(s->GetLanguageDir(), dir.path() + "/language");
    QCOMPARE(s->GetStyleSheetPath(), dir.path() + "/skin/qss/stylesheet.css");
    QCOMPARE(s->GetSkinDir(), dir.path() + "/skin");
    // The delivered sys.ini picks the 6C debug profile.
    QCOMPARE(s->GetDeviceProfilePath(), dir.path() + "/Config/DeviceConfig/6C-DEBUG.ini");
    QVERIFY(QFile::exists(s->GetDeviceProfilePath()));
    QVERIFY(QFile::exists(s->GetStyleSheetPath()));
    dir.stopApp();
}

void TstAppSettings::missingKeysGiveTheirDefaults()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.writeFile(QStringLiteral("Config/sys.ini"), "[OTHER]\nx=1\n"));
    dir.startApp();
    AppSettings* s = AppSettings::Instance();
    QCOMPARE(s->GetDeviceProfilePath(), dir.path() + "/Config/DeviceConfig/DEFAULT-RELEASE.ini");
    QCOMPARE(s->GetDllType(), QStringLiteral("6C"));
    QCOMPARE(s->GetLoadType(), QStringLiteral("DEBUG"));
    QCOMPARE(s->GetFrequencyTable(), QStringLiteral("China"));
    QCOMPARE(s->GetAttachFunction(), QStringLiteral("NULL"));
    QCOMPARE(s->GetAnalysisTime(), 0);
    QVERIFY(ReaderDriverHolder::Instance()->currentReader() != nullptr);
    // The fallback profile is delivered, so the window still has its panels.
    QVERIFY(DeviceProfile::Instance()->IsEnabled("MainWindow", "ConnetDlg"));
    QCOMPARE(DeviceProfile::Instance()->GetValue("MainWindow", "WinTitle"),
             QStringLiteral("IDCS_WINTITLE_DEFAULT"));
    dir.stopApp();
}

void TstAppSettings::profileNameUsesTheLoadTypeDefault()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DEVICE_CONFIG/DLL_TYPE", "GJB");
    dir.removeSysValue("DEVICE_CONFIG/LOADTYPE");
    dir.startApp();
    QCOMPARE(AppSettings::Instance()->GetDeviceProfilePath(),
             dir.path() + "/Config/DeviceConfig/GJB-RELEASE.ini");
    QCOMPARE(AppSettings::Instance()->GetLoadType(), QStringLiteral("DEBUG"));
    QVERIFY(DeviceProfile::Instance()->IsEnabled("workDpaceDlg", "ReadCardDlg"));
    dir.stopApp();
}

void TstAppSettings::missingOrBrokenSysIni_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("missing") << 0;
    QTest::newRow("a folder in its place") << 1;
    QTest::newRow("binary junk") << 2;
    QTest::newRow("missing Config folder") << 3;
}

void TstAppSettings::missingOrBrokenSysIni()
{
    QFETCH(int, how);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.removeFile("Config/sys.ini"));
    if (how == 1) {
        QVERIFY(QDir().mkpath(dir.sysIniPath()));
    } else if (how == 2) {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i) {
            junk.append(char((i * 131 + 7) & 0xFF));
        }
        QVERIFY(dir.writeFile("Config/sys.ini", junk));
    } else if (how == 3) {
        QVERIFY(QDir(dir.filePath("Config")).removeRecursively());
    }
    dir.startApp();
    AppSettings* s = AppSettings::Instance();
    QCOMPARE(s->GetDllType(), QStringLiteral("6C"));
    QCOMPARE(s->GetFrequencyTable(), QStringLiteral("China"));
    QCOMPARE(s->GetAnalysisTime(), 0);
    QVERIFY(s->GetDeviceProfilePath().endsWith("DEFAULT-RELEASE.ini"));
    if (how == 3) {
        QVERIFY(!DeviceProfile::Instance()->IsEnabled("MainWindow", "ConnetDlg"));
        QCOMPARE(DeviceProfile::Instance()->GetValue("MainWindow", "WinTitle"), QString());
    }
    QCOMPARE(LangText("IDCS_OK").isEmpty(), false);
    dir.stopApp();
}

void TstAppSettings::settersWriteAtOnce()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    AppSettings* s = AppSettings::Instance();
    QVERIFY(s->SetDllType("GB"));
    QVERIFY(s->SetLoadType("RELEASE"));
    QVERIFY(s->SetFrequencyTable("Europe"));
    QVERIFY(s->SetAttachFunction("WIFI"));
    QVERIFY(s->SetAnalysisTime(2));
    {
        QSettings ini(dir.sysIniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value("DEVICE_CONFIG/DLL_TYPE").toString(), QStringLiteral("GB"));
        QCOMPARE(ini.value("DEVICE_CONFIG/LOADTYPE").toString(), QStringLiteral("RELEASE"));
        QCOMPARE(ini.value("6CCONIFG/FrenyTable").toString(), QStringLiteral("Europe"));
        QCOMPARE(ini.value("6CCONIFG/AttachFunction").toString(), QStringLiteral("WIFI"));
        QCOMPARE(ini.value("Wireless_Config/AnalysisTime").toString(), QStringLiteral("2"));
        // Keys nobody touched survive a write.
        QCOMPARE(ini.value("DEVICE_LIST/GJB").toString(), QStringLiteral("1"));
    }
    // Read back through the getters, and changed behind their back.
    QCOMPARE(s->GetAttachFunction(), QStringLiteral("WIFI"));
    dir.setSysValue("6CCONIFG/FrenyTable", "America");
    QCOMPARE(s->GetFrequencyTable(), QStringLiteral("America"));
    // The paths only move with the next start.
    QVERIFY(s->GetDeviceProfilePath().endsWith("6C-DEBUG.ini"));
    dir.stopApp();
    dir.startApp();
    QVERIFY(AppSettings::Instance()->GetDeviceProfilePath().endsWith("GB-RELEASE.ini"));
    dir.stopApp();
}

void TstAppSettings::profileFlags_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("on");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("01") << "01" << true;
    QTest::newRow("true") << "true" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("-1") << "-1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("1.0") << "1.0" << false;
    QTest::newRow("one") << "one" << false;
}

void TstAppSettings::profileFlags()
{
    QFETCH(QString, value);
    QFETCH(bool, on);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.writeFile("Config/DeviceConfig/6C-DEBUG.ini", "[Group]\nflag=" + value.toUtf8() + "\n"));
    dir.startApp();
    QCOMPARE(DeviceProfile::Instance()->IsEnabled("Group", "flag"), on);
    QVERIFY(!DeviceProfile::Instance()->IsEnabled("Group", "missing"));
    QVERIFY(!DeviceProfile::Instance()->IsEnabled("NoGroup", "flag"));
    dir.stopApp();
}

void TstAppSettings::profileStrings()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.writeFile("Config/DeviceConfig/6C-DEBUG.ini",
                          "[G]\nplain=abc\nlist=a, b,c\nquoted=\"x, y\"\nchinese=读卡\n"));
    dir.startApp();
    DeviceProfile* p = DeviceProfile::Instance();
    QCOMPARE(p->GetValue("G", "plain"), QStringLiteral("abc"));
    QCOMPARE(p->GetValue("G", "list"), QStringLiteral("a, b, c"));
    QCOMPARE(p->GetValue("G", "quoted"), QStringLiteral("x, y"));
    QCOMPARE(p->GetValue("G", "chinese"), QString::fromUtf8("读卡"));
    QCOMPARE(p->GetValue("G", "missing"), QString());

    QVERIFY(p->SetValue("ConnetDlg", "TCP_ADDR", "127.0.0.9"));
    QCOMPARE(p->GetValue("ConnetDlg", "TCP_ADDR"), QStringLiteral("127.0.0.9"));
    QSettings ini(dir.profilePath("6C-DEBUG.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value("ConnetDlg/TCP_ADDR").toString(), QStringLiteral("127.0.0.9"));
    dir.stopApp();
}

void TstAppSettings::closedProfileIsOff()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    DeviceProfile* p = DeviceProfile::Instance();
    QVERIFY(p->IsEnabled("MainWindow", "ConnetDlg"));
    p->Close();
    QVERIFY(!p->IsEnabled("MainWindow", "ConnetDlg"));
    QCOMPARE(p->GetValue("MainWindow", "WinTitle"), QString());
    QVERIFY(!p->SetValue("MainWindow", "WinTitle", "x"));
    dir.stopApp();
    // A profile never opened answers the same way.
    QVERIFY(!DeviceProfile::Instance()->IsEnabled("MainWindow", "ConnetDlg"));
    DeviceProfile::DestroyInstance();
}

void TstAppSettings::deliveredProfiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<QStringList>("media");
    const QStringList all6c{"COM_TYPE", "TCP_TYPE", "UDP_TYPE", "USB_TYPE"};
    const QStringList gjb{"COM_TYPE", "TCP_TYPE"};
    const QStringList tabs6c{"ReadCardFor6CDlg", "TagOpFor6CDlg", "ReadConfigFor6CDlg"};
    const QStringList tabsGjb{"ReadCardDlg", "ReaderConfig"};
    for (const char* load : {"RELEASE", "DEBUG"}) {
        QTest::addRow("6C-%s", load) << QString("6C-%1.ini").arg(load) << "IDCS_WINTITLE_6C" << tabs6c
                                     << all6c;
        QTest::addRow("GB-%s", load) << QString("GB-%1.ini").arg(load) << "IDCS_WINTITLE_GB" << tabsGjb
                                     << gjb;
        QTest::addRow("GJB-%s", load)
            << QString("GJB-%1.ini").arg(load) << "IDCS_WINTITLE_GJB" << tabsGjb << gjb;
        QTest::addRow("WIRELESS-%s", load) << QString("WIRELESS-%1.ini").arg(load) << "IDCS_WINTITLE_WIRELESS"
                                           << QStringList{"WirelessRecvDlg"} << QStringList{};
    }
    QTest::newRow("DEFAULT-RELEASE") << "DEFAULT-RELEASE.ini"
                                     << "IDCS_WINTITLE_DEFAULT" << tabs6c << all6c;
}

void TstAppSettings::deliveredProfiles()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(QStringList, tabs);
    QFETCH(QStringList, media);
    const QString path = qEnvironmentVariable("RIVULET_DATA_DIR") + "/Config/DeviceConfig/" + file;
    QVERIFY2(QFile::exists(path), qPrintable(path));
    DeviceProfile* p = DeviceProfile::Instance();
    p->Open(path);
    QCOMPARE(p->GetValue("MainWindow", "WinTitle"), title);
    QVERIFY(p->IsEnabled("MainWindow", "workDpaceDlg"));
    QVERIFY(p->IsEnabled("MainWindow", "OpListDlg"));
    QCOMPARE(p->GetValue("OpListDlg", "Max_OPERATE_RECORD"), QStringLiteral("1000"));
    QCOMPARE(p->GetValue("OpListDlg", "OVER_TO_DELETE"), QStringLiteral("100"));
    QVERIFY(p->IsEnabled("fileMenu", "quitAc"));
    for (const QString& tab : tabs) {
        QVERIFY2(p->IsEnabled("workDpaceDlg", tab), qPrintable(tab));
    }
    for (const char* medium : {"COM_TYPE", "TCP_TYPE", "UDP_TYPE", "USB_TYPE"}) {
        QCOMPARE(p->IsEnabled("ConnetDlg", medium), media.contains(QLatin1String(medium)));
    }
    if (!media.isEmpty()) {
        QVERIFY(p->IsEnabled("MainWindow", "ConnetDlg"));
        QCOMPARE(p->GetValue("ConnetDlg", "TCP_ADDR"), QStringLiteral("127.0.0.1"));
        QCOMPARE(p->GetValue("ConnetDlg", "CONNET_TYPE"), QStringLiteral("0"));
    }
    p->Close();
    DeviceProfile::DestroyInstance();
}

void TstAppSettings::languageLookup()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    writeLanguage(dir, "[info]\nlanguagesSel=t\n[languages]\nt=Testish\n",
                  "[text]\nIDCS_OK=Okay\nIDCS_EMPTY=\nIDCS_LIST=one, two\nIDCS_QUOTED=\"a, b; c\"\n"
                  "IDCS_CN=确定\n");
    dir.startApp();
    QCOMPARE(CurrentLanguageName(), QStringLiteral("Testish"));
    QCOMPARE(LangText("IDCS_OK"), QStringLiteral("Okay"));
    QCOMPARE(LangText(QStringLiteral("IDCS_OK")), QStringLiteral("Okay"));
    QCOMPARE(LangText(QByteArray("IDCS_OK")), QStringLiteral("Okay"));
    QCOMPARE(LangText("IDCS_CN"), QString::fromUtf8("确定"));
    QCOMPARE(LangText("IDCS_LIST"), QStringLiteral("one, two"));
    QCOMPARE(LangText("IDCS_QUOTED"), QStringLiteral("a, b; c"));
    QCOMPARE(LangText("IDCS_EMPTY"), QStringLiteral("IDCS_EMPTY"));
    QCOMPARE(LangText("IDCS_NOT_THERE"), QStringLiteral("IDCS_NOT_THERE"));
    QCOMPARE(LangText(""), QString());
    QCOMPARE(LangText(static_cast<const char*>(nullptr)), QString());

    // Worker threads read the table while the user interface thread does too.
    std::atomic<int> wrong{0};
    auto reader = [&wrong] {
        for (int i = 0; i < 2000; ++i) {
            if (LangText("IDCS_OK") != QLatin1String("Okay")) {
                ++wrong;
            }
        }
    };
    std::thread a(reader);
    std::thread b(reader);
    reader();
    a.join();
    b.join();
    QCOMPARE(wrong.load(), 0);

    UnloadLanguage();
    QCOMPARE(LangText("IDCS_OK"), QStringLiteral("IDCS_OK"));
    dir.stopApp();
}

void TstAppSettings::languageFallbacks_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QByteArray>("file");
    const QByteArray file = "[text]\nIDCS_OK=Okay\n";
    QTest::newRow("no index") << QByteArray() << file;
    QTest::newRow("no selection") << QByteArray("[languages]\nt=Testish\n") << file;
    QTest::newRow("unknown identifier")
        << QByteArray("[info]\nlanguagesSel=x\n[languages]\nt=Testish\n") << file;
    QTest::newRow("missing language file")
        << QByteArray("[info]\nlanguagesSel=t\n[languages]\nt=Gone\n") << file;
    QTest::newRow("no text group") << QByteArray("[info]\nlanguagesSel=t\n[languages]\nt=Testish\n")
                                   << QByteArray("[other]\nIDCS_OK=Okay\n");
}

void TstAppSettings::languageFallbacks()
{
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, file);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    writeLanguage(dir, index, file);
    dir.startApp();
    QCOMPARE(LangText("IDCS_OK"), QStringLiteral("IDCS_OK"));
    QCOMPARE(LangText(""), QString());
    dir.stopApp();
}

QTEST_MAIN(TstAppSettings)
#include "tst_app_settings.moc"
