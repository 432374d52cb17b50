#pragma once

// A GJB reader for GUI tests: the GJB product series on a throw-away application directory (profile
// GJB-DEBUG.ini), an in-process simulated GJB reader on a free loopback port, and the current driver
// (a ReaderDllGJB) connected to it unless asked otherwise.

#include "TempAppDir.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllGJB.h"

#include <readersim/launch.h>

#include <functional>
#include <memory>

class GjbSimReader
{
public:
    static constexpr const char* kProfile = "GJB-DEBUG.ini";

    // `configure` may change profile values before the program starts.
    explicit GjbSimReader(bool connect = true, const std::function<void(TempAppDir&)>& configure = {})
    {
        app.setSysValue(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), QStringLiteral("GJB"));
        app.setSysValue(QStringLiteral("DEVICE_CONFIG/LOADTYPE"), QStringLiteral("DEBUG"));
        if (configure) {
            configure(app);
        }
        app.startApp();
        readersim::Options o;
        o.family = "gjb";
        o.tags = 5;
        o.rate = 500;
        o.seed = 7;
        sim = readersim::startInProcess(o);
        if (!sim || !driver()) {
            return;
        }
        driver()->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
        connected = connect && driver()->OpenReader();
        ready = !connect || connected;
    }

    ~GjbSimReader()
    {
        if (driver() && connected) {
            driver()->CloseReader();
        }
        sim.reset();
        app.stopApp();
    }

    bool ok() const { return sim && ready; }

    static ReaderDllGJB* driver()
    {
        return dynamic_cast<ReaderDllGJB*>(ReaderDriverHolder::Instance()->currentReader());
    }

    readersim::GjbModel& model() { return sim->gjbModel(); }

    TempAppDir app;
    std::unique_ptr<readersim::Simulator> sim;
    bool connected = false;
    bool ready = false;
};
