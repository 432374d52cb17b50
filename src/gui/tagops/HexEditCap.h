#pragma once

class QPlainTextEdit;

// Trims a hex data field to maxHexChars digits while the operator types, keeping the cursor where
// it was. `busy` guards against the textChanged signal the trim itself raises.
void CapHexEdit(QPlainTextEdit* edit, int maxHexChars, bool* busy);
