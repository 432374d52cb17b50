#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"

#include <QtTest>

class TstAppHex : public QObject
{
    Q_OBJECT

private slots:
    void hexToBytes_data();
    void hexToBytes();
    void hexToBytesWritesOnlyItsBytes();
    void bytesToHex();
    void isTimedOut_data();
    void isTimedOut();
    void isTimedOutOnTheClock();
    void isValidIp_data();
    void isValidIp();
    void isHexText_data();
    void isHexText();
    void selectInForceFollowsTheReader();
};

void TstAppHex::hexToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("single digit of a partial byte is dropped") << "ABC" << 12 << QByteArray::fromHex("AB00");
    QTest::newRow("partial byte keeps its high bits") << "ABCD" << 13 << QByteArray::fromHex("ABC8");
    QTest::newRow("whole bytes") << "A1B2C3" << 24 << QByteArray::fromHex("A1B2C3");
    QTest::newRow("lower case") << "a1b2" << 16 << QByteArray::fromHex("A1B2");
    QTest::newRow("non-hex pair is zero") << "ZZ12" << 16 << QByteArray::fromHex("0012");
    QTest::newRow("one bad digit spoils its pair") << "1G34" << 16 << QByteArray::fromHex("0034");
    QTest::newRow("text shorter than the length") << "AB" << 32 << QByteArray::fromHex("AB000000");
    QTest::newRow("a lone last digit is its own value") << "ABC" << 16 << QByteArray::fromHex("AB0C");
    QTest::newRow("partial byte only") << "FF" << 4 << QByteArray::fromHex("F0");
    QTest::newRow("seven bits") << "FF" << 7 << QByteArray::fromHex("FE");
    QTest::newRow("extra text ignored") << "11223344" << 16 << QByteArray::fromHex("1122");
    QTest::newRow("zero length") << "ABCD" << 0 << QByteArray();
    QTest::newRow("negative length") << "ABCD" << -8 << QByteArray();
    QTest::newRow("empty text") << "" << 8 << QByteArray::fromHex("00");
}

void TstAppHex::hexToBytes()
{
    QFETCH(QString, text);
    QFETCH(int, bits);
    QFETCH(QByteArray, expected);

    const QByteArray bytes = AppContext::hexToBytes(text, bits);
    QCOMPARE(bytes.toHex().toUpper(), expected.toHex().toUpper());

    unsigned char buffer[16];
    memset(buffer, 0x5A, sizeof buffer);
    QCOMPARE(AppContext::hexToBytes(text, buffer, bits), int(expected.size()));
}

void TstAppHex::hexToBytesWritesOnlyItsBytes()
{
    unsigned char buffer[8];
    memset(buffer, 0x5A, sizeof buffer);
    QCOMPARE(AppContext::hexToBytes(QStringLiteral("FFFFFFFFFFFFFFFF"), buffer, 13), 2);
    QCOMPARE(buffer[1], 0xF8);
    for (int i = 2; i < 8; ++i) {
        QCOMPARE(buffer[i], 0x5A);
    }
    QCOMPARE(AppContext::hexToBytes(QStringLiteral("FF"), nullptr, 8), 0);
}

void TstAppHex::bytesToHex()
{
    const unsigned char bytes[] = {0x01, 0xab, 0xff, 0x00};
    QCOMPARE(AppContext::bytesToHex(bytes, 4), QStringLiteral("01ABFF00"));
    QCOMPARE(AppContext::bytesToHex(bytes, 0), QString());
    QCOMPARE(AppContext::bytesToHex(bytes, -3), QString());
    QCOMPARE(AppContext::bytesToHex(nullptr, 4), QString());
    QCOMPARE(AppContext::bytesToHex(AppContext::hexToBytes(QStringLiteral("e2003412"), 32)),
             QStringLiteral("E2003412"));
}

