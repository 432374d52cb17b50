#pragma once

#include "core/tagops/TagOpHex.h"

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
    using LogSink = std::function<void(const QString& text, bool isError, int errorCode)>;

    static AppContext* Instance();
    static void DestroyInstance();

    // A failure's reader error code is taken here, by the call that logs it: read later it
    // may belong to another call.
    void logMessage(const QString& text, bool isError);
    // A failure whose code was taken by the caller (a call made on another thread); a negative
    // code marks a failure that is not the reader's (a file that cannot be written).
    void logError(const QString& text, int errorCode);
    void NotifyReaderState(int state);
    void NotifyReadCount(int count, int speed, int reset);
    void RequestCutConnection();
    void RequestRestart();
    // True while a window listens to the log.
    bool HasListener() const;
    bool disconnectReader();
    // The link to the reader went away under a connection: the driver closes its end and every
    // panel learns the reader is no longer connected. Does nothing when already disconnected.
    void ReaderLinkLost();
    bool Shutdown();

    // The select this program put in force on the reader; no data means every tag answers. While
    // one is in force the inventory sees only the tags it admits, so the page says so.
    void SelectApplied(const TagOpHex::SelectParams& select, bool stored);
    // A reader restart puts the stored select back in force, or none.
    void ReaderRestarted();
    TagOpHex::SelectParams currentSelect() const { return m_select; }

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
    void sig_selectChanged();

private:
    AppContext() = default;

    TagOpHex::SelectParams m_select;
    TagOpHex::SelectParams m_storedSelect;
};

// One operation-log line with the text of a language key: the outcome of one button.
void LogKey(const char* key, bool isError = false);
// The same for a failed reader call whose error code was read when the call returned.
void LogFailure(const char* key, int errorCode);

// True, with the log line that says so, while a continuous read or a reader call in progress holds
// the reader: settings and the connection stay as they are until it is over.
bool RefuseWhileReading();
