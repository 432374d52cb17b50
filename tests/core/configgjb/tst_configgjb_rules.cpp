// Air-interface frames built from the test page's fields, the record text cut, and the address
// checks of the GJB settings pages.
#include "core/configgjb/AirFrame.h"
#include "core/configgjb/GjbConfigRules.h"

#include <wire/gjb_air.h>

#include <QtTest>

using namespace AirFrame;

class TstConfigGjbRules : public QObject
{
    Q_OBJECT

private slots:
    void crcVector();
    void frames_data();
    void frames();
    void refusals_data();
    void refusals();
    void everyDefaultFrameIsWellFormed();
    void utf8Cut_data();
    void utf8Cut();
    void ipConfig_data();
    void ipConfig();
};

void TstConfigGjbRules::crcVector()
{
    const QByteArray digits("123456789");
    QCOMPARE(wire::gjb::airCrc16(reinterpret_cast<const uint8_t*>(digits.constData()), 72), uint16_t(0xD64E));
}

namespace {

// Options for the option rows, texts for the free rows, in the command's row order.
QVector<Entry> entries(const QList<int>& options, const QStringList& texts)
{
    QVector<Entry> out;
    for (int i = 0; i < options.size(); ++i)
        out.push_back({options[i], i < texts.size() ? texts[i] : QString()});
    return out;
}

} // namespace

void TstConfigGjbRules::frames_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QList<int>>("options");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("frame"); // hex
    const QStringList none;
    // Expected frames worked out by hand from the field table, the CRC with a separate bit loop.
    QTest::newRow("Query E9 and the CRC of A4 E9")
        << 6 << QList<int>{0, 0, 7, 0, 3, 1, 0, 2, 1} << none << QByteArray("0100FEA4000018E95F4D00");
    QTest::newRow("Read: 0x42 bits, 17 bytes")
        << 7 << QList<int>{0, 0, 7, 0, 1, 0, 0, 0} << QStringList{"", "", "", "", "", "0010", "0002", "1234"}
        << QByteArray("0100FEA500004240040000848D06F6C000");
    QTest::newRow("Write takes two data bytes per word, extra ignored")
        << 8 << QList<int>{1, 1, 0, 1, 3, 0, 0, 0, 0}
        << QStringList{"", "", "", "", "", "0000", "0001", "ABCDEF01", "5678"}
        << QByteArray("02014CA6010052C00000006AF3559E32548000");
    QTest::newRow("Write: missing data bytes are zero")
        << 8 << QList<int>{0, 0, 7, 0, 0, 0, 0, 0, 0} << QStringList{"", "", "", "", "", "", "0001", "AB", ""}
        << QByteArray("0100FEA6000052000000006AC0000036CD8000");
    QTest::newRow("Sort: 5 mask bits padded to 6, 50 bits")
        << 12 << QList<int>{0, 0, 7, 0, 1, 2, 0, 0, 0}
        << QStringList{"", "", "", "", "", "", "0020", "05", "FF"}
        << QByteArray("0100FEAA0000326002005F9A998000");
    QTest::newRow("Ack carries no CRC")
        << 2 << QList<int>{0, 0, 7, 0, 0} << QStringList{"", "", "", "", "1234"}
        << QByteArray("0100FE40000010123400");
    QTest::newRow("GetDivide: two bits")
        << 16 << QList<int>{0, 0, 7, 0, 1} << none << QByteArray("0100FEC00000024000");
    QTest::newRow("QueryRep: empty payload")
        << 0 << QList<int>{0, 0, 7, 0} << none << QByteArray("0100FE0000000000");
    QTest::newRow("Power stops after byte 4")
        << 1 << QList<int>{1, 1, 3, 1} << none << QByteArray("020199FF01");
    QTest::newRow("Access") << 5 << QList<int>{0, 0, 7, 0, 5, 0, 0}
                            << QStringList{"", "", "", "", "", "BEEF", "1234"}
                            << QByteArray("0100FEA30000345BEEF12349AE8000");
    QTest::newRow("Lock") << 10 << QList<int>{0, 0, 7, 0, 2, 3, 0}
                          << QStringList{"", "", "", "", "", "", "1234"}
                          << QByteArray("0100FEA8000024B12344775000");
    QTest::newRow("malformed hex pairs become zero")
        << 2 << QList<int>{0, 0, 7, 0, 0} << QStringList{"", "", "", "", "+1zz"}
        << QByteArray("0100FE40000010000000");
}

void TstConfigGjbRules::frames()
{
    QFETCH(int, command);
    QFETCH(QList<int>, options);
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, frame);
    const BuildResult r = Build(Commands().at(command), entries(options, texts));
    QCOMPARE(r.error, BuildError::None);
    QCOMPARE(r.frame.toHex().toUpper(), frame);
    // The simulated reader's own check agrees.
    const auto check = wire::gjb::checkAirFrame(reinterpret_cast<const uint8_t*>(r.frame.constData()),
                                                size_t(r.frame.size()));
    QVERIFY(check.wellFormed && check.known && check.lengthOk);
    QCOMPARE(check.crcOk, check.hasCrc);
}

