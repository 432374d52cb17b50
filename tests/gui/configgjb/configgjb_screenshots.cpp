// Renders the GJB configuration and test dialogs to PNG files for the user guide, connected to a
// simulated GJB reader so they show real values.
//   configgjb_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "GjbSimReader.h"
#include "ScreenshotTool.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/configgjb/ElectronRecordDlg.h"
#include "gui/configgjb/RepairRecordDlg.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSettings>

#include <cstdio>

namespace {
struct Shot
{
    const char* action;
    const char* dialog;
    const char* file;
    QStringList clicks; // buttons pressed before the picture
};

// The record pages run modally from their menu items, so they are shown here on their own.
bool SaveRecordPage(QDialog* page, const QString& path)
{
    page->show();
    page->findChild<QPushButton*>(QStringLiteral("queryBtn"))->click();
    Settle(400);
    return Save(page, path);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    QString out;
    QStringList languages;
    if (!ParseScreenshotArgs("configgjb_screenshots", &out, &languages)) {
        return 2;
    }
    const QList<Shot> shots = {
        {"ipSetAc", "IpSetDlg", "gjb-address", {"qurBtn"}},
        {"SensitivityTestDlg", "SensitivityTestDlg", "gjb-sensitivity", {}},
        {"DealTestDlg", "DealTestDlg", "gjb-air-test", {}},
        {"FilterSetDlg", "FilterSetDlg", "gjb-filter", {"qurBtn"}},
        {"InventoryModelDlg", "InventoryModelDlg", "gjb-inventory-mode", {"qurBtn"}},
        {"ModulateDepthDlg", "ModulateDepthDlg", "gjb-modulation", {"qurBtn"}},
        {"RfSetDlg", "RfSetDlg", "gjb-rf", {"qurBtn"}},
        {"SecrecyDlg", "SecrecyDlg", "gjb-secrecy", {"qurBtn"}},
    };
    bool allOk = true;
    for (const QString& language : languages) {
        GjbSimReader r(true, [&](TempAppDir& dir) {
            QSettings index(dir.filePath(QStringLiteral("language/LanguageIndex.ini")), QSettings::IniFormat);
            index.setValue(QStringLiteral("info/languagesSel"), language);
        });
        if (!r.ok()) {
            std::fprintf(stderr, "no simulated reader (is RIVULET_DATA_DIR set?)\n");
            return 1;
        }
        ApplyLook(app);
        MainWindow window;
        for (const Shot& shot : shots) {
            auto* dialog = window.findChild<QDialog*>(QLatin1String(shot.dialog));
            auto* action = window.findChild<QAction*>(QLatin1String(shot.action));
            if (!dialog || !action) {
                std::printf("FAILED %s: not in this build\n", shot.dialog);
                allOk = false;
                continue;
            }
            action->trigger();
            for (const QString& button : shot.clicks) {
                dialog->findChild<QPushButton*>(button)->click();
            }
            Settle(100);
            allOk &=
                dialog->isVisible() &&
                Save(dialog, QStringLiteral("%1/%2-%3.png").arg(out, QLatin1String(shot.file), language));
            dialog->hide();
        }
        RepairRecordDlg repair(&window);
        allOk &= SaveRecordPage(&repair, QStringLiteral("%1/gjb-repair-records-%2.png").arg(out, language));
        ElectronRecordDlg records(&window);
        allOk &=
            SaveRecordPage(&records, QStringLiteral("%1/gjb-electronic-records-%2.png").arg(out, language));
    }
    return allOk ? 0 : 1;
}
