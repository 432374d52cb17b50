#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class ReaderCallRunner;
class TagOpFor6CDlg;

namespace Ui {
class TagPasswordSetFor6CDlg;
}

// Changes a tag's access or kill password.
class TagEraseFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TagEraseFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagEraseFor6CDlg() override;

private slots:
    void slot_setBtnClicked();
    void slot_setAccessPwd();
    void slot_setOpPwd();

private:
    void setPassword(bool access);

    std::unique_ptr<Ui::TagPasswordSetFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
};
