// The connection panel with the GJB product series: the reader's clock is set after a connect, and
// the media the GJB library lacks fail without a call.
#include "GjbSimReader.h"
#include "LogCapture.h"
#include "core/app/LanguageText.h"
#include "gui/app/RunRivulet.h"
#include "gui/reader/ConnetDlg.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <wire/messages_gjb.h>

namespace {

QString L(const char* key)
{
    return LangText(key);
}

void Connect(ConnetDlg& panel, const QString& medium, int port)
{
    auto* types = panel.findChild<QComboBox*>("connetTypeCb");
    types->setCurrentIndex(types->findText(medium));
    const bool udp = medium == QStringLiteral("UDP");
    panel.findChild<QComboBox*>(udp ? "udpAddrCb" : "tcpAddrCb")->setEditText("127.0.0.1");
    panel.findChild<QLineEdit*>(udp ? "udpPortEdit" : "tcpPortEdit")->setText(QString::number(port));
    QTest::mouseClick(panel.findChild<QPushButton*>("connetBtn"), Qt::LeftButton);
    // The open runs off the window's thread; wait for its answer.
    QElapsedTimer t;
    t.start();
    while (GjbSimReader::driver()->IsBusy() && t.elapsed() < 20000) {
        QTest::qWait(5);
    }
}

} // namespace

class TstGuiConnetGjb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }

    void clockStepAfterConnect_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("set") << false;
        QTest::newRow("refused") << true;
    }
    void clockStepAfterConnect()
    {
        QFETCH(bool, refused);
        GjbSimReader r(false);
        QVERIFY(r.ok());
        if (refused) {
            r.model().refuse(wire::gjb::cmd::SysTimeSet, -1, wire::status::BadParameter);
        }
        ConnetDlg panel;
        LogCapture log;
        const QDateTime before = QDateTime::currentDateTime();
        Connect(panel, "TCP", r.sim->tcpPort());
        const QDateTime after = QDateTime::currentDateTime();
        r.connected = r.driver()->IsState(2);
        QVERIFY(r.connected);
        const QString clockLine = L(refused ? "IDCS_UPDATE_TIME_FAILED" : "IDCS_UPDATE_TIME_SUCCESS");
        QCOMPARE(log.lines(),
                 (QList<QPair<QString, bool>>{{L("IDCS_CONNET_SUCCESS"), false}, {clockLine, refused}}));
        if (refused) {
            return;
        }
        // The computer's local time, as the reader got it.
        const QDateTime sent = QDateTime::fromString(QString::fromStdString(r.model().lastSysTime()),
                                                     QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(sent.isValid());
        QVERIFY(sent >= before.addMSecs(-before.time().msec()) && sent <= after);
        QCOMPARE(r.model().clockSetCount(), 1);
    }

    void mediaWithoutALibraryCallFail_data()
    {
        QTest::addColumn<QString>("medium");
        QTest::newRow("udp") << "UDP";
        QTest::newRow("usb") << "USB";
    }
    void mediaWithoutALibraryCallFail()
    {
        QFETCH(QString, medium);
        GjbSimReader r(false, [](TempAppDir& app) {
            app.setProfileValue(GjbSimReader::kProfile, "ConnetDlg/UDP_TYPE", "1");
            app.setProfileValue(GjbSimReader::kProfile, "ConnetDlg/USB_TYPE", "1");
        });
        QVERIFY(r.ok());
        ConnetDlg panel;
        LogCapture log;
        Connect(panel, medium, r.sim->tcpPort());
        QCOMPARE(log.texts(), QStringList{L("IDCS_CONNET_FAILED")});
        QCOMPARE(r.driver()->GetState(), 0);
        QCOMPARE(r.driver()->GetHandle(), intptr_t(0));
        QCOMPARE(r.model().clockSetCount(), 0);
    }
};

QTEST_MAIN(TstGuiConnetGjb)
#include "tst_gui_connet_gjb.moc"
