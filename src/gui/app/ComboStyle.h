#pragma once

#include <QString>

// The look shared by the combo boxes used as table cell editors.
QString CellComboStyleSheet(const QString& className);
