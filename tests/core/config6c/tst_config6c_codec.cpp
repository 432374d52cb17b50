#include "core/config6c/CommSettings.h"
#include "core/config6c/IdentityClock.h"
#include "core/config6c/IoSettings.h"
#include "core/config6c/ParamTable.h"
#include "core/config6c/RfSettings.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
const unsigned char* U(const QByteArray& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}
} // namespace

class Config6CCodecTest : public QObject
{
    Q_OBJECT

private slots:
    void power_data();
    void power();
    void powerRoundTripsEveryPosition();
    void antennaRecordLayout();
    void frequencyTables_data();
    void frequencyTables();

    void paramMappings_data();
    void paramMappings();
    void paramWrites_data();
    void paramWrites();
    void wiegandStart_data();
    void wiegandStart();
    void rawNumbers_data();
    void rawNumbers();
    void paramLines_data();
    void paramLines();
    void paramFileRoundTrip();
    void paramFileRefusals();

    void ipConfig_data();
    void ipConfig();
    void portsMacBus();
    void textRecords_data();
    void textRecords();

    void ioAndStore();
    void clock();
    void clockRecordsThatAreNoClock_data();
    void clockRecordsThatAreNoClock();
};

void Config6CCodecTest::power_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("byte");
    QTest::newRow("0 dBm") << 0 << 16;
    QTest::newRow("19") << 19 << 35;
    QTest::newRow("20") << 20 << 0;
    QTest::newRow("30") << 30 << 10;
}

void Config6CCodecTest::power()
{
    QFETCH(int, position);
    QFETCH(int, byte);
    QCOMPARE(RfSettings::powerByte(position), byte);
    QCOMPARE(RfSettings::powerPosition(byte), position);
}

void Config6CCodecTest::powerRoundTripsEveryPosition()
{
    for (int p = 0; p < RfSettings::kPowerPositions; ++p) {
        QCOMPARE(RfSettings::powerPosition(RfSettings::powerByte(p)), p);
    }
    // Bytes outside both ranges come back as they are.
    QCOMPARE(RfSettings::powerPosition(12), 12);
    QCOMPARE(RfSettings::powerPosition(40), 40);
}

void Config6CCodecTest::antennaRecordLayout()
{
    std::array<RfSettings::Antenna, 4> a{};
    a[0] = {true, 30, 1};
    a[1] = {false, 0, 2};
    a[2] = {true, 19, 255};
    a[3] = {false, 20, 7};
    QCOMPARE(RfSettings::antennaRecord(a).toHex(' '), QByteArray("01 00 01 00 0a 10 23 00 01 02 ff 07"));
}

void Config6CCodecTest::frequencyTables_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("America") << "America" << 50 << "902.75Mhz"
                             << "927.25Mhz";
    QTest::newRow("Europe") << "Europe" << 16 << "865.000Mhz"
                            << "868.000Mhz";
    QTest::newRow("China") << "China" << 16 << "920.625MHz"
                           << "924.375MHz";
    QTest::newRow("unknown is China") << "Mars" << 16 << "920.625MHz"
                                      << "924.375MHz";
    QTest::newRow("case matters") << "america" << 16 << "920.625MHz"
                                  << "924.375MHz";
}

void Config6CCodecTest::frequencyTables()
{
    QFETCH(QString, setting);
    QFETCH(int, count);
    const QStringList texts = RfSettings::pointTexts(RfSettings::tableForSetting(setting));
    QCOMPARE(texts.size(), count);
    QTEST(texts.first(), "first");
    QTEST(texts.last(), "last");
    // The lists sort by text: that must be frequency order.
    QStringList sorted = texts;
    sorted.sort();
    QCOMPARE(sorted, texts);
    QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), count);
}

