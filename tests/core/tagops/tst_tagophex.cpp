#include "core/tagops/TagOpHex.h"

#include <QTest>

using namespace TagOpHex;

class TagOpHexTest : public QObject
{
    Q_OBJECT

private slots:
    void cleaningAndValidity()
    {
        QCOMPARE(clean(" 0A\tbC \r\n12 "), QString("0AbC12"));
        QVERIFY(isValidHex("0aF9"));
        QVERIFY(!isValidHex(""));
        QVERIFY(!isValidHex("0G"));
        QVERIFY(!isValidHex("12 34"));
        QVERIFY(!isValidHex(QString::fromUtf8("１２"))); // full-width digits are not hex
    }

    void displayForm17Bytes()
    {
        const QString hex = QString("00").repeated(16) + "11";
        const QString shown = displayForm(hex);
        QCOMPARE(shown, QString("00 ").repeated(16) + "\n11");
        QCOMPARE(displayForm("ABC"), QString("AB C"));
        QCOMPARE(clean(shown), hex);
    }

    void lengthCap()
    {
        CapResult r = capLength("11 22 33", 4, 5);
        QVERIFY(r.changed);
        QCOMPARE(r.text, QString("11 22"));
        QCOMPARE(r.cursor, 5);
        r = capLength("112233", 4, 6); // cursor beyond the cut text is pulled back
        QCOMPARE(r.cursor, 5);
        QVERIFY(!capLength("11 2", 4, 1).changed);
        QVERIFY(!capLength("  ", 0, 1).changed); // nothing to cap
        r = capLength("1122", 0, 2);
        QCOMPARE(r.text, QString());
    }

    void numbersAndPasswords()
    {
        int v = -1;
        QVERIFY(parseCount(" 12 ", &v) && v == 12);
        QVERIFY(!parseCount("", &v));
        QVERIFY(!parseCount("-1", &v));
        QVERIFY(!parseCount("1a", &v));
        QVERIFY(!parseCount("99999999999", &v));
    }

    void passwords_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::newRow("zeros kept") << QStringList{"12", "30", "40", "50"}
                                    << QByteArray("\x12\x30\x40\x50", 4);
        QTest::newRow("tens") << QStringList{"10", "20", "30", "40"} << QByteArray("\x10\x20\x30\x40", 4);
        QTest::newRow("lower case") << QStringList{"0a", "bc", "00", "ff"}
                                    << QByteArray("\x0A\xBC\x00\xFF", 4);
        QTest::newRow("one digit") << QStringList{"1", "00", "00", "00"} << QByteArray();
        QTest::newRow("empty field") << QStringList{"12", "", "00", "00"} << QByteArray();
        QTest::newRow("not hex") << QStringList{"12", "zz", "00", "00"} << QByteArray();
        QTest::newRow("space for a digit") << QStringList{"1 ", "00", "00", "00"} << QByteArray();
        QTest::newRow("three fields") << QStringList{"12", "34", "56"} << QByteArray();
    }

    void passwords()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, bytes);
        QByteArray out("untouched");
        QCOMPARE(readPassword(fields, &out), !bytes.isEmpty());
        QCOMPARE(out, bytes.isEmpty() ? QByteArray("untouched") : bytes);
    }

    void select()
    {
        SelectParams p;
        QCOMPARE(checkSelect(0, "0", "0", "", false, &p), Check::Ok); // the cancel select
        QCOMPARE(p.bank, 1);
        QCOMPARE(p.lengthBits, 0);
        QVERIFY(p.data.isEmpty());
        QCOMPARE(checkSelect(1, "0", "3", "ABCDE", false, &p), Check::LengthError);
        QCOMPARE(checkSelect(1, "0", "3", "ABCDE1", false, &p), Check::Ok);
        QCOMPARE(p.bank, 2);
        QCOMPARE(p.data, QByteArray("\xAB\xCD\xE1", 3));
        QCOMPARE(checkSelect(0, "8191", "1", "AA", false, &p), Check::Ok);
        QCOMPARE(p.startBits, 65528);
        QCOMPARE(checkSelect(0, "8192", "1", "AA", false, &p), Check::StartOutOfRange);
        QCOMPARE(checkSelect(0, "x", "1", "AA", false, &p), Check::StartNotNumber);
        QCOMPARE(checkSelect(0, "0", "", "AA", false, &p), Check::LengthNotNumber);
        QCOMPARE(checkSelect(0, "0", "2", "AG", false, &p), Check::FormatError); // not hex, short too
        QCOMPARE(checkSelect(0, "0", "1", "AG", false, &p), Check::FormatError);
        // The count travels in one byte; the stored select keeps 8 bits of length.
        const QString big = QString("A").repeated(2 * 256);
        QCOMPARE(checkSelect(0, "0", "256", big, false, &p), Check::LengthError);
        QCOMPARE(checkSelect(0, "0", "255", big.left(510), false, &p), Check::Ok);
        QCOMPARE(checkSelect(0, "0", "32", big.left(64), true, &p), Check::LengthError);
        QCOMPARE(checkSelect(0, "0", "31", big.left(62), true, &p), Check::Ok);

        SelectParams r;
        r.bank = 3;
        r.startBits = 0x1234;
        r.lengthBits = 16;
        r.data = QByteArray("\xE2\x00", 2);
        QCOMPARE(selectRecord(r), QByteArray("\x03\x12\x34\x10\xE2\x00\x00\x00\x00", 9));
    }

    void wordData()
    {
        QCOMPARE(checkWordData(clean("11 22 33 44"), 2, kMaxUserWords), Check::Ok);
        QCOMPARE(checkWordData("1122334", 2, kMaxUserWords), Check::LengthError);
        QCOMPARE(checkWordData("11G2", 1, kMaxEpcWords), Check::FormatError);
        // Not hex is the fault named even when the count is off too.
        QCOMPARE(checkWordData("hello", 1, kMaxEpcWords), Check::FormatError);
        QCOMPARE(checkWordData("", 0, kMaxEpcWords), Check::ZeroLength);
        QCOMPARE(checkWordData("1122", 0, kMaxEpcWords), Check::ZeroLength);
        QCOMPARE(checkWordData(QString("0").repeated(4 * 128), 128, kMaxEpcWords), Check::LengthError);
        QCOMPARE(checkWordData(QString("0").repeated(4 * 127), 127, kMaxEpcWords), Check::Ok);
        QCOMPARE(checkWordData(QString("0").repeated(4 * 4463), 4463, kMaxUserWords), Check::LengthError);
    }

    void killEpc()
    {
        QCOMPARE(checkKillEpc(QString("A").repeated(104)), Check::Ok);
        QCOMPARE(checkKillEpc(QString("A").repeated(105)), Check::LengthError);
        QCOMPARE(checkKillEpc("12Z"), Check::FormatError);
    }
};

QTEST_GUILESS_MAIN(TagOpHexTest)
#include "tst_tagophex.moc"
