#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class ReaderCallRunner;
class TagOpFor6CDlg;

namespace Ui {
class TagWriteFor6CDlg;
}

// Writes a new EPC into the tag.
class TagWriteFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    explicit TagWriteFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagWriteFor6CDlg() override;

private slots:
    void slot_WriteBtnClicked();
    void slot_ClearBtnClicked();
    void slot_WriteDadaLenTextChanged();

private:
    std::unique_ptr<Ui::TagWriteFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
    bool m_capping = false;
};
