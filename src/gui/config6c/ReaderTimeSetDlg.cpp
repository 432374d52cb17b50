#include "gui/config6c/ReaderTimeSetDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IdentityClock.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_ReaderTimeSetDlg.h"

#include <QDateTime>

ReaderTimeSetDlg::ReaderTimeSetDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ReaderTimeSetDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_TIME_CONFIG"));
    ui->dateLabel->setText(LangText("IDCS_DATE"));
    ui->timeLabel->setText(LangText("IDCS_TIME"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    ui->curTimeBtn->setText(LangText("IDCS_GET_CURTIME"));
    // The record keeps the year within the century, read back as 20xx.
    ui->dateEdit->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    connect(ui->queryBtn, &QPushButton::clicked, this, &ReaderTimeSetDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &ReaderTimeSetDlg::slot_SetBtnClicked);
    connect(ui->curTimeBtn, &QPushButton::clicked, this, &ReaderTimeSetDlg::slot_GetCurtimeBtnClicked);
}

ReaderTimeSetDlg::~ReaderTimeSetDlg() = default;

void ReaderTimeSetDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

void ReaderTimeSetDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char buffer[IdentityClock::kClockQueryBufferSize] = {};
    unsigned char length = IdentityClock::kClockQueryBufferSize;
    if (!ZALT_ReaderTimeQuery(Config6CHandle(), buffer, &length)) {
        LogKey("IDCS_QUERY_TIME_CONFIG_FAILED", true);
        return;
    }
    QDate date;
    QTime time;
    if (!IdentityClock::decodeClock(buffer, length, &date, &time)) {
        LogKey("IDCS_QUERY_TIME_CONFIG_FAILED");
        return;
    }
    ui->dateEdit->setDate(date);
    ui->timeEdit->setTime(time);
    LogKey("IDCS_QUERY_TIME_CONFIG_SUCCESS");
}

void ReaderTimeSetDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const QByteArray record = IdentityClock::clockRecord(ui->dateEdit->date(), ui->timeEdit->time());
    const bool ok =
        ZALT_SetReaderTime(Config6CHandle(), reinterpret_cast<const unsigned char*>(record.constData()),
                           static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? "IDCS_SET_TIME_CONFIG_SUCCESS" : "IDCS_SET_TIME_CONFIG_FAILED", !ok);
}

void ReaderTimeSetDlg::slot_GetCurtimeBtnClicked()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateEdit->setDate(now.date());
    ui->timeEdit->setTime(now.time());
}
