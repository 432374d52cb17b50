#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class ReaderCallRunner;
class TagOpFor6CDlg;

namespace Ui {
class TagReadFor6CDlg;
}

// Reads or writes a tag's user memory, in words.
class TagReadFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    explicit TagReadFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagReadFor6CDlg() override;

private slots:
    void slot_BtnClicked();
    void slot_ReadBtnClicked();
    void slot_WtiteBtnClicked();
    void slot_ReadRbBtnClicked();
    void slot_WriteRbBtnClicked();
    void slot_ClearBtnClicked();
    void slot_WriteDadaLenTextChanged();

private:
    void setPasswordEnabled(bool on);
    // Start word, word count and operation time; false (reported) when one is not a number in range.
    bool readFields(int* start, int* words, int* timeMs);

    std::unique_ptr<Ui::TagReadFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
    bool m_capping = false;
};
