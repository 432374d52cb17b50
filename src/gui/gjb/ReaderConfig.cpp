#include "gui/gjb/ReaderConfig.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/gjb/GjbReaderConfig.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/gjb/ReadCardDlg.h"
#include "ui_ReaderConfig.h"

namespace {

const int kIndexRole = Qt::UserRole + 1;

void logPort(const char* key, int port, bool isError)
{
    AppContext::Instance()->logMessage(LangText(key).arg(port), isError);
}

} // namespace

ReaderConfig::ReaderConfig(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::ReaderConfig>())
{
    ui->setupUi(this);
    m_ports = {ui->antennaOneCheck, ui->antennaTwoCheck, ui->antennaThreeCheck, ui->antennaFourCheck};
    m_powers = {ui->powerOneCombo, ui->powerTwoCombo, ui->powerThreeCombo, ui->powerFourCombo};
    m_times = {ui->timeOneSpin, ui->timeTwoSpin, ui->timeThreeSpin, ui->timeFourSpin};
    for (QComboBox* c : m_powers) {
        c->addItems(GjbReaderConfig::powerItems());
    }
    for (QSpinBox* s : m_times) {
        s->setRange(1, 65535);
        s->setValue(100);
    }
    ui->modulateCombo->addItems(GjbReaderConfig::modulationItems());
    for (int n = 0; n < GjbReaderConfig::kPointCount; ++n) {
        auto* item = new QListWidgetItem(GjbReaderConfig::pointText(n));
        item->setData(kIndexRole, n);
        ui->pointList->addItem(item);
    }
    ui->pointList->setSortingEnabled(true);
    ui->setPointList->setSortingEnabled(true);
    applyTexts();

    connect(ui->qurAntennaBtn, &QPushButton::clicked, this, &ReaderConfig::slot_QurAntennaBtnClicked);
    connect(ui->setAntennaBtn, &QPushButton::clicked, this, &ReaderConfig::slot_SetAntennaBtnClicked);
    connect(ui->qurPointBtn, &QPushButton::clicked, this, &ReaderConfig::slot_QurPointBtnClicked);
    connect(ui->setPointBtn, &QPushButton::clicked, this, &ReaderConfig::slot_SetPointBtnClicked);
    connect(ui->selectAllPointBtn, &QPushButton::clicked, this, &ReaderConfig::slot_SelectAllPointBtnClicked);
    connect(ui->noSelectAllPointBtn, &QPushButton::clicked, this,
            &ReaderConfig::slot_NoSelectAllPointBtnClicked);
    connect(ui->selectPointBtn, &QPushButton::clicked, this, &ReaderConfig::slot_SelectPointBtnClicked);
    connect(ui->noSelectPointBtn, &QPushButton::clicked, this, &ReaderConfig::slot_NoSelectPointBtnClicked);
    connect(ui->pointList, &QListWidget::itemDoubleClicked, this, &ReaderConfig::slot_PonitLWDoubleClicked);
    connect(ui->setPointList, &QListWidget::itemDoubleClicked, this,
            &ReaderConfig::slot_SetPonitLWDoubleClicked);
    connect(ui->qurModulateBtn, &QPushButton::clicked, this, &ReaderConfig::slot_QurModulateBtnClicked);
    connect(ui->setModulateBtn, &QPushButton::clicked, this, &ReaderConfig::slot_SetModulateBtnClicked);
    setButtonsEnabled(false);
}

ReaderConfig::~ReaderConfig() = default;

void ReaderConfig::applyTexts()
{
    ui->antennaGroup->setTitle(LangText("IDCS_ANTENNA_PORT_SET"));
    const char* ports[] = {"IDCS_ANTENNA_ONE", "IDCS_ANTENNA_TWO", "IDCS_ANTENNA_THREE", "IDCS_ANTENNA_FOUR"};
    for (int i = 0; i < 4; ++i) {
        m_ports[static_cast<size_t>(i)]->setText(LangText(ports[i]));
    }
    for (QLabel* l : {ui->timeOneLabel, ui->timeTwoLabel, ui->timeThreeLabel, ui->timeFourLabel}) {
        l->setText(LangText("IDCS_ANTENNA_TIME"));
    }
    ui->pointGroup->setTitle(LangText("IDCS_POINT_SET"));
    ui->modulateGroup->setTitle(LangText("IDCS_MODULATE_SET"));
    for (QPushButton* b : {ui->qurAntennaBtn, ui->qurPointBtn, ui->qurModulateBtn}) {
        b->setText(LangText("IDCS_QUERY"));
    }
    for (QPushButton* b : {ui->setAntennaBtn, ui->setPointBtn, ui->setModulateBtn}) {
        b->setText(LangText("IDCS_CONFIG"));
    }
    ui->selectAllPointBtn->setText(LangText("IDCS_SELECT_ALL"));
    ui->noSelectAllPointBtn->setText(LangText("IDCS_SELECT_ALLNOT"));
}

