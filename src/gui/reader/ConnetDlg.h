#pragma once

#include <QList>
#include <QWidget>

#include <memory>

namespace Ui {
class ConnetDlg;
}

class QKeyEvent;
class ReaderCallRunner;
class UdpWorkerThread;

// The connection panel: medium and its parameters, connect and disconnect, and the running tag
// count and read speed of the inventory pages.
class ConnetDlg : public QWidget
{
    Q_OBJECT

public:
    explicit ConnetDlg(QWidget* parent = nullptr);
    ~ConnetDlg() override;

    // Buttons and settings follow the reader state.
    void UpdateConnectState(int state);
    // F1 connect, F2 disconnect.
    void keyPress(QKeyEvent* event);

    // The port lists: the classic COM names, then the ports this machine has.
    static QStringList PortNameList();
    static QStringList BaudRateList();

public slots:
    void slot_UpdateReadCount(int count, int speed, int nReset);
    // Also reached by F1 and F2, and asked by the main window to cut the connection. The open
    // runs off the user-interface thread; its outcome follows in the log.
    void slot_connetBtnClicked();
    void slot_disConnetBtnClicked();

private slots:
    void slot_queryIpBtnClicked();
    void slot_GetUdpResult(const QString& ipStr, const QString& nameStr);
    void slot_ConnetTypeIndexChanged(int index);

private:
    void LoadSavedParams();
    void SaveParam(const char* key, const QString& value);
    // Validates address and port of the TCP or UDP page; logs and returns false when refused.
    bool ReadNetParam(const QString& address, const QString& portText, int* port);
    void ApplyTexts();

    std::unique_ptr<Ui::ConnetDlg> ui;
    UdpWorkerThread* m_udpThread = nullptr; // only when discovery is switched on
    ReaderCallRunner* m_runner = nullptr;
    QList<int> m_speedList;
    int m_nUpdateCount = 0;
};
