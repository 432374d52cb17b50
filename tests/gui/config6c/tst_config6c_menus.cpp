#include "Config6CSim.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/config6c/ReadConfigFor6CDlg.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>

namespace {
QMenu* Menu(MainWindow& w, const QString& name)
{
    for (QAction* a : w.menuBar()->actions()) {
        if (a->menu() && a->menu()->objectName() == name) {
            return a->menu();
        }
    }
    return nullptr;
}

QStringList Menus(MainWindow& w)
{
    QStringList names;
    for (QAction* a : w.menuBar()->actions()) {
        if (a->menu()) {
            names << a->menu()->objectName();
        }
    }
    return names;
}

QStringList Items(MainWindow& w, const QString& menu)
{
    QStringList names;
    if (QMenu* m = Menu(w, menu)) {
        for (QAction* a : m->actions()) {
            names << a->objectName();
        }
    }
    return names;
}

QAction* Item(MainWindow& w, const QString& name)
{
    return w.findChild<QAction*>(name);
}

void Attach(const QString& function, TempAppDir& app)
{
    app.setSysValue("6CCONIFG/AttachFunction", function);
}
} // namespace

class Config6CMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void itemsInTheirMenus();
    void attachFunction_data();
    void attachFunction();
    void itemsShowTheirDialogWhenLinked_data();
    void itemsShowTheirDialogWhenLinked();
};

void Config6CMenusTest::itemsInTheirMenus()
{
    Config6CSim r;
    MainWindow w;
    const QStringList menus = Menus(w);
    QCOMPARE(menus.mid(menus.indexOf("sys6cMenu"), 5),
             (QStringList{"sys6cMenu", "test6cMenu", "connet6cMenu", "readConfig6cMenu", "appOperateMenu"}));
    QCOMPARE(Items(w, "sys6cMenu"),
             (QStringList{"sys6cReaderVer", "sys6cFirmWareUpdate", "readerTimerSet", "rebootDeviceAc"}));
    QCOMPARE(Items(w, "test6cMenu"), (QStringList{"CarrierWaveFor6C", "ParamConfigFor6C"}));
    QCOMPARE(Items(w, "connet6cMenu"), (QStringList{"netConfigFor6C", "comConfigFor6C", "busConfigFor6C"}));
    QCOMPARE(Items(w, "appOperateMenu"), QStringList{"ioconfig"});
    QCOMPARE(Menu(w, "readConfig6cMenu")->title(), L("IDCS_READ_PARAM"));
    QCOMPARE(Item(w, "ParamConfigFor6C")->text(), L("IDCS_PARAM_CONFIG_OP"));
    QCOMPARE(Item(w, "busConfigFor6C")->text(), L("IDCS_BUS_CONFIG"));
    QTabWidget* tabs = w.workArea()->tabWidget();
    QVERIFY(qobject_cast<ReadConfigFor6CDlg*>(tabs->widget(2)));
    QCOMPARE(tabs->tabText(2), L("IDCS_READ_CARD_CONFIG"));
    // Built once, hidden.
    const QStringList dialogs = {"ReaderInfoFor6CDlg",  "ReaderTimeSetDlg",    "CarrierWaveFor6CDlg",
                                 "ParamConfigFor6CDlg", "NetConfigFor6CDlg",   "ComConfigDlg",
                                 "BusAddrConfigDlg",    "FiltrateTagFor6CDlg", "QValueDlg",
                                 "IoConfigFor6CDlg"};
    for (const QString& name : dialogs) {
        QDialog* d = w.findChild<QDialog*>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(d, qPrintable(name));
        QVERIFY(d->isHidden());
    }
}

void Config6CMenusTest::attachFunction_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("readItems");
    QTest::addColumn<QStringList>("wirelessItems"); // empty: no such menu
    QTest::newRow("NULL") << "NULL" << QStringList{"filter", "qValue"} << QStringList{};
    QTest::newRow("GPRS") << "GPRS" << QStringList{"filter", "flashConfigFor6C", "qValue"}
                          << QStringList{"gprsConfig"};
    QTest::newRow("WIFI") << "WIFI" << QStringList{"filter", "flashConfigFor6C", "qValue"}
                          << QStringList{"WIFIConfigFor6C"};
}

