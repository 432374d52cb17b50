#include "gui/firmware/FirmWareUpdateFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/firmware/FirmWareUpdateFor6CThread.h"
#include "core/firmware/FirmwareFile.h"
#include "ui_FirmWareUpdateFor6CDlg.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QMutex>

namespace {
QMutex g_askerMutex;
FirmWareUpdateFor6CDlg::OpenFileAsker g_openFileAsker;
} // namespace

FirmWareUpdateFor6CDlg::FirmWareUpdateFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FirmWareUpdateFor6CDlg>()),
      m_thread(new FirmWareUpdateFor6CThread(this))
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_FIRMWARE_UPDATE"));
    ui->updateItemLabel->setText(LangText("IDCS_UPDATE_ITEM"));
    ui->firmwareRb->setText(LangText("IDCS_FIRMWARE"));
    ui->tranFileRb->setText(LangText("IDCS_TRANFILE"));
    ui->updateFileLabel->setText(LangText("IDCS_UPDATE_FILE"));
    ui->browseBtn->setText(LangText("IDCS_BROWSE"));
    ui->updateBtn->setText(LangText("IDCS_START_UPDATE"));
    ui->quitBtn->setText(LangText("IDCS_QUIT"));

    connect(ui->updateBtn, &QPushButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_UpdateBtnClicked);
    connect(ui->quitBtn, &QPushButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_QuitBtnClicked);
    connect(ui->browseBtn, &QPushButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_BrowerBtnCliecked);
    connect(ui->r2000Rb, &QRadioButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_SetBtnUp);
    connect(ui->firmwareRb, &QRadioButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_SetBtnUp);
    connect(ui->tranFileRb, &QRadioButton::clicked, this, &FirmWareUpdateFor6CDlg::slot_SetBtnTransfer);
    connect(m_thread, &FirmWareUpdateFor6CThread::resultReady, this,
            &FirmWareUpdateFor6CDlg::slot_ResultUpdate, Qt::QueuedConnection);
}

// The thread object is a child: its destructor abandons a running transfer and waits for it.
FirmWareUpdateFor6CDlg::~FirmWareUpdateFor6CDlg() = default;

void FirmWareUpdateFor6CDlg::SetOpenFileAsker(OpenFileAsker asker)
{
    QMutexLocker lock(&g_askerMutex);
    g_openFileAsker = std::move(asker);
}

void FirmWareUpdateFor6CDlg::showEvent(QShowEvent* event)
{
    ui->progressBar->setValue(0);
    QDialog::showEvent(event);
}

bool FirmWareUpdateFor6CDlg::RefuseWhileBusy()
{
    if (m_thread->IsIdle()) {
        return false;
    }
    LogKey("IDCS_UPDATEING_WAIT");
    return true;
}

void FirmWareUpdateFor6CDlg::slot_SetBtnUp()
{
    ui->updateBtn->setText(LangText("IDCS_START_UPDATE"));
}

void FirmWareUpdateFor6CDlg::slot_SetBtnTransfer()
{
    ui->updateBtn->setText(LangText("IDCS_START_TRANSFER"));
}

void FirmWareUpdateFor6CDlg::slot_BrowerBtnCliecked()
{
    const QString caption = LangText("IDCS_SELECT_FILE");
    const QString filter = QStringLiteral("All Files (*.*)");
    OpenFileAsker asker;
    {
        QMutexLocker lock(&g_askerMutex);
        asker = g_openFileAsker;
    }
    const QString path = asker ? asker(this, caption, QStringLiteral("./"), filter)
                               : QFileDialog::getOpenFileName(this, caption, QStringLiteral("./"), filter);
    if (!path.isEmpty()) {
        ui->pathEdit->setText(path);
    }
}

void FirmWareUpdateFor6CDlg::slot_UpdateBtnClicked()
{
    if (RefuseWhileBusy()) {
        return;
    }
    const QString path = ui->pathEdit->text();
    if (path.isEmpty()) {
        LogKey("IDCS_PLEASE_SELECT_FILE");
        return;
    }
    uint8_t kind = Firmware::KindTransfer;
    if (ui->r2000Rb->isChecked()) {
        kind = Firmware::KindR2000;
    } else if (ui->firmwareRb->isChecked()) {
        kind = Firmware::KindFirmware;
    }
    // A run that has just reported may still be returning from its body.
    m_thread->wait();
    m_thread->SetJob(path, kind, Firmware::TftpPortSetting());
    m_thread->SetIdle(false);
    m_thread->start(QThread::InheritPriority);
}

void FirmWareUpdateFor6CDlg::slot_QuitBtnClicked()
{
    if (!RefuseWhileBusy()) {
        close();
    }
}

void FirmWareUpdateFor6CDlg::reject()
{
    if (!RefuseWhileBusy()) {
        QDialog::reject();
    }
}

void FirmWareUpdateFor6CDlg::closeEvent(QCloseEvent* event)
{
    if (RefuseWhileBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FirmWareUpdateFor6CDlg::slot_ResultUpdate(int nResult)
{
    if (nResult == 100) {
        LogKey("IDCS_FIRMWARE_UPDATE_SUCCESS");
        if (m_thread->Kind() != Firmware::KindTransfer) {
            // The reader is restarting: its link is gone.
            AppContext::Instance()->RequestCutConnection();
        }
        ui->progressBar->setValue(100);
        close();
    } else if (nResult == -1) {
        LogKey("IDCS_FIRMWARE_UPDATE_FAILED", true);
        ui->progressBar->setValue(0);
    } else {
        ui->progressBar->setValue(nResult);
    }
}
