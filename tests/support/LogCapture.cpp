#include "LogCapture.h"

#include "core/app/AppContext.h"

#include <QMutexLocker>

LogCapture::LogCapture()
{
    AppContext::SetLogSink([this](const QString& text, bool isError, int errorCode) {
        QMutexLocker lock(&m_mutex);
        m_lines.append(qMakePair(text, isError));
        m_codes.append(errorCode);
    });
}

LogCapture::~LogCapture()
{
    AppContext::SetLogSink({});
}

QList<QPair<QString, bool>> LogCapture::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QStringList LogCapture::texts() const
{
    QMutexLocker lock(&m_mutex);
    QStringList result;
    for (const auto& line : m_lines) {
        result.append(line.first);
    }
    return result;
}

int LogCapture::count() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_lines.size());
}

bool LogCapture::contains(const QString& text) const
{
    QMutexLocker lock(&m_mutex);
    for (const auto& line : m_lines) {
        if (line.first == text) {
            return true;
        }
    }
    return false;
}

bool LogCapture::containsError(const QString& text) const
{
    QMutexLocker lock(&m_mutex);
    for (const auto& line : m_lines) {
        if (line.first == text && line.second) {
            return true;
        }
    }
    return false;
}

QString LogCapture::last() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines.isEmpty() ? QString() : m_lines.last().first;
}

int LogCapture::lastCode() const
{
    QMutexLocker lock(&m_mutex);
    return m_codes.isEmpty() ? 0 : m_codes.last();
}

void LogCapture::clear()
{
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
    m_codes.clear();
}
