#include "app/DealTestCombox.h"

#include "app/ComboStyle.h"

DealTestCombox::DealTestCombox(QWidget* parent) : QComboBox(parent)
{
    setStyleSheet(CellComboStyleSheet(QStringLiteral("DealTestCombox")));
}
