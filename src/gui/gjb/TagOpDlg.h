#pragma once

#include "core/gjb/GjbTagOps.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLineEdit;
class ReaderCallRunner;

namespace Ui {
class TagOpDlg;
}

// Read, write, lock, erase and kill on one GJB tag, matched by the ID and mask above the tabs.
// Each operation sends its request and waits for the reader's answer off the window's thread;
// the outcome goes to the result box.
class TagOpDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TagOpDlg(QWidget* parent = nullptr);
    ~TagOpDlg() override;

    // The tag ID, with a mask of as many F digits.
    void setTagId(const QString& tagId);
    QString resultText() const;
    // The request the last operation sent (tests).
    const std::vector<unsigned char>& lastRequest() const { return m_lastRequest; }

public slots:
    void slots_TabCurrentChanged(int index);
    void slot_ReadBtnClicked();
    void slot_WriteBtnClicked();
    void slot_LockBtnClicked();
    void slot_EraseBtnClicked();
    void slot_KillBtnClicked();

private:
    enum class Op
    {
        Read,
        Write,
        Lock,
        Erase,
        Kill
    };
    void applyTexts();
    void fillAreaCombos(QComboBox* area, QComboBox* userNo);
    GjbTagOps::Password password(QLineEdit* a, QLineEdit* b, QLineEdit* c, QLineEdit* d) const;
    // The checks every operation starts with; false with the reason in the result box.
    bool readMatch(GjbTagOps::Match& match);
    void run(Op op, std::vector<unsigned char> request, QWidget* button);
    void setResult(const QString& text);

    std::unique_ptr<Ui::TagOpDlg> ui;
    ReaderCallRunner* m_runner = nullptr;
    std::vector<unsigned char> m_lastRequest;
};
