#include "gui/wireless/WirelessRecvDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "core/wireless/WirelessRecvProcThread.h"
#include "core/wireless/WirelessSaveFile.h"
#include "gui/app/ZrMessageBox.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/wireless/AddClientDlg.h"
#include "gui/wireless/TreeRightMenu.h"
#include "gui/wireless/WirelessAdvancedDlg.h"
#include "gui/wireless/WirelessDeviceInfoDlg.h"
#include "gui/wireless/WirelessTcpServerConfigDlg.h"
#include "ui_WirelessRecvDlg.h"

#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

namespace {
const int kRefreshMs = 100;
const int kStopWaitMs = 3000;
const int kReaderRow = 0;
const int kTagRow = 1;
const int kQuestionOk = 16;
// Columns: number, address or tag, read time, four antenna counts.
const int kColumns = 7;

WirelessRecvDlg::DialogRunner g_dialogRunner;

WirelessReaderRegistry* Registry()
{
    return WirelessReaderRegistry::Instance();
}

quintptr ReaderOf(const QTreeWidgetItem* row)
{
    return static_cast<quintptr>(row->data(1, WirelessRecvDlg::DataRole).toULongLong());
}

QString TimeText(unsigned int secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
} // namespace

void WirelessRecvDlg::SetDialogRunner(DialogRunner runner)
{
    g_dialogRunner = std::move(runner);
}

WirelessRecvDlg::WirelessRecvDlg(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WirelessRecvDlg>())
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_READ_CARD"));
    ui->startBtn->setText(LangText("IDCS_START"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    ui->advanceBtn->setText(LangText("IDCS_SOFT_CONFIG"));
    ui->listenBtn->setText(LangText("IDCS_START_LISTEN"));
    ui->addReaderBtn->setText(LangText("IDCS_READER_ADD"));
    ui->readTypeLabel->setText(LangText("IDCS_READ_TYPE"));
    ui->antennaLabel->setText(LangText("IDCS_ANTENNA_NO"));
    ui->readTypeCb->addItems({LangText("IDCS_EPC"), LangText("IDCS_TID")});
    ui->antennaCb->addItems({LangText("IDCS_POLL"), LangText("IDCS_ANTENNA_ONE"),
                             LangText("IDCS_ANTENNA_TWO"), LangText("IDCS_ANTENNA_THREE"),
                             LangText("IDCS_ANTENNA_FOUR")});
    ui->antennaCb->setCurrentIndex(1);
    ui->listenBtn->setEnabled(false);
    ui->addReaderBtn->setEnabled(false);
    ui->advanceBtn->setEnabled(true);

    QTreeWidget* t = ui->readerTree;
    t->setColumnCount(kColumns);
    t->setHeaderLabels({LangText("IDCS_NUMBER"), LangText("IDCS_TAG_ID"), LangText("IDCS_READTIME"),
                        LangText("IDCS_ANTENNA_ONE_COUNT"), LangText("IDCS_ANTENNA_TWO_COUNT"),
                        LangText("IDCS_ANTENNA_THREE_COUNT"), LangText("IDCS_ANTENNA_FOUR_COUNT")});
    const int widths[] = {80, 300, 150, 90, 90, 90};
    for (int c = 0; c < 6; ++c) {
        t->setColumnWidth(c, widths[c]);
    }

    m_refreshTimer = new QTimer(this);
    m_onlineTimer = new QTimer(this);
    m_menu = new TreeRightMenu(this);
    m_advanced = new WirelessAdvancedDlg(this);
    m_serverConfig = new WirelessTcpServerConfigDlg(this);
    m_addClient = new AddClientDlg(this);
    m_device = new WirelessDeviceInfoDlg(this);

    connect(ui->startBtn, &QPushButton::clicked, this, &WirelessRecvDlg::slot_Oper);
    connect(ui->clearBtn, &QPushButton::clicked, this, &WirelessRecvDlg::slot_Clear);
    connect(ui->advanceBtn, &QPushButton::clicked, this, &WirelessRecvDlg::slot_advanceBtnClicked);
    connect(ui->listenBtn, &QPushButton::clicked, this, &WirelessRecvDlg::slot_ServerListenBtnClicked);
    connect(ui->addReaderBtn, &QPushButton::clicked, this, &WirelessRecvDlg::slot_AddReaderBtnClicked);
    connect(m_refreshTimer, &QTimer::timeout, this, &WirelessRecvDlg::slot_refresh_time);
    connect(m_onlineTimer, &QTimer::timeout, this, &WirelessRecvDlg::slot_checkOnline_time);
    connect(t, &QTreeWidget::itemPressed, this, &WirelessRecvDlg::slot_itemRightClicked);

    WirelessReaderRegistry* registry = Registry();
    registry->SetWindow(this);
    connect(registry, &WirelessReaderRegistry::sig_RecvreaderInfo, this,
            &WirelessRecvDlg::slot_RecvreaderInfo, Qt::QueuedConnection);
    WIRELESS_ApiInit(registry->HandleAddress());
}

WirelessRecvDlg::~WirelessRecvDlg()
{
    slot_stop();
    WirelessReaderRegistry* registry = Registry();
    registry->SetWindow(nullptr);
    // The threads let go of the handle before it goes.
    registry->WaitStopped(kStopWaitMs);
    if (WIRELESS_Quit(registry->HandleAddress())) {
        LogKey("IDCS_SERVER_QUIT_SUCCESS");
        *registry->HandleAddress() = 0;
    } else {
        LogKey("IDCS_SERVER_QUIT_FAILED", true);
    }
}

int WirelessRecvDlg::runDialog(QDialog* dialog)
{
    return g_dialogRunner ? g_dialogRunner(dialog) : dialog->exec();
}

QTreeWidget* WirelessRecvDlg::tree() const
{
    return ui->readerTree;
}

QComboBox* WirelessRecvDlg::readTypeList() const
{
    return ui->readTypeCb;
}

QComboBox* WirelessRecvDlg::antennaList() const
{
    return ui->antennaCb;
}

QTreeWidgetItem* WirelessRecvDlg::readerRow(quintptr reader) const
{
    for (int i = 0; i < ui->readerTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ui->readerTree->topLevelItem(i);
        if (ReaderOf(row) == reader) {
            return row;
        }
    }
    return nullptr;
}

void WirelessRecvDlg::slot_start()
{
    ui->startBtn->setText(LangText("IDCS_STOP"));
    m_refreshTimer->start(kRefreshMs);
    applyOnlineTimer();
    ui->listenBtn->setEnabled(true);
    ui->addReaderBtn->setEnabled(true);
    ui->advanceBtn->setEnabled(false);
    Registry()->SetTimeStamps(AppSettings::Instance()->GetAnalysisTime() == 2);
    m_started = true;
}

void WirelessRecvDlg::slot_stop()
{
    ui->startBtn->setText(LangText("IDCS_START"));
    if (m_listening) {
        slot_ServerListenBtnStopClicked();
    }
    m_refreshTimer->stop();
    m_onlineTimer->stop();
    WirelessReaderRegistry* registry = Registry();
    WIRELESS_ClearReader(registry->Handle());
    // Every thread at once, without waiting here: the window never blocks on a reader.
    registry->StopAll();
    clearTree();
    ui->listenBtn->setEnabled(false);
    ui->addReaderBtn->setEnabled(false);
    ui->advanceBtn->setEnabled(true);
    m_started = false;
}

void WirelessRecvDlg::slot_Oper()
{
    if (m_started) {
        slot_stop();
    } else {
        slot_start();
    }
}

void WirelessRecvDlg::slot_disconnet() {}

void WirelessRecvDlg::clearTree()
{
    m_tagRows.clear();
    ui->readerTree->clear();
}

void WirelessRecvDlg::applyOnlineTimer()
{
    m_onlineTimer->stop();
    const int seconds = m_advanced->checkInterval();
    if (seconds > 0) {
        m_onlineTimer->start(seconds * 1000);
    }
}

void WirelessRecvDlg::slot_advanceBtnClicked()
{
    runDialog(m_advanced);
    applyOnlineTimer();
}

void WirelessRecvDlg::slot_ServerConfigBtnClicked()
{
    runDialog(m_serverConfig);
}

void WirelessRecvDlg::slot_ServerListenBtnClicked()
{
    if (m_listening) {
        slot_ServerListenBtnStopClicked();
    } else {
        slot_ServerListenBtnStartClicked();
    }
}

void WirelessRecvDlg::slot_ServerListenBtnStartClicked()
{
    if (runDialog(m_serverConfig) != QDialog::Accepted) {
        return;
    }
    const QString address = m_serverConfig->address();
    bool ok = false;
    const int port = m_serverConfig->port().toInt(&ok, 10);
    if (address.isEmpty() || !ok || port <= 0) {
        LogKey("IDCS_IP_PORT_ERRO");
        return;
    }
    const QByteArray ip = address.toUtf8();
    if (!WIRELESS_StartServer(Registry()->Handle(), ip.constData(), port,
                              WirelessReaderRegistry::Callback())) {
        LogKey("IDCS_SERVER_START_FAILED", true);
        return;
    }
    LogKey("IDCS_SERVER_START_SUCCESS");
    m_listening = true;
    ui->listenBtn->setText(LangText("IDCS_STOP_LISTEN"));
}

void WirelessRecvDlg::slot_ServerListenBtnStopClicked()
{
    if (!m_listening) {
        return;
    }
    const bool ok = WIRELESS_StopServer(Registry()->Handle()) != 0;
    LogKey(ok ? "IDCS_STOP_SCCUSS" : "IDCS_STOP_FAILED", !ok);
    Registry()->StopAll();
    clearTree();
    m_listening = false;
    ui->listenBtn->setText(LangText("IDCS_START_LISTEN"));
}

void WirelessRecvDlg::slot_AddReaderBtnClicked()
{
    runDialog(m_addClient);
}

void WirelessRecvDlg::updateLastTime(QTreeWidgetItem* row, unsigned int time)
{
    row->setText(2, TimeText(time));
    row->setData(2, DataRole, QString::number(time));
}

void WirelessRecvDlg::slot_RecvreaderInfo(quintptr pReaderInfo)
{
    WirelessReaderRegistry* registry = Registry();
    QTreeWidgetItem* row = readerRow(pReaderInfo);
    if (!row) {
        // The announcement was queued: the reader may have gone since, and its record with it.
        if (!m_started || !registry->IsLive(pReaderInfo)) {
            return;
        }
        row = new QTreeWidgetItem;
        row->setText(0, QString::number(ui->readerTree->topLevelItemCount() + 1));
        row->setText(1, WirelessReaderRegistry::AddressText(pReaderInfo));
        row->setData(0, DataRole, kReaderRow);
        row->setData(1, DataRole, static_cast<qulonglong>(pReaderInfo));
        row->setData(1, KeyRole, WirelessReaderRegistry::ReaderKey(pReaderInfo));
        row->setData(3, DataRole, 0);
        unsigned int time = 0;
        if (WIRELESS_ZALT_GetLastTime(registry->Handle(), pReaderInfo, &time)) {
            updateLastTime(row, time);
        }
        ui->readerTree->addTopLevelItem(row);
        row->setExpanded(true);
    }
    if (row->data(3, DataRole).toInt() == 1) {
        LogKey("IDCS_READING_CARD");
        return;
    }
    qDeleteAll(row->takeChildren());
    m_tagRows.remove(row);
    const int readType = ui->readTypeCb->currentIndex() == 1 ? WirelessRecvProcThread::ReadTid
                                                             : WirelessRecvProcThread::ReadEpc;
    registry->StartReader(pReaderInfo, row->data(1, KeyRole).toString(), readType);
    row->setData(3, DataRole, 1);
}

void WirelessRecvDlg::slot_refresh_time()
{
    WirelessReaderRegistry* registry = Registry();
    for (int i = 0; i < ui->readerTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ui->readerTree->topLevelItem(i);
        WirelessRecvProcThread* thread = registry->Thread(row->data(1, KeyRole).toString());
        if (!thread || thread->isStopped()) {
            continue;
        }
        const TagCountMap changes = thread->takeChanges();
        if (changes.isEmpty()) {
            continue;
        }
        QHash<QString, QTreeWidgetItem*>& tags = m_tagRows[row];
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
            QTreeWidgetItem*& tag = tags[it.key()];
            if (!tag) {
                tag = new QTreeWidgetItem(row);
                tag->setText(0, QString::number(row->childCount()));
                tag->setText(1, it.key());
                tag->setData(0, DataRole, kTagRow);
                tag->setData(1, DataRole, it.key());
            }
            const TagCountRecord& record = it.value();
            tag->setText(2, record.readTime);
            for (int a = 0; a < 4; ++a) {
                tag->setText(3 + a, QString::number(record.counts[static_cast<size_t>(a)]));
            }
        }
    }
}

void WirelessRecvDlg::slot_checkOnline_time()
{
    WirelessReaderRegistry* registry = Registry();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const int disconnectTime = m_advanced->disconnectTime();
    QList<QTreeWidgetItem*> lost;
    for (int i = 0; i < ui->readerTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ui->readerTree->topLevelItem(i);
        bool gone = disconnectTime < now - row->data(2, DataRole).toString().toLongLong();
        unsigned int time = 0;
        if (WIRELESS_ZALT_GetLastTime(registry->Handle(), ReaderOf(row), &time)) {
            updateLastTime(row, time);
        } else {
            gone = true;
        }
        if (gone) {
            lost << row;
        }
    }
    for (QTreeWidgetItem* row : lost) {
        removeReader(row);
    }
}

void WirelessRecvDlg::removeReader(QTreeWidgetItem* row)
{
    WirelessReaderRegistry* registry = Registry();
    const quintptr reader = ReaderOf(row);
    const bool closed = registry->RemoveReader(reader, row->data(1, KeyRole).toString());
    // A reader the library no longer holds cannot be closed, and must not stay listed for ever.
    if (closed || !registry->IsLive(reader)) {
        m_tagRows.remove(row);
        delete row;
    }
}

void WirelessRecvDlg::slot_itemRightClicked(QTreeWidgetItem* item, int column)
{
    Q_UNUSED(column);
    if (!(QGuiApplication::mouseButtons() & Qt::RightButton) || !item ||
        item->data(0, DataRole).toInt() != kReaderRow) {
        return;
    }
    m_menu->exec(QCursor::pos());
}

QTreeWidgetItem* WirelessRecvDlg::currentReaderRow() const
{
    QTreeWidgetItem* row = ui->readerTree->currentItem();
    return row && !row->parent() && row->data(0, DataRole).toInt() == kReaderRow ? row : nullptr;
}

quintptr WirelessRecvDlg::currentReader() const
{
    const QTreeWidgetItem* row = currentReaderRow();
    return row ? ReaderOf(row) : 0;
}

void WirelessRecvDlg::slot_itemStartReadClicked()
{
    const quintptr reader = currentReader();
    if (!reader) {
        return;
    }
    const WIRELESS_HANDLE h = Registry()->Handle();
    const auto antenna = static_cast<unsigned char>(ui->antennaCb->currentIndex());
    const bool ok = ui->readTypeCb->currentIndex() == 1
                        ? WIRELESS_ZALT_6CReadTIDCode(h, reader, antenna, 1, 1) != 0
                        : WIRELESS_ZALT_6CReadEPCCode(h, reader, antenna, 1, 1) != 0;
    LogKey(ok ? "IDCS_READ_SUCCESS" : "IDCS_READ_FAILED", !ok);
}

void WirelessRecvDlg::slot_itemStopReadClicked()
{
    const quintptr reader = currentReader();
    if (!reader) {
        return;
    }
    const bool ok = WIRELESS_ZALT_PowerOff(Registry()->Handle(), reader, 3000) != 0;
    LogKey(ok ? "IDCS_STOP_READ_SUCCESS" : "IDCS_STOP_READ_FAILED", !ok);
}

void WirelessRecvDlg::slot_itemRemoveClicked()
{
    if (QTreeWidgetItem* row = currentReaderRow()) {
        removeReader(row);
    }
}

void WirelessRecvDlg::slot_itemRebootClicked()
{
    QTreeWidgetItem* row = currentReaderRow();
    if (!row || AskQuestion(LangText("IDCS_READLY_REBOOT_DEVICE"), this) != kQuestionOk) {
        return;
    }
    if (!WIRELESS_ZALT_Reboot(Registry()->Handle(), ReaderOf(row), 0)) {
        LogKey("IDCS_REBOOT_FAILED", true);
        return;
    }
    removeReader(row);
    LogKey("IDCS_REBOOT_SUCCESS");
}

void WirelessRecvDlg::slot_itemDeviceConfigClicked()
{
    QTreeWidgetItem* row = currentReaderRow();
    if (!row) {
        return;
    }
    const quintptr reader = ReaderOf(row);
    m_onlineTimer->stop();
    m_device->SetReader(reader);
    runDialog(m_device);
    // The dialog ran its own loop: the row may be gone meanwhile.
    if ((row = readerRow(reader))) {
        unsigned int time = 0;
        if (WIRELESS_ZALT_GetLastTime(Registry()->Handle(), reader, &time)) {
            updateLastTime(row, time);
        }
    }
    applyOnlineTimer();
}

void WirelessRecvDlg::slot_Clear()
{
    WirelessReaderRegistry* registry = Registry();
    for (int i = 0; i < ui->readerTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ui->readerTree->topLevelItem(i);
        if (WirelessRecvProcThread* thread = registry->Thread(row->data(1, KeyRole).toString())) {
            thread->clearRecords();
        }
        qDeleteAll(row->takeChildren());
    }
    m_tagRows.clear();
}

void WirelessRecvDlg::slot_itemSaveClicked()
{
    const QString path = AskConfig6CFile(this, true, LangText("IDCS_SELECT_FILE"), QStringLiteral("./"),
                                         QStringLiteral("All Files (*.*)"));
    if (path.isEmpty()) {
        return;
    }
    QList<WirelessSaveFile::Reader> readers;
    for (int i = 0; i < ui->readerTree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = ui->readerTree->topLevelItem(i);
        WirelessSaveFile::Reader reader;
        reader.name = row->text(1);
        for (int m = 0; m < row->childCount(); ++m) {
            const QTreeWidgetItem* tag = row->child(m);
            WirelessSaveFile::Tag saved;
            saved.key = tag->text(1);
            saved.readTime = tag->text(2);
            for (int a = 0; a < 4; ++a) {
                saved.counts[static_cast<size_t>(a)] = tag->text(3 + a);
            }
            reader.tags << saved;
        }
        readers << reader;
    }
    const bool ok = WirelessSaveFile::append(path, readers);
    LogKey(ok ? "IDCS_EXPORT_SUCCESS" : "IDCS_EXPORT_FAILED", !ok);
}
