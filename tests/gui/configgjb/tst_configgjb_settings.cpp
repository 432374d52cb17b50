// The GJB settings dialogs against the simulated GJB reader: what a query shows, what a set stores,
// what is refused before anything is sent, and one log line per outcome.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "gui/configgjb/FilterSetDlg.h"
#include "gui/configgjb/InventoryModelDlg.h"
#include "gui/configgjb/IpSetDlg.h"
#include "gui/configgjb/ModulateDepthDlg.h"
#include "gui/configgjb/RfSetDlg.h"

#include <wire/messages_gjb.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using guitest::Text;

namespace {

void Click(QWidget* w, const char* name)
{
    QPushButton* b = w->findChild<QPushButton*>(name);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

QComboBox* Combo(QWidget* w, const char* name)
{
    return w->findChild<QComboBox*>(name);
}

// The one line an action logged, once its call has come back.
QString WaitLine(LogCapture& log)
{
    if (!QTest::qWaitFor([&] { return log.count() > 0; })) {
        return QString();
    }
    return log.texts().join('|');
}

} // namespace

class ConfigGjbSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void combos_data();
    void combos();
    void ipQueryAndSet();
    void ipRefusals_data();
    void ipRefusals();
    void refusedSetLogsError();
    void withoutReader();
};

void ConfigGjbSettingsTest::combos_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QList<int>>("stored");   // what the reader holds before the query
    QTest::addColumn<QStringList>("shown");   // combo texts after the query ("" none; keys translated)
    QTest::addColumn<QList<int>>("pick");     // indexes chosen before the set
    QTest::addColumn<QList<int>>("expected"); // what the reader holds after the set
    QTest::newRow("filter 3/2/3") << "filter" << QList<int>{3, 2, 3} << QStringList{"30db", "900K", "Bypass"}
                                  << QList<int>{1, 0, 2} << QList<int>{1, 0, 2};
    QTest::newRow("rf LNA") << "rf" << QList<int>{1} << QStringList{"LNA"} << QList<int>{0} << QList<int>{0};
    QTest::newRow("inventory auto") << "model" << QList<int>{2} << QStringList{"IDCS_AUTO"} << QList<int>{0}
                                    << QList<int>{0};
    QTest::newRow("depth 60") << "depth" << QList<int>{60} << QStringList{"60"} << QList<int>{7}
                              << QList<int>{100};
    QTest::newRow("depth 45 selects nothing")
        << "depth" << QList<int>{45} << QStringList{""} << QList<int>{0} << QList<int>{30};
}

void ConfigGjbSettingsTest::combos()
{
    QFETCH(QString, dialog);
    QFETCH(QList<int>, stored);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, pick);
    QFETCH(QList<int>, expected);
    GjbSimReader r;
    QVERIFY(r.ok());

    struct Kind
    {
        std::function<QDialog*()> make;
        QStringList combos;
        std::function<void(readersim::GjbSettings&, const QList<int>&)> store;
        std::function<QList<int>(const readersim::GjbSettings&)> held;
        const char* queryOk;
        const char* setOk;
    };
    const QMap<QString, Kind> kinds = {
        {"filter",
         {[] { return new FilterSetDlg; },
          {"gainCombo", "lowPassCombo", "highPassCombo"},
          [](readersim::GjbSettings& s, const QList<int>& v) {
              s.gain = uint32_t(v[0]);
              s.lowPass = uint32_t(v[1]);
              s.highPass = uint32_t(v[2]);
          },
          [](const readersim::GjbSettings& s) {
              return QList<int>{int(s.gain), int(s.lowPass), int(s.highPass)};
          },
          "IDCS_FILTER_QUERY_SUCCESS",
          "IDCS_FILTER_SET_SUCCESS"}},
        {"rf",
         {[] { return new RfSetDlg; },
          {"rfCombo"},
          [](readersim::GjbSettings& s, const QList<int>& v) { s.rfPath = uint32_t(v[0]); },
          [](const readersim::GjbSettings& s) { return QList<int>{int(s.rfPath)}; },
          "IDCS_RF_QUERY_SUCCESS",
          "IDCS_RF_SET_SUCCESS"}},
        {"model",
         {[] { return new InventoryModelDlg; },
          {"modelCombo"},
          [](readersim::GjbSettings& s, const QList<int>& v) { s.inventoryMode = uint32_t(v[0]); },
          [](const readersim::GjbSettings& s) { return QList<int>{int(s.inventoryMode)}; },
          "IDCS_IVENTORY_MODEL_QUERY_SUCCESS",
          "IDCS_IVENTORY_MODELSET_SUCCESS"}},
        {"depth",
         {[] { return new ModulateDepthDlg; },
          {"depthCombo"},
          [](readersim::GjbSettings& s, const QList<int>& v) { s.modulation = uint32_t(v[0]); },
          [](const readersim::GjbSettings& s) { return QList<int>{int(s.modulation)}; },
          "IDCS_MODULATE_QUERY_SUCCESS",
          "IDCS_MODULATE_SET_SUCCESS"}},
    };
    const Kind& k = kinds[dialog];
    readersim::GjbSettings s = r.model().settings();
    k.store(s, stored);
    r.model().setSettings(s);

    std::unique_ptr<QDialog> dlg(k.make());
    LogCapture log;
    Click(dlg.get(), "qurBtn");
    QCOMPARE(WaitLine(log), Text(k.queryOk));
    for (int i = 0; i < k.combos.size(); ++i) {
        const QString want = shown[i].startsWith("IDCS_") ? Text(qPrintable(shown[i])) : shown[i];
        QCOMPARE(Combo(dlg.get(), qPrintable(k.combos[i]))->currentText(), want);
    }

    log.clear();
    for (int i = 0; i < k.combos.size(); ++i) {
        Combo(dlg.get(), qPrintable(k.combos[i]))->setCurrentIndex(pick[i]);
    }
    Click(dlg.get(), "setBtn");
    QCOMPARE(WaitLine(log), Text(k.setOk));
    QCOMPARE(log.lines().first().second, false);
    QCOMPARE(k.held(r.model().settings()), expected);
}

