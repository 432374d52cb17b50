// How soon zaltlink notices a reader process that died mid-inventory, and how far past its timeout a
// call ends when a reader sends half frames, a lone maximum-length header or answers under the wrong
// sequence number. Prints `name value unit` lines.
#include "scriptedserver.h"

#include "readersim/launch.h"
#include "zaltlink.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t, Clock::time_point now = Clock::now())
{
    return std::chrono::duration<double, std::milli>(now - t).count();
}

int lastError(ZALT_HANDLE h)
{
    int code = 0;
    ZALT_GetErrorCode(h, &code);
    return code;
}

bool killedReader()
{
    readersim::Options o;
    o.tags = 50;
    o.rate = 2000;
    std::string error;
    auto reader = readersim::Process::start(o, &error);
    ZALT_HANDLE h = -1;
    if (!reader || !ZALT_TCPInit(&h, "127.0.0.1", reader->tcpPort()) || !ZALT_Open(h) ||
        !ZALT_6CReadEPCCode(h, 0, 1, 1)) {
        std::fprintf(stderr, "link_faults: no reader: %s\n", error.c_str());
        return false;
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> got{0};
    std::atomic<Clock::rep> receiveFailed{0};
    std::thread worker([&] {
        unsigned char ant, epc[255], len;
        while (!stop) {
            len = 255;
            if (ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1)
                ++got;
            else if (lastError(h) == ZALT_ERR_LINK_LOST && receiveFailed == 0)
                receiveFailed = Clock::now().time_since_epoch().count();
        }
    });
    while (got < 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    reader->stop();
    Clock::time_point requestFailed;
    std::thread inFlight([&] {
        ZALT_ClearFlash(h);
        requestFailed = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Clock::time_point killed = Clock::now();
    reader->signal(SIGKILL);
    reader->wait();
    inFlight.join();
    while (receiveFailed == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const Clock::time_point next = Clock::now();
    unsigned char v = 0;
    ZALT_Reading_IOQuery(h, &v);
    const double nextMs = msSince(next);
    stop = true;
    worker.join();
    ZALT_Close(h);
    std::printf("linkloss.receive_fail_ms %.1f ms\n",
                msSince(killed, Clock::time_point(Clock::duration(receiveFailed.load()))));
    std::printf("linkloss.request_in_flight_fail_ms %.1f ms\n", msSince(killed, requestFailed));
    std::printf("linkloss.next_request_ms %.3f ms\n", nextMs);
    return true;
}

void misbehavingReader(const char* name, ScriptedServer::Script script)
{
    ScriptedServer server;
    ZALT_HANDLE h = -1;
    unsigned char v = 0;
    if (!server.start() || !ZALT_TCPInit(&h, "127.0.0.1", server.port()) || !ZALT_Open(h))
        return;
    server.setScript(script);
    const Clock::time_point t = Clock::now();
    const unsigned char ok = ZALT_Reading_IOQuery(h, &v);
    const double ms = msSince(t);
    std::printf("hostile.%s.code %d 1\n", name, ok ? 0 : lastError(h));
    std::printf("hostile.%s.past_timeout_ms %.1f ms\n", name, ms - 1000);
    ZALT_Close(h);
}

} // namespace

int main()
{
    if (!killedReader())
        return 1;
    misbehavingReader("half_frame", ScriptedServer::Script::HalfFrame);
    misbehavingReader("max_header", ScriptedServer::Script::MaxHeaderThenSilence);
    misbehavingReader("wrong_seq", ScriptedServer::Script::WrongSequence);
    return 0;
}
