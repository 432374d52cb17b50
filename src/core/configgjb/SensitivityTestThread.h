#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

class ReaderDllGJB;

// Collects the two result bytes of each of a reader's sensitivity tests and writes them, in order,
// to a flat binary file when the run ends. The file is written to a temporary beside it and renamed
// into place, so a stopped run (which writes nothing) or a failed write leaves the old file whole.
class SensitivityTestThread : public QThread
{
    Q_OBJECT

public:
    // How long one receive waits for the next result.
    static constexpr int kReceiveWaitMs = 3000;

    explicit SensitivityTestThread(QObject* parent = nullptr);
    // Asks a running test to stop and waits for the worker.
    ~SensitivityTestThread() override;

    void SetParams(ReaderDllGJB* reader, int count, const QString& path);
    // Refused, with nothing sent, while a run is in progress; else the reader is asked to start and
    // the worker starts when it accepted.
    bool StartTest();
    // Tells the reader to stop and the worker to end without writing; returns at once. The worker
    // ends after its current receive (finished()).
    void StopTest();
    bool IsFinished() const { return m_finished.load(); }
    int Received() const { return m_received.load(); }

    // The results as the file holds them: two bytes per result received.
    static bool WriteResults(const QString& path, const QByteArray& results);

signals:
    // 0: every requested test gave a result; 1 otherwise.
    void sig_result(int result);

protected:
    void run() override;

private:
    ReaderDllGJB* m_reader = nullptr;
    int m_count = 0;
    QString m_path;
    QByteArray m_results;
    std::atomic<int> m_received{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{true};
};