void Config6CMenusTest::attachFunction()
{
    QFETCH(QString, function);
    QFETCH(QStringList, wirelessItems);
    Config6CSim r(4, [&](TempAppDir& app) { Attach(function, app); });
    MainWindow w;
    QTEST(Items(w, "readConfig6cMenu"), "readItems");
    QCOMPARE(Items(w, "wirelessConfigMenu"), wirelessItems);
    QCOMPARE(Menus(w).contains("wirelessConfigMenu"), !wirelessItems.isEmpty());
    QCOMPARE(bool(w.findChild<QDialog*>("GprsConfigDlg")), function == "GPRS");
    QCOMPARE(bool(w.findChild<QDialog*>("FlashConfigFor6CDlg")), function != "NULL");
}

void Config6CMenusTest::itemsShowTheirDialogWhenLinked_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("firstLine"); // what showing logs first; empty: showing reads nothing
    QTest::newRow("reader info") << "sys6cReaderVer"
                                 << "ReaderInfoFor6CDlg"
                                 << "IDCS_READER_INFO_SUCCESS";
    QTest::newRow("clock") << "readerTimerSet"
                           << "ReaderTimeSetDlg"
                           << "IDCS_QUERY_TIME_CONFIG_SUCCESS";
    QTest::newRow("carrier") << "CarrierWaveFor6C"
                             << "CarrierWaveFor6CDlg"
                             << "";
    QTest::newRow("parameters") << "ParamConfigFor6C"
                                << "ParamConfigFor6CDlg"
                                << "";
    QTest::newRow("network") << "netConfigFor6C"
                             << "NetConfigFor6CDlg"
                             << "IDCS_NET_QUERY_SUCCESS";
    QTest::newRow("serial") << "comConfigFor6C"
                            << "ComConfigDlg"
                            << "IDCS_BAUD_RATE_QUERY_SUCCESS";
    QTest::newRow("bus") << "busConfigFor6C"
                         << "BusAddrConfigDlg"
                         << "IDCS_BUS_QUERY_SUCCESS";
    QTest::newRow("filter") << "filter"
                            << "FiltrateTagFor6CDlg"
                            << "IDCS_FILTER_ENABLE_QUERY_SUCCESS";
    QTest::newRow("store") << "flashConfigFor6C"
                           << "FlashConfigFor6CDlg"
                           << "IDCS_FLASH_ENABLE_QUERY_SUCCESS";
    QTest::newRow("q") << "qValue"
                       << "QValueDlg"
                       << "IDCS_QVALUE_QUERY_SUCCESS";
    QTest::newRow("io") << "ioconfig"
                        << "IoConfigFor6CDlg"
                        << "";
    QTest::newRow("gprs") << "gprsConfig"
                          << "GprsConfigDlg"
                          << "IDCS_QUERY_SUCCESS";
}

void Config6CMenusTest::itemsShowTheirDialogWhenLinked()
{
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    QFETCH(QString, firstLine);
    Config6CSim r(4, [](TempAppDir& app) { Attach("GPRS", app); });
    QVERIFY(r.ok());
    MainWindow w;
    QDialog* d = w.findChild<QDialog*>(dialog);
    QVERIFY(d);
    LogCapture log;

    Config6CSim::driver()->SetState(ReaderDllBase::StateReading);
    Item(w, item)->trigger();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READING_CARD")});
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    log.clear();
    Item(w, item)->trigger();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
    QVERIFY(d->isHidden());

    Config6CSim::driver()->SetState(ReaderDllBase::StateConnected);
    log.clear();
    Item(w, item)->trigger();
    QVERIFY(d->isVisible());
    QVERIFY(d->isModal());
    QCOMPARE(log.texts().value(0), firstLine.isEmpty() ? QString() : L(qPrintable(firstLine)));
    d->hide();
}

QTEST_MAIN(Config6CMenusTest)
#include "tst_config6c_menus.moc"
