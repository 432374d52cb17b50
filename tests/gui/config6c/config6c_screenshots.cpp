// Renders the 6C reader configuration dialogs and page to PNG files for the user guide, connected to
// a simulated reader so they show real values.
//   config6c_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "GuiTestUtil.h"
#include "ScreenshotTool.h"
#include "TempAppDir.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/reader/ConnetDlg.h"

#include <readersim/launch.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {
struct Shot
{
    const char* action;
    const char* dialog;
    const char* file;
    QStringList clicks; // buttons pressed before the picture, so it shows what the reader holds
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    QString out;
    QStringList languages;
    if (!ParseScreenshotArgs("config6c_screenshots", &out, &languages)) {
        return 2;
    }

    readersim::Options options;
    options.tags = 24;
    options.rate = 0;
    std::string error;
    auto started = readersim::startInProcess(options, &error);
    if (!started) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return 1;
    }
    readersim::Simulator& sim = *started;
    // A read-triggered buzzer, some frequency points, a GPRS account: pictures with content.
    sim.model().setReadingIo(0x03);
    sim.model().rfSet(0, {0, 2, 4, 6, 9, 12, 15});
    std::vector<uint8_t> account(64, 0);
    std::copy_n("rivulet", 7, account.begin());
    sim.model().parmWrite(123, account);

    const QList<Shot> shots = {
        {"ParamConfigFor6C", "ParamConfigFor6CDlg", "config-parameters", {"queryBtn"}},
        {"sys6cReaderVer", "ReaderInfoFor6CDlg", "config-reader-info", {}},
        {"readerTimerSet", "ReaderTimeSetDlg", "config-clock", {}},
        {"netConfigFor6C", "NetConfigFor6CDlg", "config-network", {}},
        {"comConfigFor6C", "ComConfigDlg", "config-serial", {}},
        {"busConfigFor6C", "BusAddrConfigDlg", "config-bus", {}},
        {"gprsConfig", "GprsConfigDlg", "config-gprs", {}},
        {"ioconfig", "IoConfigFor6CDlg", "config-io", {"queryInBtn", "ctrlQueryBtn"}},
        {"flashConfigFor6C", "FlashConfigFor6CDlg", "config-tag-store", {"queryBtn"}},
        {"filter", "FiltrateTagFor6CDlg", "config-filter", {}},
        {"qValue", "QValueDlg", "config-q", {}},
        {"CarrierWaveFor6C", "CarrierWaveFor6CDlg", "config-carrier", {}},
    };

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
        dir.setSysValue(QStringLiteral("6CCONIFG/AttachFunction"), QStringLiteral("GPRS"));
        dir.startApp();
        ApplyLook(app);
        {
            MainWindow window;
            window.show();
            allOk &= QTest::qWaitForWindowExposed(&window);
            ConnetDlg* panel = window.connetDlg();
            panel->findChild<QComboBox*>(QStringLiteral("tcpAddrCb"))
                ->setEditText(QStringLiteral("127.0.0.1"));
            panel->findChild<QLineEdit*>(QStringLiteral("tcpPortEdit"))
                ->setText(QString::number(sim.tcpPort()));
            panel->findChild<QPushButton*>(QStringLiteral("connetBtn"))->click();
            Settle(200);

            QTabWidget* tabs = window.workArea()->tabWidget();
            tabs->setCurrentIndex(2);
            allOk &= Save(&window, QStringLiteral("%1/config-antennas-%2.png").arg(out, language));
            tabs->setCurrentIndex(0);

            for (const Shot& shot : shots) {
                QAction* action = window.findChild<QAction*>(QLatin1String(shot.action));
                QDialog* dialog = window.findChild<QDialog*>(QLatin1String(shot.dialog));
                if (!action || !dialog) {
                    std::printf("FAILED %s: not in this build\n", shot.dialog);
                    allOk = false;
                    continue;
                }
                action->trigger();
                for (const QString& button : shot.clicks) {
                    dialog->findChild<QPushButton*>(button)->click();
                }
                allOk &=
                    dialog->isVisible() &&
                    Save(dialog, QStringLiteral("%1/%2-%3.png").arg(out, QLatin1String(shot.file), language));
                dialog->hide();
            }
            // The raw access dialog, opened from the parameter table, after a read.
            if (auto* params = window.findChild<QDialog*>(QStringLiteral("ParamConfigFor6CDlg"))) {
                window.findChild<QAction*>(QStringLiteral("ParamConfigFor6C"))->trigger();
                params->findChild<QPushButton*>(QStringLiteral("paramRwBtn"))->click();
                auto* raw = params->findChild<QDialog*>(QStringLiteral("ParamAdd6CDlg"));
                raw->findChild<QLineEdit*>(QStringLiteral("startEdit"))->setText(QStringLiteral("159"));
                raw->findChild<QLineEdit*>(QStringLiteral("lenEdit"))->setText(QStringLiteral("3"));
                raw->findChild<QPushButton*>(QStringLiteral("readBtn"))->click();
                allOk &= Save(raw, QStringLiteral("%1/config-raw-parameters-%2.png").arg(out, language));
                raw->hide();
                params->hide();
            }
            panel->slot_disConnetBtnClicked();
            Settle(100);
        }
        dir.stopApp();
    }
    return allOk ? 0 : 1;
}
