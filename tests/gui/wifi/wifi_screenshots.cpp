// Renders the Wi-Fi dialogs to PNG files for the user guide, connected over a pseudo-terminal to a
// simulated reader with a Wi-Fi module, so they show the module's values and networks.
//   wifi_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "GuiTestUtil.h"
#include "ScreenshotTool.h"
#include "TempAppDir.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/wifi/WIFIConfigFor6CDLg.h"
#include "gui/wifi/WifiSelectDlg.h"

#include <readersim/simulator.h>
#include <readersim/wifi_module.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    QString out;
    QStringList languages;
    if (!ParseScreenshotArgs("wifi_screenshots", &out, &languages)) {
        return 2;
    }

    readersim::Options options;
    options.tags = 1;
    options.pty = true;
    options.heartbeatMs = 0;
    readersim::Simulator sim(options);
    sim.fitModule(std::make_unique<readersim::WifiModule>());
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return 1;
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
        dir.setSysValue(QStringLiteral("6CCONIFG/AttachFunction"), QStringLiteral("WIFI"));
        dir.startApp();
        ApplyLook(app);
        {
            MainWindow window;
            window.show();
            allOk &= QTest::qWaitForWindowExposed(&window);
            ReaderDllBase* reader = guitest::Reader();
            reader->SetComParam(QString::fromStdString(sim.ptyPath()), 115200);
            if (!reader->OpenReader()) {
                std::fprintf(stderr, "cannot open %s\n", sim.ptyPath().c_str());
                return 1;
            }
            reader->SetState(ReaderDllBase::StateConnected);

            auto* dialog = window.findChild<WIFIConfigFor6CDLg*>();
            QAction* action = window.findChild<QAction*>(QStringLiteral("WIFIConfigFor6C"));
            if (!dialog || !action) {
                std::printf("FAILED WIFIConfigFor6CDLg: not in this build\n");
                return 1;
            }
            action->trigger();
            dialog->findChild<QPushButton*>(QStringLiteral("linkStateBtn"))->click();
            allOk &= dialog->isVisible() &&
                     Save(dialog, QStringLiteral("%1/wifi-config-%2.png").arg(out, language));

            WifiSelectDlg* select = dialog->selectDlg();
            select->show();
            select->findChild<QPushButton*>(QStringLiteral("scanBtn"))->click();
            auto* tree = select->findChild<QTreeWidget*>(QStringLiteral("wifiTree"));
            tree->setCurrentItem(tree->topLevelItem(0));
            allOk &= Save(select, QStringLiteral("%1/wifi-select-%2.png").arg(out, language));
            select->hide();
            dialog->close();
            reader->CloseReader();
            reader->SetState(ReaderDllBase::StateDisconnected);
        }
        dir.stopApp();
    }
    return allOk ? 0 : 1;
}
