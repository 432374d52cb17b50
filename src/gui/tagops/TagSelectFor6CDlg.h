#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class TagOpFor6CDlg;

namespace Ui {
class TagSelectFor6CDlg;
}

// Restricts the following tag operations to tags whose memory matches; optionally kept by the
// reader across restarts.
class TagSelectFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    explicit TagSelectFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent = nullptr);
    ~TagSelectFor6CDlg() override;

    // Fills the form from a picked tag (bank index 0 EPC, 1 TID), unticks keep, runs a select.
    bool selectTag(int bank, int start, int length, const QString& hexData);

private slots:
    void slot_SelectBtnClicked();
    void slot_NoSelectBtnClicked();
    void slot_WriteDadaLenTextChanged();

private:
    bool runSelect();

    std::unique_ptr<Ui::TagSelectFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
};
