#include "gui/config6c/ParamConfigFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "gui/app/TableWidgetCombox.h"
#include "gui/app/ZrMessageBox.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/config6c/ParamAdd6CDlg.h"
#include "ui_ParamConfigFor6CDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {
enum Column
{
    ColName,
    ColAddress,
    ColLength,
    ColDefault,
    ColValue,
    ColOperate,
    ColumnCount
};
const int kColumnWidths[ColumnCount] = {120, 80, 80, 80, 200, 120};
const char kQueryBtnName[] = "rowQueryBtn";
const char kSetBtnName[] = "rowSetBtn";

using RowSlot = void (ParamConfigFor6CDlg::*)();

QTableWidgetItem* DisplayItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}
} // namespace

ParamConfigFor6CDlg::ParamConfigFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ParamConfigFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_PARAM_CONFIG_OP"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    ui->resetBtn->setText(LangText("IDCS_RESET"));
    ui->rebootBtn->setText(LangText("IDCS_REBOOT_DEVICE"));
    ui->exportBtn->setText(LangText("IDCS_EXPORT"));
    ui->importBtn->setText(LangText("IDCS_IMPORT"));
    ui->paramRwBtn->setText(LangText("IDCS_PARAM_READ_WRITE"));

    buildRows();
    m_rawDlg = new ParamAdd6CDlg(this);

    connect(ui->queryBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_SetBtnClicked);
    connect(ui->resetBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_ResetBtnClicked);
    connect(ui->rebootBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_RootBtnClicked);
    connect(ui->exportBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_ExportBtnClicked);
    connect(ui->importBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_ImportBtnClicked);
    connect(ui->paramRwBtn, &QPushButton::clicked, this, &ParamConfigFor6CDlg::slot_ParmReadWriteBtnClicked);
}

ParamConfigFor6CDlg::~ParamConfigFor6CDlg() = default;

void ParamConfigFor6CDlg::buildRows()
{
    static const RowSlot kSlots[ParamTable::RowCount][2] = {
        {&ParamConfigFor6CDlg::slot_workModeQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_workModeSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_DeviceTypeQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_DeviceTypeSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_CommandTypeQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_CommandTypeSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_AntennaPortQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_AntennaPortSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_ConnetPortQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_ConnetPortSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_FlashQueryBtnClicked, &ParamConfigFor6CDlg::slot_FlashSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_BaudRateQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_BaudRateSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_WegenStartQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_WegenStartSetBtnClicked},
        {&ParamConfigFor6CDlg::slot_WegenLenQueryBtnClicked,
         &ParamConfigFor6CDlg::slot_WegenLenSetBtnClicked},
    };

    QTableWidget* table = ui->paramTable;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({QString(), LangText("IDCS_START_ADDR"), LangText("IDCS_LEN"),
                                      LangText("IDCS_DEFAULT_VALUE"), LangText("IDCS_VALUE"),
                                      LangText("IDCS_OPERATE")});
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
        table->insertRow(table->rowCount());
        table->setItem(row, ColName, DisplayItem(LangText(info.nameKey)));
        table->setItem(row, ColAddress, DisplayItem(QString::number(info.address)));
        table->setItem(row, ColLength, DisplayItem(QStringLiteral("1")));
        table->setItem(row, ColDefault, DisplayItem(ParamTable::byteText(info.defaultValue)));
        if (row == ParamTable::WiegandStart) {
            table->setItem(row, ColValue, new QTableWidgetItem(ParamTable::byteText(info.defaultValue)));
        } else {
            table->setItem(row, ColValue, DisplayItem(QString()));
            auto* list = new TableWidgetCombox(table);
            for (const QString& key : info.listKeys) {
                list->addItem(LangText(key));
            }
            list->setCurrentIndex(0);
            table->setCellWidget(row, ColValue, list);
        }

        auto* buttons = new QWidget(table);
        auto* layout = new QHBoxLayout(buttons);
        layout->setSpacing(6);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* query = new QPushButton(LangText("IDCS_QUERY"), buttons);
        auto* set = new QPushButton(LangText("IDCS_SET"), buttons);
        query->setObjectName(QLatin1String(kQueryBtnName));
        set->setObjectName(QLatin1String(kSetBtnName));
        layout->addWidget(query);
        layout->addWidget(set);
        layout->addStretch();
        table->setCellWidget(row, ColOperate, buttons);
        connect(query, &QPushButton::clicked, this, kSlots[row][0]);
        connect(set, &QPushButton::clicked, this, kSlots[row][1]);
    }
    // The given widths, wider where a language's texts need it.
    for (int c = 0; c < ColumnCount; ++c) {
        table->resizeColumnToContents(c);
        table->setColumnWidth(c, std::max(table->columnWidth(c), kColumnWidths[c]));
    }
    table->setCurrentCell(-1, -1);
}

QTableWidget* ParamConfigFor6CDlg::table() const
{
    return ui->paramTable;
}

QComboBox* ParamConfigFor6CDlg::rowList(int row) const
{
    return qobject_cast<QComboBox*>(ui->paramTable->cellWidget(row, ColValue));
}

