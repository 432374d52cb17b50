// The 6C driver over zaltlink against an in-process simulated reader.
#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllCommon.h"
#include "core/reader/ReaderErrors.h"

#include <readersim/launch.h>
#include <zaltlink.h>

#include <QtTest>

#include <cstring>

class TestReaderDriver : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        readersim::Options o;
        o.udp = true;
        o.pty = true;
        o.tags = 5;
        std::string err;
        m_sim = readersim::startInProcess(o, &err);
        QVERIFY2(m_sim, err.c_str());
    }
    void cleanup() { m_sim.reset(); }

    void opensOverEveryMedium_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("tcp") << 0;
        QTest::newRow("serial") << 1;
        QTest::newRow("usb") << 2;
        QTest::newRow("udp") << 3;
    }
    void opensOverEveryMedium()
    {
        QFETCH(int, type);
        ReaderDllCommon driver;
        QCOMPARE(driver.GetHandle(), intptr_t(0));
        switch (type) {
        case 0:
            driver.SetTcpParam("127.0.0.1", m_sim->tcpPort());
            break;
        case 1:
            driver.SetComParam(QString::fromStdString(m_sim->ptyPath()), 115200);
            break;
        case 2:
            driver.SetUsbParam(QString::fromStdString(m_sim->ptyPath()), 115200);
            break;
        case 3:
            driver.SetUdpParam("127.0.0.1", m_sim->udpPort());
            break;
        }
        QVERIFY(driver.OpenReader());
        QVERIFY(driver.IsState(2));
        QVERIFY(driver.GetHandle() != 0 && driver.GetHandle() != -1);

        QString info;
        QVERIFY(driver.GetReaderInfo(info));
        QVERIFY(!info.isEmpty());

        // A second open must not touch the live connection.
        const intptr_t handle = driver.GetHandle();
        QVERIFY(!driver.OpenReader());
        QCOMPARE(driver.GetHandle(), handle);
        QVERIFY(driver.GetReaderInfo(info));

        QVERIFY(driver.CloseReader());
        QCOMPARE(driver.GetHandle(), intptr_t(-1));
        QCOMPARE(driver.GetState(), 0);
        QVERIFY(!driver.GetReaderInfo(info));

        // And it opens again after a close.
        QVERIFY(driver.OpenReader());
        QVERIFY(driver.CloseReader());
    }

    void failedOpenLeavesStateZeroAndCodeSet()
    {
        ReaderDllCommon driver;
        m_sim->stop();
        driver.SetTcpParam("127.0.0.1", 1); // nothing listens there
        QVERIFY(!driver.OpenReader());
        QCOMPARE(driver.GetState(), 0);
        // Why it failed outlives the handle the failed open closed.
        QCOMPARE(driver.GetErrorCode(), ReaderError::ConnectRefused);
        QVERIFY(driver.CloseReader());
        QCOMPARE(driver.GetErrorCode(), ReaderError::BadHandle);
    }

    // A call runs on a worker while this thread's event loop goes on; its outcome and error code
    // come back here, other calls are refused meanwhile, and a lost link disconnects the driver.
    void callRunnerKeepsTheLoopTurning()
    {
        ReaderDriverHolder::Instance()->CreateDriver("6C");
        ReaderDllBase* driver = CurrentReader();
        driver->SetTcpParam("127.0.0.1", m_sim->tcpPort());
        QVERIFY(driver->OpenReader());
        const auto handle = static_cast<ZALT_HANDLE>(driver->GetHandle());
        m_sim->setLatencyMs(600);

        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ticks += driver->IsBusy() ? 1 : 0; });
        timer.start(10);
        QList<ReaderCallResult> results;
        auto query = [handle] {
            unsigned char buf[16] = {};
            unsigned char len = sizeof buf;
            return ZALT_ReaderTimeQuery(handle, buf, &len) != 0;
        };
        auto collect = [&](const ReaderCallResult& r) { results << r; };
        {
            ReaderCallRunner runner;
            QSignalSpy busy(&runner, &ReaderCallRunner::sig_busyChanged);
            QVERIFY(runner.run(query, collect));
            QVERIFY(driver->IsBusy());
            QVERIFY(RefuseWhileReading());
            QVERIFY(!runner.run(query, collect));
            ReaderCallRunner other;
            QVERIFY(!other.run(query, collect)); // one call at a time, whichever page asks
            QTRY_COMPARE_WITH_TIMEOUT(results.size(), 1, 10000);
            QVERIFY(results[0].ok);
            QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
            QCOMPARE(busy.size(), 2);
            QVERIFY(!driver->IsBusy());
            QVERIFY(!RefuseWhileReading());

            // The link goes: the code comes back with the failure and the driver disconnects.
            m_sim->setLatencyMs(0);
            m_sim->cutLinks();
            QSignalSpy states(AppContext::Instance(), &AppContext::sig_readerStateChanged);
            QTRY_VERIFY_WITH_TIMEOUT(!query(), 5000);
            QVERIFY(runner.run(query, collect));
            QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 10000);
            QVERIFY(!results[1].ok);
            QCOMPARE(results[1].errorCode, ReaderError::LinkLost);
            QCOMPARE(driver->GetState(), int(ReaderDllBase::StateDisconnected));
            QCOMPARE(states.size(), 1);
            QCOMPARE(states.at(0).at(0).toInt(), int(ReaderDllBase::StateDisconnected));

            // A runner that goes while its call runs waits for it and frees the driver.
            QVERIFY(driver->OpenReader());
            m_sim->setLatencyMs(300);
            QVERIFY(runner.run(query, collect));
        }
        QVERIFY(!driver->IsBusy());
        QCOMPARE(results.size(), 2);
        driver->CloseReader();
        ReaderDriverHolder::DestroyInstance();
        AppContext::DestroyInstance();
    }

    void libraryInfoAndErrorCode()
    {
        ReaderDllCommon driver;
        char buffer[255];
        std::memset(buffer, 0, sizeof buffer);
        QVERIFY(driver.GetLibraryInfo(buffer));
        QVERIFY(QByteArray(buffer).startsWith("zaltlink"));

        // A call on a never-opened handle fails and leaves a non-zero code for the log.
        unsigned char len = 8;
        unsigned char out[8];
        QVERIFY(!ZALT_SysInfQuery(driver.GetHandle(), 1, out, &len));
        QVERIFY(driver.GetErrorCode() != 0);
    }

    void readerVanishesWhileConnected()
    {
        ReaderDllCommon driver;
        driver.SetTcpParam("127.0.0.1", m_sim->tcpPort());
        QVERIFY(driver.OpenReader());
        m_sim->cutLinks();
        QString info;
        QTRY_VERIFY_WITH_TIMEOUT(!driver.GetReaderInfo(info), 5000);
        QVERIFY(driver.GetErrorCode() != 0);
        QVERIFY(driver.CloseReader());
        QVERIFY(driver.OpenReader());
        QVERIFY(driver.GetReaderInfo(info));
        QVERIFY(driver.CloseReader());
    }

    void holderPicksTheFamilyDriver()
    {
        ReaderDriverHolder& holder = *ReaderDriverHolder::Instance();
        holder.CreateDriver("6C");
        QVERIFY(dynamic_cast<ReaderDllCommon*>(holder.currentReader()));
        holder.CreateDriver("6c"); // case-sensitive
        QVERIFY(!dynamic_cast<ReaderDllCommon*>(holder.currentReader()));
        holder.CreateDriver("WIRELESS");
        QVERIFY(!holder.currentReader()->OpenReader());
        ReaderDriverHolder::DestroyInstance();
    }

private:
    std::unique_ptr<readersim::Simulator> m_sim;
};

QTEST_GUILESS_MAIN(TestReaderDriver)
#include "tst_reader_driver.moc"
