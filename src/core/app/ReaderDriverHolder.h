#pragma once

#include <QString>

#include <memory>

class ReaderDllBase;

// The one driver object for the configured API family ("6C", "GB", "GJB", "WIRELESS").
std::unique_ptr<ReaderDllBase> MakeReaderDriver(const QString& dllType);

class ReaderDriverHolder
{
public:
    static ReaderDriverHolder* Instance();
    static void DestroyInstance();

    ~ReaderDriverHolder();

    void CreateDriver(const QString& dllType);
    // Never null: without a configured family every reader operation simply fails.
    ReaderDllBase* currentReader();
    void DestroyDriver();

private:
    ReaderDriverHolder() = default;

    std::unique_ptr<ReaderDllBase> m_driver;
};

// The current driver, never null; what every page asks before a reader call.
ReaderDllBase* CurrentReader();
