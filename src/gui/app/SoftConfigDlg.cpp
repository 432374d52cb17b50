#include "gui/app/SoftConfigDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/ZrMessageBox.h"
#include "ui_SoftConfigDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
struct SeriesEntry
{
    const char* family;
    const char* textKey;
};

const SeriesEntry kSeries[] = {
    {"6C", "IDCS_COMMON"},
    {"GB", "IDCS_GB"},
    {"GJB", "IDCS_GJB"},
    {"WIRELESS", "IDCS_WIRELESS_RECV"},
};
} // namespace

SoftConfigDlg::SoftConfigDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::SoftConfigDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SOFT_CONFIG"));
    ui->languageLabel->setText(LangLabel("IDCS_LANGUAGE_CONFIG"));
    ui->productLabel->setText(LangLabel("IDCS_PRODUCT_TYPE"));
    ui->standardLabel->setText(LangLabel("IDCS_STANDARD_SET"));
    ui->chinaRb->setText(LangText("IDCS_CHINA_POINT"));
    ui->europeRb->setText(LangText("IDCS_EUROPE_POINT"));
    ui->americaRb->setText(LangText("IDCS_AMERICA_POINT"));
    ui->attachLabel->setText(LangLabel("IDCS_ADDITION_FUNCTION"));
    ui->noneRb->setText(LangText("IDCS_NO_HAVE"));
    ui->wifiRb->setText(LangText("IDCS_WIFI_HAVE"));
    ui->gprsRb->setText(LangText("IDCS_GPRS_HAVE"));
    ui->analysisTimeCb->setText(LangText("IDCS_ANALYSIS_TIME"));
    ui->userVerCb->setText(LangText("IDCS_USER_VER"));
    ui->noteLabel->setText(LangText("IDCS_SET_RESTARTS_NOTE"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    ui->cancelBtn->setText(LangText("IDCS_CANCEL"));

    ui->chinaRb->setChecked(true);
    ui->noneRb->setChecked(true);
    ui->userVerCb->setChecked(false);

    FillLanguageList();
    FillProductList();
    slot_ApiCbCurrentIndexChanged(ui->apiCb->currentIndex());
    ApplyLoadTypeRule();

    connect(ui->setBtn, &QPushButton::clicked, this, &SoftConfigDlg::slot_SetBtnClicked);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &SoftConfigDlg::slot_CancelBtnClicked);
    connect(ui->apiCb, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SoftConfigDlg::slot_ApiCbCurrentIndexChanged);
}

SoftConfigDlg::~SoftConfigDlg() = default;

QString SoftConfigDlg::LanguageIndexPath() const
{
    return AppSettings::Instance()->GetLanguageDir() + QStringLiteral("/LanguageIndex.ini");
}

void SoftConfigDlg::showEvent(QShowEvent* event)
{
    RefreshLists();
    QDialog::showEvent(event);
}

void SoftConfigDlg::RefreshLists()
{
    FillLanguageList();
    FillProductList();
}

