#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class ReaderCallRunner;
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

    // Fills the form from a picked tag (bank index 0 EPC, 1 TID), unticks keep, sends the select.
    // True when it went out; its outcome follows in the log.
    bool selectTag(int bank, int start, int length, const QString& hexData);

private slots:
    void slot_SelectBtnClicked();
    void slot_NoSelectBtnClicked();
    void slot_WriteDadaLenTextChanged();

private:
    // Checks the form and sends the select off the user-interface thread; one log line tells the
    // outcome, with the success or failure key given. False when nothing was sent.
    bool runSelect(QWidget* button, const char* successKey, const char* failureKey);

    std::unique_ptr<Ui::TagSelectFor6CDlg> ui;
    QPointer<TagOpFor6CDlg> m_owner;
    ReaderCallRunner* m_runner = nullptr;
};
