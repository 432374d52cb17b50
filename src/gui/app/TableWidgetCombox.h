#pragma once

#include <QComboBox>

// A styled combo box installed as a cell editor in parameter tables.
class TableWidgetCombox : public QComboBox
{
    Q_OBJECT

public:
    explicit TableWidgetCombox(QWidget* parent = nullptr);
};
