#include "gui/configgjb/SensitivityTestDlg.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/configgjb/SensitivityTestThread.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/configgjb/GjbConfigLink.h"
#include "ui_SensitivityTestDlg.h"

namespace {
const QString kGroup = QStringLiteral("SensitivityTestDlg");
const QString kKey = QStringLiteral("SensitivitySaveFile");
} // namespace

SensitivityTestDlg::SensitivityTestDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SensitivityTestDlg>()),
      m_thread(new SensitivityTestThread(this))
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SENSITIVITY_TEST"));
    ui->countLabel->setText(LangText("IDCS_TEST_COUNT"));
    ui->countSpin->setRange(0, 99);
    ui->fileLabel->setText(LangText("IDCS_SAVE_FILE"));
    ui->browseBtn->setText(LangText("IDCS_BROWSE"));
    ui->startBtn->setText(LangText("IDCS_START"));
    ui->stopBtn->setText(LangText("IDCS_STOP"));
    ui->fileEdit->setText(DeviceProfile::Instance()->GetValue(kGroup, kKey));
    SetRunning(false);
    connect(ui->startBtn, &QPushButton::clicked, this, &SensitivityTestDlg::slot_startBtnClicked);
    connect(ui->stopBtn, &QPushButton::clicked, this, &SensitivityTestDlg::slot_stopBtnClicked);
    connect(ui->browseBtn, &QPushButton::clicked, this, &SensitivityTestDlg::slot_browseBtnClicked);
    connect(m_thread, &SensitivityTestThread::sig_result, this, &SensitivityTestDlg::slot_testResult);
    // A stopped run ends without a result; the buttons come back when its worker is done.
    connect(m_thread, &QThread::finished, this, [this] { SetRunning(!m_thread->IsFinished()); });
}

SensitivityTestDlg::~SensitivityTestDlg()
{
    if (!m_thread->IsFinished()) {
        m_thread->StopTest();
    }
}

void SensitivityTestDlg::SetRunning(bool running)
{
    ui->startBtn->setEnabled(!running);
    ui->browseBtn->setEnabled(!running);
    ui->stopBtn->setEnabled(running);
}

void SensitivityTestDlg::slot_browseBtnClicked()
{
    const QString path = AskConfig6CFile(this, false, LangText("IDCS_SENSITIVITY_TEST"), QStringLiteral("./"),
                                         QStringLiteral("All Files (*.*)"));
    if (path.isEmpty()) {
        return;
    }
    ui->fileEdit->setText(path);
    DeviceProfile::Instance()->SetValue(kGroup, kKey, path);
}

void SensitivityTestDlg::slot_startBtnClicked()
{
    const QString path = ui->fileEdit->text();
    if (path.isEmpty()) {
        LogKey("IDCS_SELECT_SAVE_FILE");
        return;
    }
    m_thread->SetParams(GjbReader(), ui->countSpin->value(), path);
    if (!m_thread->StartTest()) {
        LogKey("IDCS_SENSITIVITY_TEST_FAILED");
        return;
    }
    SetRunning(true);
    LogKey("IDCS_SENSITIVITY_TEST_START");
}

void SensitivityTestDlg::slot_stopBtnClicked()
{
    // The worker ends after its current receive; the window does not wait for it.
    m_thread->StopTest();
    ui->stopBtn->setEnabled(false);
}

void SensitivityTestDlg::slot_testResult(int /*result*/)
{
    SetRunning(false);
}

void DisturbreStrainDlg::RunInit()
{
    ReaderDllGJB* reader = GjbReader();
    const bool ok = reader && reader->DisturbreStrainInit();
    if (ok) {
        LogKey("IDCS_DISTURBRESTRAIN_SUCCESS");
    } else {
        LogFailure("IDCS_DISTURBRESTRAIN_FAILED", reader ? reader->GetErrorCode() : 0);
    }
}
