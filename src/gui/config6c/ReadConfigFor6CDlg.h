#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QSpinBox;

namespace Ui {
class ReadConfigFor6CDlg;
}

// Work-area page: the four antenna ports (enabled, power, dwell) and the frequency points the reader
// hops over, chosen from the table of the configured frequency standard.
class ReadConfigFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    explicit ReadConfigFor6CDlg(QWidget* parent = nullptr);
    ~ReadConfigFor6CDlg() override;

    QListWidget* availableList() const;
    QListWidget* chosenList() const;
    // Point indices of the chosen list, in list order: what a set sends.
    QList<int> chosenPoints() const;
    QCheckBox* antennaCheck(int antenna) const; // 1..4
    QComboBox* powerList(int antenna) const;
    QSpinBox* dwellSpin(int antenna) const;
    // Set until a showing has read both the antennas and the points.
    bool queryPending() const { return m_retry; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QurAntennaBtnClicked();
    void slot_SetAntennaBtnClicked();
    void slot_QurPointBtnClicked();
    void slot_SetPointBtnClicked();
    void slot_SelectAllPointBtnClicked();
    void slot_NoSelectAllPointBtnClicked();
    void slot_SelectPointBtnClicked();
    void slot_NoSelectPointBtnClicked();
    void slot_PonitLWDoubleClicked(QListWidgetItem* item);
    void slot_SetPonitLWDoubleClicked(QListWidgetItem* item);

private:
    bool queryAntennas();
    bool queryPoints();
    void moveItem(QListWidgetItem* item, QListWidget* from, QListWidget* to);
    void moveAll(QListWidget* from, QListWidget* to, bool selectedOnly);

    std::unique_ptr<Ui::ReadConfigFor6CDlg> ui;
    bool m_retry = true;
};
