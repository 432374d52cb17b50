#include "core/app/AppContext.h"

#include "core/app/LanguageText.h"

#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <QMetaMethod>
#include <QMutex>
#include <QMutexLocker>

#include <chrono>

namespace {
QMutex g_instanceMutex;
AppContext* g_instance = nullptr;

QMutex g_sinkMutex;
AppContext::LogSink g_sink;

int HexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

// Up to two characters from pos as one hexadecimal number; anything not hex gives 0, as does
// a position past the end of the text.
unsigned int PairValue(const QString& text, int pos)
{
    unsigned int value = 0;
    int digits = 0;
    for (int i = pos; i < text.size() && i < pos + 2; ++i) {
        const int d = HexDigit(text.at(i));
        if (d < 0) {
            return 0;
        }
        value = value * 16 + static_cast<unsigned int>(d);
        ++digits;
    }
    return digits ? value : 0;
}
} // namespace

AppContext* AppContext::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) {
        g_instance = new AppContext;
    }
    return g_instance;
}

void AppContext::DestroyInstance()
{
    QMutexLocker lock(&g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

void AppContext::SetLogSink(LogSink sink)
{
    QMutexLocker lock(&g_sinkMutex);
    g_sink = std::move(sink);
}

void AppContext::logMessage(const QString& text, bool isError)
{
    LogSink sink;
    {
        QMutexLocker lock(&g_sinkMutex);
        sink = g_sink;
    }
    const int code = isError ? CurrentReader()->GetErrorCode() : 0;
    if (sink) {
        sink(text, isError, code);
    }
    emit sig_logMessage(text, isError, code);
}

void AppContext::logError(const QString& text, int errorCode)
{
    LogSink sink;
    {
        QMutexLocker lock(&g_sinkMutex);
        sink = g_sink;
    }
    if (sink) {
        sink(text, true, errorCode);
    }
    emit sig_logMessage(text, true, errorCode);
}

void AppContext::NotifyReaderState(int state)
{
    emit sig_readerStateChanged(state);
}

void AppContext::NotifyReadCount(int count, int speed, int reset)
{
    emit sig_readCount(count, speed, reset);
}

void AppContext::RequestCutConnection()
{
    emit sig_cutConnectionRequested();
}

void AppContext::RequestRestart()
{
    emit sig_restartRequested();
}

bool AppContext::HasListener() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&AppContext::sig_logMessage));
}

bool AppContext::disconnectReader()
{
    ReaderDllBase* reader = CurrentReader();
    const bool closed = reader->CloseReader();
    if (closed) {
        NotifyReaderState(ReaderDllBase::StateDisconnected);
    }
    return closed;
}

void AppContext::ReaderLinkLost()
{
    ReaderDllBase* reader = CurrentReader();
    if (reader->IsState(ReaderDllBase::StateDisconnected)) {
        return;
    }
    reader->CloseReader();
    NotifyReaderState(ReaderDllBase::StateDisconnected);
}

void AppContext::SelectApplied(const TagOpHex::SelectParams& select, bool stored)
{
    m_select = select;
    if (stored) {
        m_storedSelect = select;
    }
    emit sig_selectChanged();
}

void AppContext::ReaderRestarted()
{
    m_select = m_storedSelect;
    emit sig_selectChanged();
}

bool AppContext::Shutdown()
{
    return disconnectReader();
}

QString AppContext::bytesToHex(const unsigned char* bytes, int count)
{
    if (!bytes || count <= 0) {
        return QString();
    }
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes), count).toHex().toUpper());
}

QString AppContext::bytesToHex(const QByteArray& bytes)
{
    return bytesToHex(reinterpret_cast<const unsigned char*>(bytes.constData()),
                      static_cast<int>(bytes.size()));
}

// Whole bytes take two characters each; a trailing partial byte keeps only its high bits
// (ABCD with 13 bits gives AB C8). Characters that are not hex, or missing, count as 0.
int AppContext::hexToBytes(const QString& hexText, unsigned char* out, int bitLength)
{
    if (!out || bitLength <= 0) {
        return 0;
    }
    const int whole = bitLength / 8;
    int written = 0;
    for (int i = 0; i < whole; ++i) {
        out[written++] = static_cast<unsigned char>(PairValue(hexText, 2 * i) & 0xFF);
    }
    const int rest = bitLength % 8;
    if (rest) {
        const unsigned int mask = (0xFFu << (8 - rest)) & 0xFFu;
        out[written++] = static_cast<unsigned char>(PairValue(hexText, 2 * whole) & mask);
    }
    return written;
}

QByteArray AppContext::hexToBytes(const QString& hexText, int bitLength)
{
    if (bitLength <= 0) {
        return QByteArray();
    }
    QByteArray bytes((bitLength + 7) / 8, '\0');
    const int n = hexToBytes(hexText, reinterpret_cast<unsigned char*>(bytes.data()), bitLength);
    bytes.truncate(n);
    return bytes;
}

quint32 AppContext::TickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<quint32>(static_cast<quint64>(ms));
}

bool AppContext::isTimedOut(quint32 start, quint32 span)
{
    return isTimedOut(start, span, TickCount());
}

bool AppContext::isTimedOut(quint32 start, quint32 span, quint32 now)
{
    // Unsigned subtraction wraps, so the window may straddle the counter's overflow.
    return static_cast<quint32>(now - start) >= span;
}

void LogKey(const char* key, bool isError)
{
    AppContext::Instance()->logMessage(LangText(key), isError);
}

void LogFailure(const char* key, int errorCode)
{
    AppContext::Instance()->logError(LangText(key), errorCode);
}

bool RefuseWhileReading()
{
    ReaderDllBase* reader = CurrentReader();
    if (!reader->IsState(ReaderDllBase::StateReading) && !reader->IsBusy()) {
        return false;
    }
    LogKey("IDCS_READING_CARD");
    return true;
}
