#include "gui/gjb/TagOpDlg.h"

#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/gjb/ReadCardDlg.h"
#include "gui/reader/ReaderCallUi.h"
#include "ui_TagOpDlg.h"

namespace {

unsigned int hexValue(const QLineEdit* edit)
{
    return edit->text().trimmed().toUInt(nullptr, 16);
}

const char* failureKey(int op)
{
    static const char* const keys[] = {"IDCS_READ_FAILED", "IDCS_WRITE_FAILED", "IDCS_LOCK_FAILED",
                                       "IDCS_ERASE_FAILED", "IDCS_KILL_FAILED"};
    return keys[op];
}

} // namespace

TagOpDlg::TagOpDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TagOpDlg>())
{
    ui->setupUi(this);
    m_runner = new ReaderCallRunner(this);
    applyTexts();
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &TagOpDlg::slots_TabCurrentChanged);
    connect(ui->readBtn, &QPushButton::clicked, this, &TagOpDlg::slot_ReadBtnClicked);
    connect(ui->writeBtn, &QPushButton::clicked, this, &TagOpDlg::slot_WriteBtnClicked);
    connect(ui->lockBtn, &QPushButton::clicked, this, &TagOpDlg::slot_LockBtnClicked);
    connect(ui->eraseBtn, &QPushButton::clicked, this, &TagOpDlg::slot_EraseBtnClicked);
    connect(ui->killBtn, &QPushButton::clicked, this, &TagOpDlg::slot_KillBtnClicked);
}

TagOpDlg::~TagOpDlg() = default;

void TagOpDlg::applyTexts()
{
    setWindowTitle(LangText("IDCS_TAG_OP"));
    ui->tagIdLabel->setText(LangText("IDCS_TAG_ID"));
    ui->maskLabel->setText(LangText("IDCS_MASK"));
    ui->matchStartLabel->setText(LangText("IDCS_START_MATCH_ADDR"));
    ui->matchCheck->setText(LangText("IDCS_MATCH"));
    const char* tabs[] = {"IDCS_READ", "IDCS_WRITE", "IDCS_LOCK", "IDCS_ERASE", "IDCS_KILL"};
    for (int i = 0; i < 5; ++i) {
        ui->tabWidget->setTabText(i, LangText(tabs[i]));
    }
    for (QLabel* l : {ui->readAreaLabel, ui->writeAreaLabel, ui->lockAreaLabel, ui->eraseAreaLabel}) {
        l->setText(LangText("IDCS_AREA"));
    }
    for (QLabel* l : {ui->readUserNoLabel, ui->writeUserNoLabel, ui->lockUserNoLabel, ui->eraseUserNoLabel}) {
        l->setText(LangText("IDCS_USER_NO"));
    }
    for (QLabel* l : {ui->readStartLabel, ui->writeStartLabel, ui->eraseStartLabel}) {
        l->setText(LangText("IDCS_START_ADDR"));
    }
    for (QLabel* l : {ui->readLenLabel, ui->writeLenLabel, ui->eraseLenLabel}) {
        l->setText(LangText("IDCS_DATA_LEN"));
    }
    ui->readPwdLabel->setText(LangText("IDCS_READ_PWD"));
    ui->writePwdLabel->setText(LangText("IDCS_WRITE_PWD"));
    ui->lockPwdLabel->setText(LangText("IDCS_LOCK_PWD"));
    ui->erasePwdLabel->setText(LangText("IDCS_ERASE_PWD"));
    ui->killPwdLabel->setText(LangText("IDCS_KILL_PWD"));
    ui->writeDataLabel->setText(LangText("IDCS_WRITE_DATA"));
    ui->lockActionLabel->setText(LangText("IDCS_ACTION"));
    ui->readBtn->setText(LangText("IDCS_READ"));
    ui->writeBtn->setText(LangText("IDCS_WRITE"));
    ui->lockBtn->setText(LangText("IDCS_LOCK"));
    ui->eraseBtn->setText(LangText("IDCS_ERASE"));
    ui->killBtn->setText(LangText("IDCS_KILL"));
    fillAreaCombos(ui->readAreaCombo, ui->readUserNoCombo);
    fillAreaCombos(ui->writeAreaCombo, ui->writeUserNoCombo);
    fillAreaCombos(ui->lockAreaCombo, ui->lockUserNoCombo);
    fillAreaCombos(ui->eraseAreaCombo, ui->eraseUserNoCombo);
    ui->lockActionCombo->clear();
    for (const char* key :
         {"IDCS_READ_WRITE", "IDCS_READ_NO_WRITE", "IDCS_NO_READ_WRITE", "IDCS_NO_READ_NO_WRITE"}) {
        ui->lockActionCombo->addItem(LangText(key));
    }
}

