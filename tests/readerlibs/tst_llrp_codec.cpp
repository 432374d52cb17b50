// The LLRP codec against byte layouts worked out by hand, its refusal of damaged bodies, and a round
// trip of every message it knows.
#include "llrp/messages.h"

#include <QtTest>

#include <functional>

using namespace llrp;

namespace {

struct Sample
{
    const char* name;
    std::function<Bytes()> encode;
    std::function<bool(const Bytes&)> decode; // decodes, and encodes back to the same bytes
};

template <class M> Sample sample(const char* name, const M& m)
{
    return Sample{name, [m] { return encodeMessage(m, 0x01020304); },
                  [](const Bytes& b) {
                      M back;
                      uint32_t id = 0;
                      return decodeMessage(b, back, &id) && id == 0x01020304 && encodeMessage(back, id) == b;
                  }};
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Header of a version-1 message.
Bytes header(uint16_t type, uint32_t length, uint32_t id)
{
    return {uint8_t(0x04 | (type >> 8)),
            uint8_t(type),
            uint8_t(length >> 24),
            uint8_t(length >> 16),
            uint8_t(length >> 8),
            uint8_t(length),
            uint8_t(id >> 24),
            uint8_t(id >> 16),
            uint8_t(id >> 8),
            uint8_t(id)};
}

const Bytes kEpc96 = {0xE2, 0x00, 0x34, 0x12, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
const Bytes kEpc128 = {0x30, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66,
                       0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};

// TagReportData: EPC_96, AntennaID 1, PeakRSSI -56, TagSeenCount 3, with `extra` inside.
Bytes epc96Tag(const Bytes& extra = {})
{
    const uint16_t length = uint16_t(4 + 13 + 3 + 2 + 3 + extra.size());
    return cat({{0x00, 0xF0, uint8_t(length >> 8), uint8_t(length), 0x8D},
                kEpc96,
                {0x81, 0x00, 0x01, 0x86, 0xC8},
                extra,
                {0x88, 0x00, 0x03}});
}

// TagReportData: EPCData of 128 bits, AntennaID 2, FirstSeenTimestampUTC.
const Bytes kEpc128Tag = cat({{0x00, 0xF0, 0x00, 0x26, 0x00, 0xF1, 0x00, 0x16, 0x00, 0x80},
                              kEpc128,
                              {0x81, 0x00, 0x02, 0x82, 0x00, 0x05, 0xF0, 0x00, 0x11, 0x22, 0x33, 0x44}});

const Bytes kReport = cat({header(61, 10 + 25 + 38, 7), epc96Tag(), kEpc128Tag});

RoAccessReport reportOf(const Bytes& b)
{
    RoAccessReport r;
    if (!decodeMessage(b, r))
        r.tags.clear();
    return r;
}

} // namespace

class TstLlrpCodec : public QObject
{
    Q_OBJECT

private slots:
    void handLayouts_data()
    {
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("encoded");
        auto q = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
        };

        QTest::newRow("KEEPALIVE_ACK") << q(header(72, 10, 5)) << q(encodeMessage(KeepaliveAck(), 5));

        AddRoSpec add;
        add.roSpec.id = 1;
        AiSpec ai;
        ai.antennaIds = {1};
        add.roSpec.aiSpecs.push_back(ai);
        const Bytes addBytes =
            cat({header(20, 62, 1),
                 {0x00, 0xB1, 0x00, 0x34, 0, 0, 0, 1, 0, 0},            // ROSpec
                 {0x00, 0xB2, 0x00, 0x12},                              // ROBoundarySpec
                 {0x00, 0xB3, 0x00, 0x05, 0},                           // start: null
                 {0x00, 0xB6, 0x00, 0x09, 0, 0, 0, 0, 0},               // stop: null
                 {0x00, 0xB7, 0x00, 0x18, 0x00, 0x01, 0x00, 0x01},      // AISpec, antenna 1
                 {0x00, 0xB8, 0x00, 0x09, 0, 0, 0, 0, 0},               // AISpec stop: null
                 {0x00, 0xBA, 0x00, 0x07, 0x00, 0x01, kProtocolC1G2}}); // InventoryParameterSpec 1
        QTest::newRow("ADD_ROSPEC") << q(addBytes) << q(encodeMessage(add, 1));

        AddRoSpecResponse ok;
        QTest::newRow("ADD_ROSPEC_RESPONSE")
            << q(cat({header(30, 18, 1), {0x01, 0x1F, 0x00, 0x08, 0, 0, 0, 0}})) << q(encodeMessage(ok, 1));

        RoAccessReport report;
        TagReportData a;
        a.epc = kEpc96;
        a.epcBits = 96;
        a.epc96 = true;
        a.antennaId = 1;
        a.peakRssi = -56;
        a.tagSeenCount = 3;
        TagReportData b;
        b.epc = kEpc128;
        b.epcBits = 128;
        b.antennaId = 2;
        b.firstSeenUtc = 0x0005F00011223344ull;
        report.tags = {a, b};
        QTest::newRow("RO_ACCESS_REPORT") << q(kReport) << q(encodeMessage(report, 7));
    }
    void handLayouts()
    {
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, encoded);
        QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
    }

