#include "gui/app/ComboStyle.h"

// combox_down.png holds four 16-pixel states side by side: normal, hover, pressed, disabled.
// Each border-image below slices one of them out.
QString CellComboStyleSheet(const QString& className)
{
    return QStringLiteral(
               "%1 { border: 1px solid rgb(190, 195, 204); border-radius: 4px; padding: 4px 12px 4px 12px;"
               " color: rgb(40, 44, 52);"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e6e8ec); }"
               "%1:on, %1:focus { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #e6e8ec, stop:1 #ffffff); }"
               "%1:disabled { color: rgb(150, 150, 150); background: rgb(228, 228, 228); }"
               "%1::drop-down { subcontrol-origin: padding; subcontrol-position: center right;"
               " width: 16px; height: 16px; border: none; }"
               "%1::down-arrow { width: 16px; height: 16px;"
               " border-image: url(:/combox/skin/combox_down.png) 0 48 0 0; }"
               "%1::down-arrow:hover { border-image: url(:/combox/skin/combox_down.png) 0 32 0 16; }"
               "%1::down-arrow:on { border-image: url(:/combox/skin/combox_down.png) 0 16 0 32; }"
               "%1::down-arrow:disabled { border-image: url(:/combox/skin/combox_down.png) 0 0 0 48; }")
        .arg(className);
}
