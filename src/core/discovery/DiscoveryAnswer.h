#pragma once

#include <QByteArray>
#include <QString>

// The datagrams of reader discovery, apart from any socket (the fuzz target builds this file alone).
namespace Discovery {

// The 24 bytes sent once per run.
QByteArray QueryDatagram();

// An answer is taken when it has at least 33 bytes and bytes 10-11 are 03 E8. The address comes from
// bytes 20-23, the name (ISO 8859-1) from byte 33 on, as long as byte 32 says and the datagram allows.
bool ParseAnswer(const unsigned char* data, int length, QString* ip, QString* name);

} // namespace Discovery