    void reportFieldsDecoded()
    {
        const RoAccessReport r = reportOf(kReport);
        QCOMPARE(r.tags.size(), size_t(2));
        QVERIFY(r.tags[0].epc96);
        QCOMPARE(r.tags[0].epc, kEpc96);
        QCOMPARE(*r.tags[0].peakRssi, int8_t(-56));
        QCOMPARE(*r.tags[0].tagSeenCount, uint16_t(3));
        QCOMPARE(r.tags[1].epcBits, uint16_t(128));
        QCOMPARE(r.tags[1].epc, kEpc128);
        QCOMPARE(*r.tags[1].antennaId, uint16_t(2));
        QCOMPARE(*r.tags[1].firstSeenUtc, 0x0005F00011223344ull);
        QVERIFY(!r.tags[1].peakRssi);

        // A vendor's Custom parameter (and an unknown one) inside a tag's data changes nothing.
        const Bytes custom = {0x03, 0xFF, 0x00, 0x0E, 0, 0, 0x12, 0x34, 0, 0, 0, 1, 0xAB, 0xCD};
        const Bytes unknown = {0x01, 0x99, 0x00, 0x05, 0x42};
        const Bytes extra = cat({custom, unknown});
        const Bytes withCustom =
            cat({header(61, uint32_t(10 + 25 + extra.size() + 38), 7), epc96Tag(extra), kEpc128Tag});
        const RoAccessReport c = reportOf(withCustom);
        QCOMPARE(c.tags.size(), size_t(2));
        QCOMPARE(encodeMessage(c, 7), kReport);
    }

    // Each row damages the report; the decoder must refuse it rather than read past a length.
    void damagedBodiesRefused_data()
    {
        QTest::addColumn<QByteArray>("message");
        auto q = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
        };
        auto report = [](const Bytes& body) {
            return cat({header(61, uint32_t(10 + body.size()), 7), body});
        };

