#pragma once

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class ReaderDllGJB;

namespace Ui {
class ReaderConfig;
}

// The GJB reader's antenna ports (use, power, dwell), frequency points and modulation depth. Each
// button makes its calls in order and stops at the first failure; every outcome is a log line.
class ReaderConfig : public QWidget
{
    Q_OBJECT

public:
    explicit ReaderConfig(QWidget* parent = nullptr);
    ~ReaderConfig() override;

    // A reader state from the work area: 2 enables the buttons and reads everything back, 4 enables
    // them, anything else disables them.
    void updateReaderState(int state);

    QListWidget* availablePoints() const;
    QListWidget* selectedPoints() const;

public slots:
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
    void slot_QurModulateBtnClicked();
    void slot_SetModulateBtnClicked();

private:
    void applyTexts();
    // The driver when connected and idle, else null with the log line.
    ReaderDllGJB* readyReader();
    bool queryAntennas(ReaderDllGJB* d);
    bool queryPoints(ReaderDllGJB* d);
    bool queryModulation(ReaderDllGJB* d);
    void moveItem(QListWidgetItem* item, QListWidget* to);
    void moveAll(QListWidget* from, QListWidget* to, bool selectedOnly);
    void setButtonsEnabled(bool on);

    std::unique_ptr<Ui::ReaderConfig> ui;
    std::array<QCheckBox*, 4> m_ports{};
    std::array<QComboBox*, 4> m_powers{};
    std::array<QSpinBox*, 4> m_times{};
};
