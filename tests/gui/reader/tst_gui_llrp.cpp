// The window on an LLRP reader: the connection panel reaches readersim's LLRP endpoint, the 6C
// inventory page lists its tags, and a call the LLRP handle cannot make is named as such in the log.
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/reader/ReaderErrors.h"
#include "gui/app/RunRivulet.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ConnetDlg.h"

#include <readersim/launch.h>
#include <readersim/llrp_server.h>
#include <readersim/model.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTreeView>
#include <QtTest>

#include <set>

using namespace guitest;

namespace {
const QString kProfile = QStringLiteral("6C-DEBUG.ini");

template <typename T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QString Hex(const std::vector<uint8_t>& bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())).toHex().toUpper());
}
} // namespace

class TstGuiLlrp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitRivuletResources();
        Beeper::SetTestMode(true);
    }
    void inventoryOverLlrp();
};

void TstGuiLlrp::inventoryOverLlrp()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    readersim::ReaderModel model(11, 7);
    readersim::LlrpOptions options;
    options.rate = 1000;
    readersim::LlrpServer server(model, options);
    std::string error;
    QVERIFY2(server.start(&error), error.c_str());

    ConnetDlg panel;
    auto* types = Child<QComboBox>(&panel, "connetTypeCb");
    types->setCurrentIndex(types->findText(QStringLiteral("LLRP")));
    QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), int(ReaderDllBase::ConnectLlrp));
    QCOMPARE(Child<QLineEdit>(&panel, "llrpPortEdit")->text(), QStringLiteral("5084"));
    Child<QComboBox>(&panel, "llrpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "llrpPortEdit")->setText(QString::number(server.port()));
    LogCapture log;
    QTest::mouseClick(Child<QPushButton>(&panel, "connetBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!Reader()->IsBusy(), 20000);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_SUCCESS")});
    QCOMPARE(Reader()->GetConnectParam().connectType, int(ReaderDllBase::ConnectLlrp));
    QCOMPARE(server.clients(), 1);
    {
        QSettings ini(dir.profilePath(kProfile), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("ConnetDlg/CONNET_TYPE")).toString(), QStringLiteral("4"));
        QCOMPARE(ini.value(QStringLiteral("ConnetDlg/LLRP_PORT")).toString(), QString::number(server.port()));
    }

    ReadCardFor6CDlg page;
    page.show();
    auto* readType = Child<QComboBox>(&page, "readTypeCombo");
    auto* readBtn = Child<QPushButton>(&page, "readBtn");
    auto* tree = Child<QTreeView>(&page, "tagTree");
    Child<QComboBox>(&page, "antennaCombo")->setCurrentIndex(0);
    const auto rssiShown = [tree] {
        return !tree->isColumnHidden(TagListModel::ColRssi) &&
               !tree->isColumnHidden(TagListModel::ColBestRssi);
    };
    QVERIFY(!rssiShown());

    // EPC and TID together: each row carries the tag's own TID.
    readType->setCurrentIndex(2);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateReading));
    QTRY_COMPARE_WITH_TIMEOUT(page.model()->rowCount(), 7, 20000);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateConnected));
    std::set<std::pair<QString, QString>> tagIds;
    for (const readersim::Tag& t : model.tags()) {
        tagIds.insert({Hex(t.epc), Hex(t.tid)});
    }
    std::set<std::pair<QString, QString>> shownIds;
    for (int row = 0; row < page.model()->rowCount(); ++row) {
        shownIds.insert(
            {page.model()->text(row, TagListModel::ColEpc), page.model()->text(row, TagListModel::ColTid)});
    }
    QVERIFY(shownIds == tagIds);

    readType->setCurrentIndex(0);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateReading));
    QTRY_COMPARE_WITH_TIMEOUT(page.model()->rowCount(), 7, 20000);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateConnected));
    page.slot_refresh_time();
    QVERIFY(rssiShown());

    std::set<QString> expected;
    for (const readersim::Tag& t : model.tags()) {
        expected.insert(Hex(t.epc));
    }
    std::set<QString> shown;
    for (int row = 0; row < page.model()->rowCount(); ++row) {
        shown.insert(page.model()->text(row, TagListModel::ColEpc));
        QVERIFY(page.model()->text(row, TagListModel::ColTid).isEmpty());
        // Every LLRP report carries a PeakRSSI: each tag has both values, in a range a reader hears.
        bool lastOk = false;
        bool bestOk = false;
        const int last = page.model()->text(row, TagListModel::ColRssi).toInt(&lastOk);
        const int best = page.model()->text(row, TagListModel::ColBestRssi).toInt(&bestOk);
        QVERIFY2(lastOk && bestOk && last >= -100 && last <= -20 && best >= last && best <= -20,
                 qPrintable(QStringLiteral("%1 / %2").arg(last).arg(best)));
    }
    QVERIFY(shown == expected);

    panel.slot_disConnetBtnClicked();
    QTRY_COMPARE(server.clients(), 0);

    // A 6C-protocol reader next: its reports carry no signal strength, so the columns go again.
    readersim::Options sixC;
    sixC.tags = 5;
    sixC.rate = 1000;
    auto sim = readersim::startInProcess(sixC);
    QVERIFY(sim);
    Reader()->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
    QVERIFY(Reader()->OpenReader());
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateReading));
    QVERIFY(!rssiShown());
    QTRY_COMPARE_WITH_TIMEOUT(page.model()->rowCount(), 5, 20000);
    QTest::mouseClick(readBtn, Qt::LeftButton);
    QVERIFY(!rssiShown());
    QVERIFY(page.model()->text(0, TagListModel::ColRssi).isEmpty());
    Reader()->CloseReader();
}

QTEST_MAIN(TstGuiLlrp)
#include "tst_gui_llrp.moc"
