#pragma once

class QLabel;
class QPlainTextEdit;

// Trims a hex data field to maxHexChars digits while the operator types, keeping the cursor where
// it was, and says so in note: nobody should write half an EPC believing it whole. The note goes
// when the data fits again. `busy` guards against the textChanged signal the trim itself raises.
void CapHexEdit(QPlainTextEdit* edit, int maxHexChars, bool* busy, QLabel* note);
