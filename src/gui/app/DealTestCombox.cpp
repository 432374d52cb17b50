#include "gui/app/DealTestCombox.h"

#include "gui/app/ComboStyle.h"

DealTestCombox::DealTestCombox(QWidget* parent) : QComboBox(parent)
{
    setStyleSheet(CellComboStyleSheet(QStringLiteral("DealTestCombox")));
}
