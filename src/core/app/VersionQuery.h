#pragma once

#include <QString>

#include <array>

// The firmware versions of a connected GJB reader, as the version dialog asks for them.
enum class VersionRow
{
    Mcu = 0,
    Fpga = 1,
    Rf = 2,
    Linux = 3
};

struct VersionRowSpec
{
    const char* flag; // device profile switch in group VersionDlg
    const char* labelKey;
    const char* successKey; // logged after the query
    const char* failedKey;
};

const VersionRowSpec& VersionRowSpecOf(VersionRow row);

// One row: a row switched off succeeds without a call; otherwise the driver must be connected and
// idle (else IDCS_READ_NO_LINK), the driver is asked, and the outcome logged. *value changes only on
// success. A driver of another family fails the call.
bool QueryVersionRow(VersionRow row, bool enabled, QString* value);

// Linux first (its result stops nothing), then MCU; FPGA only when MCU succeeded, RF only when FPGA
// did. values are indexed by VersionRow.
void QueryVersions(const std::array<bool, 4>& enabled, std::array<QString, 4>& values);
