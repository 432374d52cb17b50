#include "core/reader/ReaderErrors.h"

#include "core/app/LanguageText.h"

namespace ReaderError {

const char* Key(int code)
{
    switch (code) {
    case 1:
        return "IDCS_ZERR_BAD_HANDLE";
    case 2:
        return "IDCS_ZERR_NOT_CONNECTED";
    case 3:
        return "IDCS_ZERR_TIMEOUT";
    case 4:
        return "IDCS_ZERR_LINK_LOST";
    case 5:
        return "IDCS_ZERR_BAD_FRAME";
    case 6:
        return "IDCS_ZERR_BAD_ARGUMENT";
    case 7:
        return "IDCS_ZERR_BUFFER_TOO_SMALL";
    case 8:
        return "IDCS_ZERR_ALREADY_OPEN";
    case 9:
        return "IDCS_ZERR_CONNECT_FAILED";
    case 10:
        return "IDCS_ZERR_NO_REPORT";
    case 11:
        return "IDCS_ZERR_REPORT_OVERFLOW";
    case 12:
        return "IDCS_ZERR_CONNECT_REFUSED";
    case 13:
        return "IDCS_ZERR_CONNECT_TIMEOUT";
    case 14:
        return "IDCS_ZERR_NO_SUCH_DEVICE";
    case 15:
        return "IDCS_ZERR_PERMISSION_DENIED";
    case 0x10:
        return "IDCS_ZERR_UNSUPPORTED_COMMAND";
    case 0x11:
        return "IDCS_ZERR_BAD_PARAMETER";
    case 0x12:
        return "IDCS_ZERR_TAG_NOT_FOUND";
    case 0x13:
        return "IDCS_ZERR_WRONG_PASSWORD";
    case 0x14:
        return "IDCS_ZERR_MEMORY_LOCKED";
    case 0x15:
        return "IDCS_ZERR_MEMORY_OVERRUN";
    case 0x16:
        return "IDCS_ZERR_NO_TAG_SELECTED";
    case 0x17:
        return "IDCS_ZERR_READER_BUSY";
    case 0x18:
        return "IDCS_ZERR_STORAGE";
    case 0x19:
        return "IDCS_ZERR_NO_MODULE";
    case 0x1A:
        return "IDCS_ZERR_BAD_LENGTH";
    case 0x1F:
        return "IDCS_ZERR_INTERNAL";
    default:
        return nullptr;
    }
}

QString Text(int code)
{
    const char* key = Key(code);
    return LangText(key ? key : "IDCS_UNKNOW_ERRO");
}

bool MeansLinkGone(int code)
{
    return code == BadHandle || code == NotConnected || code == LinkLost;
}

} // namespace ReaderError
