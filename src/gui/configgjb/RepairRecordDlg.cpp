#include "gui/configgjb/RepairRecordDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/configgjb/GjbConfigRules.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/configgjb/AddRepairRecordDlg.h"
#include "gui/configgjb/GjbConfigLink.h"
#include "gui/reader/ReaderCallUi.h"
#include "ui_RepairRecordDlg.h"

#include <gjbzaltlink.h>

#include <QDateTime>

#include <vector>

namespace {

RepairRecordDlg::DialogRunner g_runner;

// More rows than a reader can hold is a count that cannot be right; it is not made into a table.
constexpr int kMaxRows = 65535;

struct Record
{
    QString time;
    QString text;
};

struct QueryResult
{
    int count = 0;
    std::vector<Record> records;
};

} // namespace

RepairRecordDlg::RepairRecordDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::RepairRecordDlg>()), m_addDlg(new AddRepairRecordDlg(this)),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_REPAIR_RECORD"));
    ui->recordTable->setColumnCount(3);
    ui->recordTable->setHorizontalHeaderLabels(
        {LangText("IDCS_NUMBER"), LangText("IDCS_VALUE"), LangText("IDCS_OPERATE")});
    ui->recordTable->setColumnWidth(0, 60);
    ui->recordTable->setColumnWidth(1, 200);
    ui->recordTable->setColumnWidth(2, 400);
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->addBtn->setText(LangText("IDCS_ADD_RECORD"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &RepairRecordDlg::slot_QueryBtnClicked);
    connect(ui->addBtn, &QPushButton::clicked, this, &RepairRecordDlg::slot_AddBtnClicked);
}

RepairRecordDlg::~RepairRecordDlg() = default;

void RepairRecordDlg::SetDialogRunner(DialogRunner runner)
{
    g_runner = std::move(runner);
}

void RepairRecordDlg::SetRow(int row, const QString& time, const QString& text)
{
    auto* number = new QTableWidgetItem(QString::number(row + 1));
    number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    number->setFlags(Qt::ItemIsEnabled);
    ui->recordTable->setItem(row, 0, number);
    ui->recordTable->setItem(row, 1, new QTableWidgetItem(time));
    ui->recordTable->setItem(row, 2, new QTableWidgetItem(text));
}

void RepairRecordDlg::slot_QueryBtnClicked()
{
    if (!GjbReaderReady()) {
        return;
    }
    ui->recordTable->setRowCount(0);
    const auto handle = static_cast<GJB_HANDLE>(GjbReader()->GetHandle());
    auto result = std::make_shared<QueryResult>();
    RunReaderCall(
        m_runner, this, ui->queryBtn,
        [handle, result] {
            int count = 0;
            const bool ok = GJB_ReadRepairRecordCount(handle, &count) != 0;
            result->count = qBound(0, count, kMaxRows);
            for (int i = 0; ok && i < result->count; ++i) {
                unsigned char time[GjbConfigRules::kRepairTimeBytes] = {};
                unsigned char text[GjbConfigRules::kRecordBytes] = {};
                int length = GjbConfigRules::kRecordBytes;
                if (!GJB_ReadRepairRecord(handle, i, time, text, &length)) {
                    break; // the rows read so far are shown
                }
                result->records.push_back(
                    {GjbConfigRules::RecordText(time, sizeof time, int(sizeof time)).section(QChar(0), 0, 0),
                     GjbConfigRules::RecordText(text, sizeof text, length)});
            }
            return ok;
        },
        [this, result](const ReaderCallResult& r) {
            ui->recordTable->setRowCount(result->count);
            for (size_t i = 0; i < result->records.size(); ++i) {
                SetRow(int(i), result->records[i].time, result->records[i].text);
            }
            LogKey(r.ok ? "IDCS_QUERY_SUCCESS" : "IDCS_QUERY_FAILED");
        });
}

void RepairRecordDlg::slot_AddBtnClicked()
{
    if (!GjbReaderReady()) {
        return;
    }
    const int answer = g_runner ? g_runner(m_addDlg) : m_addDlg->exec();
    if (answer != QDialog::Accepted) {
        return;
    }
    const QString text = m_addDlg->Text();
    if (text.isEmpty()) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > GjbConfigRules::kRecordBytes) {
        LogKey("IDCS_DATA_LEN_ERRO");
        return;
    }
    const auto handle = static_cast<GJB_HANDLE>(GjbReader()->GetHandle());
    RunReaderCall(
        m_runner, this, ui->addBtn,
        [handle, bytes] {
            return GJB_WriteRepairRecord(handle, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                         int(bytes.size())) != 0;
        },
        [this, text](const ReaderCallResult& r) {
            if (!r.ok) {
                LogKey("IDCS_SET_FAILED");
                return;
            }
            const int row = ui->recordTable->rowCount();
            ui->recordTable->setRowCount(row + 1);
            SetRow(row, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), text);
            LogKey("IDCS_SET_SUCCESS");
        });
}
