#include "gui/gjb/ReadCardDlg.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/gjb/ReadCardThread.h"
#include "core/inventory/ReadPageSettings.h"
#include "core/reader/ReaderDllGJB.h"
#include "core/reader/ReaderErrors.h"
#include "gui/gjb/TagOpDlg.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/TagListModel.h"
#include "ui_ReadCardDlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTextStream>
#include <QTimer>

#include <iterator>

namespace {

const char kGroup[] = "ReadCardDlg";
} // namespace

ReaderDllGJB* CurrentGjbReader()
{
    return dynamic_cast<ReaderDllGJB*>(CurrentReader());
}

ReadCardDlg::ReadCardDlg(QWidget* workspace, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ReadCardDlg>())
{
    ui->setupUi(this);
    m_model = new TagListModel(this);
    ui->tagTree->setModel(m_model);
    ui->tagTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tagTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tagTree->setRootIsDecorated(false);
    // A GJB reader's reports carry no signal strength.
    for (int c : {TagListModel::ColRssi, TagListModel::ColBestRssi}) {
        ui->tagTree->setColumnHidden(c, true);
    }
    ui->durationSpin->setRange(0, 86400000);
    ui->durationSpin->setSingleStep(100);
    ui->durationSpin->setValue(1000);
    ui->saveIntervalSpin->setRange(0, 86400000);
    ui->saveIntervalSpin->setSingleStep(100);
    ui->saveIntervalSpin->setValue(1000);
    applyTexts();

    m_refreshInterval = ReadPageInterval(kGroup, "RefreshTimer");
    m_beepInterval = ReadPageInterval(kGroup, "BEEP_TIME");
    m_saveFile = ReadPageSaveFilePath(kGroup);

    m_refreshTimer = new QTimer(this);
    m_saveTimer = new QTimer(this);
    m_beepTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, &ReadCardDlg::slot_refresh_time);
    connect(m_saveTimer, &QTimer::timeout, this, &ReadCardDlg::slot_save_file);
    connect(m_beepTimer, &QTimer::timeout, this, &ReadCardDlg::slot_beep);

    connect(ui->timerBtn, &QPushButton::clicked, this, &ReadCardDlg::slot_timerBtnClicked);
    connect(ui->circulateBtn, &QPushButton::clicked, this, &ReadCardDlg::slot_CirculateBtnClicked);
    connect(ui->stopBtn, &QPushButton::clicked, this, &ReadCardDlg::slot_StopBtnClicked);
    connect(ui->clearBtn, &QPushButton::clicked, this, &ReadCardDlg::slot_ClearBtnClicked);
    connect(ui->soundCheck, &QCheckBox::stateChanged, this, &ReadCardDlg::slot_beepBtnStateChanged);
    connect(ui->tagTree, &QTreeView::doubleClicked, this, &ReadCardDlg::slot_itemDoubleClicked);

    if (!workspace) {
        connect(this, &ReadCardDlg::sig_sendReadCount, AppContext::Instance(), &AppContext::NotifyReadCount);
    }

    m_thread = new ReadCardThread(this);
    m_thread->setDriver(CurrentGjbReader());
    connect(m_thread, &ReadCardThread::sig_linkLost, this, &ReadCardDlg::slot_linkLost, Qt::QueuedConnection);
    m_tagOpDlg = new TagOpDlg(this);
    updateButtons(ReaderDllBase::StateConnected);
}

ReadCardDlg::~ReadCardDlg()
{
    // The receive loop must end before the table it fills goes away.
    m_thread->stopCollect();
}