QListWidget* ReaderConfig::availablePoints() const
{
    return ui->pointList;
}

QListWidget* ReaderConfig::selectedPoints() const
{
    return ui->setPointList;
}

void ReaderConfig::setButtonsEnabled(bool on)
{
    for (QPushButton* b : {ui->qurAntennaBtn, ui->setAntennaBtn, ui->qurPointBtn, ui->setPointBtn,
                           ui->qurModulateBtn, ui->setModulateBtn}) {
        b->setEnabled(on);
    }
}

void ReaderConfig::updateReaderState(int state)
{
    if (state == ReaderDllBase::StateConnected) {
        setButtonsEnabled(true);
        ReaderDllGJB* d = readyReader();
        if (d && queryAntennas(d) && queryPoints(d)) {
            queryModulation(d);
        }
        return;
    }
    setButtonsEnabled(state == ReaderDllBase::StateTimedReadEnded);
}

ReaderDllGJB* ReaderConfig::readyReader()
{
    ReaderDllGJB* d = CurrentGjbReader();
    if (!d || !d->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return nullptr;
    }
    return d;
}

bool ReaderConfig::queryAntennas(ReaderDllGJB* d)
{
    int mask = 0;
    if (!d->ReaderAntenna_Get(&mask)) {
        LogFailure("IDCS_ANTENNA_STATE_QUERY_FAILED", d->GetErrorCode());
        return false;
    }
    const std::array<bool, 4> on = GjbReaderConfig::portsFromMask(mask);
    for (size_t i = 0; i < 4; ++i) {
        m_ports[i]->setChecked(on[i]);
    }
    d->SetAntennaFlags(on[0], on[1], on[2], on[3]);
    LogKey("IDCS_ANTENNA_STATE_QUERY_SUCCESS");
    for (int port = 1; port <= 4; ++port) {
        if (!on[static_cast<size_t>(port - 1)]) {
            continue;
        }
        int power = 0;
        if (!d->ReaderAntennaPower_Get(port, &power)) {
            logPort("IDCS_ANTENNA_POWER_QUERY_FAILED_1", port, true);
            return false;
        }
        QComboBox* c = m_powers[static_cast<size_t>(port - 1)];
        c->setCurrentIndex(c->findText(GjbReaderConfig::powerItemText(power), Qt::MatchExactly));
        logPort("IDCS_ANTENNA_POWER_QUERY_SUCCESS_1", port, false);
    }
    for (int port = 1; port <= 4; ++port) {
        if (!on[static_cast<size_t>(port - 1)]) {
            continue;
        }
        int time = 0;
        if (!d->ReaderAntennaTime_Get(port, &time)) {
            logPort("IDCS_ANTENNA_TIME_QUERY_FAILED_1", port, true);
            return false;
        }
        m_times[static_cast<size_t>(port - 1)]->setValue(time);
        logPort("IDCS_ANTENNA_TIME_SET_SUCCESS_1", port, false);
    }
    return true;
}

void ReaderConfig::slot_QurAntennaBtnClicked()
{
    if (ReaderDllGJB* d = readyReader()) {
        queryAntennas(d);
    }
}

void ReaderConfig::slot_SetAntennaBtnClicked()
{
    ReaderDllGJB* d = readyReader();
    if (!d) {
        return;
    }
    std::array<bool, 4> on{};
    for (size_t i = 0; i < 4; ++i) {
        on[i] = m_ports[i]->isChecked();
    }
    if (!d->ReaderAntenna_Set(GjbReaderConfig::portMask(on))) {
        LogFailure("IDCS_ANTENNA_STATE_SET_FAILED", d->GetErrorCode());
        return;
    }
    d->SetAntennaFlags(on[0], on[1], on[2], on[3]);
    LogKey("IDCS_ANTENNA_STATE_SET_SUCCESS");
    for (int port = 1; port <= 4; ++port) {
        if (!on[static_cast<size_t>(port - 1)]) {
            continue;
        }
        const int power = GjbReaderConfig::powerValue(m_powers[static_cast<size_t>(port - 1)]->currentText());
        if (!d->ReaderAntennaPower_Set(port, power)) {
            logPort("IDCS_ANTENNA_POWER_SET_FAILED_1", port, true);
            return;
        }
        logPort("IDCS_ANTENNA_POWER_SET_SUCCESS_1", port, false);
    }
    for (int port = 1; port <= 4; ++port) {
        if (!on[static_cast<size_t>(port - 1)]) {
            continue;
        }
        if (!d->ReaderAntennaTime_Set(port, m_times[static_cast<size_t>(port - 1)]->value())) {
            LogFailure("IDCS_ANTENNA_TIME_SET_FAILED", d->GetErrorCode());
            return;
        }
        LogKey("IDCS_ANTENNA_TIME_SET_SUCCESS");
    }
}

