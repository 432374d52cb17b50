#include "gui/inventory/ReadCardFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "core/inventory/ReadPageSettings.h"
#include "core/inventory/TagFileWriter.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderErrors.h"
#include "core/tagops/TagSelectCall.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ReaderCallUi.h"
#include "ui_ReadCardFor6CDlg.h"

#include <zaltlink.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QtMath>

namespace {

const char kGroup[] = "ReadCardFor6CDlg";
ReadCardFor6CDlg::SaveFileAsker g_saveFileAsker;

} // namespace

void ReadCardFor6CDlg::SetSaveFileAsker(SaveFileAsker asker)
{
    g_saveFileAsker = std::move(asker);
}

QString ReadCardFor6CDlg::textFilter()
{
    return LangText("IDCS_FILTER_TEXT");
}

QString ReadCardFor6CDlg::csvFilter()
{
    return LangText("IDCS_FILTER_CSV");
}

ReadCardFor6CDlg::ReadCardFor6CDlg(QWidget* workspace, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ReadCardFor6CDlg>())
{
    ui->setupUi(this);

    m_model = new TagListModel(this);
    ui->tagTree->setModel(m_model);
    m_runner = new ReaderCallRunner(this);
    ui->tagTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tagTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Widths follow what the columns hold, measured on the texts, never on 100 000 rows.
    ui->tagTree->header()->setSectionResizeMode(QHeaderView::Interactive);

    applyTexts();
    fitColumns();
    showRssiColumns(false);
    ui->antennaCombo->setCurrentIndex(1);
    ui->readTypeCombo->setCurrentIndex(0);

    m_refreshInterval = ReadPageInterval(kGroup, "RefreshTimer");
    m_beepInterval = ReadPageInterval(kGroup, "BEEP_TIME");
    m_saveFile = ReadPageSaveFilePath(kGroup);

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
    connect(ui->cancelSelectBtn, &QPushButton::clicked, this, &ReadCardFor6CDlg::slot_cancelSelectBtnClicked);
    connect(AppContext::Instance(), &AppContext::sig_selectChanged, this,
            &ReadCardFor6CDlg::slot_selectChanged);
    slot_selectChanged();

    // Inside the work area the counts travel through it; standing alone they go straight to the
    // main window.
    if (!workspace) {
        connect(this, &ReadCardFor6CDlg::sig_sendReadCount, AppContext::Instance(),
                &AppContext::NotifyReadCount);
    }

    m_thread = new ReadCardFor6CThread(this);
    connect(m_thread, &ReadCardFor6CThread::sig_linkLost, this, &ReadCardFor6CDlg::slot_linkLost,
            Qt::QueuedConnection);
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
    // Wide enough for either text, so the button neither jumps nor cuts its text at the
    // smallest window size.
    ui->readBtn->setText(LangText("IDCS_STOP_READ_CARD"));
    const int stopWidth = ui->readBtn->sizeHint().width();
    ui->readBtn->setText(LangText("IDCS_START_READ_CARD"));
    ui->readBtn->setMinimumWidth(qMax(stopWidth, ui->readBtn->sizeHint().width()));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    ui->readTypeLabel->setText(LangLabel("IDCS_READ_TYPE"));
    ui->antennaLabel->setText(LangLabel("IDCS_ANTENNA_NO"));
    ui->preReadLabel->setText(LangLabel("IDCS_PRE_READ_NUM"));
    ui->recordCheck->setText(LangText("IDCS_RECORD_INFO"));
    ui->soundCheck->setText(LangText("IDCS_OPEN_SOUND"));
    ui->cancelSelectBtn->setText(LangText("IDCS_NO_SELCECT"));

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
    for (const char* key : {"IDCS_NUMBER", "IDCS_EPC", "IDCS_TID", "IDCS_READTIME", "IDCS_ANTENNA_ONE_COUNT",
                            "IDCS_ANTENNA_TWO_COUNT", "IDCS_ANTENNA_THREE_COUNT", "IDCS_ANTENNA_FOUR_COUNT",
                            "IDCS_RSSI_DBM", "IDCS_RSSI_BEST_DBM"}) {
        headers << LangText(key);
    }
    m_model->setHeaderTexts(headers);
}

QString ReadCardFor6CDlg::saveFilePath() const
{
    return m_saveFile;
}

