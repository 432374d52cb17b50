#pragma once

// What the Wi-Fi dialogs decide without a window: key lengths, address form, the port, and the rows of
// a scan list.

#include <QList>
#include <QString>

namespace WifiRules {

// The message key when a key of `length` characters does not suit the security mode (combo index)
// and key format (0 HEX, 1 ASCII); nullptr when it does.
const char* KeyLengthError(int security, int format, int length);

// Four decimal numbers 0..255 separated by dots, and nothing else.
bool IsDottedQuad(const QString& text);

// The port field as the number to send: 0 when it is not a number. False when it is a number that
// 16 bits cannot hold, which would otherwise reach the module as another port.
bool PortValue(const QString& text, quint16* port);

struct ScanRow
{
    bool adhoc = false;
    QString ssid;
    QString signal; // "-52db"
    QString channel;
    bool secured = false;
    QString mac; // upper case
};

// One row per "mac,type,channel,security,ssid,signal" entry of the list (entries separated by ";");
// entries with fewer than six fields are skipped.
QList<ScanRow> ScanRows(const QString& list);

} // namespace WifiRules
