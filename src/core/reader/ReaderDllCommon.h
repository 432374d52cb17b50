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

private:
    // Why the last open failed: its handle is closed by then and can no longer say.
    std::atomic<int> m_openError{0};
};
