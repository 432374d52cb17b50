#include "gui/configgjb/ElectronRecordDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/configgjb/GjbConfigRules.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/configgjb/GjbConfigLink.h"
#include "gui/reader/ReaderCallUi.h"
#include "ui_ElectronRecordDlg.h"

#include <gjbzaltlink.h>

#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>

#include <vector>

namespace {

using GjbConfigRules::kElectronSlots;
using GjbConfigRules::kRecordBytes;

bool ReadSlot(GJB_HANDLE handle, int slot, QString* text)
{
    unsigned char buffer[kRecordBytes] = {};
    int length = kRecordBytes;
    if (!GJB_Read_Electron_Record(handle, slot, buffer, &length)) {
        return false;
    }
    *text = GjbConfigRules::RecordText(buffer, kRecordBytes, length);
    return true;
}

bool WriteSlot(GJB_HANDLE handle, int slot, const QByteArray& bytes)
{
    return GJB_Write_Electron_Record(handle, slot, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                     int(bytes.size())) != 0;
}

GJB_HANDLE Handle()
{
    return static_cast<GJB_HANDLE>(GjbReader()->GetHandle());
}

} // namespace

ElectronRecordDlg::ElectronRecordDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ElectronRecordDlg>()), m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_ELECTRON_RECORD"));
    QTableWidget* table = ui->recordTable;
    table->setColumnCount(3);
    table->setRowCount(kElectronSlots);
    table->setHorizontalHeaderLabels(
        {LangText("IDCS_NUMBER"), LangText("IDCS_VALUE"), LangText("IDCS_OPERATE")});
    table->setColumnWidth(0, 60);
    table->setColumnWidth(1, 500);
    table->setColumnWidth(2, 120);
    for (int row = 0; row < kElectronSlots; ++row) {
        auto* number = new QTableWidgetItem(QStringLiteral("%1").arg(row + 1));
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setFlags(Qt::ItemIsEnabled);
        table->setItem(row, 0, number);
        table->setItem(row, 1, new QTableWidgetItem());
        auto* cell = new QWidget(table);
        auto* layout = new QHBoxLayout(cell);
        layout->setSpacing(6);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* query = new QPushButton(LangText("IDCS_QUERY"), cell);
        auto* set = new QPushButton(LangText("IDCS_SET"), cell);
        query->setObjectName(QString::number(row));
        set->setObjectName(QString::number(row));
        query->setProperty("rowSet", false);
        set->setProperty("rowSet", true);
        layout->addWidget(query);
        layout->addWidget(set);
        layout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        table->setCellWidget(row, 2, cell);
        connect(query, &QPushButton::clicked, this, &ElectronRecordDlg::slot_QueryOneBtnClicked);
        connect(set, &QPushButton::clicked, this, &ElectronRecordDlg::slot_SetOneBtnClicked);
    }
    ui->queryBtn->setText(LangText("IDCS_QUERY_ALL_RECORDS"));
    ui->setBtn->setText(LangText("IDCS_SET_ALL_RECORDS"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &ElectronRecordDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &ElectronRecordDlg::slot_SetBtnClicked);
}

ElectronRecordDlg::~ElectronRecordDlg() = default;

int ElectronRecordDlg::SenderRow() const
{
    const QObject* button = sender();
    if (!button) {
        return -1;
    }
    bool ok = false;
    const int row = button->objectName().toInt(&ok);
    return ok && row >= 0 && row < kElectronSlots ? row : -1;
}

QWidget* ElectronRecordDlg::RowButton(int row, bool set) const
{
    const QWidget* cell = ui->recordTable->cellWidget(row, 2);
    for (QPushButton* b : cell->findChildren<QPushButton*>()) {
        if (b->property("rowSet").toBool() == set) {
            return b;
        }
    }
    return nullptr;
}

void ElectronRecordDlg::slot_QueryOneBtnClicked()
{
    const int row = SenderRow();
    if (row < 0 || !GjbReaderReady()) {
        return;
    }
    const GJB_HANDLE handle = Handle();
    auto text = std::make_shared<QString>();
    RunReaderCall(
        m_runner, this, RowButton(row, false),
        [handle, row, text] { return ReadSlot(handle, row, text.get()); },
        [this, row, text](const ReaderCallResult& r) {
            const QString n = QString::number(row + 1);
            if (!r.ok) {
                AppContext::Instance()->logMessage(LangText("IDCS_QUERY_LINE_FAILED_1").arg(n), true);
                return;
            }
            ui->recordTable->item(row, 1)->setText(*text);
            AppContext::Instance()->logMessage(LangText("IDCS_QUERY_LINE_SUCCESS_1").arg(n), false);
        });
}

void ElectronRecordDlg::slot_SetOneBtnClicked()
{
    const int row = SenderRow();
    if (row < 0 || !GjbReaderReady()) {
        return;
    }
    const QTableWidgetItem* item = ui->recordTable->item(row, 1);
    const QString n = QString::number(row + 1);
    if (!item) {
        AppContext::Instance()->logMessage(LangText("IDCS_SET_LINE_FAILED_1").arg(n), true);
        return;
    }
    // The reader keeps 255 bytes; a longer text loses whole characters at its end.
    const QByteArray bytes = GjbConfigRules::Utf8Cut(item->text());
    const GJB_HANDLE handle = Handle();
    RunReaderCall(
        m_runner, this, RowButton(row, true), [handle, row, bytes] { return WriteSlot(handle, row, bytes); },
        [n](const ReaderCallResult& r) {
            AppContext::Instance()->logMessage(
                LangText(r.ok ? "IDCS_SET_LINE_SUCCESS_1" : "IDCS_SET_LINE_FAILED_1").arg(n), !r.ok);
        });
}

void ElectronRecordDlg::slot_QueryBtnClicked()
{
    if (!GjbReaderReady()) {
        LogKey("IDCS_QUERY_FAILED");
        return;
    }
    const GJB_HANDLE handle = Handle();
    auto texts = std::make_shared<std::vector<QString>>();
    RunReaderCall(
        m_runner, this, ui->queryBtn,
        [handle, texts] {
            for (int row = 0; row < kElectronSlots; ++row) {
                QString text;
                if (!ReadSlot(handle, row, &text)) {
                    return false; // later slots are not read
                }
                texts->push_back(text);
            }
            return true;
        },
        [this, texts](const ReaderCallResult& r) {
            for (size_t row = 0; row < texts->size(); ++row) {
                ui->recordTable->item(int(row), 1)->setText((*texts)[row]);
            }
            LogKey(r.ok ? "IDCS_QUERY_SUCCESS" : "IDCS_QUERY_FAILED");
        });
}

void ElectronRecordDlg::slot_SetBtnClicked()
{
    if (!GjbReaderReady()) {
        LogKey("IDCS_SET_FAILED");
        return;
    }
    std::vector<QByteArray> texts;
    for (int row = 0; row < kElectronSlots; ++row) {
        const QTableWidgetItem* item = ui->recordTable->item(row, 1);
        texts.push_back(item ? GjbConfigRules::Utf8Cut(item->text()) : QByteArray());
    }
    const GJB_HANDLE handle = Handle();
    RunReaderCall(
        m_runner, this, ui->setBtn,
        [handle, texts] {
            for (int row = 0; row < int(texts.size()); ++row) {
                if (!WriteSlot(handle, row, texts[size_t(row)])) {
                    return false; // later slots are not written
                }
            }
            return true;
        },
        [](const ReaderCallResult& r) { LogKey(r.ok ? "IDCS_SET_SUCCESS" : "IDCS_SET_FAILED"); });
}
