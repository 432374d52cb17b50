#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class VersionCommonDlg;
}

// The about box: software version and the reader library's own version text.
class VersionCommonDlg : public QDialog
{
    Q_OBJECT

public:
    explicit VersionCommonDlg(QWidget* parent = nullptr);
    ~VersionCommonDlg() override;

    // Asks the driver again; also done each time the box is shown.
    void RefreshVersions();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::VersionCommonDlg> ui;
};
