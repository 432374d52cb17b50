#pragma once

#include <QString>

#include <QWidget>
#include <initializer_list>

#include <memory>

class QLineEdit;
class QListWidgetItem;
class TagSelectFor6CDlg;
struct ReaderCallResult;

namespace Ui {
class TagOpFor6CDlg;
}

// The 6C tag-operation page: the antenna choice and six single-shot operations, one sub-page each.
class TagOpFor6CDlg : public QWidget
{
    Q_OBJECT

public:
    explicit TagOpFor6CDlg(QWidget* parent = nullptr);
    ~TagOpFor6CDlg() override;

    // Antenna for every operation, 1..4.
    int antennaNumber() const;

    // A tag picked on the inventory page: bank index 0 EPC, 1 TID. Runs the select at once and
    // leaves the shown sub-page as it is.
    bool selectTag(int bank, int start, int length, const QString& hexData);

    // The antenna for a sub-page whose owner may be missing (a sub-page used alone): 1.
    static int AntennaOf(const TagOpFor6CDlg* owner);

    QWidget* page(int index) const;
    int pageCount() const;

private slots:
    void slot_ListItemClicked(QListWidgetItem* item);

private:
    void showPage(int index);

    std::unique_ptr<Ui::TagOpFor6CDlg> ui;
    TagSelectFor6CDlg* m_selectPage = nullptr;
};

// Shared by the sub-pages: true when the reader is connected and idle; otherwise reports why not.
bool TagOpReaderReady();
// Handle of the current reader for the library calls.
intptr_t TagOpHandle();
// The four bytes of a password row; false, with the log line that says so, unless every field
// holds two hex digits.
bool TagOpPassword(std::initializer_list<QLineEdit*> fields, QByteArray* out);
// Which tag an operation reaches, for a question before an irreversible one: the tag the select in
// force admits, or the first one the antenna finds.
QString TagOpTargetText();
// One log line for a finished call: the success text, or the failure with its error code.
void TagOpReport(const ReaderCallResult& result, const char* successKey, const char* failureKey);
