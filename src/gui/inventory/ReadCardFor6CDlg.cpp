#include "gui/inventory/ReadCardFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "core/inventory/TagFileWriter.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/TagListModel.h"
#include "ui_ReadCardFor6CDlg.h"

#include <zaltlink.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace {

const char kGroup[] = "ReadCardFor6CDlg";
// A timer of interval 0 fires on every pass of the event loop; a profile without the key
// would keep a core busy refreshing.
const int kDefaultInterval = 100;

ReadCardFor6CDlg::SaveFileAsker g_saveFileAsker;

int profileInterval(const char* key)
{
    const int v =
        DeviceProfile::Instance()->GetValue(QString::fromLatin1(kGroup), QString::fromLatin1(key)).toInt();
    return v > 0 ? v : kDefaultInterval;
}

} // namespace

void ReadCardFor6CDlg::SetSaveFileAsker(SaveFileAsker asker)
{
    g_saveFileAsker = std::move(asker);
}

QString ReadCardFor6CDlg::textFilter()
{
    return tr("All Files (*.*)");
}

QString ReadCardFor6CDlg::csvFilter()
{
    return QStringLiteral("CSV (*.csv)");
}

ReadCardFor6CDlg::ReadCardFor6CDlg(QWidget* workspace, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ReadCardFor6CDlg>())
{
    ui->setupUi(this);

    m_model = new TagListModel(this);
    ui->tagTree->setModel(m_model);
    ui->tagTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tagTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int widths[TagListModel::ColumnCount] = {50, 210, 210, 100, 50, 50, 50, 50};
    // Fixed widths: measuring 100 000 rows for a fit would cost more than the refresh itself.
    ui->tagTree->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int c = 0; c < TagListModel::ColumnCount; ++c) {
        ui->tagTree->header()->resizeSection(c, widths[c]);
    }
    // The time needs more than its nominal width in most fonts.
    const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    ui->tagTree->header()->resizeSection(TagListModel::ColReadTime,
                                         qMax(widths[TagListModel::ColReadTime], timeWidth));

    applyTexts();
    ui->antennaCombo->setCurrentIndex(1);
    ui->readTypeCombo->setCurrentIndex(0);

    m_refreshInterval = profileInterval("RefreshTimer");
    m_beepInterval = profileInterval("BEEP_TIME");
    m_saveFile = DeviceProfile::Instance()->GetValue(QString::fromLatin1(kGroup), QStringLiteral("SaveFile"));

    m_refreshTimer = new QTimer(this);
    m_beepTimer = new QTimer(this);
    m_saveTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, &ReadCardFor6CDlg::slot_refresh_time);
    connect(m_beepTimer, &QTimer::timeout, this, &ReadCardFor6CDlg::slot_beep);
    connect(m_saveTimer, &QTimer::timeout, this, &ReadCardFor6CDlg::slot_save_file);

    connect(ui->readBtn, &QPushButton::clicked, this, &ReadCardFor6CDlg::slot_readBtnClicked);
    connect(ui->clearBtn, &QPushButton::clicked, this, &ReadCardFor6CDlg::slot_ClearBtnClicked);
    connect(ui->soundCheck, &QCheckBox::stateChanged, this, &ReadCardFor6CDlg::slot_beepBtnStateChanged);
    connect(ui->tagTree, &QTreeView::pressed, this, &ReadCardFor6CDlg::slot_itemRightClicked);

    // Inside the work area the counts travel through it; standing alone they go straight to the
    // main window.
    if (!workspace) {
        connect(this, &ReadCardFor6CDlg::sig_sendReadCount, AppContext::Instance(),
                &AppContext::NotifyReadCount);
    }

    m_thread = new ReadCardFor6CThread(this);
}

ReadCardFor6CDlg::~ReadCardFor6CDlg()
{
    // The receive loop must end before the page it reports to is gone.
    if (m_thread) {
        m_thread->stopCollect();
        m_thread->wait();
    }
}

