#pragma once

// A 6C reader for GUI tests: an in-process simulator on a free loopback port, the program's
// singletons on a throw-away application directory, and the current driver connected to it.

#include "TempAppDir.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <readersim/launch.h>

#include <QString>

#include <memory>
#include <string>

class SimReader
{
public:
    explicit SimReader(int tags = 20, double rate = 2000, const QString& saveFile = QString())
    {
        if (!saveFile.isNull()) {
            app.setProfileValue("6C-DEBUG.ini", "ReadCardFor6CDlg/SaveFile", saveFile);
        }
        app.startApp();
        readersim::Options o;
        o.tags = tags;
        o.rate = rate;
        o.seed = 7;
        o.udp = true; // tests may reconnect over UDP (useUdp)
        sim = readersim::startInProcess(o);
        started = sim != nullptr;
        if (!started) {
            return;
        }
        ReaderDllBase* d = driver();
        d->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
        connected = d->OpenReader();
        if (connected) {
            d->SetState(ReaderDllBase::StateConnected);
        }
    }

    ~SimReader()
    {
        ReaderDllBase* d = driver();
        if (d && connected) {
            d->CloseReader();
        }
        sim.reset();
        app.stopApp();
    }

    bool ok() const { return started && connected; }

    // The current driver connected to the same reader over UDP instead.
    bool useUdp()
    {
        ReaderDllBase* d = driver();
        d->CloseReader();
        d->SetUdpParam(QStringLiteral("127.0.0.1"), sim->udpPort());
        connected = d->OpenReader();
        return connected;
    }

    static ReaderDllBase* driver() { return ReaderDriverHolder::Instance()->currentReader(); }

    static QString hex(const std::vector<uint8_t>& bytes)
    {
        QString out;
        for (uint8_t b : bytes) {
            out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        }
        return out;
    }

    TempAppDir app;
    std::unique_ptr<readersim::Simulator> sim;
    bool started = false;
    bool connected = false;
};
