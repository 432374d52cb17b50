#include "gui/app/ZrMessageBox.h"

#include "core/app/LanguageText.h"
#include "gui/app/AdaptImage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QQueue>

namespace {
const int kFixedWidth = 300;
const int kFixedHeight = 200;
const int kMargin = 20;
const int kIconSize = 56;
const int kButtonGap = 10;
const int kButtonRowFromBottom = 50;

struct HookState
{
    QMutex mutex;
    QQueue<int> answers;
    QStringList asked;
};

HookState& Hook()
{
    static HookState state;
    return state;
}

struct ButtonDef
{
    int flag;
    const char* key;
};

// Fixed creation order; the last one created becomes the default.
const ButtonDef kButtonOrder[] = {
    {ZrMessageBox::AllYes, "IDCS_ALL_YES"}, {ZrMessageBox::AllNot, "IDCS_ALL_NOT"},
    {ZrMessageBox::Ok, "IDCS_OK"},          {ZrMessageBox::Cancel, "IDCS_CANCEL"},
    {ZrMessageBox::Yes, "IDCS_YES"},        {ZrMessageBox::No, "IDCS_NO"},
};
} // namespace

ZrMessageBox::ZrMessageBox(const QString& text, int buttons, int kind, QWidget* parent)
    : QDialog(parent), m_nResult(0), m_nButtons(buttons)
{
    setModal(true);
    setWindowTitle(LangText("IDCS_WINTITLE"));
    setMinimumSize(kFixedWidth, kFixedHeight);
    setMaximumSize(kFixedWidth, kFixedHeight);

    m_icon = new AdaptImage(IconPath(kind), this);
    m_icon->setObjectName(QStringLiteral("messageIcon"));
    m_icon->setVisible(!m_icon->imagePath().isEmpty());

    m_text = new QLabel(text, this);
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setWordWrap(true);

    m_group = new QButtonGroup(this);
    connect(m_group, &QButtonGroup::idClicked, this, &ZrMessageBox::slot_Finish);

    const QFontMetrics metrics(QApplication::font());
    QPushButton* last = nullptr;
    for (const ButtonDef& entry : kButtonOrder) {
        if (!(buttons & entry.flag)) {
            continue;
        }
        const QString caption = LangText(entry.key);
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QStringLiteral("button%1").arg(entry.flag));
        button->setFixedWidth(metrics.horizontalAdvance(caption) + 45);
        // Enter must press the default button, not whichever button has focus.
        button->setAutoDefault(false);
        m_group->addButton(button, entry.flag);
        m_buttonList.append(button);
        last = button;
    }
    if (last) {
        last->setDefault(true);
        last->setFocus();
        m_nResult = m_group->id(last);
    }

    setFont(QApplication::font());
    const QSize textSize = metrics.size(0, text);
    resize(textSize.width() + 2 * kMargin, textSize.height() + 2 * kMargin);
    LayoutChildren();
}

ZrMessageBox::~ZrMessageBox() = default;

QString ZrMessageBox::IconPath(int kind)
{
    switch (kind) {
    case KindWarning:
        return QStringLiteral(":/message/skin/Warning.png");
    case KindError:
        return QStringLiteral(":/message/skin/Error.png");
    case KindInformation:
        return QStringLiteral(":/message/skin/Information.png");
    case KindQuestion:
        return QStringLiteral(":/message/skin/Question.png");
    default:
        return QString();
    }
}

void ZrMessageBox::slot_Finish(int btnValue)
{
    m_nResult = btnValue;
    accept();
}

void ZrMessageBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        for (int flag : {AllNot, No, Cancel}) {
            if (m_nButtons & flag) {
                m_nResult = flag;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void ZrMessageBox::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutChildren();
}

void ZrMessageBox::LayoutChildren()
{
    const int w = width();
    const int h = height();
    m_icon->setGeometry(kMargin, kMargin, kIconSize, kIconSize);
    const int textLeft = kMargin + kIconSize + kMargin;
    m_text->setGeometry(textLeft, kMargin, qMax(0, w - textLeft - kMargin),
                        qMax(0, h - kMargin - kButtonRowFromBottom - kMargin / 2));

    int rowWidth = 0;
    for (QPushButton* button : m_buttonList) {
        rowWidth += button->width();
    }
    if (!m_buttonList.isEmpty()) {
        rowWidth += kButtonGap * (m_buttonList.size() - 1);
    }
    int x = (w - rowWidth) / 2;
    const int y = h - kButtonRowFromBottom;
    for (QPushButton* button : m_buttonList) {
        button->move(x, y);
        x += button->width() + kButtonGap;
    }
}

int ShowMessageBox(const QString& text, int buttons, int kind, QWidget* parent)
{
    {
        HookState& hook = Hook();
        QMutexLocker lock(&hook.mutex);
        if (!hook.answers.isEmpty()) {
            hook.asked.append(text);
            return hook.answers.dequeue();
        }
    }
    ZrMessageBox box(text, buttons, kind, parent);
    box.exec();
    return box.GetResult();
}

int AskQuestion(const QString& text, QWidget* parent)
{
    return ShowMessageBox(text, ZrMessageBox::Ok | ZrMessageBox::Cancel, ZrMessageBox::KindQuestion, parent);
}

namespace MessageBoxHook {
void pushAnswer(int answer)
{
    HookState& hook = Hook();
    QMutexLocker lock(&hook.mutex);
    hook.answers.enqueue(answer);
}

int pendingAnswers()
{
    HookState& hook = Hook();
    QMutexLocker lock(&hook.mutex);
    return static_cast<int>(hook.answers.size());
}

void clearAnswers()
{
    HookState& hook = Hook();
    QMutexLocker lock(&hook.mutex);
    hook.answers.clear();
}

QStringList askedTexts()
{
    HookState& hook = Hook();
    QMutexLocker lock(&hook.mutex);
    return hook.asked;
}

void clearAskedTexts()
{
    HookState& hook = Hook();
    QMutexLocker lock(&hook.mutex);
    hook.asked.clear();
}
} // namespace MessageBoxHook
