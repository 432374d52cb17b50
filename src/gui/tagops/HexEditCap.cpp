#include "gui/tagops/HexEditCap.h"

#include "core/tagops/TagOpHex.h"

#include <QPlainTextEdit>
#include <QTextCursor>

void CapHexEdit(QPlainTextEdit* edit, int maxHexChars, bool* busy)
{
    if (*busy) {
        return;
    }
    const int cursor = edit->textCursor().position();
    const TagOpHex::CapResult r = TagOpHex::capLength(edit->toPlainText(), maxHexChars, cursor);
    if (!r.changed) {
        return;
    }
    *busy = true;
    edit->setPlainText(r.text);
    QTextCursor c = edit->textCursor();
    c.setPosition(r.cursor);
    edit->setTextCursor(c);
    *busy = false;
}
