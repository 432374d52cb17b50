#pragma once

#include "core/gjb/GjbTagTable.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

class QModelIndex;
class QTimer;
class ReadCardThread;
class ReaderDllGJB;
class TagListModel;
class TagOpDlg;

namespace Ui {
class ReadCardDlg;
}

// The GJB inventory page: timed and loop runs with the air-link settings chosen here, per-tag
// counts by antenna, read rate, sound and the periodic save. A double click opens the tag's
// operations.
class ReadCardDlg : public QWidget
{
    Q_OBJECT

public:
    explicit ReadCardDlg(QWidget* workspace = nullptr, QWidget* parent = nullptr);
    ~ReadCardDlg() override;

    // Keys forwarded by the workspace: F7 timed, F8 loop, F9 stop, while the page shows.
    bool handleKey(int key);
    // The buttons for a driver state; state 4 after a timed run also logs its average.
    void updateButtons(int state);

    TagListModel* model() const { return m_model; }
    const GjbPageTable& table() const { return m_table; }
    ReadCardThread* worker() const { return m_thread; }
    TagOpDlg* tagOpDialog() const { return m_tagOpDlg; }
    QString saveFilePath() const;

signals:
    void sig_sendReadCount(int count, int speed, int nReset);

public slots:
    void slot_timerBtnClicked();
    void slot_CirculateBtnClicked();
    void slot_StopBtnClicked();
    void slot_refresh_time();
    void slot_save_file();
    void slot_beep();
    void slot_beepBtnStateChanged(int state);
    void slot_ClearBtnClicked();
    void slot_itemDoubleClicked(const QModelIndex& index);

private slots:
    // The worker saw the link go: back to idle, and the program to not connected.
    void slot_linkLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyTexts();
    bool startRun(bool timed);
    void startTimers();

    std::unique_ptr<Ui::ReadCardDlg> ui;
    TagListModel* m_model = nullptr;
    GjbPageTable m_table;
    QTimer* m_refreshTimer = nullptr;
    QTimer* m_saveTimer = nullptr;
    QTimer* m_beepTimer = nullptr;
    bool m_timedMode = false;
    bool m_saveFailing = false;
    qint64 m_previousTotal = 0;
    QElapsedTimer m_rateWatch;
    int m_refreshInterval = 0;
    int m_beepInterval = 0;
    QString m_saveFile;
    ReadCardThread* m_thread = nullptr;
    TagOpDlg* m_tagOpDlg = nullptr;
};

// The GJB driver when the current reader is one, else null.
ReaderDllGJB* CurrentGjbReader();
