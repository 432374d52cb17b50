#pragma once
// What the guide's screenshot tools share: their command line, letting a page settle, saving a grab.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <cstdio>

// Turns events for ms milliseconds, so timers, queued answers and layouts have run.
inline void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

inline bool Save(QWidget* widget, const QString& path)
{
    Settle(150);
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// "TOOL OUTDIR [en|zh_CN ...]": the output folder (made) and the languages, both by default.
inline bool ParseScreenshotArgs(const char* tool, QString* out, QStringList* languages)
{
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [en|zh_CN ...]\n", tool);
        return false;
    }
    *out = args.at(1);
    QDir().mkpath(*out);
    *languages = args.mid(2);
    if (languages->isEmpty()) {
        *languages = {QStringLiteral("en"), QStringLiteral("zh_CN")};
    }
    return true;
}
