// The firmware dialog: what it refuses, what it refuses while busy, and an update that goes all the way
// from the menu to the restarted reader and the disconnected panel.
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "SimReader.h"
#include "core/app/AppContext.h"
#include "core/firmware/FirmWareUpdateFor6CThread.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/firmware/FirmWareUpdateFor6CDlg.h"

#include <readersim/tftp_server.h>

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QUdpSocket>
#include <QtTest>

using namespace guitest;

namespace {
template <typename T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QString WriteFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath("image.elf");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QAction* FirmwareItem(MainWindow& window)
{
    for (QAction* menu : window.menuBar()->actions()) {
        if (menu->menu() && menu->menu()->objectName() == "sys6cMenu") {
            for (QAction* action : menu->menu()->actions()) {
                if (action->objectName() == "sys6cFirmWareUpdate") {
                    return action;
                }
            }
        }
    }
    return nullptr;
}
} // namespace

class TstGuiFirmware : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void refusalsAndChoices();
    void busyRefusesStartQuitAndClose();
    void updateFromTheMenuRestartsTheReader();
};

void TstGuiFirmware::refusalsAndChoices()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    LogCapture log;
    {
        FirmWareUpdateFor6CDlg dialog;
        auto* start = Child<QPushButton>(&dialog, "updateBtn");
        start->click();
        QCOMPARE(log.texts(), QStringList{Text("IDCS_PLEASE_SELECT_FILE")});
        QVERIFY(dialog.worker()->IsIdle() && !dialog.worker()->isRunning());

        QString answer = QStringLiteral("/tmp/chosen.bin");
        FirmWareUpdateFor6CDlg::SetOpenFileAsker(
            [&](QWidget*, const QString&, const QString&, const QString&) { return answer; });
        Child<QPushButton>(&dialog, "browseBtn")->click();
        answer.clear(); // cancelled: the path stays
        Child<QPushButton>(&dialog, "browseBtn")->click();
        QCOMPARE(Child<QLineEdit>(&dialog, "pathEdit")->text(), QStringLiteral("/tmp/chosen.bin"));
        FirmWareUpdateFor6CDlg::SetOpenFileAsker({});
    }
    dir.stopApp();
}

void TstGuiFirmware::busyRefusesStartQuitAndClose()
{
    SimReader reader(5, 10);
    QVERIFY(reader.ok());
    // A TFTP port where nothing answers keeps the transfer waiting for its time-out.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    reader.app.setSysValue("FIRMWARE/TFTP_PORT", QString::number(silent.localPort()));
    QTemporaryDir files;
    LogCapture log;
    {
        FirmWareUpdateFor6CDlg dialog;
        dialog.show();
        Child<QLineEdit>(&dialog, "pathEdit")
            ->setText(WriteFile(files, QByteArray::fromHex("7F454C46") + "..."));
        auto* start = Child<QPushButton>(&dialog, "updateBtn");
        start->click();
        QVERIFY(!dialog.worker()->IsIdle());
        const QString wait = Text("IDCS_UPDATEING_WAIT");
        start->click();
        Child<QPushButton>(&dialog, "quitBtn")->click();
        QVERIFY(!dialog.close());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(log.texts(), (QStringList{wait, wait, wait, wait}));
        QVERIFY(dialog.isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(dialog.worker()->IsIdle(), 15000);
        QTRY_VERIFY(log.containsError(Text("IDCS_FIRMWARE_UPDATE_FAILED")));
        QVERIFY(log.texts().contains(Text("IDCS_RECV_FAILED")));
        QCOMPARE(Child<QProgressBar>(&dialog, "progressBar")->value(), 0);
        QCOMPARE(reader.sim->model().rebootCount(), 0);
        Child<QPushButton>(&dialog, "quitBtn")->click();
        QVERIFY(dialog.isHidden());
    }
}

void TstGuiFirmware::updateFromTheMenuRestartsTheReader()
{
    SimReader reader(5, 10);
    QVERIFY(reader.ok());
    readersim::TftpServer tftp;
    QVERIFY(tftp.start());
    reader.sim->model().setUpdateCheck(
        [&tftp](const readersim::UpdateRequest& u) { return tftp.checkUpdate(u); });
    reader.app.setSysValue("FIRMWARE/TFTP_PORT", QString::number(tftp.port()));
    QTemporaryDir files;
    const QByteArray image = QByteArray::fromHex("7F454C46") + QByteArray(30000, 'x');
    const QString path = WriteFile(files, image);
    LogCapture log;
    {
        MainWindow window;
        window.show();
        auto* dialog = window.findChild<FirmWareUpdateFor6CDlg*>();
        QAction* item = FirmwareItem(window);
        QVERIFY(item && dialog);

        // Over UDP the transfer has no TCP link to take the address from: refused.
        SimReader::driver()->SetUdpParam(QStringLiteral("127.0.0.1"), 1);
        item->trigger();
        QCOMPARE(log.last(), Text("IDCS_FIRMWARE_UPDATE_NEED_NET"));
        QVERIFY(dialog->isHidden());
        SimReader::driver()->SetTcpParam(QStringLiteral("127.0.0.1"), reader.sim->tcpPort());
        AppContext::Instance()->NotifyReaderState(ReaderDllBase::StateConnected);

        item->trigger();
        QVERIFY(dialog->isVisible() && dialog->isModal());
        auto* bar = Child<QProgressBar>(dialog, "progressBar");
        QList<int> shown;
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) { shown << v; });
        Child<QLineEdit>(dialog, "pathEdit")->setText(path);
        Child<QPushButton>(dialog, "updateBtn")->click();

        QTRY_VERIFY_WITH_TIMEOUT(log.contains(Text("IDCS_FIRMWARE_UPDATE_SUCCESS")), 15000);
        QTRY_VERIFY(dialog->isHidden());
        QCOMPARE(shown.first(), 10);
        QCOMPARE(shown.last(), 100);
        QVERIFY(shown.contains(50));
        // The reader restarts: the panel is told to disconnect.
        QTRY_COMPARE(reader.sim->model().rebootCount(), 1);
        QTRY_VERIFY(SimReader::driver()->IsState(ReaderDllBase::StateDisconnected));
        QTRY_VERIFY(Child<QPushButton>(&window, "connetBtn")->isEnabled());
        QVERIFY(log.contains(Text("IDCS_DISCONNET_SUCCESS")));
        std::vector<uint8_t> arrived;
        QVERIFY(tftp.file("image.elf", &arrived));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(arrived.data()), static_cast<int>(arrived.size())),
                 image);
    }
    reader.sim->model().setUpdateCheck(nullptr);
}

QTEST_MAIN(TstGuiFirmware)
#include "tst_gui_firmware.moc"
