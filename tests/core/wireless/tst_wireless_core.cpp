// The wireless server's logic without a window: counting tags, the texts built from reader bytes, the
// save format, the device-page fields, and the registry and reader threads against simulated readers.
#include "FreePort.h"
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessDeviceConfig.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "core/wireless/WirelessRecvProcThread.h"
#include "core/wireless/WirelessSaveFile.h"
#include "core/wireless/WirelessTags.h"

#include "readersim/launch.h"
#include "readersim/wireless.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>

namespace {

using Bytes = QVector<unsigned char>;

struct Read
{
    int antenna;
    Bytes epc;
    Bytes tid;
};

} // namespace

Q_DECLARE_METATYPE(QList<Read>)

class TstWirelessCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.isValid());
        m_app.startApp();
    }
    void cleanupTestCase()
    {
        WirelessReaderRegistry::DestroyInstance();
        m_app.stopApp();
    }

    void tagRecords_data()
    {
        QTest::addColumn<QList<Read>>("reads");
        QTest::addColumn<bool>("timeStamps");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("epc");
        QTest::addColumn<QString>("tid");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QList<quint32>>("counts");
        const Bytes epc{0xE2, 0x00, 0x11, 0x22, 0x33};
        const Bytes tid{0xE2, 0x80, 0x11, 0x05, 0x20, 0x00, 0x40, 0x01};
        const Bytes clock{0x05, 0x04, 0x13, 0x00, 0x07, 0x06, 0x24};
        QTest::newRow("antennas 2,2,2,4")
            << QList<Read>{{2, epc, {}}, {2, epc, {}}, {4, epc, {}}, {2, epc, {}}} << false << "E200112233"
            << "E200112233"
            << ""
            << "now" << QList<quint32>{0, 3, 0, 1};
        QTest::newRow("antennas outside 1-4 count nowhere")
            << QList<Read>{{0, epc, {}}, {5, epc, {}}, {1, epc, {}}} << false << "E200112233"
            << "E200112233"
            << ""
            << "now" << QList<quint32>{1, 0, 0, 0};
        QTest::newRow("time stamp ends the EPC") << QList<Read>{{1, epc + clock, {}}} << true << "E200112233"
                                                 << "E200112233"
                                                 << ""
                                                 << "2024-06-07 13:04:05" << QList<quint32>{1, 0, 0, 0};
        QTest::newRow("time stamp ends the TID when the EPC is short")
            << QList<Read>{{3, {0x01, 0x02}, tid + clock}} << true << "0102"
            << "0102"
            << "E280110520004001"
            << "2024-06-07 13:04:05" << QList<quint32>{0, 0, 1, 0};
        QTest::newRow("time stamps on, codes too short: no time")
            << QList<Read>{{1, {0x01, 0x02}, {}}} << true << "0102"
            << "0102"
            << ""
            << "" << QList<quint32>{1, 0, 0, 0};
        QTest::newRow("TID-only tag keyed by TID")
            << QList<Read>{{1, {}, tid}, {1, {}, tid}} << false << "E280110520004001"
            << ""
            << "E280110520004001"
            << "now" << QList<quint32>{2, 0, 0, 0};
        QTest::newRow("time stamps off: seven bytes stay in the EPC")
            << QList<Read>{{1, epc + clock, {}}} << false << "E20011223305041300070624"
            << "E20011223305041300070624"
            << ""
            << "now" << QList<quint32>{1, 0, 0, 0};
    }

    void tagRecords()
    {
        QFETCH(QList<Read>, reads);
        QFETCH(bool, timeStamps);
        QFETCH(QString, key);
        TagCountMap records;
        for (const Read& r : reads) {
            QCOMPARE(WirelessTags::record(records, r.antenna, r.epc.constData(), r.epc.size(),
                                          r.tid.constData(), r.tid.size(), timeStamps, QStringLiteral("now")),
                     key);
        }
        QCOMPARE(records.size(), 1);
        const TagCountRecord rec = records.value(key);
        QTEST(rec.epc, "epc");
        QTEST(rec.tid, "tid");
        QTEST(rec.readTime, "time");
        QFETCH(QList<quint32>, counts);
        QCOMPARE((QList<quint32>{rec.counts[0], rec.counts[1], rec.counts[2], rec.counts[3]}), counts);
    }

    void ioEventTexts_data()
    {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("first");
        QTest::newRow("input 0 first") << Bytes{1, 0, 0x05, 0x04, 0x13, 0x05, 0x07, 0x06, 0x24, 1}
                                       << LangText("IDCS_ALRLM_IO") + "|" + LangText("IDCS_NO_ALARM_IO")
                                       << LangText("IDCS_PORT_1_FIRST");
        QTest::newRow("input 1 first") << Bytes{0, 1, 0x05, 0x04, 0x13, 0x05, 0x07, 0x06, 0x24, 2}
                                       << LangText("IDCS_NO_ALARM_IO") + "|" + LangText("IDCS_ALRLM_IO")
                                       << LangText("IDCS_PORT_2_FIRST");
        QTest::newRow("unknown order")
            << Bytes{1, 1, 0x05, 0x04, 0x13, 0x05, 0x07, 0x06, 0x24, 7}
            << LangText("IDCS_ALRLM_IO") + "|" + LangText("IDCS_ALRLM_IO") << LangText("IDCS_IS_JUDGE");
    }

    void ioEventTexts()
    {
        QFETCH(Bytes, record);
        QFETCH(QString, inputs);
        QFETCH(QString, first);
        const QStringList levels = inputs.split('|');
        const QString expected = LangText("IDCS_IP_ADDR") + ":10.1.2.3 " + LangText("IDCS_TIME") +
                                 ":24-06-07 13:04:05 " + LangText("IDCS_PORT_1").arg(0) + ":" + levels[0] +
                                 " " + LangText("IDCS_PORT_1").arg(1) + ":" + levels[1] + " " + first;
        QCOMPARE(WirelessTags::ioEventText(QStringLiteral("10.1.2.3"), record.constData()), expected);
    }

    void saveFormat()
    {
        WirelessSaveFile::Reader a{
            QStringLiteral("127.0.0.1:4001"),
            {{QStringLiteral("E2001"),
              QStringLiteral("2024-06-07 13:04:05"),
              {QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("1")}}}};
        WirelessSaveFile::Reader b{QStringLiteral("/dev/ttyUSB0:115200"), {}};
        auto f = [](const char* key, const QString& value) { return LangText(key) + ":" + value + "\t"; };
        const QString expected =
            f("IDCS_NUMBER", "1") + f("IDCS_DEVICE_NAME", "127.0.0.1:4001") + "\n\n" + f("IDCS_NUMBER", "1") +
            f("IDCS_EPC", "E2001") + f("IDCS_READTIME", "2024-06-07 13:04:05") +
            f("IDCS_ANTENNA_ONE_COUNT", "0") + f("IDCS_ANTENNA_TWO_COUNT", "3") +
            f("IDCS_ANTENNA_THREE_COUNT", "0") + f("IDCS_ANTENNA_FOUR_COUNT", "1") + "\n" +
            f("IDCS_NUMBER", "2") + f("IDCS_DEVICE_NAME", "/dev/ttyUSB0:115200") + "\n\n" + "\t\n\n\n";
        QCOMPARE(WirelessSaveFile::text({a, b}), expected);
        // Saving appends: a second save keeps the first.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tags.txt"));
        QVERIFY(WirelessSaveFile::append(path, {a, b}));
        QVERIFY(WirelessSaveFile::append(path, {a, b}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()), expected + expected);
        QVERIFY(!WirelessSaveFile::append(dir.filePath(QStringLiteral("no/such/dir/x.txt")), {a}));
    }

    void readIntervalField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -1: refused
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("0") << "0" << -1;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("not a number") << "1a" << -1;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("255") << "255" << 255;
    }

    void readIntervalField()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        unsigned char out = 0;
        QCOMPARE(WirelessDeviceConfig::readInterval(text, &out), value >= 0);
        if (value >= 0) {
            QCOMPARE(int(out), value);
        }
    }

    void powerLists_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("first");
        QTest::newRow("missing values read as 0") << ""
                                                  << "" << 1 << "0";
        QTest::newRow("10 to 33") << "10"
                                  << "33" << 24 << "10";
        QTest::newRow("end before start") << "30"
                                          << "10" << 0 << "";
        // The position is the byte sent: a list past 256 entries would send wrapped bytes.
        QTest::newRow("capped at 256 entries") << "0"
                                               << "1000" << 256 << "0";
    }

    void powerLists()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        const QStringList list = WirelessDeviceConfig::powerList(start, end);
        QTEST(int(list.size()), "size");
        QTEST(list.value(0), "first");
    }

    void registryServesManyReaders()
    {
        WirelessReaderRegistry* registry = WirelessReaderRegistry::Instance();
        QVERIFY(WIRELESS_ApiInit(registry->HandleAddress()));
        std::set<quintptr> announced;
        QObject receiver;
        connect(registry, &WirelessReaderRegistry::sig_RecvreaderInfo, &receiver,
                [&](quintptr r) { announced.insert(r); });
        const int port = FreeLoopbackPort();
        QVERIFY(
            WIRELESS_StartServer(registry->Handle(), "127.0.0.1", port, WirelessReaderRegistry::Callback()));
        readersim::Options o;
        o.wireless = true;
        o.wirelessPort = port;
        o.tags = 8;
        o.rate = 400;
        o.reconnectMs = 600000;
        const int count = 20;
        readersim::WirelessReaders readers(o, count);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(int(announced.size()), count);

        std::set<QString> keys;
        for (quintptr r : announced) {
            const QString key = WirelessReaderRegistry::ReaderKey(r);
            QVERIFY(key.startsWith(QStringLiteral("127.0.0.1:")));
            QCOMPARE(WirelessReaderRegistry::AddressText(r), key);
            keys.insert(key);
            registry->StartReader(r, key, WirelessRecvProcThread::ReadEpc);
        }
        QCOMPARE(int(keys.size()), count);
        QCOMPARE(registry->Keys().size(), count);

        // Reports reach every thread and leave it as one batch of changed records per take.
        for (const QString& key : keys) {
            WirelessRecvProcThread* t = registry->Thread(key);
            QVERIFY(t);
            QTRY_VERIFY(t->reads() >= 20);
            const TagCountMap batch = t->takeChanges();
            QVERIFY(!batch.isEmpty());
            QVERIFY(batch.size() <= o.tags);
            quint64 counted = 0;
            for (const TagCountRecord& rec : t->records()) {
                counted += rec.counts[0] + rec.counts[1] + rec.counts[2] + rec.counts[3];
            }
            QVERIFY(counted >= 20);
        }

        // A running thread keeps its read type when started again.
        const QString firstKey = *keys.begin();
        registry->StartReader(registry->Thread(firstKey)->reader(), firstKey,
                              WirelessRecvProcThread::ReadTid);
        QCOMPARE(registry->Thread(firstKey)->readType(), int(WirelessRecvProcThread::ReadEpc));

        // One reader vanishes: the library says so, its removal works, and the others go on counting.
        readers.reader(3).stop();
        quintptr gone = 0;
        QTRY_VERIFY([&] {
            for (quintptr r : announced) {
                unsigned int t = 0;
                if (!WIRELESS_ZALT_GetLastTime(registry->Handle(), r, &t)) {
                    gone = r;
                }
            }
            return gone != 0;
        }());
        const QString goneKey = WirelessReaderRegistry::ReaderKey(gone);
        QVERIFY(registry->RemoveReader(gone, goneKey));
        QVERIFY(!registry->Thread(goneKey));
        QVERIFY(!registry->IsLive(gone));
        for (const QString& key : registry->Keys()) {
            WirelessRecvProcThread* t = registry->Thread(key);
            const quint64 before = t->reads();
            QTRY_VERIFY(t->reads() > before);
        }

        // Every thread stops together, off this thread; the map is empty at once.
        QList<WirelessRecvProcThread*> running;
        for (const QString& key : registry->Keys()) {
            running << registry->Thread(key);
        }
        registry->StopAll();
        QVERIFY(registry->Keys().isEmpty());
        QVERIFY(registry->WaitStopped(3000));

        QVERIFY(WIRELESS_ClearReader(registry->Handle()));
        QVERIFY(WIRELESS_StopServer(registry->Handle()));
        QVERIFY(WIRELESS_Quit(registry->HandleAddress()));
        *registry->HandleAddress() = 0;
    }

    void threadPostsInputEvents()
    {
        WirelessReaderRegistry* registry = WirelessReaderRegistry::Instance();
        QVERIFY(WIRELESS_ApiInit(registry->HandleAddress()));
        readersim::Options o;
        o.tags = 2;
        o.rate = 10;
        o.udp = true;
        auto sim = readersim::startInProcess(o);
        QVERIFY(sim);
        std::set<quintptr> announced;
        QObject receiver;
        connect(registry, &WirelessReaderRegistry::sig_RecvreaderInfo, &receiver,
                [&](quintptr r) { announced.insert(r); });
        QVERIFY(WIRELESS_AddUDPReader(registry->Handle(), "127.0.0.1", sim->udpPort(),
                                      WirelessReaderRegistry::Callback()));
        QTRY_COMPARE(int(announced.size()), 1);
        const quintptr reader = *announced.begin();
        QCOMPARE(WirelessReaderRegistry::ReaderKey(reader),
                 QStringLiteral("127.0.0.1:%1").arg(sim->udpPort()));

        WirelessRecvProcThread thread(registry->Handle(), reader, QStringLiteral("127.0.0.1"), false);
        QStringList posted;
        QMutex postedMutex;
        bool accept = false;
        thread.setIoPoster([&](const QString& text) {
            QMutexLocker lock(&postedMutex);
            if (accept) {
                posted << text;
            }
            return accept;
        });
        QVERIFY(thread.isStopped());
        QVERIFY(thread.start());
        QVERIFY(!thread.isStopped());
        sim->model().setInputs(2);
        QTest::qWait(300);
        // Nobody took the text: it is offered again with the next event.
        accept = true;
        sim->model().setInputs(3);
        QTRY_VERIFY([&] {
            QMutexLocker lock(&postedMutex);
            return !posted.isEmpty();
        }());
        thread.requestStop();
        QVERIFY(thread.waitStopped(3000));
        QCOMPARE(posted.size(), 1);
        QVERIFY(posted.first().startsWith(LangText("IDCS_IP_ADDR") + ":127.0.0.1 "));
        QVERIFY(posted.first().endsWith(LangText("IDCS_PORT_1_FIRST")));

        // A reader value that is no reader reads nothing and posts nothing.
        WirelessRecvProcThread stale(registry->Handle(), reader + 1, QStringLiteral("127.0.0.1"), false);
        QVERIFY(stale.start());
        QTest::qWait(100);
        stale.requestStop();
        QVERIFY(stale.waitStopped(3000));
        QCOMPARE(stale.reads(), quint64(0));
        QVERIFY(WIRELESS_Quit(registry->HandleAddress()));
        *registry->HandleAddress() = 0;
    }

private:
    TempAppDir m_app;
};

QTEST_GUILESS_MAIN(TstWirelessCore)
#include "tst_wireless_core.moc"
