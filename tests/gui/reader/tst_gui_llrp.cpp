// The window on an LLRP reader: the connection panel reaches readersim's LLRP endpoint, the 6C
// inventory page lists its tags with their signal strength, and the tag operation pages read and
// write the tag the select names.
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/reader/ReaderErrors.h"
#include "gui/app/RunRivulet.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ConnetDlg.h"
#include "gui/tagops/TagOpFor6CDlg.h"

#include <readersim/launch.h>
#include <readersim/llrp_server.h>
#include <readersim/model.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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

// Connects the panel to the LLRP endpoint as an operator would.
void ConnectOverLlrp(ConnetDlg& panel, const readersim::LlrpServer& server)
{
    auto* types = Child<QComboBox>(&panel, "connetTypeCb");
    types->setCurrentIndex(types->findText(QStringLiteral("LLRP")));
    QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), int(ReaderDllBase::ConnectLlrp));
    QCOMPARE(Child<QLineEdit>(&panel, "llrpPortEdit")->text(), QStringLiteral("5084"));
    Child<QComboBox>(&panel, "llrpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "llrpPortEdit")->setText(QString::number(server.port()));
    QTest::mouseClick(Child<QPushButton>(&panel, "connetBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!Reader()->IsBusy(), 20000);
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
    void tagOperationsOverLlrp();
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
    LogCapture log;
    ConnectOverLlrp(panel, server);
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

void TstGuiLlrp::tagOperationsOverLlrp()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    readersim::ReaderModel model(3, 4);
    readersim::LlrpOptions options;
    options.rate = 1000;
    readersim::LlrpServer server(model, options);
    std::string error;
    QVERIFY2(server.start(&error), error.c_str());
    ConnetDlg panel;
    ConnectOverLlrp(panel, server);
    QCOMPARE(Reader()->GetConnectParam().connectType, int(ReaderDllBase::ConnectLlrp));

    LogCapture log;
    TagOpFor6CDlg ops;
    ops.show();
    const auto settle = [] { QTRY_VERIFY_WITH_TIMEOUT(!Reader()->IsBusy(), 20000); };
    // The operations act on the tag the select names: tag 2 of four.
    const readersim::Tag tag = model.tag(2);
    QVERIFY(ops.selectTag(0, 0, int(tag.epc.size()), Hex(tag.epc)));
    settle();
    QWidget* user = ops.page(1);
    user->findChild<QRadioButton*>("writeRb")->click();
    user->findChild<QLineEdit*>("startEdit")->setText("1");
    user->findChild<QLineEdit*>("lenEdit")->setText("2");
    user->findChild<QPlainTextEdit*>("dataEdit")->setPlainText("CA FE F0 0D");
    QTest::mouseClick(user->findChild<QPushButton*>("actionBtn"), Qt::LeftButton);
    settle();
    QCOMPARE(log.last(), Text("IDCS_TAG_WRITE_USER_SUCCESS") + Text("IDCS_READ_TAG_LEN").arg(2));
    for (size_t i = 0; i < model.tagCount(); ++i) {
        const std::vector<uint8_t> u = model.tag(i).user;
        QCOMPARE(Hex(std::vector<uint8_t>(u.begin() + 2, u.begin() + 6)) == QStringLiteral("CAFEF00D"),
                 i == 2);
    }

    user->findChild<QRadioButton*>("readRb")->click();
    user->findChild<QPlainTextEdit*>("dataEdit")->clear();
    QTest::mouseClick(user->findChild<QPushButton*>("actionBtn"), Qt::LeftButton);
    settle();
    QCOMPARE(log.last(), Text("IDCS_TAG_READ_USER_SUCCESS") + Text("IDCS_READ_TAG_LEN").arg(2));
    QCOMPARE(user->findChild<QPlainTextEdit*>("dataEdit")->toPlainText(), QStringLiteral("CA FE F0 0D"));
    // Nothing the operations put on the reader stays there.
    QTRY_COMPARE(server.specsHeld(), size_t(0));
    panel.slot_disConnetBtnClicked();
    QTRY_COMPARE(server.clients(), 0);
}

QTEST_MAIN(TstGuiLlrp)
#include "tst_gui_llrp.moc"
