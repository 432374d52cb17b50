#pragma once

#include <QString>

// The reader library's error codes as the program needs them, and their texts. The library's own
// words never reach the operator: each code has a language key.
namespace ReaderError {

constexpr int None = 0;
constexpr int BadHandle = 1;
constexpr int NotConnected = 2;
constexpr int Timeout = 3;
constexpr int LinkLost = 4;
constexpr int BadArgument = 6;
constexpr int ConnectFailed = 9;
// A call the reader has no meaning for (an LLRP reader's answer to most 6C settings).
constexpr int UnsupportedCommand = 0x10;
constexpr int ConnectRefused = 12;
constexpr int ConnectTimedOut = 13;
constexpr int NoSuchDevice = 14;
constexpr int PermissionDenied = 15;

// The language key of a code's text; nullptr for 0 and for codes nobody defined.
const char* Key(int code);
// The text of a code in the loaded language; "unknown error" for codes nobody defined.
QString Text(int code);
// The codes after which the handle is of no further use: the connection has to be made again.
bool MeansLinkGone(int code);

} // namespace ReaderError
