#pragma once

#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <QString>

#include <memory>

#include "core/reader/ReaderDllCommon.h"

#include "readersim/launch.h"

namespace guitest {

inline QString Text(const char* key)
{
    return LangText(key);
}

inline ReaderDllBase* Reader()
{
    return ReaderDriverHolder::Instance()->currentReader();
}

// True when the configured family created the 6C driver, which talks to real readers.
inline bool Has6CDriver()
{
    return dynamic_cast<ReaderDllCommon*>(Reader()) != nullptr;
}

// A simulated 6C reader on free loopback endpoints.
inline std::unique_ptr<readersim::Simulator> StartSimulator(bool udp = false, bool pty = false)
{
    readersim::Options options;
    options.tags = 5;
    options.rate = 10;
    options.udp = udp;
    options.pty = pty;
    return readersim::startInProcess(options);
}

} // namespace guitest

// Fails the test function when the configured family did not create the 6C driver: the test
// fixtures configure it, so anything else is a fault, not a reason to skip.
#define GUI_REQUIRE_LIVE_READER()                                                                            \
    QVERIFY2(guitest::Has6CDriver(), "the configured family does not create the 6C driver")