        Bytes shortMessage = kReport;
        shortMessage.pop_back();
        QTest::newRow("message shorter than its length") << q(shortMessage);
        QTest::newRow("message longer than its length") << q(cat({kReport, {0}}));
        Bytes overLong = epc96Tag();
        overLong[3] += 1;
        QTest::newRow("parameter longer than the message") << q(report(overLong));
        Bytes underLong = epc96Tag();
        underLong[3] -= 1; // the last TV field loses a byte
        QTest::newRow("TV field cut by its parameter") << q(report(underLong));
        Bytes epcBits = kEpc128Tag;
        epcBits[9] = 0x88; // 136 bits need one byte more than the EPCData holds
        QTest::newRow("EPC bits past EPCData") << q(report(epcBits));
        QTest::newRow("TLV length below its header") << q(report({0x00, 0xF0, 0x00, 0x03}));
        QTest::newRow("unknown TV type") << q(report(epc96Tag({0xC0, 0x00})));
        QTest::newRow("tag data without EPC") << q(report({0x00, 0xF0, 0x00, 0x07, 0x81, 0x00, 0x01}));
        Bytes version2 = kReport;
        version2[0] = 0x08;
        QTest::newRow("version 2") << q(version2);
        Bytes otherType = kReport;
        otherType[1] = 62;
        QTest::newRow("another message type") << q(otherType);
        QTest::newRow("status text past its parameter")
            << q(cat({header(30, 18, 1), {0x01, 0x1F, 0x00, 0x08, 0, 0, 0, 1}}));
    }
    void damagedBodiesRefused()
    {
        QFETCH(QByteArray, message);
        const Bytes b(message.begin(), message.end());
        RoAccessReport r;
        AddRoSpecResponse s;
        QVERIFY(!decodeMessage(b, r));
        QVERIFY(!decodeMessage(b, s));
    }

    void splitterTakesWholeMessages()
    {
        const Bytes ack = encodeMessage(KeepaliveAck(), 9);
        const Bytes stream = cat({kReport, ack, kReport});
        StreamSplitter s;
        std::vector<Bytes> got;
        Bytes m;
        for (uint8_t byte : stream) {
            s.feed(&byte, 1);
            while (s.next(m))
                got.push_back(m);
        }
        QCOMPARE(got.size(), size_t(3));
        QCOMPARE(got[1], ack);
        QCOMPARE(got[2], kReport);
        QCOMPARE(s.buffered(), size_t(0));

        // A length that cannot be a message fails the stream for good.
        for (uint32_t length : {0u, 9u, kMaxMessageSize + 1}) {
            StreamSplitter bad;
            const Bytes h = header(61, length, 1);
            bad.feed(h.data(), h.size());
            QVERIFY(!bad.next(m));
            QVERIFY(bad.failed());
            bad.feed(ack.data(), ack.size());
            QVERIFY(!bad.next(m));
        }
    }

    void everyMessageRoundTrips_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < samples().size(); ++i)
            QTest::newRow(samples()[i].name) << int(i);
    }
    void everyMessageRoundTrips()
    {
        QFETCH(int, row);
        const Sample& s = samples()[size_t(row)];
        const Bytes b = s.encode();
        QVERIFY(!b.empty());
        QVERIFY(s.decode(b));
        // Every cut short is refused, never read past.
        for (size_t n = 0; n < b.size(); ++n)
            QVERIFY(!s.decode(Bytes(b.begin(), b.begin() + long(n))));
    }

