#include "gui/app/VersionCommonDlg.h"

#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "ui_VersionCommonDlg.h"

#include <cstring>

namespace {
const char kSoftwareVersion[] = "V1.0.0";
// The library fills at most 255 bytes; one more keeps the text terminated whatever it writes.
const int kLibraryInfoSize = 255;
} // namespace

VersionCommonDlg::VersionCommonDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::VersionCommonDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SOFT_VER"));
    ui->logoLabel->setPixmap(QPixmap(QStringLiteral(":/ico/skin/logo.png")));
    ui->infoLabel->setText(LangText("IDCS_LOGO_INFO"));
    ui->apiVerLabel->setText(LangText("IDCS_API_VER"));
    // The same text is the window title, so it may come without the colon the other label has.
    QString softVer = LangText("IDCS_SOFT_VER");
    if (!softVer.endsWith(QLatin1Char(':')) && !softVer.endsWith(QChar(0xFF1A))) {
        softVer += QLatin1Char(':');
    }
    ui->softVerLabel->setText(softVer);
    ui->okBtn->setText(LangText("IDCS_OK"));
    connect(ui->okBtn, &QPushButton::clicked, this, &QDialog::accept);
    ui->softVerValue->setText(QString::fromLatin1(kSoftwareVersion));
}

VersionCommonDlg::~VersionCommonDlg() = default;

void VersionCommonDlg::showEvent(QShowEvent* event)
{
    RefreshVersions();
    QDialog::showEvent(event);
}

void VersionCommonDlg::RefreshVersions()
{
    char buffer[kLibraryInfoSize + 1];
    std::memset(buffer, 0, sizeof buffer);
    QString libraryVersion = QStringLiteral("-");
    if (CurrentReader()->GetLibraryInfo(buffer)) {
        buffer[kLibraryInfoSize] = '\0';
        libraryVersion = QString::fromUtf8(buffer);
    }
    ui->apiVerValue->setText(libraryVersion);
    ui->softVerValue->setText(QString::fromLatin1(kSoftwareVersion));
}
