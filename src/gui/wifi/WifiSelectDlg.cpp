#include "gui/wifi/WifiSelectDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/wifi/WifiRules.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_WifiSelectDlg.h"

#include <atbridge.h>

namespace {
// The scan list's capacity and its terminating zero.
const int kScanBufferSize = 4045;
const int kSsidColumn = 1;
} // namespace

WifiSelectDlg::WifiSelectDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::WifiSelectDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SELECT_WIFI"));
    ui->wifiTree->setHeaderLabels({LangText("IDCS_NET_TYPE"), LangText("IDCS_SSID"), LangText("IDCS_RSSI"),
                                   LangText("IDCS_CHANNEL"), LangText("IDCS_SECURITY_IS"),
                                   LangText("IDCS_MAC")});
    const int widths[] = {80, 150, 80, 60, 80, 100};
    for (int i = 0; i < 6; ++i) {
        ui->wifiTree->setColumnWidth(i, widths[i]);
    }
    ui->scanBtn->setText(LangText("IDCS_SELECT_WIFI"));
    ui->selectBtn->setText(LangText("IDCS_SELECT"));
    connect(ui->scanBtn, &QPushButton::clicked, this, &WifiSelectDlg::slot_scanBtnClicked);
    connect(ui->selectBtn, &QPushButton::clicked, this, &WifiSelectDlg::slot_selectBtnClicked);
    connect(ui->wifiTree, &QTreeWidget::itemDoubleClicked, this, &WifiSelectDlg::slot_itemDoubleClicked);
}

WifiSelectDlg::~WifiSelectDlg() = default;

void WifiSelectDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_ssid.clear();
}

void WifiSelectDlg::slot_scanBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    ui->wifiTree->clear();
    char list[kScanBufferSize] = {};
    if (!Wifi_Search(Config6CHandle(), list)) {
        LogKey("IDCS_SELECT_FAILED");
        return;
    }
    QList<QTreeWidgetItem*> items;
    for (const WifiRules::ScanRow& row : WifiRules::ScanRows(QString::fromUtf8(list))) {
        items << new QTreeWidgetItem(QStringList{LangText(row.adhoc ? "IDCS_ZIZUWANG" : "IDCS_JICHUWANG"),
                                                 row.ssid, row.signal, row.channel,
                                                 LangText(row.secured ? "IDCS_YES" : "IDCS_NO"), row.mac});
    }
    ui->wifiTree->addTopLevelItems(items);
    LogKey("IDCS_SELECT_SUCCUESS");
}

void WifiSelectDlg::slot_selectBtnClicked()
{
    QTreeWidgetItem* item = ui->wifiTree->currentItem();
    if (!item || !item->isSelected()) {
        m_ssid.clear();
        return;
    }
    m_ssid = item->text(kSsidColumn);
    accept();
}

void WifiSelectDlg::slot_itemDoubleClicked(QTreeWidgetItem* item, int column)
{
    Q_UNUSED(column);
    if (!item) {
        return;
    }
    m_ssid = item->text(kSsidColumn);
    accept();
}
