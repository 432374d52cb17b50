#include "gui/app/workDpaceDlg.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "ui_workDpaceDlg.h"

#include <QKeyEvent>

#include "gui/config6c/ReadConfigFor6CDlg.h"
#include "gui/gjb/ReadCardDlg.h"
#include "gui/gjb/ReaderConfig.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "gui/wireless/WirelessRecvDlg.h"

namespace {
const char kGroup[] = "workDpaceDlg";
// Frame sizes of the image strips: four states side by side.
const int kSideFrameWidth = 14;
const int kSideFrameHeight = 60;
const int kDownFrameWidth = 60;
const int kDownFrameHeight = 14;

bool PageEnabled(const char* flag)
{
    return DeviceProfile::Instance()->IsEnabled(QString::fromLatin1(kGroup), QString::fromLatin1(flag));
}
} // namespace

QString StripButtonStyleSheet(const QString& imagePath, int frameWidth, int frameHeight)
{
    const int w = frameWidth;
    // The size is part of the sheet: the application's button rule would otherwise impose its own.
    return QStringLiteral("QPushButton { border: none; border-width: 0px; padding: 0px; margin: 0px;"
                          " min-width: %5px; max-width: %5px; min-height: %6px; max-height: %6px;"
                          " background: transparent; border-image: url(%1) 0 %2 0 0; }"
                          "QPushButton:hover { border-image: url(%1) 0 %3 0 %4; }"
                          "QPushButton:pressed { border-image: url(%1) 0 %4 0 %3; }"
                          "QPushButton:disabled { border-image: url(%1) 0 0 0 %2; }")
        .arg(imagePath)
        .arg(3 * w)
        .arg(2 * w)
        .arg(w)
        .arg(frameWidth)
        .arg(frameHeight);
}

workDpaceDlg::workDpaceDlg(QWidget* parent) : QFrame(parent), ui(std::make_unique<Ui::workDpaceDlg>())
{
    ui->setupUi(this);
    ui->leftBtn->setFocusPolicy(Qt::NoFocus);
    ui->downBtn->setFocusPolicy(Qt::NoFocus);
    SetLeftBtnImage(QStringLiteral("cebian_left"));
    SetDownBtnImage(QStringLiteral("cebian_down"));
    ui->leftBtn->setVisible(PageEnabled("LeftBtn"));
    ui->downBtn->setVisible(PageEnabled("DownBtn"));

    CreatePages();

    connect(ui->leftBtn, &QPushButton::clicked, this, &workDpaceDlg::slot_leftBtnClicked);
    connect(ui->downBtn, &QPushButton::clicked, this, &workDpaceDlg::slot_downBtnClicked);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &workDpaceDlg::slot_tabChanged);
}

workDpaceDlg::~workDpaceDlg() = default;

// Tabs in a fixed order; a page joins when its switch is on.
void workDpaceDlg::CreatePages()
{
    // The profile's order is ReadCardDlg, ReaderConfig, ReadCardFor6CDlg, TagOpFor6CDlg,
    // ReadConfigFor6CDlg, WirelessRecvDlg; a page joins when its switch is on and it is built.
    if (PageEnabled("ReadCardDlg")) {
        m_readCard = new ReadCardDlg(this, ui->tabWidget);
        ui->tabWidget->addTab(m_readCard, LangText("IDCS_READ_TAG"));
        connect(m_readCard, &ReadCardDlg::sig_sendReadCount, this, &workDpaceDlg::sig_sendReadCount);
    }
    if (PageEnabled("ReaderConfig")) {
        m_readerConfig = new ReaderConfig(ui->tabWidget);
        ui->tabWidget->addTab(m_readerConfig, LangText("IDCS_READ_CARD_CONFIG"));
    }
    if (PageEnabled("ReadCardFor6CDlg")) {
        m_readCardFor6C = new ReadCardFor6CDlg(this, ui->tabWidget);
        ui->tabWidget->addTab(m_readCardFor6C, LangText("IDCS_READ_TAG"));
        connect(m_readCardFor6C, &ReadCardFor6CDlg::sig_sendReadCount, this,
                &workDpaceDlg::sig_sendReadCount);
        m_readCardFor6C->setSelectHandler([this](int bank, int start, int length, const QString& hex) {
            return selectTag(bank, start, length, hex);
        });
    }
    if (PageEnabled("TagOpFor6CDlg")) {
        m_tagOpFor6C = new TagOpFor6CDlg(ui->tabWidget);
        ui->tabWidget->addTab(m_tagOpFor6C, LangText("IDCS_TAG_OP"));
    }
    if (PageEnabled("ReadConfigFor6CDlg")) {
        ui->tabWidget->addTab(new ReadConfigFor6CDlg(ui->tabWidget), LangText("IDCS_READ_CARD_CONFIG"));
    }
    if (PageEnabled("WirelessRecvDlg")) {
        ui->tabWidget->addTab(new WirelessRecvDlg(ui->tabWidget), LangText("IDCS_WIRELESS_RECV"));
    }
}

bool workDpaceDlg::selectTag(int bank, int start, int length, const QString& hexData)
{
    if (m_tagOpFor6C) {
        return m_tagOpFor6C->selectTag(bank, start, length, hexData);
    }
    return false;
}

void workDpaceDlg::updateReaderState(int state)
{
    if (m_readCard) {
        m_readCard->updateButtons(state);
    }
    if (m_readerConfig) {
        m_readerConfig->updateReaderState(state);
    }
}

void workDpaceDlg::keyPress(QKeyEvent* event)
{
    if (m_readCard) {
        m_readCard->handleKey(event->key());
    }
    if (m_readCardFor6C) {
        m_readCardFor6C->handleKey(event->key());
    }
}

void workDpaceDlg::SetLeftBtnImage(const QString& name)
{
    m_leftImage = name;
    ui->leftBtn->setStyleSheet(StripButtonStyleSheet(QStringLiteral(":/cebian/skin/%1.png").arg(name),
                                                     kSideFrameWidth, kSideFrameHeight));
}

void workDpaceDlg::SetDownBtnImage(const QString& name)
{
    m_downImage = name;
    ui->downBtn->setStyleSheet(StripButtonStyleSheet(QStringLiteral(":/cebian/skin/%1.png").arg(name),
                                                     kDownFrameWidth, kDownFrameHeight));
}

QTabWidget* workDpaceDlg::tabWidget() const
{
    return ui->tabWidget;
}

void workDpaceDlg::slot_leftBtnClicked()
{
    emit leftBtnClicked();
}

void workDpaceDlg::slot_downBtnClicked()
{
    emit downBtnClicked();
}

void workDpaceDlg::slot_tabChanged(int index)
{
    if (index <= 0 || !CurrentReader()->IsState(ReaderDllBase::StateReading)) {
        return;
    }
    LogKey("IDCS_READING_CARD");
    ui->tabWidget->setCurrentIndex(0);
}
