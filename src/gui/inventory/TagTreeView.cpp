#include "gui/inventory/TagTreeView.h"

#include <QApplication>
#include <QPainter>
#include <QStaticText>

void TagItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!opt.icon.isNull() || (opt.features & QStyleOptionViewItem::HasCheckIndicator)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    QString text = opt.text;
    // Measuring is cheaper than eliding; most cells fit.
    if (opt.fontMetrics.horizontalAdvance(text) > textRect.width()) {
        text = opt.fontMetrics.elidedText(text, opt.textElideMode, textRect.width());
    }
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    // Most cells show the same text refresh after refresh: keep their laid-out form.
    if (m_layouts.size() > 4096 || opt.font != m_layoutFont) {
        m_layouts.clear();
        m_layoutFont = opt.font;
    }
    auto it = m_layouts.find(text);
    if (it == m_layouts.end()) {
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.prepare(QTransform(), opt.font);
        it = m_layouts.insert(text, laidOut);
    }
    const QSizeF size = it->size();
    const qreal y = textRect.top() + (textRect.height() - size.height()) / 2;
    qreal x = textRect.left();
    if (opt.displayAlignment & Qt::AlignRight) {
        x = textRect.right() - size.width();
    } else if (opt.displayAlignment & Qt::AlignHCenter) {
        x = textRect.left() + (textRect.width() - size.width()) / 2;
    }
    painter->setClipRect(textRect, Qt::IntersectClip);
    painter->drawStaticText(QPointF(x, y), *it);
    painter->restore();
    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = opt.rect;
        focus.state |= QStyle::State_KeyboardFocusChange;
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

TagTreeView::TagTreeView(QWidget* parent) : QTreeView(parent)
{
    setItemDelegate(new TagItemDelegate(this));
}

void TagTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles)
{
    if (topLeft.isValid() && bottomRight.isValid() && bottomRight.row() - topLeft.row() > 256 &&
        !topLeft.parent().isValid()) {
        viewport()->update();
        return;
    }
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}
