#include "gui/inventory/TagListModel.h"

#include "core/inventory/TagTable.h"

TagListModel::TagListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TagListModel::setHeaderTexts(const QStringList& texts)
{
    m_headers = texts;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

int TagListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_committedRows;
}

int TagListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TagListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_committedRows) {
        return QVariant();
    }
    const Row& r = m_rows[static_cast<size_t>(index.row())];
    if (role == MatchRole) {
        if (index.column() == ColEpc) {
            return r.epcData;
        }
        if (index.column() == ColTid) {
            return r.tidData;
        }
        return QVariant();
    }
    if (role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (index.column()) {
    case ColNumber:
        return index.row() + 1;
    case ColEpc:
        return r.epc;
    case ColTid:
        return r.tid;
    case ColReadTime:
        return r.time;
    case ColAnt1:
    case ColAnt2:
    case ColAnt3:
    case ColAnt4:
        return r.counts[index.column() - ColAnt1];
    case ColRssi:
        return r.rssi == kNoRssi ? QVariant() : QVariant(r.rssi);
    case ColBestRssi:
        return r.bestRssi == kNoRssi ? QVariant() : QVariant(r.bestRssi);
    default:
        return QVariant();
    }
}

QVariant TagListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_headers.size()) {
        return m_headers.at(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

int TagListModel::findRow(const QString& epc, const QString& tid) const
{
    const QHash<QString, int>& index = epc.isEmpty() ? m_firstByTid : m_firstByEpc;
    const auto it = index.constFind(epc.isEmpty() ? tid : epc);
    return it == index.constEnd() ? -1 : it.value();
}

int TagListModel::appendRow(const QString& epc, const QString& tid)
{
    const int row = static_cast<int>(m_rows.size());
    Row r;
    r.epcData = epc;
    r.tidData = tid;
    r.epc = epc;
    r.tid = tid;
    m_rows.push_back(std::move(r));
    // Only the first row with a given text is ever found.
    if (!m_firstByEpc.contains(epc)) {
        m_firstByEpc.insert(epc, row);
    }
    if (!m_firstByTid.contains(tid)) {
        m_firstByTid.insert(tid, row);
    }
    return row;
}

void TagListModel::setRowValues(int row, const TagReadRecord& rec)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return;
    }
    Row& r = m_rows[static_cast<size_t>(row)];
    assignIfChanged(r.epc, rec.epc);
    assignIfChanged(r.tid, rec.tid);
    assignIfChanged(r.time, rec.lastReadTime);
    r.counts[0] = rec.antennaCount1;
    r.counts[1] = rec.antennaCount2;
    r.counts[2] = rec.antennaCount3;
    r.counts[3] = rec.antennaCount4;
    r.rssi = rec.lastRssi;
    r.bestRssi = rec.bestRssi;
    if (row < m_committedRows) {
        m_changedFirst = m_changedFirst < 0 ? row : qMin(m_changedFirst, row);
        m_changedLast = qMax(m_changedLast, row);
    }
}

void TagListModel::commit()
{
    if (m_changedFirst >= 0) {
        emit dataChanged(index(m_changedFirst, ColEpc), index(m_changedLast, ColumnCount - 1));
        m_changedFirst = m_changedLast = -1;
    }
    const int total = static_cast<int>(m_rows.size());
    if (total > m_committedRows) {
        beginInsertRows(QModelIndex(), m_committedRows, total - 1);
        m_committedRows = total;
        endInsertRows();
    }
}

void TagListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_committedRows = 0;
    m_changedFirst = m_changedLast = -1;
    m_firstByEpc.clear();
    m_firstByTid.clear();
    endResetModel();
}

QString TagListModel::text(int row, int column) const
{
    return data(index(row, column), Qt::DisplayRole).toString();
}