void Config6CCodecTest::paramMappings_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("position");
    QTest::newRow("device type 0x22") << int(ParamTable::DeviceType) << 0x22 << 8;
    QTest::newRow("device type 0x03") << int(ParamTable::DeviceType) << 0x03 << 0;
    QTest::newRow("command 0x94") << int(ParamTable::CommandType) << 0x94 << 2;
    QTest::newRow("command 0x55") << int(ParamTable::CommandType) << 0x55 << 0;
    QTest::newRow("store off") << int(ParamTable::FlashStore) << 0 << 1;
    QTest::newRow("store 5") << int(ParamTable::FlashStore) << 5 << 1;
    QTest::newRow("wiegand 4") << int(ParamTable::WiegandLength) << 4 << 1;
    QTest::newRow("wiegand 9") << int(ParamTable::WiegandLength) << 9 << 0;
    QTest::newRow("work mode 7 (no entry)") << int(ParamTable::WorkMode) << 7 << 7;
}

void Config6CCodecTest::paramMappings()
{
    QFETCH(int, row);
    QFETCH(int, value);
    QTEST(ParamTable::positionForValue(row, static_cast<unsigned char>(value)), "position");
}

void Config6CCodecTest::paramWrites_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("value"); // -1: nothing is sent
    QTest::newRow("device type 3") << int(ParamTable::DeviceType) << 3 << 0x10;
    QTest::newRow("device type none") << int(ParamTable::DeviceType) << -1 << -1;
    QTest::newRow("command 1") << int(ParamTable::CommandType) << 1 << 0x92;
    QTest::newRow("command none") << int(ParamTable::CommandType) << -1 << 0x91;
    QTest::newRow("store 0 is on") << int(ParamTable::FlashStore) << 0 << 1;
    QTest::newRow("wiegand 1") << int(ParamTable::WiegandLength) << 1 << 4;
    QTest::newRow("wiegand none") << int(ParamTable::WiegandLength) << -1 << -1;
    QTest::newRow("port 8 is not in the list") << int(ParamTable::ConnectPort) << 8 << -1;
    QTest::newRow("work mode none") << int(ParamTable::WorkMode) << -1 << -1;
}

void Config6CCodecTest::paramWrites()
{
    QFETCH(int, row);
    QFETCH(int, position);
    QFETCH(int, value);
    const std::optional<unsigned char> v = ParamTable::valueForPosition(row, position);
    QCOMPARE(v ? int(*v) : -1, value);
}

void Config6CCodecTest::wiegandStart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("1A") << "1A" << 0x1A;
    QTest::newRow("1FF keeps the low byte") << "1FF" << 0xFF;
    QTest::newRow("long text") << "123456789ABCDEF012345" << 0x45;
    QTest::newRow("not hex") << "1G" << 0;
    QTest::newRow("empty") << "" << 0;
}

void Config6CCodecTest::wiegandStart()
{
    QFETCH(QString, text);
    QTEST(int(ParamTable::wiegandStartValue(text)), "value");
    QCOMPARE(ParamTable::byteText(0x0A), QString("0A"));
}

void Config6CCodecTest::rawNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<int>("value");
    QTest::newRow("255") << "255" << true << 255;
    QTest::newRow("leading zeros") << "000255" << true << 255;
    QTest::newRow("spaces") << " 7 " << true << 7;
    QTest::newRow("256") << "256" << false << 0;
    QTest::newRow("-1") << "-1" << false << 0;
    QTest::newRow("huge") << "99999999999999999999" << false << 0;
    QTest::newRow("not a number is 0") << "12a" << true << 0;
}

void Config6CCodecTest::rawNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, inRange);
    int value = -5;
    QCOMPARE(ParamTable::rawByteNumber(text, &value), inRange);
    if (inRange) {
        QTEST(value, "value");
    }
}

