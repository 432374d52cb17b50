#pragma once

#include "core/inventory/TagTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <vector>

// Rows of the inventory tree. A row keeps the EPC and TID it was created with as its data (role
// Qt::UserRole + 1 on columns 1 and 2); rows are found again by that data, first match wins.
// Rows are only appended, and only removed all at once by clear().
class TagListModel : public QAbstractTableModel, public TagRowSink
{
    Q_OBJECT

public:
    enum Column
    {
        ColNumber,
        ColEpc,
        ColTid,
        ColReadTime,
        ColAnt1,
        ColAnt2,
        ColAnt3,
        ColAnt4,
        // dBm; empty for a tag no report with a signal strength has named.
        ColRssi,
        ColBestRssi,
        ColumnCount
    };
    static constexpr int MatchRole = Qt::UserRole + 1;

    explicit TagListModel(QObject* parent = nullptr);

    void setHeaderTexts(const QStringList& texts);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Edits are staged and announced to views by commit(): one insert, one change range.
    int findRow(const QString& epc, const QString& tid) const override;
    int appendRow(const QString& epc, const QString& tid) override;
    void setRowValues(int row, const TagReadRecord& rec) override;
    void commit() override;
    void clear();

    // Row count including rows not yet committed.
    int stagedRowCount() const { return static_cast<int>(m_rows.size()); }
    QString text(int row, int column) const;

private:
    struct Row
    {
        QString epcData;
        QString tidData;
        QString epc;
        QString tid;
        QString time;
        int counts[4] = {0, 0, 0, 0};
        int rssi = kNoRssi;
        int bestRssi = kNoRssi;
    };

    std::vector<Row> m_rows;
    int m_committedRows = 0;
    int m_changedFirst = -1;
    int m_changedLast = -1;
    QHash<QString, int> m_firstByEpc;
    QHash<QString, int> m_firstByTid;
    QStringList m_headers;
};