void ReadCardFor6CDlg::drainReads()
{
    m_thread->takeReads(m_batch);
    int epc = m_widestEpc;
    int tid = m_widestTid;
    for (const TagRead& r : m_batch) {
        if (r.textsChanged) {
            epc = qMax(epc, static_cast<int>(r.epc.size()));
            tid = qMax(tid, static_cast<int>(r.tid.size()));
        }
    }
    if (epc != m_widestEpc || tid != m_widestTid) {
        m_widestEpc = epc;
        m_widestTid = tid;
        fitColumns();
    }
    m_table.apply(m_batch);
}

void ReadCardFor6CDlg::fitColumns()
{
    QHeaderView* header = ui->tagTree->header();
    const QFontMetrics fm(ui->tagTree->font());
    // The cell's own margins and a little air.
    const int pad =
        2 * ui->tagTree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ui->tagTree) + 6;
    // Hex digits differ in width: take their average.
    const double digit = fm.horizontalAdvance(QStringLiteral("0123456789ABCDEF")) / 16.0;
    const auto fit = [&](int column, int contentWidth) {
        header->resizeSection(column, qMax(header->sectionSizeHint(column), contentWidth + pad));
    };
    fit(TagListModel::ColNumber, fm.horizontalAdvance(QStringLiteral("0000")));
    // A 96-bit EPC is the usual; longer ones widen the column when they arrive. The TID column
    // stays narrow until a TID is read.
    fit(TagListModel::ColEpc, qCeil(digit * qMax(24, m_widestEpc)));
    fit(TagListModel::ColTid, qCeil(digit * m_widestTid));
    fit(TagListModel::ColReadTime, fm.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")));
    for (int c = TagListModel::ColAnt1; c <= TagListModel::ColAnt4; ++c) {
        fit(c, fm.horizontalAdvance(QStringLiteral("00000")));
    }
    // Their headers are wider than any dBm value, and a hidden section has no size hint to go by.
    const QFontMetrics headerFm(header->font());
    for (int c : {TagListModel::ColRssi, TagListModel::ColBestRssi}) {
        const QString title = m_model->headerData(c, Qt::Horizontal).toString();
        fit(c, qMax(fm.horizontalAdvance(QStringLiteral("-000")), headerFm.horizontalAdvance(title) + pad));
    }
}

void ReadCardFor6CDlg::showRssiColumns(bool show)
{
    for (int c : {TagListModel::ColRssi, TagListModel::ColBestRssi}) {
        ui->tagTree->setColumnHidden(c, !show);
    }
}

void ReadCardFor6CDlg::slot_refresh_time()
{
    drainReads();
    m_table.syncRows(*m_model);
    // Shown for the run once a report carries a signal strength; a 6C-protocol reader never
    // sends one, so its page keeps the columns it always had.
    if (m_table.hasRssi() && ui->tagTree->isColumnHidden(TagListModel::ColRssi)) {
        showRssiColumns(true);
    }
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
    if (driver->IsBusy()) {
        LogKey("IDCS_READING_CARD");
        return;
    }
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
        // The code tells a reader that cannot read TIDs (an LLRP one) from a failed call.
        LogFailure("IDCS_READ_FAILED", driver->GetErrorCode());
        return;
    }
    driver->SetState(ReaderDllBase::StateReading);
    slot_ClearBtnClicked();
    // The reader of this run may be another one, whose reports carry no signal strength.
    showRssiColumns(false);
    m_thread->setHandle(driver->GetHandle());
    m_thread->setAskRssi(driver->ReportsCarryRssi());
    m_thread->startCollect(readType);
    m_refreshTimer->start(m_refreshInterval);
    ui->readBtn->setText(LangText("IDCS_STOP_READ_CARD"));
    m_previousTotal = 0;
    m_rateWatch.start();
    emit sig_sendReadCount(0, 0, 0);
    LogKey("IDCS_READ_SUCCESS");
    if (ui->recordCheck->isChecked()) {
        m_saveFailing = false;
        m_saveTimer->start(ui->saveIntervalSpin->value());
        // Where the snapshots go, once, so they can be found.
        AppContext::Instance()->logMessage(
            LangText("IDCS_SAVE_FILE_AT")
                .arg(QDir::toNativeSeparators(QFileInfo(saveFilePath()).absoluteFilePath()))
                .arg(ui->saveIntervalSpin->value()),
            false);
    }
}

