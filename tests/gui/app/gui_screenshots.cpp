// Renders the main window and its dialogs to PNG files, for the user guide and the README.
//   gui_screenshots OUTDIR [en|zh_CN ...]
// Needs RIVULET_DATA_DIR (the repository's data/); runs offscreen or under xvfb-run.
#include "GjbSimReader.h"
#include "GuiTestUtil.h"
#include "ScreenshotTool.h"
#include "TempAppDir.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/SoftConfigDlg.h"
#include "gui/app/VersionCommonDlg.h"
#include "gui/app/VersionDlg.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/discovery/UdpGetInfoDlg.h"
#include "gui/firmware/FirmWareUpdateFor6CDlg.h"
#include "gui/gjb/ReadCardDlg.h"
#include "gui/gjb/ReaderConfig.h"
#include "gui/gjb/TagOpDlg.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ConnetDlg.h"

#include <readersim/discovery.h>
#include <readersim/llrp_server.h>
#include <readersim/model.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitRivuletResources();
    QString out;
    QStringList languages;
    if (!ParseScreenshotArgs("gui_screenshots", &out, &languages)) {
        return 2;
    }

    readersim::Options options;
    options.tags = 24;
    options.rate = 120;
    auto sim = readersim::startInProcess(options);
    // Readers for the discovery dialog to find, on loopback.
    readersim::DiscoveryOptions discoveryOptions;
    discoveryOptions.readers = 3;
    readersim::DiscoveryResponder readers(discoveryOptions);
    const bool readersUp = readers.start();
    // An LLRP reader, whose reports carry the signal strength the inventory then shows.
    readersim::ReaderModel llrpModel(11, 12);
    readersim::LlrpOptions llrpOptions;
    llrpOptions.rate = 120;
    readersim::LlrpServer llrp(llrpModel, llrpOptions);
    const bool llrpUp = llrp.start();
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
        if (readersUp) {
            dir.setSysValue(QStringLiteral("DISCOVERY/TARGET"),
                            QStringLiteral("127.0.0.1:%1").arg(readers.port()));
        }
        dir.startApp();
        ApplyLook(app);
        {
            MainWindow window;
            window.show();
            allOk &= QTest::qWaitForWindowExposed(&window);
            allOk &= Save(&window, QStringLiteral("%1/main-window-%2-idle.png").arg(out, language));

            if (sim && guitest::Has6CDriver()) {
                ConnetDlg* panel = window.connetDlg();
                panel->findChild<QComboBox*>(QStringLiteral("tcpAddrCb"))
                    ->setEditText(QStringLiteral("127.0.0.1"));
                panel->findChild<QLineEdit*>(QStringLiteral("tcpPortEdit"))
                    ->setText(QString::number(sim->tcpPort()));
                panel->findChild<QPushButton*>(QStringLiteral("connetBtn"))->click();
                Settle(200);
                // An inventory run of EPC and TID, the widest table, when the page is part of this build.
                if (auto* readType = window.findChild<QComboBox*>(QStringLiteral("readTypeCombo"))) {
                    readType->setCurrentIndex(2);
                }
                QKeyEvent f8(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier);
                QCoreApplication::sendEvent(&window, &f8);
                Settle(2500);
                allOk &= Save(&window, QStringLiteral("%1/main-window-%2-connected.png").arg(out, language));
                QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
                QCoreApplication::sendEvent(&window, &f9);
                Settle(200);
                QTabWidget* tabs = window.workArea() ? window.workArea()->tabWidget() : nullptr;
                if (tabs && tabs->count() > 1) {
                    tabs->setCurrentIndex(1);
                    allOk &= Save(&window, QStringLiteral("%1/main-window-%2-tagops.png").arg(out, language));
                    tabs->setCurrentIndex(0);
                }
                // A tag handed to the select: the page names the select in force.
                if (auto* inventory = window.findChild<ReadCardFor6CDlg*>()) {
                    auto* tree = inventory->findChild<QTreeView*>(QStringLiteral("tagTree"));
                    tree->setCurrentIndex(inventory->model()->index(2, 0));
                    inventory->slot_selectEpc();
                    Settle(300);
                    allOk &= Save(&window, QStringLiteral("%1/main-window-%2-select.png").arg(out, language));
                    inventory->findChild<QPushButton*>(QStringLiteral("cancelSelectBtn"))->click();
                    Settle(300);
                }
                // The same at the smallest size the window allows: nothing may be cut there.
                const QSize normal = window.size();
                window.resize(window.minimumSizeHint().expandedTo(window.minimumSize()));
                std::printf("minimum size %dx%d\n", window.width(), window.height());
                allOk &= Save(&window, QStringLiteral("%1/main-window-%2-minimum.png").arg(out, language));
                if (tabs && tabs->count() > 1) {
                    for (int page = 0; page < 6; ++page) {
                        if (auto* list = window.findChild<QListWidget*>(QStringLiteral("opList"))) {
                            list->setCurrentRow(page);
                            emit list->itemClicked(list->item(page));
                        }
                        tabs->setCurrentIndex(1);
                        allOk &= Save(&window, QStringLiteral("%1/main-window-%2-minimum-tagops-%3.png")
                                                   .arg(out, language)
                                                   .arg(page));
                    }
                    tabs->setCurrentIndex(0);
                }
                window.resize(normal);
                panel->slot_disConnetBtnClicked();
                Settle(100);
                // The connection panel with LLRP chosen.
                auto* types = panel->findChild<QComboBox*>(QStringLiteral("connetTypeCb"));
                const int tcpIndex = types->currentIndex();
                types->setCurrentIndex(types->findText(QStringLiteral("LLRP")));
                panel->findChild<QComboBox*>(QStringLiteral("llrpAddrCb"))
                    ->setEditText(QStringLiteral("127.0.0.1"));
                allOk &= Save(panel, QStringLiteral("%1/connect-llrp-%2.png").arg(out, language));
                if (llrpUp) {
                    panel->findChild<QLineEdit*>(QStringLiteral("llrpPortEdit"))
                        ->setText(QString::number(llrp.port()));
                    panel->findChild<QPushButton*>(QStringLiteral("connetBtn"))->click();
                    Settle(500);
                    if (auto* readType = window.findChild<QComboBox*>(QStringLiteral("readTypeCombo"))) {
                        readType->setCurrentIndex(0);
                    }
                    if (auto* antenna = window.findChild<QComboBox*>(QStringLiteral("antennaCombo"))) {
                        antenna->setCurrentIndex(0);
                    }
                    QKeyEvent f8(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier);
                    QCoreApplication::sendEvent(&window, &f8);
                    // Wide enough for the signal-strength columns beside the TID column the
                    // EPC and TID run above widened.
                    const QSize before = window.size();
                    window.resize(qMax(before.width(), 1240), before.height());
                    Settle(2500);
                    allOk &=
                        Save(&window, QStringLiteral("%1/main-window-%2-llrp-rssi.png").arg(out, language));
                    window.resize(before);
                    QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
                    QCoreApplication::sendEvent(&window, &f9);
                    Settle(200);
                    panel->slot_disConnetBtnClicked();
                    Settle(100);
                }
                types->setCurrentIndex(tcpIndex);
            }
            if (auto* soft = window.findChild<SoftConfigDlg*>()) {
                soft->show();
                allOk &= Save(soft, QStringLiteral("%1/soft-config-%2.png").arg(out, language));
                soft->hide();
            }
            if (auto* discovery = window.findChild<UdpGetInfoDlg*>()) {
                discovery->show();
                Settle(600);
                allOk &= Save(discovery, QStringLiteral("%1/discovery-%2.png").arg(out, language));
                discovery->hide();
            }
            if (auto* firmware = window.findChild<FirmWareUpdateFor6CDlg*>()) {
                firmware->show();
                firmware->findChild<QLineEdit*>(QStringLiteral("pathEdit"))
                    ->setText(QStringLiteral("/home/service/firmware/reader-2.1.8.elf"));
                firmware->findChild<QProgressBar*>(QStringLiteral("progressBar"))->setValue(55);
                allOk &= Save(firmware, QStringLiteral("%1/firmware-update-%2.png").arg(out, language));
                firmware->hide();
            }
            if (auto* about = window.findChild<VersionCommonDlg*>()) {
                about->show();
                allOk &= Save(about, QStringLiteral("%1/about-%2.png").arg(out, language));
                about->hide();
            }
        }
        dir.stopApp();
    }
    // The firmware versions of a simulated GJB reader.
    for (const QString& language : languages) {
        GjbSimReader gjb(true, [&language](TempAppDir& dir) {
            QSettings index(dir.filePath(QStringLiteral("language/LanguageIndex.ini")), QSettings::IniFormat);
            index.setValue(QStringLiteral("info/languagesSel"), language);
        });
        if (!gjb.ok()) {
            std::fprintf(stderr, "no simulated GJB reader\n");
            allOk = false;
            continue;
        }
        ApplyLook(app);
        VersionDlg versions;
        versions.show();
        allOk &= Save(&versions, QStringLiteral("%1/firmware-version-%2.png").arg(out, language));
        versions.hide();

        // The GJB pages: a loop inventory, a tag's user area read, the configuration read back.
        ReadCardDlg inventory;
        inventory.resize(960, 520);
        inventory.show();
        inventory.slot_CirculateBtnClicked();
        Settle(800);
        inventory.slot_StopBtnClicked();
        allOk &= Save(&inventory, QStringLiteral("%1/gjb-inventory-%2.png").arg(out, language));
        if (inventory.model()->rowCount() > 0) {
            inventory.slot_itemDoubleClicked(inventory.model()->index(0, 0));
            TagOpDlg* op = inventory.tagOpDialog();
            op->findChild<QLineEdit*>(QStringLiteral("readLenEdit"))->setText(QStringLiteral("04"));
            op->slot_ReadBtnClicked();
            Settle(500);
            allOk &= Save(op, QStringLiteral("%1/gjb-tag-op-%2.png").arg(out, language));
            op->hide();
        }
        ReaderConfig config;
        config.resize(760, 560);
        config.show();
        config.updateReaderState(2);
        allOk &= Save(&config, QStringLiteral("%1/gjb-reader-config-%2.png").arg(out, language));
    }
    return allOk ? 0 : 1;
}
