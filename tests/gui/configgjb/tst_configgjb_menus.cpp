// The GJB profile's configuration and test menus: their order, the dialogs built with them, and the
// link check before a dialog is shown.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using guitest::Text;

namespace {

QStringList Names(const QList<QAction*>& actions, bool menus)
{
    QStringList names;
    for (QAction* a : actions) {
        if (menus && a->menu()) {
            names << a->menu()->objectName();
        } else if (!menus) {
            names << a->objectName();
        }
    }
    return names;
}

QMenu* Menu(MainWindow& w, const QString& name)
{
    for (QAction* a : w.menuBar()->actions()) {
        if (a->menu() && a->menu()->objectName() == name) {
            return a->menu();
        }
    }
    return nullptr;
}

} // namespace

class ConfigGjbMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void menusInOrder();
    void itemsNeedTheLink_data();
    void itemsNeedTheLink();
};

void ConfigGjbMenusTest::menusInOrder()
{
    GjbSimReader r(false);
    QVERIFY(r.ok());
    MainWindow w;
    const QStringList menus = Names(w.menuBar()->actions(), true);
    QCOMPARE(menus.mid(menus.indexOf("connetMenu"), 3),
             (QStringList{"connetMenu", "testMenu", "repairMenu"}));
    QCOMPARE(Names(Menu(w, "connetMenu")->actions(), false).first(), QStringLiteral("ipSetAc"));
    QCOMPARE(Names(Menu(w, "testMenu")->actions(), false),
             (QStringList{"SensitivityTestDlg", "DealTestDlg", "DisturbreStrainDlg", "FilterSetDlg",
                          "InventoryModelDlg", "ModulateDepthDlg", "RfSetDlg", "SecrecyDlg"}));
    QCOMPARE(Names(Menu(w, "repairMenu")->actions(), false), (QStringList{"repairAc", "electronRecordAc"}));
    QCOMPARE(Menu(w, "repairMenu")->title(), Text("IDCS_REPAIR"));
    for (const char* name :
         {"IpSetDlg", "SensitivityTestDlg", "DealTestDlg", "FilterSetDlg", "InventoryModelDlg",
          "ModulateDepthDlg", "RfSetDlg", "SecrecyDlg", "RepairRecordDlg", "ElectronRecordDlg"}) {
        QDialog* d = w.findChild<QDialog*>(name);
        QVERIFY2(d && d->isHidden(), name);
    }
}

void ConfigGjbMenusTest::itemsNeedTheLink_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("address") << "ipSetAc"
                             << "IpSetDlg";
    QTest::newRow("sensitivity") << "SensitivityTestDlg"
                                 << "SensitivityTestDlg";
    QTest::newRow("air test") << "DealTestDlg"
                              << "DealTestDlg";
    QTest::newRow("filter") << "FilterSetDlg"
                            << "FilterSetDlg";
    QTest::newRow("secrecy") << "SecrecyDlg"
                             << "SecrecyDlg";
}

void ConfigGjbMenusTest::itemsNeedTheLink()
{
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    GjbSimReader r(false);
    QVERIFY(r.ok());
    MainWindow w;
    auto* d = w.findChild<QDialog*>(dialog);
    LogCapture log;
    w.findChild<QAction*>(item)->trigger();
    QTRY_COMPARE(log.texts(), QStringList{Text("IDCS_READ_NO_LINK")});
    QVERIFY(d->isHidden());

    QVERIFY(r.driver()->OpenReader());
    r.connected = true;
    w.findChild<QAction*>(item)->trigger();
    QVERIFY(d->isVisible());
    d->hide();
}

QTEST_MAIN(ConfigGjbMenusTest)
#include "tst_configgjb_menus.moc"
