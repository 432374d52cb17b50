#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FlashConfigFor6CDlg;
}

// The reader's on-board tag store: on or off, how many tags it holds, clearing it.
class FlashConfigFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit FlashConfigFor6CDlg(QWidget* parent = nullptr);
    ~FlashConfigFor6CDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_EnableStateChanged(int state);
    void slot_QueryBtnClicked();
    void slot_ClearBtnClicked();

private:
    void queryEnabled();
    // Shows the store switch without writing it back.
    void showEnabled(bool enabled);

    std::unique_ptr<Ui::FlashConfigFor6CDlg> ui;
};
