#pragma once

#include <QComboBox>

// A styled combo box installed as a cell editor in the air-interface test table.
class DealTestCombox : public QComboBox
{
    Q_OBJECT

public:
    explicit DealTestCombox(QWidget* parent = nullptr);
};
