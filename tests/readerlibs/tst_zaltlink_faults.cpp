// zaltlink when things go wrong around it: a handle closed while it opens, opens and closes by the
// hundred, a reader process killed mid-inventory, and a reader that sends what it should not.
// The times these take are figures of bench/link_faults; here only their outcome counts.
#include "scriptedserver.h"

#include "readersim/launch.h"
#include "zaltlink.h"

#include <QtTest>

#include <dirent.h>

#include <atomic>
#include <csignal>
#include <future>
#include <memory>
#include <thread>
#include <tuple>

Q_DECLARE_METATYPE(ScriptedServer::Script)

namespace {

int lastError(ZALT_HANDLE h)
{
    int code = 0;
    ZALT_GetErrorCode(h, &code);
    return code;
}

int entries(const char* dir)
{
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

int openFiles()
{
    return entries("/proc/self/fd");
}

int threads()
{
    return entries("/proc/self/task");
}

// Pulls tag reports until it is destroyed.
struct ReportWorker
{
    explicit ReportWorker(ZALT_HANDLE h)
        : thread([this, h] {
              unsigned char ant, epc[255], len;
              while (!stop) {
                  len = 255;
                  if (ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1)
                      ++got;
              }
          })
    {
    }
    ~ReportWorker()
    {
        stop = true;
        thread.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> got{0};
    std::thread thread;
};

// A call on a thread of its own, so that a test waits for it with QTRY_* instead of timing it.
template <class F> auto inThread(F f)
{
    return std::async(std::launch::async, std::move(f));
}

template <class T> bool finished(std::future<T>& f)
{
    return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

class TestZaltlinkFaults : public QObject
{
    Q_OBJECT

private slots:
    void closeDuringASlowOpen()
    {
        ScriptedServer server;
        QVERIFY(server.start());
        server.holdHello(true);
        const int files = openFiles(), tasks = threads();

        ZALT_HANDLE h = -1;
        QVERIFY(ZALT_TCPInit(&h, "127.0.0.1", server.port()));
        auto open = inThread([h] { return ZALT_Open(h); });
        QTRY_VERIFY(server.helloWaiting()); // connected, waiting for the answer to Hello
        QVERIFY(ZALT_Close(h));
        server.holdHello(false); // the answer comes, within Hello's timeout
        QTRY_VERIFY_WITH_TIMEOUT(finished(open), 5000);
        QCOMPARE(open.get(), 0);
        QCOMPARE(lastError(h), int(ZALT_ERR_BAD_HANDLE));
        // No connection, thread or descriptor is left of it (the server's end closes with it).
        QTRY_COMPARE(openFiles(), files);
        QTRY_COMPARE(threads(), tasks);
    }

    void openCloseCyclesLeaveNothingBehind()
    {
        readersim::Options o;
        o.tags = 20;
        o.rate = 0;
        o.udp = true;
        std::string error;
        auto sim = readersim::startInProcess(o, &error);
        QVERIFY2(sim, error.c_str());
        const int files = openFiles(), tasks = threads();
        for (int i = 0; i < 200; ++i) {
            ZALT_HANDLE h = -1;
            QVERIFY(i % 2 ? ZALT_UDPInit(&h, "127.0.0.1", sim->udpPort())
                          : ZALT_TCPInit(&h, "127.0.0.1", sim->tcpPort()));
            QVERIFY2(ZALT_Open(h), qPrintable(QString("cycle %1: error %2").arg(i).arg(lastError(h))));
            if (i % 3 == 0) // closed with an inventory running at full rate
                QVERIFY(ZALT_6CReadEPCCode(h, 0, 1, 1));
            QVERIFY(ZALT_Close(h));
        }
        QTRY_COMPARE_WITH_TIMEOUT(openFiles(), files, 10000);
        QTRY_COMPARE(threads(), tasks);
    }

    void readerKilledMidInventory()
    {
        readersim::Options o;
        o.tags = 50;
        o.rate = 2000;
        std::string error;
        auto reader = readersim::Process::start(o, &error);
        QVERIFY2(reader, error.c_str());
        ZALT_HANDLE h = -1;
        QVERIFY(ZALT_TCPInit(&h, "127.0.0.1", reader->tcpPort()));
        QVERIFY(ZALT_Open(h));
        QVERIFY(ZALT_6CReadEPCCode(h, 0, 1, 1));
        auto worker = std::make_unique<ReportWorker>(h);
        QTRY_VERIFY(worker->got > 100);

        // The reader stops answering with a request on its way, and then dies.
        QVERIFY(reader->stop());
        auto inFlight = inThread([h] {
            const unsigned char ok = ZALT_ClearFlash(h); // a 3 s timeout
            return std::make_pair(ok, lastError(h));
        });
        QTest::qWait(200);
        QVERIFY(reader->signal(SIGKILL));
        reader->wait();
        QTRY_VERIFY_WITH_TIMEOUT(finished(inFlight), 5000);
        const auto [ok, code] = inFlight.get();
        QCOMPARE(ok, uchar(0));
        QCOMPARE(code, int(ZALT_ERR_LINK_LOST)); // ended by the loss, not by its timeout

        // Receive calls and later requests fail with the loss too.
        QCOMPARE(ZALT_IOPulseWidthSet(h, 1, 999), 0); // another code first, set without the link
        unsigned char ant, epc[255], len = 255;
        QCOMPARE(ZALT_6CRevEPCMsg(h, &ant, epc, &len), 0);
        QCOMPARE(lastError(h), int(ZALT_ERR_LINK_LOST));
        unsigned char v = 0;
        QCOMPARE(ZALT_IOPulseWidthSet(h, 1, 999), 0);
        QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
        QCOMPARE(lastError(h), int(ZALT_ERR_LINK_LOST));

        // The reader comes back on its port: the same handle opens again.
        o.tcpPort = reader->tcpPort();
        reader = readersim::Process::start(o, &error);
        QVERIFY2(reader, error.c_str());
        QVERIFY2(ZALT_Open(h), qPrintable(QString::number(lastError(h))));
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        worker.reset();
        QVERIFY(ZALT_Close(h));
    }

    void misbehavingReader_data()
    {
        QTest::addColumn<ScriptedServer::Script>("script");
        QTest::newRow("half a frame") << ScriptedServer::Script::HalfFrame;
        QTest::newRow("maximum-length header, then silence") << ScriptedServer::Script::MaxHeaderThenSilence;
        QTest::newRow("wrong sequence number") << ScriptedServer::Script::WrongSequence;
    }
    void misbehavingReader()
    {
        QFETCH(ScriptedServer::Script, script);
        ScriptedServer server;
        QVERIFY(server.start());
        ZALT_HANDLE h = -1;
        QVERIFY(ZALT_TCPInit(&h, "127.0.0.1", server.port()));
        QVERIFY(ZALT_Open(h));
        unsigned char v = 0;
        QVERIFY(ZALT_Reading_IOQuery(h, &v));

        server.setScript(script);
        auto call = inThread([h] {
            QElapsedTimer t;
            t.start();
            unsigned char value = 0;
            const unsigned char ok = ZALT_Reading_IOQuery(h, &value);
            return std::make_tuple(ok, lastError(h), t.elapsed());
        });
        QTRY_VERIFY_WITH_TIMEOUT(finished(call), 1000 + 2000);
        const auto [ok, code, ms] = call.get();
        QCOMPARE(ok, uchar(0));
        QCOMPARE(code, int(ZALT_ERR_TIMEOUT));
        QVERIFY(ms >= 950); // it waited for its answer as long as it should
        QVERIFY(ZALT_Close(h));
    }
};

QTEST_GUILESS_MAIN(TestZaltlinkFaults)
#include "tst_zaltlink_faults.moc"
