#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FiltrateTagFor6CDlg;
}

// The reader's tag filter: on or off, and the time within which a tag is reported once.
class FiltrateTagFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit FiltrateTagFor6CDlg(QWidget* parent = nullptr);
    ~FiltrateTagFor6CDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_EnableStateChanged(int state);
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    void queryEnabled();
    void showEnabled(bool enabled);

    std::unique_ptr<Ui::FiltrateTagFor6CDlg> ui;
};