void ConfigGjbSettingsTest::ipQueryAndSet()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    IpSetDlg dlg;
    LogCapture log;
    Click(&dlg, "qurBtn");
    QCOMPARE(WaitLine(log), Text("IDCS_IP_CONFIG_QUERY_SUCCESS"));
    QCOMPARE(dlg.findChild<QLineEdit*>("ipEdit")->text(), QStringLiteral("192.168.1.100"));
    QCOMPARE(dlg.findChild<QLineEdit*>("maskEdit")->text(), QStringLiteral("255.255.255.0"));

    log.clear();
    dlg.findChild<QLineEdit*>("ipEdit")->setText("10.1.2.3");
    dlg.findChild<QLineEdit*>("gatewayEdit")->setText("10.1.2.254");
    Click(&dlg, "setBtn");
    QCOMPARE(WaitLine(log), Text("IDCS_IP_CONFIG_SUCCESS"));
    const auto s = r.model().settings();
    QCOMPARE(s.ip, (std::array<uint8_t, 4>{{10, 1, 2, 3}}));
    QCOMPARE(s.gateway, (std::array<uint8_t, 4>{{10, 1, 2, 254}}));
}

void ConfigGjbSettingsTest::ipRefusals_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("key");
    QTest::newRow("octet 256") << QStringList{"192.168.1.256", "255.255.255.0", "192.168.1.1"}
                               << "IDCS_IPADDR_INVAID";
    QTest::newRow("short mask") << QStringList{"192.168.1.2", "255.255", "192.168.1.1"}
                                << "IDCS_SUBMASK_INVAID";
}

void ConfigGjbSettingsTest::ipRefusals()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, key);
    GjbSimReader r;
    QVERIFY(r.ok());
    const auto before = r.model().settings();
    IpSetDlg dlg;
    LogCapture log;
    dlg.findChild<QLineEdit*>("ipEdit")->setText(texts[0]);
    dlg.findChild<QLineEdit*>("maskEdit")->setText(texts[1]);
    dlg.findChild<QLineEdit*>("gatewayEdit")->setText(texts[2]);
    Click(&dlg, "setBtn");
    QCOMPARE(log.texts(), QStringList{Text(qPrintable(key))});
    QCOMPARE(log.lines().first().second, false);
    QTest::qWait(50);
    QCOMPARE(r.model().settings().ip, before.ip);
    QCOMPARE(r.model().settings().mask, before.mask);
}

void ConfigGjbSettingsTest::refusedSetLogsError()
{
    GjbSimReader r;
    QVERIFY(r.ok());
    r.model().refuse(wire::gjb::cmd::SettingsSet, -1, 0x11);
    RfSetDlg dlg;
    LogCapture log;
    Click(&dlg, "setBtn");
    QTRY_COMPARE(log.count(), 1);
    QCOMPARE(log.lines().first(), qMakePair(Text("IDCS_RF_SET_FAILED"), true));
    QCOMPARE(log.lastCode(), 0x11);
}

void ConfigGjbSettingsTest::withoutReader()
{
    GjbSimReader r(false);
    QVERIFY(r.ok());
    ModulateDepthDlg dlg;
    LogCapture log;
    Click(&dlg, "setBtn");
    Click(&dlg, "qurBtn");
    QCOMPARE(log.texts(), (QStringList{Text("IDCS_READ_NO_LINK"), Text("IDCS_READ_NO_LINK")}));
}

QTEST_MAIN(ConfigGjbSettingsTest)
#include "tst_configgjb_settings.moc"
