#include "core/wifi/WifiRules.h"

#include <QRegularExpression>
#include <QStringList>

namespace WifiRules {

const char* KeyLengthError(int security, int format, int length)
{
    const bool hex = format == 0;
    switch (security) {
    case 0:
        return nullptr;
    case 1:
        if (hex) {
            return length == 10 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_10";
        }
        return length == 5 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_5";
    case 2:
        if (hex) {
            return length == 26 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_26";
        }
        return length == 13 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_13";
    default:
        if (hex) {
            return length == 64 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_64";
        }
        return length >= 8 ? nullptr : "IDCS_TIG_NET_SET_KEY_LENGTH_8_63";
    }
}

bool IsDottedQuad(const QString& text)
{
    static const QRegularExpression quad(QRegularExpression::anchoredPattern(
        QStringLiteral("((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)")));
    return !text.isEmpty() && quad.match(text).hasMatch();
}

bool PortValue(const QString& text, quint16* port)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok) {
        *port = 0;
        return true;
    }
    if (value < 0 || value > 65535) {
        return false;
    }
    *port = static_cast<quint16>(value);
    return true;
}

QList<ScanRow> ScanRows(const QString& list)
{
    QList<ScanRow> rows;
    for (const QString& entry : list.split(QLatin1Char(';'))) {
        const QStringList f = entry.split(QLatin1Char(','));
        if (f.size() < 6) {
            continue;
        }
        ScanRow row;
        row.adhoc = f[1].toInt() != 0;
        row.ssid = f[4];
        row.signal = QStringLiteral("-") + f[5] + QStringLiteral("db");
        row.channel = f[2];
        row.secured = f[3].toInt() != 0;
        // The module's line break stays in front of the first field; it is no part of the address.
        row.mac = f[0].trimmed().toUpper();
        rows.append(row);
    }
    return rows;
}

} // namespace WifiRules