void Config6CCodecTest::paramLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isParamLine");
    QTest::addColumn<bool>("valid");
    QTest::newRow("as exported") << "0,3,0,0,2,0,2,05,0\t" << true << true;
    QTest::newRow("no current entry") << "-1,0,-1,0,0,0,0,05,1" << true << true;
    QTest::newRow("eight fields") << "0,3,0,0,2,0,2,05" << false << false;
    QTest::newRow("empty line") << "" << false << false;
    QTest::newRow("device type 9") << "0,9,0,0,2,0,2,05,0" << true << false;
    QTest::newRow("not a number") << "0,x,0,0,2,0,2,05,0" << true << false;
    QTest::newRow("below -1") << "-2,0,0,0,2,0,2,05,0" << true << false;
}

void Config6CCodecTest::paramLines()
{
    QFETCH(QString, line);
    QFETCH(bool, isParamLine);
    bool got = !isParamLine;
    const std::optional<ParamTable::Snapshot> s = ParamTable::parseLine(line, &got);
    QCOMPARE(got, isParamLine);
    QTEST(bool(s), "valid");
}

void Config6CCodecTest::paramFileRoundTrip()
{
    QTemporaryDir dir;
    ParamTable::Snapshot s;
    s.positions = {2, 8, 1, 4, 7, 1, 5, 0, 1};
    s.wiegandStart = QStringLiteral("1FF");
    QCOMPARE(ParamTable::exportLine(s), QString("2,8,1,4,7,1,5,1FF,1\t\n"));
    const QString path = dir.filePath("params.txt");
    QVERIFY(WriteText(path, "old content that is longer than the new line\n"));
    QCOMPARE(ParamTable::writeFile(path, s), ParamTable::FileResult::Ok);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("2,8,1,4,7,1,5,1FF,1\t\n"));
    ParamTable::Snapshot back;
    QCOMPARE(ParamTable::readFile(path, &back), ParamTable::FileResult::Ok);
    QVERIFY(back == s);

    // Several parameter lines: the last wins; other lines are passed over.
    QVERIFY(WriteText(path, "header\n0,0,0,0,0,0,0,AA,0\r\n\n1,1,1,1,1,1,1,BB,1\t\n"));
    QCOMPARE(ParamTable::readFile(path, &back), ParamTable::FileResult::Ok);
    QCOMPARE(back.wiegandStart, QString("BB"));
    QCOMPARE(back.positions[0], 1);
}

void Config6CCodecTest::paramFileRefusals()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("p.txt");
    ParamTable::Snapshot untouched;
    untouched.wiegandStart = QStringLiteral("77");
    ParamTable::Snapshot out = untouched;

    QVERIFY(WriteText(path, "0,3,0,0,2,0,2,05\n0,3,0,0,2,0,2,05,0,1\n"));
    QCOMPARE(ParamTable::readFile(path, &out), ParamTable::FileResult::NoParamLine);
    // One bad line spoils the file, even after a good one.
    QVERIFY(WriteText(path, "0,3,0,0,2,0,2,05,0\n0,3,0,0,2,0,2,05,7\n"));
    QCOMPARE(ParamTable::readFile(path, &out), ParamTable::FileResult::BadParamLine);
    QVERIFY(out == untouched);
    QCOMPARE(ParamTable::readFile(dir.filePath("missing.txt"), &out), ParamTable::FileResult::CannotOpen);

    // A comma in the text cell would make a line that does not read back.
    ParamTable::Snapshot s;
    s.wiegandStart = QStringLiteral("1,2");
    QVERIFY(!ParamTable::canExport(s));
    s.wiegandStart = QStringLiteral("a\nb");
    QVERIFY(!ParamTable::canExport(s));
    s.wiegandStart = QStringLiteral("zz");
    QVERIFY(ParamTable::canExport(s));

    // No folder to write into: nothing is left behind.
    QCOMPARE(ParamTable::writeFile(dir.filePath("no/such/dir/p.txt"), s), ParamTable::FileResult::CannotOpen);
    QVERIFY(!QFile::exists(dir.filePath("no/such/dir/p.txt")));
}

