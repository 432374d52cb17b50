#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class SoftConfigDlg;
}

// Language, product series and 6C options. Applying them saves the settings and rebuilds the whole
// interface through the run loop.
class SoftConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit SoftConfigDlg(QWidget* parent = nullptr);
    ~SoftConfigDlg() override;

    // Refills the language and product series lists from the settings files.
    void RefreshLists();

public slots:
    void slot_SetBtnClicked();
    void slot_CancelBtnClicked();
    void slot_ApiCbCurrentIndexChanged(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillLanguageList();
    void FillProductList();
    void ApplyLoadTypeRule();
    QString LanguageIndexPath() const;
    // The error line for a settings file that would not take the choices.
    static void ReportNotSaved(const QString& path);

    std::unique_ptr<Ui::SoftConfigDlg> ui;
    // The user edition offers the language only; nothing may show the other rows again.
    bool m_bUserEdition = false;
};
