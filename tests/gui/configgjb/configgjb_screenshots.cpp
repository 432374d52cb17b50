// Renders the GJB configuration and test dialogs to PNG files for the user guide, connected to a
// simulated GJB reader so they show real values.
//   configgjb_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "GjbSimReader.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {
struct Shot
{
    const char* action;
    const char* dialog;
    const char* file;
    QStringList clicks; // buttons pressed before the picture
};

void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: configgjb_screenshots OUTDIR [en|zh_CN ...]\n");
        return 2;
    }
    const QString out = args.at(1);
    QDir().mkpath(out);
    QStringList languages = args.mid(2);
    if (languages.isEmpty()) {
        languages = {QStringLiteral("en"), QStringLiteral("zh_CN")};
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
            Settle(250);
            const QString path = QStringLiteral("%1/%2-%3.png").arg(out, QLatin1String(shot.file), language);
            const bool ok = dialog->isVisible() && dialog->grab().save(path);
            std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
            allOk &= ok;
            dialog->hide();
        }
    }
    return allOk ? 0 : 1;
}
