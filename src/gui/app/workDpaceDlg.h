#pragma once

#include <QFrame>
#include <QString>

#include <memory>

namespace Ui {
class workDpaceDlg;
}

class QKeyEvent;
class QTabWidget;
class ReadCardDlg;
class ReadCardFor6CDlg;
class ReaderConfig;
class TagOpFor6CDlg;

// The work area: the main pages as tabs, plus the two buttons that fold the connection panel and
// the operation log away.
class workDpaceDlg : public QFrame
{
    Q_OBJECT

public:
    explicit workDpaceDlg(QWidget* parent = nullptr);
    ~workDpaceDlg() override;

    // Hands a tag picked on the inventory page to the tag-operation page.
    bool selectTag(int bank, int start, int length, const QString& hexData);
    // Function keys for the inventory pages.
    void keyPress(QKeyEvent* event);
    // A reader state, for the GJB pages' buttons.
    void updateReaderState(int state);
    ReadCardDlg* gjbReadCard() const { return m_readCard; }
    ReaderConfig* gjbReaderConfig() const { return m_readerConfig; }

    // name: an image strip under :/cebian/skin, e.g. "cebian_left".
    void SetLeftBtnImage(const QString& name);
    void SetDownBtnImage(const QString& name);
    QString leftBtnImage() const { return m_leftImage; }
    QString downBtnImage() const { return m_downImage; }

    QTabWidget* tabWidget() const;

signals:
    void leftBtnClicked();
    void downBtnClicked();
    // The inventory pages' counts, for the connection panel.
    void sig_sendReadCount(int count, int speed, int nReset);

public slots:
    void slot_leftBtnClicked();
    void slot_downBtnClicked();
    void slot_tabChanged(int index);

private:
    void CreatePages();

    std::unique_ptr<Ui::workDpaceDlg> ui;
    ReadCardDlg* m_readCard = nullptr;
    ReaderConfig* m_readerConfig = nullptr;
    ReadCardFor6CDlg* m_readCardFor6C = nullptr;
    TagOpFor6CDlg* m_tagOpFor6C = nullptr;
    QString m_leftImage;
    QString m_downImage;
};

// Style sheet that cuts the four states (normal, hover, pressed, disabled) out of a strip whose
// frames sit side by side, each frameWidth by frameHeight pixels; the button takes a frame's size.
QString StripButtonStyleSheet(const QString& imagePath, int frameWidth, int frameHeight);
