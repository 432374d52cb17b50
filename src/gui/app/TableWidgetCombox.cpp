#include "gui/app/TableWidgetCombox.h"

#include "gui/app/ComboStyle.h"

TableWidgetCombox::TableWidgetCombox(QWidget* parent) : QComboBox(parent)
{
    setStyleSheet(CellComboStyleSheet(QStringLiteral("TableWidgetCombox")));
}
