#pragma once

#include "core/reader/ReaderDllBase.h"

// The 6C driver: connection operations over zaltlink. Pages call zaltlink directly with GetHandle().
class ReaderDllCommon : public ReaderDllBase
{
public:
    bool OpenReader() override;
    bool CloseReader() override;
    bool GetLibraryInfo(char* buffer) override;
    int GetErrorCode() override;
    bool GetReaderInfo(QString& info) override;
    // Only an LLRP reader's reports do, and only with a library that can say.
    bool ReportsCarryRssi() const override;

    // The signal strength (dBm) of the report the last successful receive call on handle
    // delivered: true with dbm set when that report carried one. The library call is looked up
    // when first needed, so a library from before it still loads; then no report carries one.
    static bool LastReportRssi(intptr_t handle, int* dbm);

private:
    // Why the last open failed: its handle is closed by then and can no longer say.
    std::atomic<int> m_openError{0};
};
