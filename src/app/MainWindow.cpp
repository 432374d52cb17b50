#include "app/MainWindow.h"

#include "app/AppContext.h"
#include "app/DeviceProfile.h"
#include "app/LanguageText.h"
#include "ui_MainWindow.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    setWindowTitle(LangText(
        DeviceProfile::Instance()->GetValue(QStringLiteral("MainWindow"), QStringLiteral("WinTitle"))));
    AppContext::Instance()->SetMainWindow(this);
    m_restart = false;
}

MainWindow::~MainWindow()
{
    // First, so no notification is posted to a half-destroyed window.
    AppContext* context = AppContext::Instance();
    if (context->GetMainWindow() == this) {
        context->SetMainWindow(nullptr);
    }
}

void MainWindow::showLogMessage(const QString& text, bool isError)
{
    QObject* opList = m_opListDlg.data();
    if (!opList) {
        return;
    }
    QMetaObject::invokeMethod(opList, "slot_showMsg", Qt::QueuedConnection, Q_ARG(QString, text),
                              Q_ARG(bool, isError));
}

void MainWindow::SetOpListDlg(QObject* opListDlg)
{
    m_opListDlg = opListDlg;
}

QWidget* MainWindow::connetContainer() const
{
    return ui->connetContainer;
}

QWidget* MainWindow::workContainer() const
{
    return ui->workContainer;
}

QWidget* MainWindow::opListContainer() const
{
    return ui->opListContainer;
}

void MainWindow::slot_updateReaderState(int nConnetType)
{
    Q_UNUSED(nConnetType);
}

void MainWindow::slot_UpdateReadCount(int count, int speed, int nReset)
{
    Q_UNUSED(count);
    Q_UNUSED(speed);
    Q_UNUSED(nReset);
}

void MainWindow::slot_CutConnet() {}
