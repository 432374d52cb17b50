#include "gui/tagops/TagOpFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllBase.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/TagEraseFor6CDlg.h"
#include "gui/tagops/TagKillFor6CDlg.h"
#include "gui/tagops/TagLockFor6CDlg.h"
#include "gui/tagops/TagReadFor6CDlg.h"
#include "gui/tagops/TagSelectFor6CDlg.h"
#include "gui/tagops/TagWriteFor6CDlg.h"
#include "ui_TagOpFor6CDlg.h"

#include <QLineEdit>
#include <QListWidgetItem>
#include <QStyle>

TagOpFor6CDlg::TagOpFor6CDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TagOpFor6CDlg>())
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_TAG_OP"));
    setWindowTitle(LangText("IDCS_TAG_OP"));
    // One label before the list: "Select antenna" and "Antenna" side by side said it twice.
    ui->selectAntennaLabel->setText(LangLabel("IDCS_SELECT_ANTENNA"));
    ui->antennaLabel->hide();
    for (const char* key :
         {"IDCS_ANTENNA_ONE", "IDCS_ANTENNA_TWO", "IDCS_ANTENNA_THREE", "IDCS_ANTENNA_FOUR"}) {
        ui->antennaCombo->addItem(LangText(key));
    }
    ui->antennaCombo->setCurrentIndex(0);

    m_selectPage = new TagSelectFor6CDlg(this, this);
    QWidget* pages[] = {m_selectPage,
                        new TagReadFor6CDlg(this, this),
                        new TagWriteFor6CDlg(this, this),
                        new TagLockFor6CDlg(this, this),
                        new TagEraseFor6CDlg(this, this),
                        new TagKillFor6CDlg(this, this)};
    const char* keys[] = {"IDCS_TAG_SELECT", "IDCS_WRITE_READ_USER", "IDCS_WRITE_EPC",
                          "IDCS_LOCK_TAG",   "IDCS_PASSWORD_SET",    "IDCS_KILL_TAG"};
    for (int i = 0; i < 6; ++i) {
        ui->stackedWidget->addWidget(pages[i]);
        auto* item = new QListWidgetItem(LangText(keys[i]), ui->opList);
        item->setData(Qt::UserRole + 1, i);
    }
    // A short window scrolls the operation up and down; it is never narrower than its fields.
    ui->pageScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->pageScroll->setMinimumWidth(ui->stackedWidget->minimumSizeHint().width() +
                                    style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    showPage(0);
    ui->opList->setCurrentRow(0);
    connect(ui->opList, &QListWidget::itemClicked, this, &TagOpFor6CDlg::slot_ListItemClicked);
}

TagOpFor6CDlg::~TagOpFor6CDlg() = default;

int TagOpFor6CDlg::antennaNumber() const
{
    return ui->antennaCombo->currentIndex() + 1;
}

int TagOpFor6CDlg::AntennaOf(const TagOpFor6CDlg* owner)
{
    return owner ? owner->antennaNumber() : 1;
}

QWidget* TagOpFor6CDlg::page(int index) const
{
    return ui->stackedWidget->widget(index);
}

int TagOpFor6CDlg::pageCount() const
{
    return ui->stackedWidget->count();
}

void TagOpFor6CDlg::slot_ListItemClicked(QListWidgetItem* item)
{
    if (!item) {
        return;
    }
    showPage(item->data(Qt::UserRole + 1).toInt());
}

void TagOpFor6CDlg::showPage(int index)
{
    // Only the page shown counts for the height, so a short page does not scroll for a tall one.
    for (int i = 0; i < ui->stackedWidget->count(); ++i) {
        const auto policy = i == index ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        ui->stackedWidget->widget(i)->setSizePolicy(policy, policy);
    }
    ui->stackedWidget->setCurrentIndex(index);
}

bool TagOpFor6CDlg::selectTag(int bank, int start, int length, const QString& hexData)
{
    if (!m_selectPage) {
        return false;
    }
    return m_selectPage->selectTag(bank, start, length, hexData);
}

bool TagOpReaderReady()
{
    ReaderDllBase* reader = CurrentReader();
    if (reader->IsBusy()) {
        LogKey("IDCS_READING_CARD");
        return false;
    }
    if (reader->IsState(ReaderDllBase::StateConnected)) {
        return true;
    }
    LogKey("IDCS_READ_NO_LINK");
    return false;
}

bool TagOpPassword(std::initializer_list<QLineEdit*> fields, QByteArray* out)
{
    QStringList texts;
    for (const QLineEdit* field : fields) {
        texts << field->text();
    }
    if (TagOpHex::readPassword(texts, out)) {
        return true;
    }
    LogKey(TagOpHex::refusalKey(TagOpHex::Check::PasswordError));
    return false;
}

QString TagOpTargetText()
{
    const TagOpHex::SelectParams select = AppContext::Instance()->currentSelect();
    if (select.data.isEmpty()) {
        return LangText("IDCS_TARGET_FIRST");
    }
    const char* banks[] = {"IDCS_EPC", "IDCS_TID", "IDCS_USER"};
    const char* bank = select.bank >= 1 && select.bank <= 3 ? banks[select.bank - 1] : "IDCS_EPC";
    return LangText("IDCS_TARGET_SELECTED").arg(LangText(bank), AppContext::bytesToHex(select.data));
}

void TagOpReport(const ReaderCallResult& result, const char* successKey, const char* failureKey)
{
    if (result.ok) {
        LogKey(successKey);
    } else {
        LogFailure(failureKey, result.errorCode);
    }
}

intptr_t TagOpHandle()
{
    return CurrentReader()->GetHandle();
}