void ReadCardDlg::applyTexts()
{
    ui->titleLabel->setText(LangText("IDCS_READ_CARD"));
    setWindowTitle(LangText("IDCS_READ_CARD"));
    ui->fwdLinkLabel->setText(LangText("IDCS_LINK_PERIODIC_TIME"));
    ui->preambleLabel->setText(LangText("IDCS_SINGLE_PER"));
    ui->codeLabel->setText(LangText("IDCS_CODE_SELECT"));
    ui->timerBtn->setText(LangText("IDCS_TIMER"));
    ui->circulateBtn->setText(LangText("IDCS_CIRCULATE"));
    ui->stopBtn->setText(LangText("IDCS_STOP"));
    ui->recordCheck->setText(LangText("IDCS_RECORD_INFO"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    ui->soundCheck->setText(LangText("IDCS_OPEN_SOUND"));
    ui->readCountCaptionLabel->setText(LangText("IDCS_READ_ALL_COUNT"));

    ui->fwdLinkCombo->clear();
    ui->fwdLinkCombo->addItems({QStringLiteral("12.5us"), QStringLiteral("6.25us")});
    ui->fwdLinkCombo->setCurrentIndex(0);
    ui->ulinkCombo->clear();
    if (DeviceProfile::Instance()->IsEnabled(QString::fromLatin1(kGroup),
                                             QStringLiteral("UlinkPeriodicGB"))) {
        ui->ulinkLabel->setText(LangText("IDCS_ULINK_SPEED"));
        ui->ulinkCombo->addItems({"64K", "137.14K", "174.55K", "320K", "128K", "274.29K", "349.09K", "640K"});
        ui->ulinkCombo->setCurrentIndex(0);
    } else {
        ui->ulinkLabel->setText(LangText("IDCS_ULINK_TIME"));
        ui->ulinkCombo->addItems({"0.25Tc", "0.5Tc", "1Tc", "reserved"});
        ui->ulinkCombo->setCurrentIndex(2);
    }
    ui->preambleCombo->clear();
    ui->preambleCombo->addItems({LangText("IDCS_NO_HAVE"), LangText("IDCS_HAVE")});
    ui->preambleCombo->setCurrentIndex(1);
    ui->codeCombo->clear();
    ui->codeCombo->addItems({"FM0", "miler2", "miler4", "miler8"});
    ui->codeCombo->setCurrentIndex(0);

    QStringList headers;
    for (const char* key :
         {"IDCS_NUMBER", "IDCS_TAG_ID", "IDCS_TAG_INFO", "IDCS_READTIME", "IDCS_ANTENNA_ONE_COUNT",
          "IDCS_ANTENNA_TWO_COUNT", "IDCS_ANTENNA_THREE_COUNT", "IDCS_ANTENNA_FOUR_COUNT"}) {
        headers << LangText(key);
    }
    m_model->setHeaderTexts(headers);
    const int widths[] = {50, 200, 80, 100, 90, 90, 90, 90};
    for (int c = 0; c < static_cast<int>(std::size(widths)); ++c) {
        ui->tagTree->header()->resizeSection(c, widths[c]);
    }
}

QString ReadCardDlg::saveFilePath() const
{
    return m_saveFile;
}

void ReadCardDlg::updateButtons(int state)
{
    const bool idle = state == ReaderDllBase::StateConnected || state == ReaderDllBase::StateTimedReadEnded;
    ui->timerBtn->setEnabled(idle);
    ui->circulateBtn->setEnabled(idle);
    ui->stopBtn->setEnabled(state == ReaderDllBase::StateReading);
    if (state != ReaderDllBase::StateTimedReadEnded || !m_timedMode) {
        return;
    }
    // A run of 0 ms has no average to speak of.
    const int duration = ui->durationSpin->value();
    if (duration > 0) {
        const double average = static_cast<double>(m_table.totalReads()) / (duration / 1000.0);
        AppContext::Instance()->logMessage(LangText("IDCS_AVERAGE_READ_CARD_1").arg(average), false);
    }
}

bool ReadCardDlg::startRun(bool timed)
{
    ReaderDllGJB* driver = CurrentGjbReader();
    if (!driver || !driver->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    const std::vector<uint8_t> antennas = driver->AntennaList();
    const int duration = timed ? ui->durationSpin->value() : 0;
    const bool ok =
        driver->Inventory(static_cast<int>(antennas.size()), antennas.data(), timed ? 1 : 0, duration,
                          ui->fwdLinkCombo->currentIndex(), 0, ui->ulinkCombo->currentIndex(),
                          ui->codeCombo->currentIndex(), ui->preambleCombo->currentIndex());
    if (!ok) {
        const int code = driver->GetErrorCode();
        LogFailure("IDCS_INVENTORY_FAILED", code);
        if (ReaderError::MeansLinkGone(code)) {
            AppContext::Instance()->ReaderLinkLost();
        }
        updateButtons(driver->GetState());
        return false;
    }
    m_timedMode = timed;
    slot_ClearBtnClicked();
    m_thread->setDriver(driver);
    m_thread->startCollect(timed ? duration : -1);
    LogKey("IDCS_INVENTORY_SUCCESS");
    startTimers();
    updateButtons(driver->GetState());
    m_rateWatch.start();
    m_previousTotal = 0;
    emit sig_sendReadCount(0, 0, 0);
    return true;
}

void ReadCardDlg::startTimers()
{
    m_refreshTimer->start(m_refreshInterval);
    if (ui->recordCheck->isChecked()) {
        m_saveTimer->start(qMax(kReadPageMinInterval, ui->saveIntervalSpin->value()));
    }
}

void ReadCardDlg::slot_timerBtnClicked()
{
    startRun(true);
}

void ReadCardDlg::slot_CirculateBtnClicked()
{
    startRun(false);
}

void ReadCardDlg::slot_StopBtnClicked()
{
    ReaderDllGJB* driver = CurrentGjbReader();
    if (!driver || !driver->IsState(ReaderDllBase::StateReading)) {
        LogKey("IDCS_READER_NOREAD");
        return;
    }
    m_thread->stopCollect();
    m_refreshTimer->stop();
    m_saveTimer->stop();
    const bool stopped = driver->StopInventorySpecReadTag();
    const int code = stopped ? 0 : driver->GetErrorCode();
    driver->SetState(ReaderDllBase::StateConnected);
    updateButtons(ReaderDllBase::StateTimedReadEnded);
    if (stopped) {
        LogKey("IDCS_STOP_SCCUSS");
        return;
    }
    LogFailure("IDCS_STOP_READ_FAILED", code);
    if (ReaderError::MeansLinkGone(code)) {
        AppContext::Instance()->ReaderLinkLost();
    }
}

void ReadCardDlg::slot_linkLost()
{
    ReaderDllGJB* driver = CurrentGjbReader();
    // What arrived before the link went still counts.
    slot_refresh_time();
    m_thread->stopCollect();
    m_refreshTimer->stop();
    m_saveTimer->stop();
    if (driver && driver->IsState(ReaderDllBase::StateReading)) {
        driver->SetState(ReaderDllBase::StateConnected);
    }
    AppContext::Instance()->ReaderLinkLost();
    updateButtons(ReaderDllBase::StateDisconnected);
}

void ReadCardDlg::slot_refresh_time()
{
    m_thread->mergeInto(m_table);
    if (m_table.size() == 0) {
        return;
    }
    m_table.syncRows(*m_model);
    const qint64 total = m_table.totalReads();
    ui->readCountLabel->setText(QString::number(total));
    qint64 elapsed = 0;
    if (m_rateWatch.isValid()) {
        elapsed = m_rateWatch.restart();
    } else {
        m_rateWatch.start();
    }
    const qint64 rate = elapsed <= 0 ? 0 : (total - m_previousTotal) * 1000 / elapsed;
    m_previousTotal = total;
    emit sig_sendReadCount(m_table.size(), static_cast<int>(rate), 1);
}

void ReadCardDlg::slot_save_file()
{
    if (m_table.size() == 0) {
        return;
    }
    QFile file(saveFilePath());
    bool saved = file.open(QIODevice::Append | QIODevice::Text);
    if (saved) {
        QTextStream out(&file);
        QStringList labels;
        for (const char* key : {"IDCS_CRAD_NUMBER", "IDCS_ANTENNA_ONE_COUNT", "IDCS_ANTENNA_TWO_COUNT",
                                "IDCS_ANTENNA_THREE_COUNT", "IDCS_ANTENNA_FOUR_COUNT", "IDCS_LAST_READ_TIME",
                                "IDCS_OTHER_INFO"}) {
            labels << LangText(key);
        }
        m_table.writeText(out, labels);
        out.flush();
        saved = out.status() == QTextStream::Ok && file.error() == QFileDevice::NoError;
    }
    // Said once per failing streak: the timer fires every few seconds.
    if (!saved && !m_saveFailing) {
        AppContext::Instance()->logError(
            LangText("IDCS_SAVE_FILE_FAILED")
                .arg(QDir::toNativeSeparators(QFileInfo(saveFilePath()).absoluteFilePath())),
            -1);
    }
    m_saveFailing = !saved;
}

void ReadCardDlg::slot_beep()
{
    if (m_thread->takeReadFlag()) {
        Beeper::Instance()->play({{6000, 200}, {0, 0}});
    }
}

void ReadCardDlg::slot_beepBtnStateChanged(int state)
{
    if (state == 0) {
        m_beepTimer->stop();
    } else {
        m_beepTimer->start(m_beepInterval);
    }
}

void ReadCardDlg::slot_ClearBtnClicked()
{
    m_thread->clearTags();
    m_previousTotal = 0;
    emit sig_sendReadCount(0, 0, 2);
    ui->readCountLabel->setText(QStringLiteral("0"));
    m_model->clear();
    m_table.clear();
}

void ReadCardDlg::slot_itemDoubleClicked(const QModelIndex& index)
{
    ReaderDllGJB* driver = CurrentGjbReader();
    if (driver && driver->IsState(ReaderDllBase::StateReading)) {
        LogKey("IDCS_READING_CARD");
        return;
    }
    if (!driver || !driver->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return;
    }
    if (!index.isValid()) {
        return;
    }
    m_tagOpDlg->setTagId(m_model->text(index.row(), TagListModel::ColEpc));
    m_tagOpDlg->setModal(true);
    m_tagOpDlg->show();
}

bool ReadCardDlg::handleKey(int key)
{
    if (isHidden()) {
        return false;
    }
    switch (key) {
    case Qt::Key_F7:
        if (ui->timerBtn->isEnabled()) {
            slot_timerBtnClicked();
        }
        return true;
    case Qt::Key_F8:
        if (ui->circulateBtn->isEnabled()) {
            slot_CirculateBtnClicked();
        }
        return true;
    case Qt::Key_F9:
        if (ui->stopBtn->isEnabled()) {
            slot_StopBtnClicked();
        }
        return true;
    default:
        return false;
    }
}

void ReadCardDlg::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event->key())) {
        QWidget::keyPressEvent(event);
    }
}
