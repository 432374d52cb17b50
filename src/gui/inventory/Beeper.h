#pragma once

#include <QObject>
#include <QVector>

class QAudioSink;
class QBuffer;

struct BeepTone
{
    int frequency = 0; // Hz; 0 ends a tone list
    int durationMs = 0;
};

// Alert tones as a generated sine on the default audio output; without an output the platform
// beep stands in. In test mode tones are recorded instead of played. User-interface thread only.
class Beeper : public QObject
{
    Q_OBJECT

public:
    static Beeper* Instance();

    // Plays the list up to its first zero frequency; a list still sounding is cut short.
    void play(const QVector<BeepTone>& tones);

    static void SetTestMode(bool on);
    static bool IsTestMode();
    static QVector<BeepTone> RecordedTones();
    static void ClearRecorded();

    // Signed 16-bit mono samples of the list, faded at each tone's ends against clicks.
    static QByteArray synthesize(const QVector<BeepTone>& tones, int sampleRate);

private:
    explicit Beeper(QObject* parent);
    bool playOnAudioOutput(const QVector<BeepTone>& tones);

    QAudioSink* m_sink = nullptr;
    QBuffer* m_buffer = nullptr;
    bool m_noOutput = false;
};