void TstConfigGjbRules::refusals_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("field");
    QTest::newRow("empty data") << 8 << QStringList{"", "", "", "", "", "0", "0001", "", "0"}
                                << int(BuildError::EmptyField) << int(Field::Data);
    QTest::newRow("empty mask") << 12 << QStringList{"", "", "", "", "", "", "0", "08", ""}
                                << int(BuildError::EmptyField) << int(Field::Mask);
    // 256 bytes hold at most 119 words of data; more would run past the frame buffer.
    QTest::newRow("write of 120 words") << 8 << QStringList{"", "", "", "", "", "0", "0078", "AA", "0"}
                                        << int(BuildError::TooLong) << int(Field::LenByte);
    QTest::newRow("write of FFFF words") << 8 << QStringList{"", "", "", "", "", "0", "FFFF", "AA", "0"}
                                         << int(BuildError::TooLong) << int(Field::LenByte);
}

void TstConfigGjbRules::refusals()
{
    QFETCH(int, command);
    QFETCH(QStringList, texts);
    QFETCH(int, error);
    QFETCH(int, field);
    const BuildResult r = Build(Commands().at(command), entries(QList<int>(texts.size(), 0), texts));
    QCOMPARE(int(r.error), error);
    QCOMPARE(int(r.field), field);
    QVERIFY(r.frame.isEmpty());

    // One word less than the limit fits.
    if (error == int(BuildError::TooLong)) {
        texts[6] = "0077";
        const BuildResult fits = Build(Commands().at(command), entries(QList<int>(texts.size(), 0), texts));
        QCOMPARE(fits.error, BuildError::None);
        QVERIFY(fits.frame.size() <= kMaxFrame);
    }
}

void TstConfigGjbRules::everyDefaultFrameIsWellFormed()
{
    QCOMPARE(Commands().size(), 17);
    for (const CommandDef& c : Commands()) {
        QVector<Entry> e;
        for (Field f : c.fields)
            e.push_back({Definition(f).defaultIndex, QStringLiteral("0001")});
        const BuildResult r = Build(c, e);
        QVERIFY2(r.error == BuildError::None, c.name);
        const auto check = wire::gjb::checkAirFrame(reinterpret_cast<const uint8_t*>(r.frame.constData()),
                                                    size_t(r.frame.size()));
        QVERIFY2(check.known && check.lengthOk && check.crcOk == check.hasCrc, c.name);
        QCOMPARE(uint8_t(r.frame.at(3)), c.code);
    }
}

void TstConfigGjbRules::utf8Cut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("bytes");
    const QString han(QChar(0x4E2D)); // three bytes
    QTest::newRow("short stays") << "abc" << 255 << 3;
    QTest::newRow("ascii at the limit") << QString(256, 'x') << 255 << 255;
    QTest::newRow("limit inside a character") << QString(85, QChar(0x4E2D)) + han << 255 << 255;
    QTest::newRow("limit one byte into a character") << "a" + QString(85, QChar(0x4E2D)) << 255 << 253;
    QTest::newRow("limit two bytes into a character") << "ab" + QString(85, QChar(0x4E2D)) << 255 << 254;
    QTest::newRow("four-byte character") << "abc" + QString::fromUcs4(U"\U0001F600") << 5 << 3;
}

void TstConfigGjbRules::utf8Cut()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(int, bytes);
    const QByteArray cut = GjbConfigRules::Utf8Cut(text, limit);
    QCOMPARE(cut.size(), bytes);
    // Whole characters only: decoding gives back a prefix of the text.
    QVERIFY(text.startsWith(QString::fromUtf8(cut)));
    QCOMPARE(QString::fromUtf8(cut).toUtf8(), cut);
}

void TstConfigGjbRules::ipConfig_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("good") << QStringList{"192.168.1.200", "255.255.255.0", "192.168.1.1"} << QString();
    QTest::newRow("octet 256") << QStringList{"192.168.1.256", "255.255.255.0", "192.168.1.1"}
                               << "IDCS_IPADDR_INVAID";
    QTest::newRow("bad mask") << QStringList{"10.0.0.1", "255.255.0", "10.0.0.254"} << "IDCS_SUBMASK_INVAID";
    QTest::newRow("bad gateway") << QStringList{"10.0.0.1", "255.0.0.0", "10.0.0."} << "IDCS_GATEWAY_INVAID";
    QTest::newRow("trailing text") << QStringList{"10.0.0.1x", "255.0.0.0", "10.0.0.9"}
                                   << "IDCS_IPADDR_INVAID";
}

void TstConfigGjbRules::ipConfig()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, refusal);
    GjbConfigRules::IpConfig out;
    const char* key = GjbConfigRules::ParseIpConfig(texts[0], texts[1], texts[2], &out);
    QCOMPARE(QString::fromLatin1(key), refusal);
    if (!key) {
        QCOMPARE(GjbConfigRules::AddressText(out.ip), texts[0]);
        QCOMPARE(GjbConfigRules::AddressText(out.mask), texts[1]);
        QCOMPARE(GjbConfigRules::AddressText(out.gateway), texts[2]);
    }
}

QTEST_APPLESS_MAIN(TstConfigGjbRules)
#include "tst_configgjb_rules.moc"
