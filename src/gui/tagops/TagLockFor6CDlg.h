#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class ReaderCallRunner;
class TagOpFor6CDlg;

namespace Ui {
class TagLockFor6CDlg;
}

// Locks or unlocks one memory area of a tag.
class TagLockFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TagLockFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagLockFor6CDlg() override;

private slots:
    void slot_LockBtnClicked();
    void slot_LockOrUnLockChange(int index);

private:
    std::unique_ptr<Ui::TagLockFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
};
