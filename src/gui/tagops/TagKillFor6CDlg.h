#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class ReaderCallRunner;
class TagOpFor6CDlg;

namespace Ui {
class TagKillFor6CDlg;
}

// Kills the tag with the given EPC: it never answers again.
class TagKillFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TagKillFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagKillFor6CDlg() override;

private slots:
    void slot_killBtnClicked();

private:
    std::unique_ptr<Ui::TagKillFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
};