void ReadCardFor6CDlg::applyTexts()
{
    ui->titleLabel->setText(LangText("IDCS_READ_CARD"));
    ui->readCountCaptionLabel->setText(LangText("IDCS_READ_ALL_COUNT"));
    ui->readBtn->setText(LangText("IDCS_START_READ_CARD"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    ui->readTypeLabel->setText(LangText("IDCS_READ_TYPE"));
    ui->antennaLabel->setText(LangText("IDCS_ANTENNA_NO"));
    ui->preReadLabel->setText(LangText("IDCS_PRE_READ_NUM"));
    ui->recordCheck->setText(LangText("IDCS_RECORD_INFO"));
    ui->soundCheck->setText(LangText("IDCS_OPEN_SOUND"));

    ui->readTypeCombo->clear();
    for (const char* key : {"IDCS_EPC", "IDCS_TID", "IDCS_EPC_TID"}) {
        ui->readTypeCombo->addItem(LangText(key));
    }
    ui->antennaCombo->clear();
    for (const char* key :
         {"IDCS_POLL", "IDCS_ANTENNA_ONE", "IDCS_ANTENNA_TWO", "IDCS_ANTENNA_THREE", "IDCS_ANTENNA_FOUR"}) {
        ui->antennaCombo->addItem(LangText(key));
    }
    QStringList headers;
    for (const char* key :
         {"IDCS_NUMBER", "IDCS_EPC", "IDCS_TID", "IDCS_READTIME", "IDCS_ANTENNA_ONE_COUNT",
          "IDCS_ANTENNA_TWO_COUNT", "IDCS_ANTENNA_THREE_COUNT", "IDCS_ANTENNA_FOUR_COUNT"}) {
        headers << LangText(key);
    }
    m_model->setHeaderTexts(headers);
}

QString ReadCardFor6CDlg::saveFilePath() const
{
    if (m_saveFile.isEmpty() || QDir::isAbsolutePath(m_saveFile)) {
        return m_saveFile;
    }
    return QDir(AppSettings::Instance()->GetAppDir()).filePath(m_saveFile);
}

void ReadCardFor6CDlg::drainReads()
{
    m_thread->takeReads(m_batch);
    m_table.apply(m_batch);
}

void ReadCardFor6CDlg::slot_refresh_time()
{
    drainReads();
    m_table.syncRows(*m_model);
    const qint64 total = m_table.totalReads();
    ui->readCountLabel->setText(QString::number(total));
    if (total != m_previousTotal) {
        m_beepPending = true;
    }
    qint64 elapsed = 0;
    if (m_rateWatch.isValid()) {
        elapsed = m_rateWatch.restart();
    } else {
        m_rateWatch.start();
    }
    const quint32 rate = computeReadRate(total, m_previousTotal, elapsed);
    m_previousTotal = total;
    emit sig_sendReadCount(m_table.size(), static_cast<int>(rate), 1);
}

void ReadCardFor6CDlg::slot_readBtnClicked()
{
    if (CurrentReader()->GetState() == ReaderDllBase::StateReading) {
        slot_stopReadBtnClicked();
    } else {
        slot_startReadBtnClicked();
    }
}

void ReadCardFor6CDlg::slot_startReadBtnClicked()
{
    ReaderDllBase* driver = CurrentReader();
    if (!driver->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return;
    }
    const int readType = ui->readTypeCombo->currentIndex();
    const auto antenna = static_cast<unsigned char>(ui->antennaCombo->currentIndex());
    const int preRead = ui->preReadSpin->value();
    const ZALT_HANDLE handle = static_cast<ZALT_HANDLE>(driver->GetHandle());
    unsigned char ok = 0;
    switch (readType) {
    case 0:
        ok = ZALT_6CReadEPCCode(handle, antenna, 1, preRead);
        break;
    case 1:
        ok = ZALT_6CReadTIDCode(handle, antenna, 1, preRead);
        break;
    case 2:
        ok = ZALT_6CReadEPCTIDCode(handle, antenna, 1, preRead);
        break;
    default:
        break;
    }
    if (!ok) {
        LogKey("IDCS_READ_FAILED", true);
        return;
    }
    driver->SetState(ReaderDllBase::StateReading);
    slot_ClearBtnClicked();
    m_thread->setHandle(driver->GetHandle());
    m_thread->startCollect(readType);
    m_refreshTimer->start(m_refreshInterval);
    ui->readBtn->setText(LangText("IDCS_STOP_READ_CARD"));
    m_previousTotal = 0;
    if (ui->recordCheck->isChecked()) {
        m_saveTimer->start(ui->saveIntervalSpin->value());
    }
    m_rateWatch.start();
    emit sig_sendReadCount(0, 0, 0);
    LogKey("IDCS_READ_SUCCESS");
}

void ReadCardFor6CDlg::slot_stopReadBtnClicked()
{
    ReaderDllBase* driver = CurrentReader();
    if (!driver->IsState(ReaderDllBase::StateReading)) {
        LogKey("IDCS_READER_NOREAD");
        return;
    }
    ZALT_PowerOff(static_cast<ZALT_HANDLE>(driver->GetHandle()));
    m_refreshTimer->stop();
    m_saveTimer->stop();
    driver->SetState(ReaderDllBase::StateConnected);
    m_thread->stopCollect();
    ui->readBtn->setText(LangText("IDCS_START_READ_CARD"));
    LogKey("IDCS_STOP_SCCUSS");
}

void ReadCardFor6CDlg::slot_ClearBtnClicked()
{
    m_thread->clearTags();
    m_batch.clear();
    m_table.clear();
    m_previousTotal = 0;
    emit sig_sendReadCount(0, 0, 2);
    ui->readCountLabel->setText(QStringLiteral("0"));
    m_model->clear();
}

void ReadCardFor6CDlg::slot_beep()
{
    if (m_beepPending) {
        Beeper::Instance()->play({{6000, 200}, {0, 0}});
        m_beepPending = false;
    }
}

void ReadCardFor6CDlg::slot_beepBtnStateChanged(int state)
{
    if (state == 0) {
        m_beepTimer->stop();
    } else {
        m_beepTimer->start(m_beepInterval);
    }
}

void ReadCardFor6CDlg::slot_save_file()
{
    // The periodic save reports nothing, success or not.
    drainReads();
    TagFileWriter::save(saveFilePath(), m_table);
}

void ReadCardFor6CDlg::slot_itemRightClicked(const QModelIndex& index)
{
    Q_UNUSED(index);
    if (!(QApplication::mouseButtons() & Qt::RightButton)) {
        return;
    }
    QMenu* menu = createContextMenu();
    menu->exec(QCursor::pos());
    delete menu;
}

QMenu* ReadCardFor6CDlg::createContextMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(LangText("IDCS_COPY_EPC"), this, &ReadCardFor6CDlg::slot_copyItemEPC);
    menu->addAction(LangText("IDCS_COPY_TID"), this, &ReadCardFor6CDlg::slot_copyItemTID);
    menu->addAction(LangText("IDCS_EXPORT"), this, &ReadCardFor6CDlg::slot_exportItem);
    menu->addAction(LangText("IDCS_SELECT_EPC"), this, &ReadCardFor6CDlg::slot_selectEpc);
    menu->addAction(LangText("IDCS_SELECT_TID"), this, &ReadCardFor6CDlg::slot_selectTid);
    return menu;
}

QString ReadCardFor6CDlg::currentText(int column) const
{
    const QModelIndex current = ui->tagTree->currentIndex();
    if (!current.isValid()) {
        return QString();
    }
    return m_model->text(current.row(), column);
}

void ReadCardFor6CDlg::copyCurrent(int column)
{
    if (ui->tagTree->currentIndex().isValid()) {
        QApplication::clipboard()->setText(currentText(column));
    }
}

void ReadCardFor6CDlg::slot_copyItemEPC()
{
    copyCurrent(TagListModel::ColEpc);
}

void ReadCardFor6CDlg::slot_copyItemTID()
{
    copyCurrent(TagListModel::ColTid);
}

void ReadCardFor6CDlg::slot_exportItem()
{
    const QString filter = textFilter() + QStringLiteral(";;") + csvFilter();
    QString selected = textFilter();
    const QString caption = LangText("IDCS_SELECT_FILE");
    const QString path =
        g_saveFileAsker
            ? g_saveFileAsker(this, caption, QStringLiteral("./"), filter, &selected)
            : QFileDialog::getSaveFileName(this, caption, QStringLiteral("./"), filter, &selected);
    if (path.isEmpty()) {
        return;
    }
    drainReads();
    const auto format = selected == csvFilter() ? TagFileWriter::Format::Csv : TagFileWriter::Format::Text;
    LogKey(TagFileWriter::save(path, m_table, format) ? "IDCS_EXPORT_SUCCESS" : "IDCS_EXPORT_FAILED");
}

void ReadCardFor6CDlg::selectCurrent(int column, int bank)
{
    const QString text = currentText(column);
    const int n = static_cast<int>(text.size() / 2);
    if (n == 0) {
        return;
    }
    const QString hex = text.left(2 * n);
    if (m_selectHandler) {
        m_selectHandler(bank, 0, n, hex);
    }
}

void ReadCardFor6CDlg::slot_selectEpc()
{
    selectCurrent(TagListModel::ColEpc, 0);
}

void ReadCardFor6CDlg::slot_selectTid()
{
    selectCurrent(TagListModel::ColTid, 1);
}

bool ReadCardFor6CDlg::handleKey(int key)
{
    if (isHidden()) {
        return false;
    }
    if (key == Qt::Key_F8) {
        slot_startReadBtnClicked();
        return true;
    }
    if (key == Qt::Key_F9) {
        slot_stopReadBtnClicked();
        return true;
    }
    return false;
}

void ReadCardFor6CDlg::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event->key())) {
        QWidget::keyPressEvent(event);
    }
}
