// Renders the wireless receive window with simulated readers, its dialogs and the device pages to PNG
// files for the user guide.
//   wireless_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "FreePort.h"
#include "ScreenshotTool.h"
#include "TempAppDir.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/wireless/AddClientDlg.h"
#include "gui/wireless/WirelessAdvancedDlg.h"
#include "gui/wireless/WirelessDeviceInfoDlg.h"
#include "gui/wireless/WirelessRecvDlg.h"
#include "gui/wireless/WirelessTcpServerConfigDlg.h"

#include <readersim/wireless.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Shows a dialog as it would be run, for its picture.
bool Shoot(QDialog* dialog, const QString& path)
{
    dialog->show();
    const bool ok = Save(dialog, path);
    dialog->hide();
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    QString out;
    QStringList languages;
    if (!ParseScreenshotArgs("wireless_screenshots", &out, &languages)) {
        return 2;
    }

    bool allOk = true;
    for (const QString& language : languages) {
        TempAppDir dir;
        if (!dir.isValid()) {
            std::fprintf(stderr, "RIVULET_DATA_DIR is not set or not readable\n");
            return 1;
        }
        {
            QSettings index(dir.filePath(QStringLiteral("language/LanguageIndex.ini")), QSettings::IniFormat);
            index.setValue(QStringLiteral("info/languagesSel"), language);
        }
        const int port = FreeLoopbackPort();
        dir.setSysValue(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), QStringLiteral("WIRELESS"));
        dir.setProfileValue(QStringLiteral("WIRELESS-DEBUG.ini"),
                            QStringLiteral("WirelessAdvancedDlg/TCP_SERVER_PORT"), QString::number(port));
        dir.startApp();
        ApplyLook(app);
        {
            MainWindow window;
            window.resize(1100, 720);
            window.show();
            allOk &= QTest::qWaitForWindowExposed(&window);
            auto* page = window.findChild<WirelessRecvDlg*>();
            if (!page) {
                std::printf("FAILED WirelessRecvDlg: not in this build\n");
                return 1;
            }
            window.workArea()->tabWidget()->setCurrentWidget(page);
            allOk &= Shoot(page->serverConfigDlg(),
                           QStringLiteral("%1/wireless-server-%2.png").arg(out, language));
            allOk &=
                Shoot(page->advancedDlg(), QStringLiteral("%1/wireless-advanced-%2.png").arg(out, language));
            allOk &= Shoot(page->addClientDlg(),
                           QStringLiteral("%1/wireless-add-reader-%2.png").arg(out, language));

            WirelessRecvDlg::SetDialogRunner([](QDialog*) { return int(QDialog::Accepted); });
            page->slot_start();
            page->slot_ServerListenBtnStartClicked();
            readersim::Options o;
            o.wireless = true;
            o.wirelessPort = port;
            o.tags = 3;
            o.rate = 20;
            readersim::WirelessReaders readers(o, 20);
            std::string error;
            if (!readers.start(&error)) {
                std::fprintf(stderr, "readersim: %s\n", error.c_str());
                return 1;
            }
            QElapsedTimer waited;
            waited.start();
            while (page->tree()->topLevelItemCount() < 20 && waited.elapsed() < 10000) {
                Settle(50);
            }
            Settle(1500);
            page->tree()->collapseAll();
            for (int i = 0; i < 3; ++i) {
                page->tree()->topLevelItem(i)->setExpanded(true);
            }
            allOk &= Save(&window, QStringLiteral("%1/wireless-recv-%2.png").arg(out, language));

            WirelessDeviceInfoDlg* device = page->deviceDlg();
            device->SetReader(static_cast<quintptr>(
                page->tree()->topLevelItem(0)->data(1, WirelessRecvDlg::DataRole).toULongLong()));
            device->show();
            const char* const pages[] = {"device-info", "radio", "reading", "io"};
            const QStringList queries[] = {
                {QStringLiteral("queryBtn"), QStringLiteral("queryTimeBtn")},
                {QStringLiteral("qurAntennaBtn"), QStringLiteral("qurPointBtn"),
                 QStringLiteral("queryReadAntennaBtn")},
                {QStringLiteral("flashQueryBtn"), QStringLiteral("filterQueryBtn"),
                 QStringLiteral("readSpaceQueryBtn"), QStringLiteral("workModeQueryBtn"),
                 QStringLiteral("connetValueQueryBtn")},
                {QStringLiteral("ctrlQueryBtn")},
            };
            auto* tabs = device->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
            for (int i = 0; i < 4; ++i) {
                tabs->setCurrentIndex(i);
                for (const QString& button : queries[i]) {
                    if (auto* b = tabs->widget(i)->findChild<QPushButton*>(button)) {
                        b->click();
                    }
                }
                allOk &=
                    Save(device,
                         QStringLiteral("%1/wireless-%2-%3.png").arg(out, QLatin1String(pages[i]), language));
            }
            device->hide();
            page->slot_stop();
            WirelessRecvDlg::SetDialogRunner(nullptr);
        }
        dir.stopApp();
    }
    return allOk ? 0 : 1;
}
