#pragma once

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>

class AddClientDlg;
class QComboBox;
class QDialog;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TreeRightMenu;
class WirelessAdvancedDlg;
class WirelessDeviceInfoDlg;
class WirelessTcpServerConfigDlg;

namespace Ui {
class WirelessRecvDlg;
}

// Work-area page: the program as a server for many wireless readers. Readers that connect to it, or
// are added by hand, appear as rows with the tags they report below them; a refresh timer takes what
// the readers' threads counted, an online check drops readers gone silent, and a menu per reader
// starts and stops reading, removes, reboots and configures it and saves the tree.
class WirelessRecvDlg : public QWidget
{
    Q_OBJECT

public:
    // Item data of every row, as the rows' kind, reader, last time and reading state.
    static constexpr int DataRole = Qt::UserRole + 1;
    // The reader's key (its address) on column 1 of a reader row, taken when the row was made, so the
    // record is not read again once the reader may be gone.
    static constexpr int KeyRole = Qt::UserRole + 2;

    explicit WirelessRecvDlg(QWidget* parent = nullptr);
    ~WirelessRecvDlg() override;

    // Runs a dialog modally; replaceable so tests answer without a modal loop.
    using DialogRunner = std::function<int(QDialog*)>;
    static void SetDialogRunner(DialogRunner runner);

    QTreeWidget* tree() const;
    QComboBox* readTypeList() const;
    QComboBox* antennaList() const;
    bool isStarted() const { return m_started; }
    bool isListening() const { return m_listening; }
    QTimer* refreshTimer() const { return m_refreshTimer; }
    QTimer* onlineTimer() const { return m_onlineTimer; }
    TreeRightMenu* treeMenu() const { return m_menu; }
    WirelessAdvancedDlg* advancedDlg() const { return m_advanced; }
    WirelessTcpServerConfigDlg* serverConfigDlg() const { return m_serverConfig; }
    AddClientDlg* addClientDlg() const { return m_addClient; }
    WirelessDeviceInfoDlg* deviceDlg() const { return m_device; }
    // The top-level row of a reader, or null.
    QTreeWidgetItem* readerRow(quintptr reader) const;

public slots:
    void slot_stop();
    void slot_start();
    void slot_Oper();
    void slot_Clear();
    void slot_disconnet();
    void slot_advanceBtnClicked();
    void slot_RecvreaderInfo(quintptr pReaderInfo);
    void slot_ServerConfigBtnClicked();
    void slot_ServerListenBtnStopClicked();
    void slot_ServerListenBtnStartClicked();
    void slot_ServerListenBtnClicked();
    void slot_AddReaderBtnClicked();
    void slot_refresh_time();
    void slot_checkOnline_time();
    void slot_itemRightClicked(QTreeWidgetItem* item, int column);
    void slot_itemStartReadClicked();
    void slot_itemStopReadClicked();
    void slot_itemRemoveClicked();
    void slot_itemRebootClicked();
    void slot_itemDeviceConfigClicked();
    void slot_itemSaveClicked();

private:
    int runDialog(QDialog* dialog);
    void applyOnlineTimer();
    void clearTree();
    // The reader of the current row, or 0 when the current row is not a reader.
    quintptr currentReader() const;
    QTreeWidgetItem* currentReaderRow() const;
    void removeReader(QTreeWidgetItem* row);
    void updateLastTime(QTreeWidgetItem* row, unsigned int time);

    std::unique_ptr<Ui::WirelessRecvDlg> ui;
    bool m_started = false;
    bool m_listening = false;
    QTimer* m_refreshTimer = nullptr;
    QTimer* m_onlineTimer = nullptr;
    TreeRightMenu* m_menu = nullptr;
    WirelessAdvancedDlg* m_advanced = nullptr;
    WirelessTcpServerConfigDlg* m_serverConfig = nullptr;
    AddClientDlg* m_addClient = nullptr;
    WirelessDeviceInfoDlg* m_device = nullptr;
    // Per reader row, its tag rows by key: a report finds its row without a search.
    QHash<QTreeWidgetItem*, QHash<QString, QTreeWidgetItem*>> m_tagRows;
};
