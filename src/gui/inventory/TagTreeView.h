#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTreeView>

// Cells of the inventory tree: one line of plain text each. The stock delegate lays the text out
// several times per cell to measure, elide and draw it; at ten refreshes a second that was most of
// the program's time while reading, so this one lays it out once unless the text is too wide.
class TagItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    mutable QHash<QString, QStaticText> m_layouts;
    mutable QFont m_layoutFont;
};

// The inventory tree. A refresh may change every one of 100 000 rows; the stock view works out
// the screen area of a changed range row by row, which would cost more than the refresh itself.
// Only the visible part can need painting, so a large range repaints the viewport instead.
class TagTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit TagTreeView(QWidget* parent = nullptr);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};
