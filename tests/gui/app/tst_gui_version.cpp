// The firmware version dialog against a simulated GJB reader, and its item in the help menu.
#include "GjbSimReader.h"
#include "LogCapture.h"
#include "core/app/LanguageText.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/VersionDlg.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include <wire/messages_gjb.h>

namespace {

QString L(const char* key)
{
    return LangText(key);
}

QLabel* Value(VersionDlg& d, const char* name)
{
    return d.findChild<QLabel*>(QString::fromLatin1(name));
}

// The profile's four row switches, in the order McuVer, FpgaVer, RFVer, LinuxVer.
std::function<void(TempAppDir&)> Rows(const QString& bits)
{
    return [bits](TempAppDir& app) {
        const char* flags[] = {"McuVer", "FpgaVer", "RFVer", "LinuxVer"};
        for (int i = 0; i < 4; ++i) {
            app.setProfileValue(GjbSimReader::kProfile, QStringLiteral("VersionDlg/") + flags[i],
                                bits.mid(i, 1));
        }
    };
}

std::string Info(GjbSimReader& r, uint8_t what)
{
    std::string text;
    r.model().info(what, &text);
    return text;
}

} // namespace

class TstGuiVersion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }

    void rowsAndLogLinesFollowTheProfile_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("logged");
        QTest::newRow("all") << "1111"
                             << QStringList{"IDCS_F_VER_QUERY_SUCCESS", "IDCS_M_VER_QUERY_SUCCESS",
                                            "IDCS_F_VER_QUERY_SUCCESS", "IDCS_R_VER_QUERY_SUCCESS"};
        // Linux has no keys of its own.
        QTest::newRow("linux only") << "0001" << QStringList{"IDCS_F_VER_QUERY_SUCCESS"};
        QTest::newRow("mcu and rf") << "1010"
                                    << QStringList{"IDCS_M_VER_QUERY_SUCCESS", "IDCS_R_VER_QUERY_SUCCESS"};
        QTest::newRow("none") << "0000" << QStringList{};
    }
    void rowsAndLogLinesFollowTheProfile()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, logged);
        GjbSimReader r(true, Rows(rows));
        QVERIFY(r.ok());
        LogCapture log;
        VersionDlg d;
        const char* values[] = {"mcuValue", "fpgaValue", "rfValue", "linuxValue"};
        const char* labels[] = {"mcuLabel", "fpgaLabel", "rfLabel", "linuxLabel"};
        d.show(); // connected: asks at once
        QStringList expected;
        for (const QString& key : logged) {
            expected << L(key.toLatin1().constData());
        }
        QCOMPARE(log.texts(), expected);
        const uint8_t what[] = {wire::gjb::info::Mcu, wire::gjb::info::Fpga, wire::gjb::info::Rf,
                                wire::gjb::info::Linux};
        for (int i = 0; i < 4; ++i) {
            const bool on = rows[i] == QLatin1Char('1');
            QCOMPARE(Value(d, values[i])->isVisible(), on);
            QCOMPARE(d.findChild<QLabel*>(labels[i])->isVisible(), on);
            QCOMPARE(Value(d, values[i])->text(), on ? QString::fromStdString(Info(r, what[i])) : QString());
        }
    }

    void failingMcuStopsTheChain()
    {
        GjbSimReader r;
        QVERIFY(r.ok());
        VersionDlg d;
        Value(d, "fpgaValue")->setText("earlier");
        Value(d, "rfValue")->setText("earlier");
        r.model().refuse(wire::gjb::cmd::Info, wire::gjb::info::Mcu, wire::status::BadParameter);
        LogCapture log;
        QTest::mouseClick(d.findChild<QPushButton*>("qurBtn"), Qt::LeftButton);
        QCOMPARE(log.lines(), (QList<QPair<QString, bool>>{{L("IDCS_F_VER_QUERY_SUCCESS"), false},
                                                           {L("IDCS_M_VER_QUERY_FAILED"), true}}));
        QCOMPARE(Value(d, "fpgaValue")->text(), QStringLiteral("earlier"));
        QCOMPARE(Value(d, "rfValue")->text(), QStringLiteral("earlier"));
        QCOMPARE(Value(d, "linuxValue")->text(), QString::fromStdString(Info(r, wire::gjb::info::Linux)));

        // An 8-byte version keeps its zero bytes: one character per byte.
        r.model().clearRefusals();
        r.model().setInfo(wire::gjb::info::Mcu, std::string("V1\0\0x", 5));
        d.slot_QurBtnClicked();
        QCOMPARE(Value(d, "mcuValue")->text(), QString::fromLatin1("V1\0\0x\0\0\0", 8));
    }

    void helpMenuItemNeedsALink()
    {
        GjbSimReader r(false);
        QVERIFY(r.ok());
        MainWindow window;
        QMenu* help = nullptr;
        for (QAction* a : window.menuBar()->actions()) {
            if (a->menu() && a->menu()->objectName() == QStringLiteral("helpMenu")) {
                help = a->menu();
            }
        }
        QVERIFY(help);
        QStringList items;
        for (QAction* a : help->actions()) {
            items << a->objectName();
        }
        QCOMPARE(items, (QStringList{"VersionCommonDlg", "VersionDlg", "HelpAc"}));
        QAction* item = help->actions().at(1);
        QCOMPARE(item->text(), L("IDCS_FIRMWARE_VERSION"));
        auto* dialog = window.findChild<VersionDlg*>();
        QVERIFY(dialog && dialog->isHidden());

        LogCapture log;
        item->trigger();
        QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
        QVERIFY(dialog->isHidden());

        QVERIFY(r.driver()->OpenReader());
        r.connected = true;
        log.clear();
        item->trigger();
        QVERIFY(dialog->isVisible());
        QCOMPARE(log.count(), 4);
        QCOMPARE(dialog->findChild<QLabel*>("mcuValue")->text(), QStringLiteral("M1.02.05"));
        dialog->hide();
    }
};

QTEST_MAIN(TstGuiVersion)
#include "tst_gui_version.moc"
