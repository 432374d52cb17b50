#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QThread;
class ReaderDllBase;

// The outcome of one reader call. The error code is read on the thread that made the call, at
// once: read later it could belong to another call.
struct ReaderCallResult
{
    bool ok = false;
    int errorCode = 0;
};

// Runs one reader call at a time on a worker thread and hands its result back, queued, on the
// thread that owns the runner, so a call that waits for the reader never freezes the window.
// While the call runs the driver is busy: every other reader action is refused. A call that
// failed because the link is gone takes the program to "not connected".
class ReaderCallRunner : public QObject
{
    Q_OBJECT

public:
    // Runs on the worker: library calls on data copied beforehand, never a widget.
    using Call = std::function<bool()>;
    // Runs on the owner's thread once the call returned.
    using Done = std::function<void(const ReaderCallResult&)>;

    explicit ReaderCallRunner(QObject* parent = nullptr);
    // Waits for a call still running; its done is then dropped.
    ~ReaderCallRunner() override;

    // False, with nothing started, while the driver is busy with another call.
    bool run(Call call, Done done);
    bool isRunning() const { return m_thread != nullptr; }

signals:
    void sig_busyChanged(bool busy);

private:
    void finish();

    QThread* m_thread = nullptr;
    ReaderDllBase* m_driver = nullptr;
    Done m_done;
    ReaderCallResult m_result;
};
