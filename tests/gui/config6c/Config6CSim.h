#pragma once

// A connected simulated 6C reader for the configuration dialogs: the program's singletons on a
// throw-away application directory, the current driver connected over loopback TCP. No heartbeats,
// so a test can count the frames a link sends.

#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <readersim/launch.h>
#include <readersim/simulator.h>

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Config6CSim
{
public:
    // prepare runs on the application directory before the singletons start (settings, profile).
    explicit Config6CSim(int tags = 4, const std::function<void(TempAppDir&)>& prepare = {})
    {
        if (prepare) {
            prepare(app);
        }
        app.startApp();
        readersim::Options o;
        o.tags = tags;
        o.rate = 0;
        o.heartbeatMs = 0;
        sim = readersim::startInProcess(o);
        if (!sim) {
            return;
        }
        ReaderDllBase* d = driver();
        d->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
        connected = d->OpenReader();
        if (connected) {
            d->SetState(ReaderDllBase::StateConnected);
        }
    }

    ~Config6CSim()
    {
        if (connected) {
            driver()->CloseReader();
        }
        sim.reset();
        app.stopApp();
    }

    bool ok() const { return connected; }
    readersim::ReaderModel& model() { return sim->model(); }
    static ReaderDllBase* driver() { return ReaderDriverHolder::Instance()->currentReader(); }

    // The link is cut once `frames` more frames have left the simulator.
    void cutAfterMoreFrames(long frames) { sim->setCutAfter(long(sim->stats().framesSent) + frames); }

    std::vector<uint8_t> parm(uint8_t address, uint8_t count)
    {
        std::vector<uint8_t> out;
        model().parmRead(address, count, &out);
        return out;
    }

    TempAppDir app;
    std::unique_ptr<readersim::Simulator> sim;
    bool connected = false;
};

inline QString L(const char* key)
{
    return LangText(key);
}