void Config6CCodecTest::ipConfig_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<int>("check");
    QTest::addColumn<QByteArray>("record");
    using C = CommSettings::IpConfigCheck;
    QTest::newRow("ok") << "192.168.1.20"
                        << "255.255.255.0"
                        << "192.168.1.1" << int(C::Ok) << QByteArray("c0 a8 01 14 ff ff ff 00 c0 a8 01 01");
    QTest::newRow("ip 300") << "192.168.1.300"
                            << "255.255.255.0"
                            << "192.168.1.1" << int(C::BadIp) << QByteArray();
    QTest::newRow("empty mask") << "10.0.0.1"
                                << ""
                                << "10.0.0.254" << int(C::BadMask) << QByteArray();
    QTest::newRow("mask checked before gateway") << "10.0.0.1"
                                                 << "1.2.3"
                                                 << "x" << int(C::BadMask) << QByteArray();
    QTest::newRow("gateway") << "10.0.0.1"
                             << "255.0.0.0"
                             << "10.0.0." << int(C::BadGateway) << QByteArray();
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("10.0.0.\u0661") << "255.0.0.0"
                                      << "10.0.0.1" << int(C::BadIp) << QByteArray();
}

void Config6CCodecTest::ipConfig()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QByteArray record;
    QTEST(int(CommSettings::ipConfigRecord(ip, mask, gateway, &record)), "check");
    QTEST(record.toHex(' '), "record");
}

void Config6CCodecTest::portsMacBus()
{
    QByteArray b;
    QVERIFY(CommSettings::portBytes("4001", &b));
    QCOMPARE(b, QByteArray("\x0F\xA1", 2));
    QCOMPARE(CommSettings::portValue(U(b)), 4001);
    QVERIFY(CommSettings::portBytes("65535", &b));
    QCOMPARE(CommSettings::portValue(U(b)), 65535);
    for (const char* bad : {"", "0", "65536", "-1", "40a", "99999999999"}) {
        QVERIFY2(!CommSettings::portBytes(bad, &b), bad);
    }

    QVERIFY(CommSettings::macBytes("02:5a:4C:54:00:FF", &b));
    QCOMPARE(b.toHex(), QByteArray("025a4c5400ff"));
    QCOMPARE(CommSettings::macText(U(b)), QString("02:5A:4C:54:00:FF"));
    QVERIFY(!CommSettings::macBytes("02:5A:4C:54:00", &b));
    QVERIFY(CommSettings::macBytes(":::::", &b)); // what an emptied mask leaves: six empty parts
    QCOMPARE(b, QByteArray(6, '\0'));

    QCOMPARE(int(CommSettings::busAddressByte("1F")), 0x1F);
    QCOMPARE(int(CommSettings::busAddressByte("")), 0);
    QCOMPARE(CommSettings::busAddressText(0x05), QString("05"));
    QCOMPARE(CommSettings::baudRates().at(2), QString("19200"));
    QCOMPARE(CommSettings::ipText(U(QByteArray("\xC0\xA8\x01\x64", 4))), QString("192.168.1.100"));
}

void Config6CCodecTest::textRecords_data()
{
    QTest::addColumn<int>("kind"); // 0 GPRS text (64), 1 name, 2 model, 3 version (read-only)
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result"); // 0 ok, 1 empty, 2 too long, 3 read-only
    QTest::newRow("APN of 64") << 0 << QString(64, 'a') << 0;
    QTest::newRow("APN of 65") << 0 << QString(65, 'a') << 2;
    QTest::newRow("APN of 33 two-byte characters") << 0 << QString(33, QChar(0x00E9)) << 2;
    QTest::newRow("empty APN") << 0 << QString() << 1;
    QTest::newRow("name of 8") << 1 << "ABCDEFGH" << 0;
    QTest::newRow("name of 9") << 1 << "ABCDEFGHI" << 2;
    QTest::newRow("model of four two-byte characters") << 2 << QString(4, QChar(0x00E9)) << 2;
    QTest::newRow("version") << 3 << "V1" << 3;
}

