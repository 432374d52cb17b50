#include "gui/config6c/ReadConfigFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/LanguageText.h"
#include "core/config6c/RfSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_ReadConfigFor6CDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>

#include <algorithm>
#include <array>

namespace {
const int kPointRole = Qt::UserRole + 1;
const int kPointQueryBufferSize = 255;
const int kPointSetBufferSize = 52;

QListWidgetItem* FindPoint(QListWidget* list, int index)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(kPointRole).toInt() == index) {
            return list->item(i);
        }
    }
    return nullptr;
}
} // namespace

ReadConfigFor6CDlg::ReadConfigFor6CDlg(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ReadConfigFor6CDlg>())
{
    ui->setupUi(this);
    ui->antennaGroup->setTitle(LangText("IDCS_ANTENNA_PORT_SET"));
    ui->pointGroup->setTitle(LangText("IDCS_POINT_SET"));
    const char* const antennaKeys[] = {"IDCS_ANTENNA_ONE", "IDCS_ANTENNA_TWO", "IDCS_ANTENNA_THREE",
                                       "IDCS_ANTENNA_FOUR"};
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        antennaCheck(a)->setText(LangText(antennaKeys[a - 1]));
        findChild<QLabel*>(QStringLiteral("dwellLabel%1").arg(a))->setText(LangText("IDCS_ANTENNA_TIME"));
        QComboBox* power = powerList(a);
        for (int p = 0; p < RfSettings::kPowerPositions; ++p) {
            power->addItem(QString::number(p));
        }
        dwellSpin(a)->setRange(1, 255);
        dwellSpin(a)->setValue(1);
    }
    ui->qurAntennaBtn->setText(LangText("IDCS_QUERY"));
    ui->setAntennaBtn->setText(LangText("IDCS_CONFIG"));
    ui->qurPointBtn->setText(LangText("IDCS_QUERY"));
    ui->setPointBtn->setText(LangText("IDCS_CONFIG"));
    ui->selectAllPointBtn->setText(LangText("IDCS_SELECT_ALL"));
    ui->noSelectAllPointBtn->setText(LangText("IDCS_SELECT_ALLNOT"));

    const QStringList points =
        RfSettings::pointTexts(RfSettings::tableForSetting(AppSettings::Instance()->GetFrequencyTable()));
    for (int i = 0; i < points.size(); ++i) {
        auto* item = new QListWidgetItem(points.at(i));
        item->setData(kPointRole, i);
        ui->pointLW->addItem(item);
    }

    connect(ui->qurAntennaBtn, &QPushButton::clicked, this, &ReadConfigFor6CDlg::slot_QurAntennaBtnClicked);
    connect(ui->setAntennaBtn, &QPushButton::clicked, this, &ReadConfigFor6CDlg::slot_SetAntennaBtnClicked);
    connect(ui->qurPointBtn, &QPushButton::clicked, this, &ReadConfigFor6CDlg::slot_QurPointBtnClicked);
    connect(ui->setPointBtn, &QPushButton::clicked, this, &ReadConfigFor6CDlg::slot_SetPointBtnClicked);
    connect(ui->selectAllPointBtn, &QPushButton::clicked, this,
            &ReadConfigFor6CDlg::slot_SelectAllPointBtnClicked);
    connect(ui->noSelectAllPointBtn, &QPushButton::clicked, this,
            &ReadConfigFor6CDlg::slot_NoSelectAllPointBtnClicked);
    connect(ui->selectPointBtn, &QPushButton::clicked, this, &ReadConfigFor6CDlg::slot_SelectPointBtnClicked);
    connect(ui->noSelectPointBtn, &QPushButton::clicked, this,
            &ReadConfigFor6CDlg::slot_NoSelectPointBtnClicked);
    connect(ui->pointLW, &QListWidget::itemDoubleClicked, this,
            &ReadConfigFor6CDlg::slot_PonitLWDoubleClicked);
    connect(ui->setPointLW, &QListWidget::itemDoubleClicked, this,
            &ReadConfigFor6CDlg::slot_SetPonitLWDoubleClicked);
}

ReadConfigFor6CDlg::~ReadConfigFor6CDlg() = default;

QListWidget* ReadConfigFor6CDlg::availableList() const
{
    return ui->pointLW;
}

QListWidget* ReadConfigFor6CDlg::chosenList() const
{
    return ui->setPointLW;
}

QList<int> ReadConfigFor6CDlg::chosenPoints() const
{
    QList<int> points;
    for (int i = 0; i < ui->setPointLW->count(); ++i) {
        points << ui->setPointLW->item(i)->data(kPointRole).toInt();
    }
    return points;
}

QCheckBox* ReadConfigFor6CDlg::antennaCheck(int antenna) const
{
    return findChild<QCheckBox*>(QStringLiteral("antennaCheck%1").arg(antenna));
}

QComboBox* ReadConfigFor6CDlg::powerList(int antenna) const
{
    return findChild<QComboBox*>(QStringLiteral("powerCombo%1").arg(antenna));
}

QSpinBox* ReadConfigFor6CDlg::dwellSpin(int antenna) const
{
    return findChild<QSpinBox*>(QStringLiteral("dwellSpin%1").arg(antenna));
}

void ReadConfigFor6CDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Until both have been read once, so a page first shown without a reader reads them later.
    if (m_retry && queryAntennas() && queryPoints()) {
        m_retry = false;
    }
}