bool ReaderConfig::queryPoints(ReaderDllGJB* d)
{
    moveAll(ui->setPointList, ui->pointList, false);
    int mask = 0;
    if (!d->GET_FrequencyPoint(&mask)) {
        LogFailure("IDCS_FREQUENCY_POINT_QUERY_FAILED", d->GetErrorCode());
        return false;
    }
    LogKey("IDCS_FREQUENCY_POINT_QUERY_SUCCESS");
    for (int n : GjbReaderConfig::pointsFromMask(mask)) {
        for (int row = 0; row < ui->pointList->count(); ++row) {
            QListWidgetItem* item = ui->pointList->item(row);
            if (item->data(kIndexRole).toInt() == n) {
                moveItem(item, ui->setPointList);
                break;
            }
        }
    }
    return true;
}

void ReaderConfig::slot_QurPointBtnClicked()
{
    if (ReaderDllGJB* d = readyReader()) {
        queryPoints(d);
    }
}

void ReaderConfig::slot_SetPointBtnClicked()
{
    ReaderDllGJB* d = readyReader();
    if (!d) {
        return;
    }
    std::vector<int> points;
    points.reserve(static_cast<size_t>(ui->setPointList->count()));
    for (int row = 0; row < ui->setPointList->count(); ++row) {
        points.push_back(ui->setPointList->item(row)->data(kIndexRole).toInt());
    }
    if (d->SET_FrequencyPoint(GjbReaderConfig::pointMask(points))) {
        LogKey("IDCS_FREQUENCY_POINT_SET_SUCCESS");
    } else {
        LogFailure("IDCS_FREQUENCY_POINT_SET_FAILED", d->GetErrorCode());
    }
}

void ReaderConfig::moveItem(QListWidgetItem* item, QListWidget* to)
{
    const int index = item->data(kIndexRole).toInt();
    bool present = false;
    for (int row = 0; row < to->count() && !present; ++row) {
        present = to->item(row)->data(kIndexRole).toInt() == index;
    }
    if (!present) {
        to->addItem(item->clone());
        to->sortItems();
    }
    delete item;
}

void ReaderConfig::moveAll(QListWidget* from, QListWidget* to, bool selectedOnly)
{
    const QList<QListWidgetItem*> items =
        selectedOnly ? from->selectedItems() : from->findItems(QStringLiteral("*"), Qt::MatchWildcard);
    for (QListWidgetItem* item : items) {
        moveItem(item, to);
    }
}

void ReaderConfig::slot_SelectAllPointBtnClicked()
{
    moveAll(ui->pointList, ui->setPointList, false);
}

void ReaderConfig::slot_NoSelectAllPointBtnClicked()
{
    moveAll(ui->setPointList, ui->pointList, false);
}

void ReaderConfig::slot_SelectPointBtnClicked()
{
    moveAll(ui->pointList, ui->setPointList, true);
}

void ReaderConfig::slot_NoSelectPointBtnClicked()
{
    moveAll(ui->setPointList, ui->pointList, true);
}

void ReaderConfig::slot_PonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->setPointList);
    }
}

void ReaderConfig::slot_SetPonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->pointList);
    }
}

bool ReaderConfig::queryModulation(ReaderDllGJB* d)
{
    int depth = 0;
    if (!d->Modulation_Get(&depth)) {
        LogFailure("IDCS_MODULATE_QUERY_FAILED", d->GetErrorCode());
        return false;
    }
    ui->modulateCombo->setCurrentIndex(ui->modulateCombo->findText(QString::number(depth), Qt::MatchExactly));
    LogKey("IDCS_MODULATE_QUERY_SUCCESS");
    return true;
}

void ReaderConfig::slot_QurModulateBtnClicked()
{
    if (ReaderDllGJB* d = readyReader()) {
        queryModulation(d);
    }
}

void ReaderConfig::slot_SetModulateBtnClicked()
{
    ReaderDllGJB* d = readyReader();
    if (!d) {
        return;
    }
    if (d->Modulation_Set(ui->modulateCombo->currentText().toInt())) {
        LogKey("IDCS_MODULATE_SET_SUCCESS");
    } else {
        LogFailure("IDCS_MODULATE_SET_FAILED", d->GetErrorCode());
    }
}