void Config6CCodecTest::textRecords()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, result);
    QByteArray record;
    int got = 0;
    int size = 0;
    if (kind == 0) {
        got = int(CommSettings::textRecord(text, CommSettings::kGprsTextSize, &record));
        size = CommSettings::kGprsTextSize;
    } else {
        const int type = kind == 1   ? IdentityClock::Name
                         : kind == 2 ? IdentityClock::Model
                                     : IdentityClock::CpuSoftware;
        got = int(IdentityClock::identityRecord(type, text, &record));
        size = IdentityClock::recordSize(type);
    }
    QCOMPARE(got, result);
    if (result == 0) {
        // Zero-padded to the record size, read back up to the padding.
        QCOMPARE(int(record.size()), size);
        QCOMPARE(CommSettings::recordText(U(record), int(record.size())), text);
        QCOMPARE(IdentityClock::identityText(U(record), int(record.size())), text);
        QCOMPARE(record.left(text.toUtf8().size()), text.toUtf8());
    }
}

void Config6CCodecTest::ioAndStore()
{
    QVERIFY(!IoSettings::inputHigh(0x02, 0));
    QVERIFY(IoSettings::inputHigh(0x02, 1));
    QCOMPARE(int(IoSettings::triggerByte({true, false, false, true, false})), 9);
    QCOMPARE(int(IoSettings::triggerByte({false, false, false, false, true})), 16);
    const auto rows = IoSettings::triggerRows(0x1F);
    QCOMPARE(int(std::count(rows.begin(), rows.end(), true)), 5);
    QCOMPARE(IoSettings::flashCount(U(QByteArray("\x00\x00\x01\x2C\x00\x00\x00", 7))), 300u);
    QCOMPARE(IoSettings::flashCount(U(QByteArray("\xFF\xFF\xFF\xFF\x00\x00\x00", 7))), 0u);
    QCOMPARE(IoSettings::flashCount(U(QByteArray("\xFF\xFF\xFF\xFE\x00\x00\x00", 7))), 0xFFFFFFFEu);
}

void Config6CCodecTest::clock()
{
    const QByteArray record = IdentityClock::clockRecord(QDate(2016, 3, 7), QTime(9, 5, 30));
    QCOMPARE(record.toHex(' '), QByteArray("30 05 09 01 07 03 16"));
    QDate d;
    QTime t;
    QVERIFY(IdentityClock::decodeClock(U(record), int(record.size()), &d, &t));
    QCOMPARE(d, QDate(2016, 3, 7));
    QCOMPARE(t, QTime(9, 5, 30));
    // Sunday is 7; the year is taken within the century.
    QCOMPARE(IdentityClock::clockRecord(QDate(2099, 12, 27), QTime(23, 59, 59)).toHex(' '),
             QByteArray("59 59 23 07 27 12 99"));
    for (int v = 0; v < 100; ++v) {
        QCOMPARE(IdentityClock::fromBcd(IdentityClock::toBcd(v)), v);
    }
    QCOMPARE(IdentityClock::fromBcd(0x1A), 0);
    QCOMPARE(IdentityClock::fromBcd(0xA1), 0);
}

void Config6CCodecTest::clockRecordsThatAreNoClock_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("all zero") << QByteArray(7, '\0');
    QTest::newRow("month zero") << QByteArray::fromHex("30050901070016");
    QTest::newRow("31 February") << QByteArray::fromHex("30050901310216");
    QTest::newRow("hour 25") << QByteArray::fromHex("30052501070316");
    QTest::newRow("short") << QByteArray::fromHex("300509010703");
}

void Config6CCodecTest::clockRecordsThatAreNoClock()
{
    QFETCH(QByteArray, record);
    QDate d(2001, 1, 1);
    QTime t(1, 1, 1);
    QVERIFY(!IdentityClock::decodeClock(U(record), int(record.size()), &d, &t));
    QCOMPARE(d, QDate(2001, 1, 1));
    QCOMPARE(t, QTime(1, 1, 1));
}

QTEST_APPLESS_MAIN(Config6CCodecTest)
#include "tst_config6c_codec.moc"