void SoftConfigDlg::FillLanguageList()
{
    ui->languageCb->clear();
    QSettings index(LanguageIndexPath(), QSettings::IniFormat);
    index.beginGroup(QStringLiteral("languages"));
    const QStringList ids = index.childKeys();
    for (const QString& id : ids) {
        const QString name = index.value(id).toString();
        if (!name.isEmpty()) {
            ui->languageCb->addItem(name, id);
        }
    }
    index.endGroup();

    const QString selected = index.value(QStringLiteral("info/languagesSel")).toString();
    if (selected.isEmpty()) {
        ui->languageCb->setCurrentIndex(ui->languageCb->count() > 0 ? 0 : -1);
        return;
    }
    const QString selectedName = index.value(QStringLiteral("languages/") + selected).toString();
    ui->languageCb->setCurrentIndex(
        selectedName.isEmpty()
            ? -1
            : ui->languageCb->findText(selectedName, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void SoftConfigDlg::FillProductList()
{
    AppSettings* settings = AppSettings::Instance();
    {
        const QSignalBlocker block(ui->apiCb);
        ui->apiCb->clear();
        for (const SeriesEntry& entry : kSeries) {
            const QString family = QString::fromLatin1(entry.family);
            bool ok = false;
            const int offered = settings->GetSysValue(QStringLiteral("DEVICE_LIST/") + family).toInt(&ok);
            if (ok && offered == 1) {
                ui->apiCb->addItem(LangText(entry.textKey), family);
            }
        }
        const QString dllType = settings->GetDllType();
        ui->apiCb->setCurrentIndex(
            ui->apiCb->findData(dllType, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    slot_ApiCbCurrentIndexChanged(ui->apiCb->currentIndex());
    ui->analysisTimeCb->setCheckState(static_cast<Qt::CheckState>(settings->GetAnalysisTime()));
}

void SoftConfigDlg::ApplyLoadTypeRule()
{
    const QString loadType = AppSettings::Instance()->GetLoadType();
    if (loadType == QLatin1String("DEBUG")) {
        ui->userVerCb->setChecked(false);
    } else if (loadType == QLatin1String("RELEASE")) {
        m_bUserEdition = true;
        ui->userVerCb->setChecked(true);
        ui->userVerCb->hide();
        ui->productRow->hide();
        ui->sixCOptions->hide();
        ui->analysisRow->hide();
    }
}

void SoftConfigDlg::slot_ApiCbCurrentIndexChanged(int index)
{
    if (m_bUserEdition) {
        return;
    }
    const QString family = index >= 0 ? ui->apiCb->itemData(index).toString() : QString();
    AppSettings* settings = AppSettings::Instance();
    if (family == QLatin1String("6C")) {
        ui->analysisRow->hide();
        ui->sixCOptions->show();
        const QString table = settings->GetFrequencyTable();
        if (table == QLatin1String("Europe")) {
            ui->europeRb->setChecked(true);
        } else if (table == QLatin1String("America")) {
            ui->americaRb->setChecked(true);
        } else {
            ui->chinaRb->setChecked(true);
        }
        const QString attach = settings->GetAttachFunction();
        if (attach == QLatin1String("WIFI")) {
            ui->wifiRb->setChecked(true);
        } else if (attach == QLatin1String("GPRS")) {
            ui->gprsRb->setChecked(true);
        } else {
            ui->noneRb->setChecked(true);
        }
    } else if (family == QLatin1String("WIRELESS")) {
        ui->sixCOptions->hide();
        ui->analysisRow->setVisible(settings->GetLoadType() == QLatin1String("DEBUG"));
    } else {
        ui->sixCOptions->hide();
        ui->analysisRow->hide();
    }
}

void SoftConfigDlg::slot_SetBtnClicked()
{
    if (RefuseWhileReading()) {
        return;
    }
    if (AskQuestion(LangText("IDCS_IF_REBOOT_SOFT"), this) != ZrMessageBox::Ok) {
        return;
    }

    // Every file must take the new choices, or nothing restarts: a restart would come back with
    // the old settings as if these had been saved.
    AppSettings* settings = AppSettings::Instance();
    const bool languageChosen = ui->languageCb->currentIndex() >= 0;
    QStringList files{settings->GetSysIniPath()};
    if (languageChosen) {
        files << LanguageIndexPath();
    }
    for (const QString& path : files) {
        if (!QFileInfo(path).isWritable()) {
            ReportNotSaved(path);
            return;
        }
    }

    bool saved = true;
    if (ui->apiCb->currentIndex() >= 0) {
        const QString family = ui->apiCb->currentData().toString();
        saved = settings->SetDllType(family) && saved;
        if (family == QLatin1String("6C")) {
            QString table = QStringLiteral("China");
            if (ui->europeRb->isChecked()) {
                table = QStringLiteral("Europe");
            } else if (ui->americaRb->isChecked()) {
                table = QStringLiteral("America");
            }
            saved = settings->SetFrequencyTable(table) && saved;
            QString attach = QStringLiteral("NULL");
            if (ui->wifiRb->isChecked()) {
                attach = QStringLiteral("WIFI");
            } else if (ui->gprsRb->isChecked()) {
                attach = QStringLiteral("GPRS");
            }
            saved = settings->SetAttachFunction(attach) && saved;
        } else if (family == QLatin1String("WIRELESS")) {
            saved = settings->SetAnalysisTime(static_cast<int>(ui->analysisTimeCb->checkState())) && saved;
        }
    }
    saved = settings->SetLoadType(ui->userVerCb->isChecked() ? QStringLiteral("RELEASE")
                                                             : QStringLiteral("DEBUG")) &&
            saved;
    if (!saved) {
        ReportNotSaved(settings->GetSysIniPath());
        return;
    }
    // The language last: when sys.ini refused, the next start is not half in the new choices.
    // An empty list (missing index file, no series offered) keeps what was saved before rather than
    // writing an empty value that would leave the next start without a language or a driver.
    if (languageChosen) {
        QSettings index(LanguageIndexPath(), QSettings::IniFormat);
        index.setValue(QStringLiteral("info/languagesSel"), ui->languageCb->currentData().toString());
        index.sync();
        if (index.status() != QSettings::NoError) {
            ReportNotSaved(LanguageIndexPath());
            return;
        }
    }

    AppContext* context = AppContext::Instance();
    context->RequestCutConnection();
    context->RequestRestart();
    accept();
    EndEventLoop();
}

void SoftConfigDlg::ReportNotSaved(const QString& path)
{
    AppContext::Instance()->logError(
        LangText("IDCS_SETTINGS_SAVE_FAILED").arg(QDir::toNativeSeparators(path)), -1);
}

void SoftConfigDlg::slot_CancelBtnClicked()
{
    reject();
}
