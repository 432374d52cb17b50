#include "app/TableWidgetCombox.h"

#include "app/ComboStyle.h"

TableWidgetCombox::TableWidgetCombox(QWidget* parent) : QComboBox(parent)
{
    setStyleSheet(CellComboStyleSheet(QStringLiteral("TableWidgetCombox")));
}
