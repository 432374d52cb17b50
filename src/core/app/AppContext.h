#pragma once

#include <QMutex>
#include <QPointer>
#include <QString>

#include <QtGlobal>
#include <functional>

class MainWindow;

// Shared services: log forwarding, reader-state notification, hex conversion, time windows.
// Notifications reach the main window by queued calls, so worker threads may raise them.
class AppContext
{
public:
    using LogSink = std::function<void(const QString& text, bool isError)>;

    static AppContext* Instance();
    static void DestroyInstance();

    void SetMainWindow(MainWindow* window);
    MainWindow* GetMainWindow() const;

    void logMessage(const QString& text, bool isError);
    void NotifyReaderState(int state);
    void RequestCutConnection();
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

private:
    AppContext() = default;

    void InvokeOnWindow(const char* slot, int state, bool withArg);

    mutable QMutex m_mutex;
    QPointer<MainWindow> m_mainWindow;
};

// One operation-log line with the text of a language key: the outcome of one button.
void LogKey(const char* key, bool isError = false);

// True, with the log line that says so, while a continuous read holds the reader: settings and
// the connection stay as they are until it stops.
bool RefuseWhileReading();
