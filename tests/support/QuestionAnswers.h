#pragma once

#include <QStringList>

// Answers question boxes in advance; what is left over is dropped with the object.
class QuestionAnswers
{
public:
    QuestionAnswers();
    ~QuestionAnswers();

    QuestionAnswers(const QuestionAnswers&) = delete;
    QuestionAnswers& operator=(const QuestionAnswers&) = delete;

    void push(int answer);
    void pushOk() { push(16); }
    void pushCancel() { push(32); }
    int pending() const;
    // Texts of the boxes answered so far.
    QStringList asked() const;
};
