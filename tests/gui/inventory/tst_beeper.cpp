#include "gui/inventory/Beeper.h"

#include <QApplication>
#include <QTest>

class BeeperTest : public QObject
{
    Q_OBJECT

private slots:
    void recordsTonesUpToTheEnd()
    {
        Beeper::SetTestMode(true);
        Beeper::Instance()->play({{6000, 200}, {0, 0}, {1000, 50}});
        Beeper::Instance()->play({{0, 100}});
        const QVector<BeepTone> tones = Beeper::RecordedTones();
        QCOMPARE(tones.size(), 1);
        QCOMPARE(tones[0].frequency, 6000);
        QCOMPARE(tones[0].durationMs, 200);
        Beeper::SetTestMode(false);
    }

    void synthesizesFadedSine()
    {
        const QByteArray pcm = Beeper::synthesize({{1000, 100}, {500, 10}, {0, 0}}, 8000);
        QCOMPARE(pcm.size(), (800 + 80) * 2);
        const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
        QCOMPARE(s[0], qint16(0)); // faded in: no click
        int peak = 0;
        for (int i = 0; i < 800; ++i) {
            peak = qMax(peak, qAbs(int(s[i])));
        }
        QVERIFY(peak > 10000 && peak <= 16384);
        // A tone above what the rate can carry is clamped rather than aliased to another pitch.
        QCOMPARE(Beeper::synthesize({{6000, 10}}, 8000).size(), 160);
        QVERIFY(Beeper::synthesize({{6000, 10}}, 0).isEmpty());
    }
};

QTEST_MAIN(BeeperTest)
#include "tst_beeper.moc"