void ReadCardFor6CDlg::slot_stopReadBtnClicked()
{
    ReaderDllBase* driver = CurrentReader();
    if (!driver->IsState(ReaderDllBase::StateReading)) {
        LogKey("IDCS_READER_NOREAD");
        return;
    }
    const bool stopped = ZALT_PowerOff(static_cast<ZALT_HANDLE>(driver->GetHandle())) != 0;
    const int code = stopped ? 0 : driver->GetErrorCode();
    driver->SetState(ReaderDllBase::StateConnected);
    endRun();
    if (stopped) {
        LogKey("IDCS_STOP_SCCUSS");
        return;
    }
    LogFailure("IDCS_STOP_READ_FAILED", code);
    if (ReaderError::MeansLinkGone(code)) {
        AppContext::Instance()->ReaderLinkLost();
    }
}

void ReadCardFor6CDlg::endRun()
{
    m_refreshTimer->stop();
    m_saveTimer->stop();
    m_thread->stopCollect();
    ui->readBtn->setText(LangText("IDCS_START_READ_CARD"));
    // Nothing is being read any more: the rate shows 0 at once, the count stays.
    emit sig_sendReadCount(m_table.size(), 0, 2);
}

void ReadCardFor6CDlg::slot_linkLost()
{
    ReaderDllBase* driver = CurrentReader();
    if (!driver->IsState(ReaderDllBase::StateReading)) {
        return;
    }
    // What arrived before the link went still counts.
    slot_refresh_time();
    driver->SetState(ReaderDllBase::StateConnected);
    endRun();
    AppContext::Instance()->ReaderLinkLost();
}

void ReadCardFor6CDlg::slot_selectChanged()
{
    const TagOpHex::SelectParams select = AppContext::Instance()->currentSelect();
    ui->selectNoteFrame->setVisible(!select.data.isEmpty());
    if (select.data.isEmpty()) {
        return;
    }
    const char* banks[] = {"IDCS_EPC", "IDCS_TID", "IDCS_USER"};
    const char* bank = select.bank >= 1 && select.bank <= 3 ? banks[select.bank - 1] : "IDCS_EPC";
    ui->selectNoteLabel->setText(LangText("IDCS_SELECT_ACTIVE_NOTE")
                                     .arg(LangText(bank))
                                     .arg(select.startBits / 8)
                                     .arg(AppContext::bytesToHex(select.data)));
}

void ReadCardFor6CDlg::slot_cancelSelectBtnClicked()
{
    ReaderDllBase* driver = CurrentReader();
    if (RefuseWhileReading()) {
        return;
    }
    if (!driver->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return;
    }
    // A select of nothing admits every tag again.
    auto call = std::make_shared<TagSelectCall>();
    call->params.bank = AppContext::Instance()->currentSelect().bank;
    const intptr_t handle = driver->GetHandle();
    RunReaderCall(
        m_runner, this, ui->cancelSelectBtn, [call, handle] { return call->run(handle); },
        [call](const ReaderCallResult& r) {
            if (!r.ok) {
                LogFailure("IDCS_NO_SELECT_FAILED", r.errorCode);
                return;
            }
            AppContext::Instance()->SelectApplied(call->params, false);
            LogKey("IDCS_NO_SELECT_SUCCESS");
        });
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
    drainReads();
    const bool saved = TagFileWriter::save(saveFilePath(), m_table);
    if (!saved && !m_saveFailing) {
        AppContext::Instance()->logError(
            LangText("IDCS_SAVE_FILE_FAILED")
                .arg(QDir::toNativeSeparators(QFileInfo(saveFilePath()).absoluteFilePath())),
            -1);
    }
    m_saveFailing = !saved;
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
    // A row read without a TID (or EPC) has nothing to copy or select by.
    const bool hasEpc = !currentText(TagListModel::ColEpc).isEmpty();
    const bool hasTid = !currentText(TagListModel::ColTid).isEmpty();
    menu->addAction(LangText("IDCS_COPY_EPC"), this, &ReadCardFor6CDlg::slot_copyItemEPC)->setEnabled(hasEpc);
    menu->addAction(LangText("IDCS_COPY_TID"), this, &ReadCardFor6CDlg::slot_copyItemTID)->setEnabled(hasTid);
    menu->addAction(LangText("IDCS_EXPORT"), this, &ReadCardFor6CDlg::slot_exportItem);
    menu->addAction(LangText("IDCS_SELECT_EPC"), this, &ReadCardFor6CDlg::slot_selectEpc)->setEnabled(hasEpc);
    menu->addAction(LangText("IDCS_SELECT_TID"), this, &ReadCardFor6CDlg::slot_selectTid)->setEnabled(hasTid);
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
    LogKey(TagFileWriter::save(TagFileWriter::withSuffix(path, format), m_table, format)
               ? "IDCS_EXPORT_SUCCESS"
               : "IDCS_EXPORT_FAILED");
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
