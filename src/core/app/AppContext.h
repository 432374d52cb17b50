#pragma once

#include <QObject>
#include <QString>

#include <QtGlobal>
#include <functional>

// Shared services: log forwarding, reader-state notification, hex conversion, time windows.
// Notifications are signals; the main window connects to them queued, so worker threads may
// raise them and nothing reaches a window that is gone.
class AppContext : public QObject
{
    Q_OBJECT

public:
    using LogSink = std::function<void(const QString& text, bool isError)>;

    static AppContext* Instance();
    static void DestroyInstance();

    // A failure's reader error code is taken here, by the call that logs it: read later it
    // may belong to another call.
    void logMessage(const QString& text, bool isError);
    void NotifyReaderState(int state);
    void NotifyReadCount(int count, int speed, int reset);
    void RequestCutConnection();
    void RequestRestart();
    // True while a window listens to the log.
    bool HasListener() const;
    bool disconnectReader();
    bool Shutdown();

    // Receives every logged line as well (tests); outlives the instance. Empty to remove.
    static void SetLogSink(LogSink sink);

    static QString bytesToHex(const unsigned char* bytes, int count);
    static QString bytesToHex(const QByteArray& bytes);
    // Writes (bitLength + 7) / 8 bytes to out and returns that count; see the .cpp for the rule.
    static int hexToBytes(const QString& hexText, unsigned char* out, int bitLength);
    static QByteArray hexToBytes(const QString& hexText, int bitLength);

    // Milliseconds on a 32-bit counter that wraps, like a system tick count.
    static quint32 TickCount();
    // False while now lies in [start, start + span) taken modulo 2^32, true otherwise.
    static bool isTimedOut(quint32 start, quint32 span);
    static bool isTimedOut(quint32 start, quint32 span, quint32 now);

signals:
    void sig_logMessage(const QString& text, bool isError, int errorCode);
    void sig_readerStateChanged(int state);
    void sig_readCount(int count, int speed, int reset);
    void sig_cutConnectionRequested();
    void sig_restartRequested();

private:
    AppContext() = default;
};

// One operation-log line with the text of a language key: the outcome of one button.
void LogKey(const char* key, bool isError = false);

// True, with the log line that says so, while a continuous read holds the reader: settings and
// the connection stay as they are until it stops.
bool RefuseWhileReading();
