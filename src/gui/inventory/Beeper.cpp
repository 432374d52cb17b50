#include "gui/inventory/Beeper.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QMutex>
#include <QPointer>

#include <cmath>

namespace {
QMutex g_recordMutex;
bool g_testMode = false;
QVector<BeepTone> g_recorded;
QPointer<Beeper> g_instance;

QVector<BeepTone> untilEnd(const QVector<BeepTone>& tones)
{
    QVector<BeepTone> out;
    for (const BeepTone& t : tones) {
        if (t.frequency == 0) {
            break;
        }
        out << t;
    }
    return out;
}
} // namespace

Beeper::Beeper(QObject* parent) : QObject(parent) {}

Beeper* Beeper::Instance()
{
    if (!g_instance) {
        g_instance = new Beeper(QCoreApplication::instance());
    }
    return g_instance;
}

void Beeper::SetTestMode(bool on)
{
    QMutexLocker lock(&g_recordMutex);
    g_testMode = on;
    g_recorded.clear();
}

bool Beeper::IsTestMode()
{
    QMutexLocker lock(&g_recordMutex);
    return g_testMode;
}

QVector<BeepTone> Beeper::RecordedTones()
{
    QMutexLocker lock(&g_recordMutex);
    return g_recorded;
}

void Beeper::ClearRecorded()
{
    QMutexLocker lock(&g_recordMutex);
    g_recorded.clear();
}

QByteArray Beeper::synthesize(const QVector<BeepTone>& tones, int sampleRate)
{
    QByteArray pcm;
    if (sampleRate <= 0) {
        return pcm;
    }
    const double twoPi = 6.283185307179586;
    for (const BeepTone& t : untilEnd(tones)) {
        const int n = static_cast<int>(static_cast<qint64>(qMax(0, t.durationMs)) * sampleRate / 1000);
        const int fade = qMin(n / 2, sampleRate / 200); // 5 ms
        const int start = pcm.size();
        pcm.resize(start + n * 2);
        auto* out = reinterpret_cast<qint16*>(pcm.data() + start);
        // Tones above the output's Nyquist limit would alias into a different pitch.
        const double freq = qMin<double>(t.frequency, sampleRate / 2.0 - 1);
        for (int i = 0; i < n; ++i) {
            double gain = 0.5;
            if (fade > 0 && i < fade) {
                gain *= double(i) / fade;
            } else if (fade > 0 && i >= n - fade) {
                gain *= double(n - 1 - i) / fade;
            }
            out[i] =
                static_cast<qint16>(std::lround(gain * 32767.0 * std::sin(twoPi * freq * i / sampleRate)));
        }
    }
    return pcm;
}

bool Beeper::playOnAudioOutput(const QVector<BeepTone>& tones)
{
    if (m_noOutput) {
        return false;
    }
    if (!m_sink) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            m_noOutput = true;
            return false;
        }
        QAudioFormat format;
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        format.setSampleRate(qMax(device.preferredFormat().sampleRate(), 8000));
        if (!device.isFormatSupported(format)) {
            format.setSampleRate(44100);
            if (!device.isFormatSupported(format)) {
                m_noOutput = true;
                return false;
            }
        }
        m_sink = new QAudioSink(device, format, this);
        m_buffer = new QBuffer(this);
    }
    m_sink->stop();
    m_buffer->close();
    m_buffer->setData(synthesize(tones, m_sink->format().sampleRate()));
    m_buffer->open(QIODevice::ReadOnly);
    m_sink->start(m_buffer);
    return m_sink->error() == QAudio::NoError;
}

void Beeper::play(const QVector<BeepTone>& tones)
{
    const QVector<BeepTone> list = untilEnd(tones);
    if (list.isEmpty()) {
        return;
    }
    {
        QMutexLocker lock(&g_recordMutex);
        if (g_testMode) {
            g_recorded += list;
            return;
        }
    }
    if (!playOnAudioOutput(list)) {
        QApplication::beep();
    }
}
