// The GJB driver over gjbzaltlink against an in-process simulated GJB reader.
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllCommon.h"
#include "core/reader/ReaderDllGJB.h"

#include <gjbzaltlink.h>
#include <readersim/launch.h>

#include <QtTest>

class TestReaderDriverGjb : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        readersim::Options o;
        o.family = "gjb";
        o.udp = true;
        o.pty = true;
        o.tags = 4;
        std::string err;
        m_sim = readersim::startInProcess(o, &err);
        QVERIFY2(m_sim, err.c_str());
    }
    void cleanup() { m_sim.reset(); }

    void readerTimeValue()
    {
        const QDateTime y2000(QDate(2000, 1, 1), QTime(0, 0, 0), Qt::UTC);
        const std::array<unsigned char, 8> expected = {0x00, 0x03, 0x5D, 0x01, 0x3B, 0x37, 0xE0, 0x00};
        QCOMPARE(ReaderDllGJB::ReaderTimeValue(y2000), expected);
        // Whole seconds only: the milliseconds of the moment are dropped.
        QCOMPARE(ReaderDllGJB::ReaderTimeValue(y2000.addMSecs(999)), expected);
        // The same instant in another zone is the same value.
        QCOMPARE(ReaderDllGJB::ReaderTimeValue(y2000.toOffsetFromUtc(8 * 3600)), expected);
    }

    void errorTextTable_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("key");
        QTest::newRow("0") << 0 << "IDCS_OP_SUCCESS";
        QTest::newRow("129") << 129 << "IDCS_PURVIEW_ERRO";
        QTest::newRow("130") << 130 << "IDCS_STORAGE_ERRO";
        QTest::newRow("131") << 131 << "IDCS_POWER_ERRO";
        QTest::newRow("132") << 132 << "IDCS_KEEP_ERRO";
        QTest::newRow("133") << 133 << "IDCS_STORAGE_LOCK";
        QTest::newRow("134") << 134 << "IDCS_PWD_ERRO";
        QTest::newRow("135") << 135 << "IDCS_DISTINGUISH_FAILED";
        QTest::newRow("136") << 136 << "IDCS_UNKNOW_ERRO";
        QTest::newRow("137") << 137 << "IDCS_KEEP_ERRO";
        QTest::newRow("1") << 1 << "IDCS_KEEP_ERRO";
        QTest::newRow("-1") << -1 << "IDCS_KEEP_ERRO";
    }
    void errorTextTable()
    {
        QFETCH(int, status);
        QFETCH(QString, key);
        QCOMPARE(QString::fromLatin1(ReaderDllGJB::ErrorTextKey(status)), key);
        // No language is loaded here: the text is the key itself.
        ReaderDllGJB driver;
        QCOMPARE(driver.ErrorText(status), key);
    }

    void opensOverTcpAndPseudoTerminalOnly_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("opens");
        QTest::newRow("tcp") << 0 << true;
        QTest::newRow("serial") << 1 << true;
        QTest::newRow("usb") << 2 << false;
        QTest::newRow("udp") << 3 << false;
    }
    void opensOverTcpAndPseudoTerminalOnly()
    {
        QFETCH(int, type);
        QFETCH(bool, opens);
        ReaderDllGJB driver;
        const QString pty = QString::fromStdString(m_sim->ptyPath());
        switch (type) {
        case 0:
            driver.SetTcpParam("127.0.0.1", m_sim->tcpPort());
            break;
        case 1:
            driver.SetComParam(pty, 115200);
            break;
        case 2:
            driver.SetUsbParam(pty, 115200);
            break;
        case 3:
            driver.SetUdpParam("127.0.0.1", m_sim->udpPort());
            break;
        }
        QCOMPARE(driver.OpenReader(), opens);
        if (!opens) {
            // Refused before any library call: no handle was made, nothing reached the reader.
            QCOMPARE(driver.GetHandle(), intptr_t(0));
            QCOMPARE(driver.GetState(), 0);
            QCOMPARE(m_sim->stats().framesReceived, uint64_t(0));
            return;
        }
        QVERIFY(driver.IsState(2));
        QString info;
        QVERIFY(driver.GetReaderInfo(info));
        QCOMPARE(info, QStringLiteral("GJB-UHF-4A"));
        const intptr_t handle = driver.GetHandle();
        QVERIFY(!driver.OpenReader());
        QCOMPARE(driver.GetHandle(), handle);
        QVERIFY(driver.StopRead());
        QVERIFY(driver.CloseReader());
        QCOMPARE(driver.GetHandle(), intptr_t(-1));
        QCOMPARE(driver.GetState(), 0);
        QVERIFY(!driver.GetReaderInfo(info));
        QVERIFY(!driver.StopRead());
        QCOMPARE(driver.GetErrorCode(), int(GJB_ERR_BAD_HANDLE));
    }

    void failedOpenReleasesItsHandle()
    {
        ReaderDllGJB driver;
        readersim::Options o;
        auto sixC = readersim::startInProcess(o);
        QVERIFY(sixC);
        driver.SetTcpParam("127.0.0.1", sixC->tcpPort());
        QVERIFY(!driver.OpenReader());
        QCOMPARE(driver.GetState(), 0);
        QCOMPARE(driver.GetHandle(), intptr_t(-1));
    }

    void driverStateAndForwarders()
    {
        ReaderDllGJB driver;
        driver.SetTcpParam("127.0.0.1", m_sim->tcpPort());
        QVERIFY(driver.OpenReader());

        QVERIFY(driver.SetAntennaFlags(true, false, true, false));
        QCOMPARE(driver.GetAntennaFlags(), (std::array<uint8_t, 4>{{1, 0, 3, 0}}));
        QCOMPARE(driver.AntennaList(), (std::vector<uint8_t>{1, 3}));

        const QDateTime before = QDateTime::currentDateTimeUtc();
        QVERIFY(driver.SyncReaderTime());
        const QDateTime after = QDateTime::currentDateTimeUtc();
        const std::array<uint8_t, 8> sent = m_sim->gjbModel().lastClockSet();
        QVERIFY(sent == ReaderDllGJB::ReaderTimeValue(before) ||
                sent == ReaderDllGJB::ReaderTimeValue(after));

        QVERIFY(driver.Set_Report(2, 0x01020304, 0));
        QVERIFY(driver.GetReportState());
        QCOMPARE(driver.GetReportStatus(), uint8_t(2));
        QCOMPARE(driver.GetReportValue(), 0x01020304u);

        // Forwarders pass the handle and their arguments through, results back.
        QVERIFY(driver.ReaderAntennaPower_Set(4, 2550));
        int power = 0;
        QVERIFY(driver.ReaderAntennaPower_Get(4, &power));
        QCOMPARE(power, 2550);
        QVERIFY(!driver.Modulation_Set(101));
        QCOMPARE(driver.GetErrorCode(), int(GJB_ERR_BAD_PARAMETER));
        const std::vector<uint8_t> antennas = driver.AntennaList();
        QVERIFY(driver.Inventory(int(antennas.size()), antennas.data(), 0, 0, 0, 0, 0, 0, 1));
        std::vector<unsigned char> record(GJB_REPORT_BUFFER_SIZE);
        QVERIFY(driver.Receive_TagReport(record.data(), 1000));
        QVERIFY(record[GJB_REC_ANTENNA] == 1 || record[GJB_REC_ANTENNA] == 3);
        QVERIFY(driver.StopInventorySpecReadTag());
        unsigned char version[8];
        QVERIFY(driver.McuVersionGet(version, 8));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(version), 8), QByteArray("M1.02.05"));

        // The two init forwarders fill the handle field.
        ReaderDllGJB second;
        QVERIFY(second.TCPInit("127.0.0.1", m_sim->tcpPort()));
        QVERIFY(second.GetHandle() != 0);
        QVERIFY(second.Open());
        QVERIFY(second.CloseCON());
        QVERIFY(driver.CloseReader());
    }

    void holderMakesTheGjbDriver_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("gjb");
        QTest::newRow("GB") << "GB" << true;
        QTest::newRow("GJB") << "GJB" << true;
        QTest::newRow("gjb") << "gjb" << false;
        QTest::newRow("6C") << "6C" << false;
        QTest::newRow("WIRELESS") << "WIRELESS" << false;
    }
    void holderMakesTheGjbDriver()
    {
        QFETCH(QString, family);
        QFETCH(bool, gjb);
        ReaderDriverHolder& holder = *ReaderDriverHolder::Instance();
        holder.CreateDriver(family);
        QCOMPARE(dynamic_cast<ReaderDllGJB*>(holder.currentReader()) != nullptr, gjb);
        ReaderDriverHolder::DestroyInstance();
    }

private:
    std::unique_ptr<readersim::Simulator> m_sim;
};

QTEST_GUILESS_MAIN(TestReaderDriverGjb)
#include "tst_reader_driver_gjb.moc"
