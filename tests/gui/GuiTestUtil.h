#pragma once

#include "app/LanguageText.h"
#include "app/ReaderDriverHolder.h"
#include "reader/ReaderDllBase.h"

#include <QString>

#include <memory>

#if __has_include("reader/ReaderDllCommon.h")
#include "reader/ReaderDllCommon.h"
#define GUI_TEST_HAVE_6C_DRIVER 1
#endif

#ifdef RIVULET_HAVE_READERSIM
#include "readersim/simulator.h"
#endif

namespace guitest {

inline QString Text(const char* key)
{
    return LangText(key);
}

inline ReaderDllBase* Reader()
{
    return ReaderDriverHolder::Instance()->currentReader();
}

// True when the configured 6C family really talks to readers in this build.
inline bool Has6CDriver()
{
#ifdef GUI_TEST_HAVE_6C_DRIVER
    return dynamic_cast<ReaderDllCommon*>(Reader()) != nullptr;
#else
    return false;
#endif
}

#ifdef RIVULET_HAVE_READERSIM
// A simulated 6C reader on free loopback endpoints.
inline std::unique_ptr<readersim::Simulator> StartSimulator(bool udp = false, bool pty = false)
{
    readersim::Options options;
    options.tags = 5;
    options.rate = 10;
    options.udp = udp;
    options.pty = pty;
    auto sim = std::make_unique<readersim::Simulator>(options);
    std::string error;
    if (!sim->start(&error)) {
        return nullptr;
    }
    return sim;
}
#endif

} // namespace guitest

// Stops the test function when the pieces a live connection needs are not part of this build.
#ifdef RIVULET_HAVE_READERSIM
#define GUI_REQUIRE_LIVE_READER()                                                                            \
    do {                                                                                                     \
        if (!guitest::Has6CDriver())                                                                         \
            QSKIP("the 6C driver is not created for the 6C family in this build");                           \
    } while (0)
#else
#define GUI_REQUIRE_LIVE_READER() QSKIP("readersim is not part of this build")
#endif