void TagOpDlg::fillAreaCombos(QComboBox* area, QComboBox* userNo)
{
    area->clear();
    for (const char* key :
         {"IDCS_TAG_INFO_AREA", "IDCS_TAG_CODE_AREA", "IDCS_TAG_SAFE_AREA", "IDCS_TAG_USER_AREA"}) {
        area->addItem(LangText(key));
    }
    userNo->clear();
    for (int i = 0; i < 16; ++i) {
        userNo->addItem(QString::number(i));
    }
    // The user-area number only means something in the user area.
    connect(area, qOverload<int>(&QComboBox::currentIndexChanged), userNo,
            [userNo](int index) { userNo->setEnabled(index == 3); });
    area->setCurrentIndex(3);
    userNo->setCurrentIndex(0);
}

void TagOpDlg::setTagId(const QString& tagId)
{
    ui->tagIdEdit->setText(tagId);
    ui->maskEdit->setText(QString(tagId.size(), QLatin1Char('F')));
}

QString TagOpDlg::resultText() const
{
    return ui->resultEdit->toPlainText();
}

void TagOpDlg::setResult(const QString& text)
{
    ui->resultEdit->setPlainText(text);
}

void TagOpDlg::slots_TabCurrentChanged(int index)
{
    Q_UNUSED(index);
    ui->resultEdit->clear();
}

GjbTagOps::Password TagOpDlg::password(QLineEdit* a, QLineEdit* b, QLineEdit* c, QLineEdit* d) const
{
    return {static_cast<unsigned char>(hexValue(a)), static_cast<unsigned char>(hexValue(b)),
            static_cast<unsigned char>(hexValue(c)), static_cast<unsigned char>(hexValue(d))};
}

bool TagOpDlg::readMatch(GjbTagOps::Match& match)
{
    ReaderDllGJB* driver = CurrentGjbReader();
    if (!driver || !driver->IsState(ReaderDllBase::StateConnected)) {
        setResult(LangText("IDCS_READ_NO_LINK"));
        return false;
    }
    match.tagId = ui->tagIdEdit->text();
    match.mask = ui->maskEdit->text();
    match.match = ui->matchCheck->isChecked();
    match.startWord = hexValue(ui->matchStartEdit);
    switch (GjbTagOps::checkMatch(match)) {
    case GjbTagOps::MatchCheck::Ok:
        return true;
    case GjbTagOps::MatchCheck::TagIdTooLong:
    case GjbTagOps::MatchCheck::MaskTooLong:
        setResult(LangText("IDCS_GJB_ID_TOO_LONG_1").arg(GjbTagOps::kMaxIdDigits));
        return false;
    case GjbTagOps::MatchCheck::MaskLongerThanId:
        setResult(LangText("IDCS_MASK_LEN_LIMIT"));
        return false;
    }
    return false;
}

void TagOpDlg::slot_ReadBtnClicked()
{
    GjbTagOps::Match m;
    if (!readMatch(m)) {
        return;
    }
    const int area =
        GjbTagOps::areaCode(ui->readAreaCombo->currentIndex(), ui->readUserNoCombo->currentIndex());
    run(Op::Read,
        GjbTagOps::buildRead(m, area, hexValue(ui->readStartEdit), hexValue(ui->readLenEdit),
                             password(ui->readPwd1, ui->readPwd2, ui->readPwd3, ui->readPwd4)),
        ui->readBtn);
}

