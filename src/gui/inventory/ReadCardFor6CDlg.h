#pragma once

#include "core/inventory/TagTable.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QModelIndex;
class QTimer;
class ReadCardFor6CThread;
class ReaderCallRunner;
class TagListModel;

namespace Ui {
class ReadCardFor6CDlg;
}

// The 6C inventory page: continuous reading with per-tag counts, read rate, sound and saving.
// A host (workspace) relays the counts and sets the select handler; without one the counts go
// out through AppContext.
class ReadCardFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    using SelectHandler = std::function<bool(int bank, int start, int length, const QString& hexData)>;
    using SaveFileAsker = std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                                                const QString& filter, QString* selectedFilter)>;

    explicit ReadCardFor6CDlg(QWidget* workspace = nullptr, QWidget* parent = nullptr);
    ~ReadCardFor6CDlg() override;

    // Keys forwarded by the workspace: F8 starts, F9 stops, while the page is not hidden.
    bool handleKey(int key);

    // Replaces the workspace as the receiver of select requests (tests, other hosts).
    void setSelectHandler(SelectHandler handler) { m_selectHandler = std::move(handler); }
    // Replaces the file dialog of the export (tests answer it without a modal loop).
    static void SetSaveFileAsker(SaveFileAsker asker);

    static QString textFilter();
    static QString csvFilter();

    TagListModel* model() const { return m_model; }
    const TagTable& table() const { return m_table; }
    ReadCardFor6CThread* worker() const { return m_thread; }
    // Path of the periodic save file, relative paths taken from the application directory.
    QString saveFilePath() const;

signals:
    void sig_sendReadCount(int count, int nReadCount, int nReset);

public slots:
    // What the refresh timer does: take the worker's reads into the table and the tree.
    void slot_refresh_time();
    // The context menu's actions, on the current row.
    void slot_copyItemEPC();
    void slot_copyItemTID();
    void slot_exportItem();
    void slot_selectEpc();
    void slot_selectTid();

private slots:
    void slot_readBtnClicked();
    void slot_startReadBtnClicked();
    void slot_stopReadBtnClicked();
    void slot_ClearBtnClicked();
    void slot_beep();
    void slot_beepBtnStateChanged(int state);
    void slot_save_file();
    void slot_itemRightClicked(const QModelIndex& index);
    // The worker saw the link go: back to idle, and the program to not connected.
    void slot_linkLost();
    void slot_cancelSelectBtnClicked();
    void slot_selectChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyTexts();
    void drainReads();
    // Column widths from what they hold: the longest EPC and TID seen, the time, the counts.
    void fitColumns();
    // The signal-strength columns, hidden while no report of the run has carried one.
    void showRssiColumns(bool show);
    QString currentText(int column) const;
    void copyCurrent(int column);
    void selectCurrent(int column, int bank);
    QMenu* createContextMenu();
    // Timers off, worker stopped, button back to start, the rate shown as 0.
    void endRun();

    std::unique_ptr<Ui::ReadCardFor6CDlg> ui;
    TagListModel* m_model = nullptr;
    TagTable m_table;
    TagReadBatch m_batch;
    QTimer* m_refreshTimer = nullptr;
    QTimer* m_beepTimer = nullptr;
    QTimer* m_saveTimer = nullptr;
    qint64 m_previousTotal = 0;
    bool m_beepPending = false;
    QElapsedTimer m_rateWatch;
    SelectHandler m_selectHandler;
    int m_refreshInterval = 0;
    int m_beepInterval = 0;
    QString m_saveFile;
    int m_widestEpc = 0; // hex digits
    int m_widestTid = 0;
    bool m_saveFailing = false; // the periodic save's failure is logged once, not every interval
    ReadCardFor6CThread* m_thread = nullptr;
    ReaderCallRunner* m_runner = nullptr;
};
