#include "core/tagops/TagOpHex.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"

namespace TagOpHex {

QString clean(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\n') && c != QLatin1Char('\t') &&
            c != QLatin1Char('\r')) {
            out.append(c);
        }
    }
    return out;
}

bool isValidHex(const QString& cleaned)
{
    return !cleaned.isEmpty() && AppSettings::IsHexText(cleaned);
}

QString displayForm(const QString& cleaned)
{
    QString out;
    out.reserve(cleaned.size() * 3 / 2 + 2);
    for (int i = 0; i < cleaned.size(); ++i) {
        if (i != 0 && i % 2 == 0) {
            out.append(QLatin1Char(' '));
            if (i % 32 == 0) {
                out.append(QLatin1Char('\n'));
            }
        }
        out.append(cleaned.at(i));
    }
    return out;
}

CapResult capLength(const QString& text, int maxDigits, int cursor)
{
    CapResult r;
    r.text = text;
    r.cursor = cursor;
    const QString cleaned = clean(text);
    if (cleaned.isEmpty() || cleaned.size() <= qMax(0, maxDigits)) {
        return r;
    }
    r.changed = true;
    r.text = displayForm(cleaned.left(qMax(0, maxDigits)));
    r.cursor = qBound(0, cursor, static_cast<int>(r.text.size()));
    return r;
}

bool parseCount(const QString& text, int* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok) {
        return false;
    }
    *value = v;
    return true;
}

bool readPassword(const QStringList& fields, QByteArray* out)
{
    if (fields.size() != 4) {
        return false;
    }
    QByteArray bytes;
    for (const QString& field : fields) {
        if (field.size() != 2 || !isValidHex(field)) {
            return false;
        }
        bytes.append(static_cast<char>(field.toUInt(nullptr, 16)));
    }
    if (out) {
        *out = bytes;
    }
    return true;
}

Check checkSelect(int areaIndex, const QString& startText, const QString& lengthText, const QString& data,
                  bool keepAcrossRestart, SelectParams* out)
{
    int start = 0;
    int length = 0;
    if (!parseCount(startText, &start)) {
        return Check::StartNotNumber;
    }
    if (!parseCount(lengthText, &length)) {
        return Check::LengthNotNumber;
    }
    if (start > kMaxStartBits / 8) {
        return Check::StartOutOfRange;
    }
    if (length > kMaxSelectBytes) {
        return Check::LengthError;
    }
    SelectParams p;
    p.bank = areaIndex + 1;
    p.startBits = start * 8;
    p.lengthBits = length * 8;
    if (!data.isEmpty() && !isValidHex(data)) {
        return Check::FormatError;
    }
    if (p.lengthBits != 4 * data.size()) {
        return Check::LengthError;
    }
    if (keepAcrossRestart && p.lengthBits > kMaxRecordMatchBits) {
        return Check::LengthError;
    }
    p.data = AppContext::hexToBytes(data, p.lengthBits);
    if (out) {
        *out = p;
    }
    return Check::Ok;
}

QByteArray selectRecord(const SelectParams& p)
{
    QByteArray rec;
    rec.reserve(p.data.size() + 7);
    rec.append(static_cast<char>(p.bank & 0xFF));
    rec.append(static_cast<char>((p.startBits >> 8) & 0xFF));
    rec.append(static_cast<char>(p.startBits & 0xFF));
    rec.append(static_cast<char>(p.lengthBits & 0xFF));
    rec.append(p.data);
    rec.append(3, '\0');
    return rec;
}

Check checkWordData(const QString& cleaned, int words, int maxWords)
{
    if (words == 0) {
        return Check::ZeroLength;
    }
    // Not hex first: a wrong character is the fault even when the count is off as well.
    if (!cleaned.isEmpty() && !isValidHex(cleaned)) {
        return Check::FormatError;
    }
    if (words < 0 || words > maxWords || cleaned.size() != 4 * words) {
        return Check::LengthError;
    }
    return Check::Ok;
}

const char* refusalKey(Check check)
{
    switch (check) {
    case Check::Ok:
        break;
    case Check::LengthError:
        return "IDCS_DATA_LEN_ERRO";
    case Check::FormatError:
        return "IDCS_DATA_FORMAT_ERRO";
    case Check::ZeroLength:
        return "IDCS_LEN_ZERO";
    case Check::StartNotNumber:
        return "IDCS_START_NOT_NUMBER";
    case Check::StartOutOfRange:
        return "IDCS_START_OUT_OF_RANGE";
    case Check::LengthNotNumber:
        return "IDCS_LEN_NOT_NUMBER";
    case Check::TimeNotNumber:
        return "IDCS_OP_TIME_NOT_NUMBER";
    case Check::PasswordError:
        return "IDCS_PWD_FIELD_ERRO";
    }
    return "IDCS_DATA_FORMAT_ERRO";
}

const char* wordCountKey(int words)
{
    return words == 1 ? "IDCS_READ_TAG_LEN_ONE" : "IDCS_READ_TAG_LEN";
}

Check checkKillEpc(const QString& epc)
{
    if (epc.size() > kMaxKillDigits) {
        return Check::LengthError;
    }
    if (!isValidHex(epc)) {
        return Check::FormatError;
    }
    return Check::Ok;
}

} // namespace TagOpHex