void TagOpDlg::slot_WriteBtnClicked()
{
    GjbTagOps::Match m;
    if (!readMatch(m)) {
        return;
    }
    const int area =
        GjbTagOps::areaCode(ui->writeAreaCombo->currentIndex(), ui->writeUserNoCombo->currentIndex());
    run(Op::Write,
        GjbTagOps::buildWrite(m, area, hexValue(ui->writeStartEdit), hexValue(ui->writeLenEdit),
                              ui->writeDataEdit->text(),
                              password(ui->writePwd1, ui->writePwd2, ui->writePwd3, ui->writePwd4)),
        ui->writeBtn);
}

void TagOpDlg::slot_LockBtnClicked()
{
    GjbTagOps::Match m;
    if (!readMatch(m)) {
        return;
    }
    const int area =
        GjbTagOps::areaCode(ui->lockAreaCombo->currentIndex(), ui->lockUserNoCombo->currentIndex());
    run(Op::Lock,
        GjbTagOps::buildLock(m, area, ui->lockActionCombo->currentIndex(),
                             password(ui->lockPwd1, ui->lockPwd2, ui->lockPwd3, ui->lockPwd4)),
        ui->lockBtn);
}

void TagOpDlg::slot_EraseBtnClicked()
{
    GjbTagOps::Match m;
    if (!readMatch(m)) {
        return;
    }
    const int area =
        GjbTagOps::areaCode(ui->eraseAreaCombo->currentIndex(), ui->eraseUserNoCombo->currentIndex());
    run(Op::Erase,
        GjbTagOps::buildErase(m, area, hexValue(ui->eraseStartEdit), hexValue(ui->eraseLenEdit),
                              password(ui->erasePwd1, ui->erasePwd2, ui->erasePwd3, ui->erasePwd4)),
        ui->eraseBtn);
}

void TagOpDlg::slot_KillBtnClicked()
{
    GjbTagOps::Match m;
    if (!readMatch(m)) {
        return;
    }
    run(Op::Kill, GjbTagOps::buildKill(m, password(ui->killPwd1, ui->killPwd2, ui->killPwd3, ui->killPwd4)),
        ui->killBtn);
}

void TagOpDlg::run(Op op, std::vector<unsigned char> request, QWidget* button)
{
    const int opIndex = static_cast<int>(op);
    ReaderDllGJB* driver = CurrentGjbReader();
    if (request.empty() || !driver) {
        setResult(LangText(failureKey(opIndex)));
        return;
    }
    m_lastRequest = request;
    ui->resultEdit->clear();
    struct Outcome
    {
        std::vector<unsigned char> request;
        std::vector<unsigned char> answer = std::vector<unsigned char>(GjbTagOps::kAnswerSize, 0);
        bool sent = false;
    };
    auto outcome = std::make_shared<Outcome>();
    outcome->request = std::move(request);
    RunReaderCall(
        m_runner, this, button,
        [driver, op, outcome] {
            const unsigned char* r = outcome->request.data();
            switch (op) {
            case Op::Read:
                outcome->sent = driver->UHFRead_Tag(r);
                break;
            case Op::Write:
                outcome->sent = driver->UHFWrite_Tag(r);
                break;
            case Op::Lock:
                outcome->sent = driver->UHFLock_Tag(r);
                break;
            case Op::Erase:
                outcome->sent = driver->UHFErase_Tag(r);
                break;
            case Op::Kill:
                outcome->sent = driver->UHFKill_Tag(r);
                break;
            }
            return outcome->sent && GjbTagOps::receiveAnswer(*driver, outcome->answer.data(), 30000);
        },
        [this, driver, op, opIndex, outcome](const ReaderCallResult& result) {
            if (!result.ok) {
                setResult(LangText(failureKey(opIndex)));
                return;
            }
            const GjbTagOps::Answer a =
                GjbTagOps::parseAnswer(outcome->answer.data(), static_cast<int>(outcome->answer.size()));
            setResult(op == Op::Read && a.status == 0 ? a.dataHex : driver->ErrorText(a.status));
        });
}