private:
    static const std::vector<Sample>& samples()
    {
        static const std::vector<Sample> all = [] {
            LlrpStatus failed;
            failed.code = status::Invalid;
            failed.description = "ROSpec 3 is disabled";

            GeneralDeviceCapabilities general;
            general.maxAntennas = 4;
            general.firmware = "1.2.3";
            general.sensitivities = {SensitivityEntry()};
            general.airProtocols = {PerAntennaAirProtocol()};
            UhfBandCapabilities uhf;
            uhf.powerLevels = {{1, 1000}, {2, 1025}};
            uhf.frequencies.fixedKHz = {920625, 924375};
            RegulatoryCapabilities regulatory;
            regulatory.uhf.emplace(uhf);
            GetReaderCapabilitiesResponse caps;
            caps.general.emplace(general);
            caps.regulatory.emplace(regulatory);
            caps.custom = {Custom{0, 1, {'R', 'i'}}};

            ReaderSettings settings;
            AntennaConfiguration antenna;
            antenna.antennaId = 2;
            antenna.transmitter = RfTransmitter{1, 1, 40};
            antenna.receiver = RfReceiver{1};
            settings.antennaConfigurations = {antenna};
            settings.antennaProperties = {AntennaProperties()};
            settings.roReportSpec = RoReportSpec();
            settings.accessReportSpec = AccessReportSpec();
            settings.keepaliveSpec = KeepaliveSpec{1, 5000};
            settings.eventsAndReports = EventsAndReports{true};
            GetReaderConfigResponse config;
            config.identification = Identification{0, {0, 1, 2, 3, 4, 5}};
            config.settings = settings;
            SetReaderConfig set;
            set.resetToFactoryDefault = true;
            set.settings = settings;

            AddRoSpec ro;
            ro.roSpec.id = 3;
            ro.roSpec.boundary.stop = RoSpecStopTrigger{1, 2000};
            AiSpec ai;
            ai.antennaIds = {1, 2, 3, 4};
            ai.inventory[0].antennas = {antenna};
            ro.roSpec.aiSpecs = {ai, AiSpec()};
            ro.roSpec.report = RoReportSpec();

            AddAccessSpec access;
            access.accessSpec.id = 9;
            access.accessSpec.active = true;
            access.accessSpec.stop = AccessSpecStopTrigger{1, 1};
            C1G2TargetTag target;
            target.pointer = 32;
            target.maskBits = 12;
            target.mask = {0xFF, 0xF0};
            target.dataBits = 12;
            target.data = {0x30, 0x00};
            access.accessSpec.command.tagSpec.targets = {target};
            C1G2Lock lock;
            lock.payloads = {C1G2LockPayload(), C1G2LockPayload{C1G2LockPayload::PermaLock, 0}};
            access.accessSpec.command.opSpecs = {C1G2Read{1, 5, Bank::Tid, 0, 6},
                                                 C1G2Write{2, 5, Bank::User, 4, {0xBEEF}},
                                                 C1G2Kill{3, 0x12345678}, lock};
            access.accessSpec.report = AccessReportSpec{1};

            RoAccessReport report;
            report.tags = reportOf(kReport).tags;
            report.tags[0].roSpecId = 3;
            report.tags[0].specIndex = 1;
            report.tags[0].inventoryParameterSpecId = 1;
            report.tags[0].channelIndex = 4;
            report.tags[0].lastSeenUtc = 77;
            report.tags[0].pc = 0x3000;
            report.tags[0].accessSpecId = 9;
            report.tags[0].results = {C1G2ReadOpSpecResult{0, 1, {1, 2}}, C1G2WriteOpSpecResult{2, 2, 0},
                                      C1G2KillOpSpecResult{0, 3}, C1G2LockOpSpecResult{4, 4}};

            ReaderEventNotification event;
            event.data.utcMicros = 1234567;
            event.data.connectionAttempt = 0;
            event.data.roSpecEvent = ReaderEventNotificationData::RoSpecEvent{1, 3, 0};
            event.data.connectionClose = true;

            ErrorMessage error;
            error.status = failed;
            StartRoSpecResponse refused;
            refused.status = failed;

            return std::vector<Sample>{
                sample("GET_READER_CAPABILITIES", GetReaderCapabilities{GetReaderCapabilities::General}),
                sample("GET_READER_CAPABILITIES_RESPONSE", caps),
                sample("GET_READER_CONFIG", GetReaderConfig{3, GetReaderConfig::AntennaConfiguration, 0, 0}),
                sample("GET_READER_CONFIG_RESPONSE", config),
                sample("SET_READER_CONFIG", set),
                sample("SET_READER_CONFIG_RESPONSE", SetReaderConfigResponse()),
                sample("ADD_ROSPEC", ro),
                sample("ADD_ROSPEC_RESPONSE", AddRoSpecResponse()),
                sample("ENABLE_ROSPEC", EnableRoSpec{3}),
                sample("ENABLE_ROSPEC_RESPONSE", EnableRoSpecResponse()),
                sample("START_ROSPEC", StartRoSpec{3}),
                sample("START_ROSPEC_RESPONSE", refused),
                sample("STOP_ROSPEC", StopRoSpec{3}),
                sample("STOP_ROSPEC_RESPONSE", StopRoSpecResponse()),
                sample("DISABLE_ROSPEC", DisableRoSpec{3}),
                sample("DISABLE_ROSPEC_RESPONSE", DisableRoSpecResponse()),
                sample("DELETE_ROSPEC", DeleteRoSpec{0}),
                sample("DELETE_ROSPEC_RESPONSE", DeleteRoSpecResponse()),
                sample("ADD_ACCESSSPEC", access),
                sample("ADD_ACCESSSPEC_RESPONSE", AddAccessSpecResponse()),
                sample("ENABLE_ACCESSSPEC", EnableAccessSpec{9}),
                sample("ENABLE_ACCESSSPEC_RESPONSE", EnableAccessSpecResponse()),
                sample("DISABLE_ACCESSSPEC", DisableAccessSpec{9}),
                sample("DISABLE_ACCESSSPEC_RESPONSE", DisableAccessSpecResponse()),
                sample("DELETE_ACCESSSPEC", DeleteAccessSpec{9}),
                sample("DELETE_ACCESSSPEC_RESPONSE", DeleteAccessSpecResponse()),
                sample("RO_ACCESS_REPORT", report),
                sample("READER_EVENT_NOTIFICATION", event),
                sample("KEEPALIVE", Keepalive()),
                sample("KEEPALIVE_ACK", KeepaliveAck()),
                sample("ENABLE_EVENTS_AND_REPORTS", EnableEventsAndReports()),
                sample("ERROR_MESSAGE", error),
                sample("CLOSE_CONNECTION", CloseConnection()),
                sample("CLOSE_CONNECTION_RESPONSE", CloseConnectionResponse()),
            };
        }();
        return all;
    }
};

QTEST_APPLESS_MAIN(TstLlrpCodec)
#include "tst_llrp_codec.moc"
