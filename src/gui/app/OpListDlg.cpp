#include "gui/app/OpListDlg.h"

#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderErrors.h"
#include "ui_OpListDlg.h"

#include <QTime>

OpListDlg::OpListDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::OpListDlg>())
{
    ui->setupUi(this);
    ui->opList->setColumnCount(3);
    ui->opList->setHeaderLabels({QString(), QString(), QString()});
    ui->opList->setColumnWidth(0, 80);
    ui->opList->setColumnWidth(1, 100);
    ui->opList->setColumnWidth(2, 200);
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));

    DeviceProfile* profile = DeviceProfile::Instance();
    const QString group = QStringLiteral("OpListDlg");
    m_nMaxRecord = profile->GetValue(group, QStringLiteral("Max_OPERATE_RECORD")).toInt();
    m_nOverToDelete = profile->GetValue(group, QStringLiteral("OVER_TO_DELETE")).toInt();

    connect(ui->clearBtn, &QPushButton::clicked, this, &OpListDlg::slot_clearBtnClicked);
}

OpListDlg::~OpListDlg() = default;

int OpListDlg::lineCount() const
{
    return ui->opList->topLevelItemCount();
}

QString OpListDlg::lineText(int row, int column) const
{
    const QTreeWidgetItem* item = ui->opList->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void OpListDlg::slot_showMsg(const QString& text, bool getErro, int errorCode)
{
    ++m_nCount;
    // A reader failure carries its code and what it means; a negative code is not the reader's.
    QString line = text;
    if (getErro && errorCode >= 0) {
        line += QStringLiteral(" ErroCode:%1").arg(errorCode);
        if (errorCode != 0) {
            line += QStringLiteral(" (%1)").arg(ReaderError::Text(errorCode));
        }
    }
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::number(m_nCount));
    item->setText(1, QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    item->setText(2, line);
    item->setToolTip(2, line);
    ui->opList->addTopLevelItem(item);

    // A missing or zero maximum means no limit: trimming against 0 would drop every line at once.
    if (m_nMaxRecord > 0 && ui->opList->topLevelItemCount() > m_nMaxRecord) {
        for (int i = 0; i < m_nOverToDelete && ui->opList->topLevelItemCount() > 0; ++i) {
            delete ui->opList->takeTopLevelItem(0);
        }
    }
    ui->opList->scrollToBottom();
}

void OpListDlg::slot_clearBtnClicked()
{
    ui->opList->clear();
    m_nCount = 0;
}
