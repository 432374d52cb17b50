#include "gui/tagops/HexEditCap.h"

#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>

void CapHexEdit(QPlainTextEdit* edit, int maxHexChars, bool* busy, QLabel* note)
{
    if (*busy) {
        return;
    }
    const int cursor = edit->textCursor().position();
    const QString text = edit->toPlainText();
    const TagOpHex::CapResult r = TagOpHex::capLength(text, maxHexChars, cursor);
    if (!r.changed) {
        if (note && TagOpHex::clean(text).size() <= maxHexChars) {
            note->clear();
        }
        return;
    }
    if (note) {
        note->setText(LangText("IDCS_DATA_CUT_NOTE")
                          .arg(TagOpHex::clean(text).size())
                          .arg(TagOpHex::clean(r.text).size()));
    }
    *busy = true;
    edit->setPlainText(r.text);
    QTextCursor c = edit->textCursor();
    c.setPosition(r.cursor);
    edit->setTextCursor(c);
    *busy = false;
}
