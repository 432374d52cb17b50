#pragma once

#include <QDialog>
#include <QList>

class AdaptImage;
class QButtonGroup;
class QLabel;
class QPushButton;

// The modal question box. Button identifiers equal their flags.
class ZrMessageBox : public QDialog
{
    Q_OBJECT

public:
    enum Button
    {
        Yes = 1,
        No = 2,
        AllYes = 4,
        AllNot = 8,
        Ok = 16,
        Cancel = 32
    };
    enum Kind
    {
        KindNone = 0,
        KindWarning = 1,
        KindError = 2,
        KindInformation = 3,
        KindQuestion = 4
    };

    ZrMessageBox(const QString& text, int buttons, int kind, QWidget* parent = nullptr);
    ~ZrMessageBox() override;

    int GetResult() const { return m_nResult; }
    int GetButtons() const { return m_nButtons; }
    static QString IconPath(int kind);

public slots:
    void slot_Finish(int btnValue);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutChildren();

    int m_nResult = 0;
    int m_nButtons = 0;
    AdaptImage* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QButtonGroup* m_group = nullptr;
    QList<QPushButton*> m_buttonList;
};

// Runs a ZrMessageBox modally and returns the chosen button's identifier.
int ShowMessageBox(const QString& text, int buttons, int kind, QWidget* parent = nullptr);
// OK and cancel, question icon: 16 means consent.
int AskQuestion(const QString& text, QWidget* parent = nullptr);

// Lets tests answer question boxes without a modal loop. While answers are queued,
// ShowMessageBox takes the next one instead of showing a box, and records the text asked.
namespace MessageBoxHook {
void pushAnswer(int answer);
int pendingAnswers();
void clearAnswers();
QStringList askedTexts();
void clearAskedTexts();
} // namespace MessageBoxHook
