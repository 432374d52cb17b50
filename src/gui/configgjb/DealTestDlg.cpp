#include "gui/configgjb/DealTestDlg.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/configgjb/AirFrame.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/app/DealTestCombox.h"
#include "ui_DealTestDlg.h"

#include <QHeaderView>

namespace {

constexpr int kNumberRole = 33;

QString FieldName(const AirFrame::FieldDef& def)
{
    const QString name = QString::fromLatin1(def.name);
    return name.startsWith(QLatin1String("IDCS_")) ? LangText(def.name) : name;
}

QString SizeText(const AirFrame::FieldDef& def)
{
    switch (def.unit) {
    case AirFrame::Unit::Bits:
        return LangText("IDCS_BIT_1").arg(def.size);
    case AirFrame::Unit::Bytes:
        return LangText("IDCS_BYTE_1").arg(def.size);
    case AirFrame::Unit::Variable:
        return LangText("IDCS_MORE_BYTE");
    }
    return QString::number(def.size);
}

QString OptionLabel(const AirFrame::Option& o)
{
    if (!o.literal) {
        return LangText(o.key);
    }
    const QString literal = QString::fromUtf8(o.literal);
    return o.key ? literal.arg(LangText(o.key)) : literal;
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

DealTestDlg::DealTestDlg(QWidget* parent) : GjbSettingDlg(parent), ui(std::make_unique<Ui::DealTestDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_DEAL_TEST"));
    ui->commandBox->setTitle(LangText("IDCS_COMMAND_SELECT"));
    ui->sendBtn->setText(LangText("IDCS_SEND_COMMAND"));
    ui->stopBtn->setText(LangText("IDCS_STOP"));
    for (const AirFrame::CommandDef& c : AirFrame::Commands()) {
        if (!DeviceProfile::Instance()->IsEnabled(QStringLiteral("DealTestDlg"),
                                                  QString::fromLatin1(c.name))) {
            continue;
        }
        auto* item = new QListWidgetItem(LangText(c.displayKey), ui->commandList);
        item->setData(kNumberRole, c.number);
    }
    if (ui->commandList->count() > 0) {
        ui->commandList->setCurrentRow(0);
        BuildTable(ui->commandList->item(0)->data(kNumberRole).toInt());
    }
    connect(ui->commandList, &QListWidget::itemClicked, this, &DealTestDlg::slot_ListItemClicked);
    connect(ui->sendBtn, &QPushButton::clicked, this, &DealTestDlg::slot_sendBtnClicked);
    connect(ui->stopBtn, &QPushButton::clicked, this, &DealTestDlg::slot_stopBtnClicked);
}

DealTestDlg::~DealTestDlg() = default;

void DealTestDlg::BuildTable(int command)
{
    QTableWidget* table = ui->fieldTable;
    // Cell widgets of the last command go with their rows.
    table->setRowCount(0);
    table->clear();
    m_command = command;
    const AirFrame::CommandDef& c = AirFrame::Commands().at(command);
    table->setColumnCount(3);
    table->setRowCount(int(c.fields.size()));
    table->setHorizontalHeaderLabels(
        {LangText("IDCS_PARAM_NAME"), LangText("IDCS_LEN"), LangText("IDCS_PARAM_VALUE")});
    table->setColumnWidth(0, 100);
    table->setColumnWidth(1, 120);
    table->setColumnWidth(2, 120);
    for (int row = 0; row < c.fields.size(); ++row) {
        const AirFrame::FieldDef& def = AirFrame::Definition(c.fields[row]);
        table->setItem(row, 0, ReadOnlyItem(FieldName(def)));
        table->setItem(row, 1, ReadOnlyItem(SizeText(def)));
        if (def.options.isEmpty()) {
            table->setItem(row, 2, new QTableWidgetItem());
            continue;
        }
        auto* combo = new DealTestCombox(table);
        for (const AirFrame::Option& o : def.options) {
            combo->addItem(OptionLabel(o), o.value);
        }
        combo->setCurrentIndex(def.defaultIndex);
        table->setCellWidget(row, 2, combo);
    }
}

void DealTestDlg::slot_ListItemClicked(QListWidgetItem* item)
{
    if (item) {
        BuildTable(item->data(kNumberRole).toInt());
    }
}

void DealTestDlg::slot_sendBtnClicked()
{
    if (m_command < 0) {
        return;
    }
    const AirFrame::CommandDef& c = AirFrame::Commands().at(m_command);
    QVector<AirFrame::Entry> entries;
    for (int row = 0; row < c.fields.size(); ++row) {
        AirFrame::Entry e;
        if (auto* combo = qobject_cast<QComboBox*>(ui->fieldTable->cellWidget(row, 2))) {
            e.option = combo->currentData().toInt();
        } else if (const QTableWidgetItem* item = ui->fieldTable->item(row, 2)) {
            e.text = item->text();
        }
        entries.push_back(e);
    }
    const AirFrame::BuildResult built = AirFrame::Build(c, entries);
    if (built.error != AirFrame::BuildError::None) {
        const QString name = FieldName(AirFrame::Definition(built.field));
        const char* key = built.error == AirFrame::BuildError::EmptyField ? "IDCS_PARAM_ERRO_1"
                                                                          : "IDCS_AIR_FRAME_TOO_LONG_1";
        AppContext::Instance()->logMessage(LangText(key).arg(name), false);
        return;
    }
    const QByteArray frame = built.frame;
    Step(
        ui->sendBtn,
        [frame](ReaderDllGJB& r) {
            return r.AirInterfaceTest(reinterpret_cast<const unsigned char*>(frame.constData()),
                                      int(frame.size()));
        },
        "IDCS_SEND_SUCCESS", "IDCS_SEND_FAILED", {}, false);
}

void DealTestDlg::slot_stopBtnClicked()
{
    Step(
        ui->stopBtn, [](ReaderDllGJB& r) { return r.StopInventorySpecReadTag(); }, "IDCS_STOP_SCCUSS",
        "IDCS_STOP_FAILED");
}