bool ReadConfigFor6CDlg::queryAntennas()
{
    if (!Config6CReaderReady()) {
        return false;
    }
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        unsigned char enabled = 0;
        unsigned char power = 0;
        unsigned char dwell = 0;
        if (!ZALT_AntennaParmQuery(Config6CHandle(), static_cast<unsigned char>(a), &enabled, &power,
                                   &dwell)) {
            LogKey("IDCS_ANTENNA_STATE_QUERY_FAILED", true);
            return false;
        }
        antennaCheck(a)->setChecked(enabled != 0);
        // A byte outside both ranges asks for a position the list lacks: it then shows none.
        powerList(a)->setCurrentIndex(RfSettings::powerPosition(power));
        dwellSpin(a)->setValue(dwell);
    }
    LogKey("IDCS_ANTENNA_STATE_QUERY_SUCCESS");
    return true;
}

void ReadConfigFor6CDlg::slot_QurAntennaBtnClicked()
{
    queryAntennas();
}

void ReadConfigFor6CDlg::slot_SetAntennaBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    std::array<RfSettings::Antenna, RfSettings::kAntennaCount> antennas{};
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        RfSettings::Antenna& antenna = antennas[static_cast<size_t>(a - 1)];
        antenna.enabled = antennaCheck(a)->isChecked();
        antenna.powerPosition = powerList(a)->currentIndex();
        antenna.dwell = dwellSpin(a)->value();
        // A list that shows no power has none to send.
        if (antenna.powerPosition < 0) {
            LogKey("IDCS_INPUT_EMPTY");
            return;
        }
    }
    const QByteArray record = RfSettings::antennaRecord(antennas);
    const bool ok =
        ZALT_AntennaParmSet(Config6CHandle(), reinterpret_cast<const unsigned char*>(record.constData()),
                            static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? "IDCS_ANTENNA_STATE_SET_SUCCESS" : "IDCS_ANTENNA_STATE_SET_FAILED", !ok);
}

void ReadConfigFor6CDlg::moveItem(QListWidgetItem* item, QListWidget* from, QListWidget* to)
{
    const int index = item->data(kPointRole).toInt();
    if (!FindPoint(to, index)) {
        auto* copy = new QListWidgetItem(item->text());
        copy->setData(kPointRole, index);
        to->addItem(copy);
        to->sortItems(Qt::AscendingOrder);
    }
    delete from->takeItem(from->row(item));
}

void ReadConfigFor6CDlg::moveAll(QListWidget* from, QListWidget* to, bool selectedOnly)
{
    const QList<QListWidgetItem*> items =
        selectedOnly ? from->selectedItems() : from->findItems(QStringLiteral("*"), Qt::MatchWildcard);
    for (QListWidgetItem* item : items) {
        moveItem(item, from, to);
    }
}

bool ReadConfigFor6CDlg::queryPoints()
{
    if (!Config6CReaderReady()) {
        return false;
    }
    moveAll(ui->setPointLW, ui->pointLW, false);
    ui->setPointLW->clear();
    unsigned char buffer[kPointQueryBufferSize] = {};
    unsigned char length = kPointQueryBufferSize;
    if (!ZALT_RFParaQuery(Config6CHandle(), 0, buffer, &length)) {
        LogKey("IDCS_FREQUENCY_POINT_QUERY_FAILED", true);
        return false;
    }
    LogKey("IDCS_FREQUENCY_POINT_QUERY_SUCCESS");
    for (int i = 0; i < length; ++i) {
        QListWidgetItem* item = FindPoint(ui->pointLW, buffer[i]);
        if (!item) {
            LogKey("IDCS_FREQUENCY_POINT_FORMAT_QUERY_FAILED");
            break;
        }
        moveItem(item, ui->pointLW, ui->setPointLW);
    }
    return true;
}

void ReadConfigFor6CDlg::slot_QurPointBtnClicked()
{
    queryPoints();
}

void ReadConfigFor6CDlg::slot_SetPointBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char buffer[kPointSetBufferSize] = {};
    const QList<int> points = chosenPoints();
    // Every table has at most 50 points and the list holds each once.
    const int count = std::min(static_cast<int>(points.size()), RfSettings::kMaxPoints);
    for (int i = 0; i < count; ++i) {
        buffer[i] = static_cast<unsigned char>(points.at(i));
    }
    const bool ok = ZALT_RFParaSet(Config6CHandle(), 0, static_cast<unsigned char>(count), buffer) != 0;
    LogKey(ok ? "IDCS_FREQUENCY_POINT_SET_SUCCESS" : "IDCS_FREQUENCY_POINT_SET_FAILED", !ok);
}

void ReadConfigFor6CDlg::slot_SelectAllPointBtnClicked()
{
    ui->pointLW->selectAll();
    moveAll(ui->pointLW, ui->setPointLW, false);
}

void ReadConfigFor6CDlg::slot_NoSelectAllPointBtnClicked()
{
    ui->setPointLW->selectAll();
    moveAll(ui->setPointLW, ui->pointLW, false);
}

void ReadConfigFor6CDlg::slot_SelectPointBtnClicked()
{
    moveAll(ui->pointLW, ui->setPointLW, true);
}

void ReadConfigFor6CDlg::slot_NoSelectPointBtnClicked()
{
    moveAll(ui->setPointLW, ui->pointLW, true);
}

void ReadConfigFor6CDlg::slot_PonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->pointLW, ui->setPointLW);
    }
}

void ReadConfigFor6CDlg::slot_SetPonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->setPointLW, ui->pointLW);
    }
}
