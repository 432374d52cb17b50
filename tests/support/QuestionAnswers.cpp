#include "QuestionAnswers.h"

#include "gui/app/ZrMessageBox.h"

QuestionAnswers::QuestionAnswers()
{
    MessageBoxHook::clearAnswers();
    MessageBoxHook::clearAskedTexts();
}

QuestionAnswers::~QuestionAnswers()
{
    MessageBoxHook::clearAnswers();
    MessageBoxHook::clearAskedTexts();
}

void QuestionAnswers::push(int answer)
{
    MessageBoxHook::pushAnswer(answer);
}

int QuestionAnswers::pending() const
{
    return MessageBoxHook::pendingAnswers();
}

QStringList QuestionAnswers::asked() const
{
    return MessageBoxHook::askedTexts();
}
