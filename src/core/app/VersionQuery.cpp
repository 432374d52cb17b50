#include "core/app/VersionQuery.h"

#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllGJB.h"

#include <cstring>

namespace {

constexpr int kShortVersion = 8;
constexpr int kLinuxVersion = 256;

// Linux has no keys of its own: it logs with the FPGA keys.
const VersionRowSpec kRows[] = {
    {"McuVer", "IDCS_M_VER", "IDCS_M_VER_QUERY_SUCCESS", "IDCS_M_VER_QUERY_FAILED"},
    {"FpgaVer", "IDCS_F_VER", "IDCS_F_VER_QUERY_SUCCESS", "IDCS_F_VER_QUERY_FAILED"},
    {"RFVer", "IDCS_R_VER", "IDCS_R_VER_QUERY_SUCCESS", "IDCS_R_VER_QUERY_FAILED"},
    {"LinuxVer", "IDCS_L_VER", "IDCS_F_VER_QUERY_SUCCESS", "IDCS_F_VER_QUERY_FAILED"},
};

// One character per byte, zero bytes included.
bool AskDriver(ReaderDllGJB* reader, VersionRow row, QString* text)
{
    if (!reader) {
        return false;
    }
    unsigned char buffer[kLinuxVersion];
    std::memset(buffer, 0, sizeof buffer);
    int length = kShortVersion;
    bool ok = false;
    switch (row) {
    case VersionRow::Mcu:
        ok = reader->McuVersionGet(buffer, kShortVersion);
        break;
    case VersionRow::Fpga:
        ok = reader->FpgaVersionGet(buffer, kShortVersion);
        break;
    case VersionRow::Rf:
        ok = reader->RfVersionGet(buffer, kShortVersion);
        break;
    case VersionRow::Linux:
        length = kLinuxVersion;
        ok = reader->LinuxVersionGet(buffer, &length);
        // A length beyond the buffer would read past it.
        length = qBound(0, length, kLinuxVersion);
        break;
    }
    if (ok) {
        *text = QString::fromLatin1(reinterpret_cast<const char*>(buffer), length);
    }
    return ok;
}

} // namespace

const VersionRowSpec& VersionRowSpecOf(VersionRow row)
{
    return kRows[static_cast<int>(row)];
}

bool QueryVersionRow(VersionRow row, bool enabled, QString* value)
{
    if (!enabled) {
        return true;
    }
    ReaderDllBase* reader = CurrentReader();
    if (!reader->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    const VersionRowSpec& info = VersionRowSpecOf(row);
    QString text;
    if (!AskDriver(dynamic_cast<ReaderDllGJB*>(reader), row, &text)) {
        LogKey(info.failedKey, true);
        return false;
    }
    *value = text;
    LogKey(info.successKey);
    return true;
}

void QueryVersions(const std::array<bool, 4>& enabled, std::array<QString, 4>& values)
{
    auto query = [&](VersionRow row) {
        const auto i = static_cast<size_t>(row);
        return QueryVersionRow(row, enabled[i], &values[i]);
    };
    query(VersionRow::Linux);
    if (query(VersionRow::Mcu) && query(VersionRow::Fpga)) {
        query(VersionRow::Rf);
    }
}
