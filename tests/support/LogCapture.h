#pragma once

#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>

// Captures every line given to AppContext::logMessage while it lives (any thread).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QList<QPair<QString, bool>> lines() const;
    QStringList texts() const;
    int count() const;
    bool contains(const QString& text) const;
    bool containsError(const QString& text) const;
    QString last() const;
    // The error code the last line was logged with (0 for normal lines).
    int lastCode() const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<QPair<QString, bool>> m_lines;
    QList<int> m_codes;
};