QPushButton* ParamConfigFor6CDlg::rowButton(int row, bool set) const
{
    QWidget* cell = ui->paramTable->cellWidget(row, ColOperate);
    return cell ? cell->findChild<QPushButton*>(QLatin1String(set ? kSetBtnName : kQueryBtnName)) : nullptr;
}

ParamTable::Snapshot ParamConfigFor6CDlg::snapshot() const
{
    ParamTable::Snapshot s;
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        if (QComboBox* list = rowList(row)) {
            s.positions[static_cast<size_t>(row)] = list->currentIndex();
        }
    }
    s.wiegandStart = ui->paramTable->item(ParamTable::WiegandStart, ColValue)->text();
    return s;
}

void ParamConfigFor6CDlg::applySnapshot(const ParamTable::Snapshot& snapshot)
{
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        if (QComboBox* list = rowList(row)) {
            list->setCurrentIndex(snapshot.positions[static_cast<size_t>(row)]);
        }
    }
    ui->paramTable->item(ParamTable::WiegandStart, ColValue)->setText(snapshot.wiegandStart);
}

void ParamConfigFor6CDlg::queryRow(int row)
{
    if (!Config6CReaderReady()) {
        return;
    }
    const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_ParmOp(Config6CHandle(), 2, info.address, 1, &value, &length)) {
        LogKey(info.queryFailedKey, true);
        return;
    }
    if (row == ParamTable::WiegandStart) {
        ui->paramTable->item(row, ColValue)->setText(ParamTable::byteText(value));
    } else {
        // A position the list lacks leaves it without a current entry.
        rowList(row)->setCurrentIndex(ParamTable::positionForValue(row, value));
    }
    LogKey(info.querySuccessKey);
}

void ParamConfigFor6CDlg::setRow(int row)
{
    if (!Config6CReaderReady()) {
        return;
    }
    const ParamTable::RowInfo& info = ParamTable::rowInfo(row);
    std::optional<unsigned char> value;
    if (row == ParamTable::WiegandStart) {
        value = ParamTable::wiegandStartValue(ui->paramTable->item(row, ColValue)->text());
    } else {
        value = ParamTable::valueForPosition(row, rowList(row)->currentIndex());
    }
    // A list without a current entry has nothing to send.
    if (!value) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    unsigned char byte = *value;
    unsigned char length = 1;
    const bool ok = ZALT_ParmOp(Config6CHandle(), 1, info.address, 1, &byte, &length) != 0;
    LogKey(ok ? info.setSuccessKey : info.setFailedKey, !ok);
}

void ParamConfigFor6CDlg::slot_QueryBtnClicked()
{
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        queryRow(row);
    }
}

void ParamConfigFor6CDlg::slot_SetBtnClicked()
{
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        setRow(row);
    }
}

void ParamConfigFor6CDlg::slot_ResetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char buffer = 0;
    unsigned char length = 1;
    const bool ok = ZALT_ParmOp(Config6CHandle(), 0, 0, 0, &buffer, &length) != 0;
    LogKey(ok ? "IDCS_RESET_SUCCESS" : "IDCS_RESET_FAILED", !ok);
}

void ParamConfigFor6CDlg::slot_RootBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    // As from the menu: a restart drops the link, so the operator confirms it first.
    if (AskQuestion(LangText("IDCS_READLY_REBOOT_DEVICE"), this) != ZrMessageBox::Ok) {
        return;
    }
    if (!ZALT_Reboot(Config6CHandle(), 0)) {
        LogKey("IDCS_REBOOT_FAILED", true);
        return;
    }
    AppContext::Instance()->RequestCutConnection();
    hide();
    LogKey("IDCS_REBOOT_SUCCESS");
}

void ParamConfigFor6CDlg::slot_ExportBtnClicked()
{
    const QString path = AskConfig6CFile(this, true, LangText("IDCS_SELECT_FILE"), QStringLiteral("./"),
                                         QStringLiteral("All Files (*.*)"));
    if (path.isEmpty()) {
        return;
    }
    const ParamTable::Snapshot s = snapshot();
    if (!ParamTable::canExport(s)) {
        LogKey("IDCS_DATA_FORMAT_ERRO");
        return;
    }
    const bool ok = ParamTable::writeFile(path, s) == ParamTable::FileResult::Ok;
    LogKey(ok ? "IDCS_EXPORT_SUCCESS" : "IDCS_EXPORT_FAILED");
}

void ParamConfigFor6CDlg::slot_ImportBtnClicked()
{
    const QString path = AskConfig6CFile(this, false, LangText("IDCS_SELECT_FILE"), QStringLiteral("./"),
                                         QStringLiteral("All Files (*.*)"));
    if (path.isEmpty()) {
        return;
    }
    ParamTable::Snapshot s;
    switch (ParamTable::readFile(path, &s)) {
    case ParamTable::FileResult::CannotOpen:
        return;
    case ParamTable::FileResult::Ok:
        applySnapshot(s);
        LogKey("IDCS_IMPORT_SUCCESS");
        return;
    case ParamTable::FileResult::NoParamLine:
    case ParamTable::FileResult::BadParamLine:
        LogKey("IDCS_IMPORT_FAILED");
        return;
    }
}

void ParamConfigFor6CDlg::slot_ParmReadWriteBtnClicked()
{
    m_rawDlg->setModal(true);
    m_rawDlg->show();
}