void TstAppHex::isTimedOut_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("span");
    QTest::addColumn<quint32>("now");
    QTest::addColumn<bool>("timedOut");

    QTest::newRow("at start") << 100u << 50u << 100u << false;
    QTest::newRow("last inside") << 100u << 50u << 149u << false;
    QTest::newRow("end is outside") << 100u << 50u << 150u << true;
    QTest::newRow("before start") << 100u << 50u << 99u << true;
    QTest::newRow("empty window") << 100u << 0u << 100u << true;
    QTest::newRow("wrap: before overflow") << 0xFFFFFF00u << 0x200u << 0xFFFFFFFFu << false;
    QTest::newRow("wrap: after overflow") << 0xFFFFFF00u << 0x200u << 0x50u << false;
    QTest::newRow("wrap: end") << 0xFFFFFF00u << 0x200u << 0x100u << true;
    QTest::newRow("wrap: before start") << 0xFFFFFF00u << 0x200u << 0xFFFFFEFFu << true;
    QTest::newRow("start at zero, now just below") << 0u << 10u << 0xFFFFFFFFu << true;
}

void TstAppHex::isTimedOut()
{
    QFETCH(quint32, start);
    QFETCH(quint32, span);
    QFETCH(quint32, now);
    QFETCH(bool, timedOut);
    QCOMPARE(AppContext::isTimedOut(start, span, now), timedOut);
}

void TstAppHex::isTimedOutOnTheClock()
{
    const quint32 start = AppContext::TickCount();
    QVERIFY(!AppContext::isTimedOut(start, 60000));
    QTest::qWait(30);
    QVERIFY(AppContext::isTimedOut(start, 10));
}

void TstAppHex::isValidIp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.168.1.10" << true;
    QTest::newRow("loopback") << "127.0.0.1" << true;
    QTest::newRow("top") << "255.255.255.255" << true;
    QTest::newRow("leading zeros") << "010.001.000.9" << true;
    QTest::newRow("256") << "256.1.1.1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("three parts") << "1.2.3" << false;
    QTest::newRow("five parts") << "1.2.3.4.5" << false;
    QTest::newRow("trailing space") << "1.2.3.4 " << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("four digits") << "1.2.3.1000" << false;
}

void TstAppHex::isValidIp()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(AppSettings::IsValidIp(text), valid);
}

void TstAppHex::isHexText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("upper") << "E2003412ABCDEF" << true;
    QTest::newRow("mixed") << "aBc019" << true;
    QTest::newRow("odd length") << "ABC" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("space") << "AB CD" << false;
    QTest::newRow("prefix") << "0x12" << false;
    QTest::newRow("g") << "ABG" << false;
    QTest::newRow("trailing newline") << "AB\n" << false;
}

void TstAppHex::isHexText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(AppSettings::IsHexText(text), valid);
}

// The select shown as in force: what was last sent, and after a reader restart what it stored.
void TstAppHex::selectInForceFollowsTheReader()
{
    AppContext* context = AppContext::Instance();
    QSignalSpy changed(context, &AppContext::sig_selectChanged);
    TagOpHex::SelectParams stored;
    stored.bank = 2;
    stored.data = QByteArray("\xE2\x00", 2);
    TagOpHex::SelectParams passing;
    passing.bank = 1;
    passing.startBits = 16;
    passing.data = QByteArray("\x30\x14", 2);

    context->SelectApplied(passing, false);
    QCOMPARE(context->currentSelect().data, passing.data);
    context->ReaderRestarted(); // nothing stored: nothing in force
    QVERIFY(context->currentSelect().data.isEmpty());

    context->SelectApplied(stored, true);
    context->SelectApplied(passing, false);
    context->ReaderRestarted();
    QCOMPARE(context->currentSelect().bank, 2);
    QCOMPARE(context->currentSelect().data, stored.data);
    context->SelectApplied(TagOpHex::SelectParams(), true); // a cancel that is also stored
    context->ReaderRestarted();
    QVERIFY(context->currentSelect().data.isEmpty());
    QCOMPARE(changed.size(), 7);
    AppContext::DestroyInstance();
}

QTEST_GUILESS_MAIN(TstAppHex)
#include "tst_app_hex.moc"
