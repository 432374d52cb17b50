#include "core/configgjb/SensitivityTestThread.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"

#include <gjbzaltlink.h>

#include <QSaveFile>

#include <vector>

SensitivityTestThread::SensitivityTestThread(QObject* parent) : QThread(parent) {}

SensitivityTestThread::~SensitivityTestThread()
{
    m_stop = true;
    wait();
}

void SensitivityTestThread::SetParams(ReaderDllGJB* reader, int count, const QString& path)
{
    if (!m_finished)
        return; // a running worker keeps what it started with
    m_reader = reader;
    m_count = count < 0 ? 0 : count;
    m_path = path;
}

bool SensitivityTestThread::StartTest()
{
    // A second start while the worker runs would restart the reader's test under it.
    if (!m_finished || !m_reader)
        return false;
    wait(); // the last run's body is done; let its thread return
    if (!m_reader->SensitivityTest(1, m_count))
        return false;
    m_received = 0;
    m_results = QByteArray(2 * m_count, '\0');
    m_stop = false;
    m_finished = false;
    start();
    return true;
}

void SensitivityTestThread::StopTest()
{
    if (m_reader)
        m_reader->SensitivityTest(0, m_count);
    if (isRunning())
        m_stop = true;
}

bool SensitivityTestThread::WriteResults(const QString& path, const QByteArray& results)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(results) != results.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void SensitivityTestThread::run()
{
    std::vector<unsigned char> record(GJB_REPORT_BUFFER_SIZE);
    while (!m_stop && m_received < m_count) {
        if (!m_reader->Receive_TagReport(record.data(), kReceiveWaitMs))
            break;
        const int length = record[GJB_REC_ID_LENGTH] | (record[GJB_REC_ID_LENGTH + 1] << 8);
        if (length == 0)
            break;
        // A tag report that arrives meanwhile is not a test result.
        if (record[GJB_REC_KIND] == 3) {
            const int n = m_received;
            m_results[2 * n] = char(record[GJB_REC_ID]);
            m_results[2 * n + 1] = char(record[GJB_REC_ID + 1]);
            m_received = n + 1;
        }
    }
    // A stopped run is dropped, even when the receive it was waiting in failed because of the
    // stop: its partial results must not replace the last complete file.
    if (m_stop && m_received < m_count) {
        m_finished = true;
        return;
    }
    m_stop = true;
    const int received = m_received;
    const bool all = received == m_count;
    if (!WriteResults(m_path, m_results.left(2 * received))) {
        // Results that could not be saved are not a finished test.
        AppContext::Instance()->logMessage(LangText("IDCS_SENSITIVITY_SAVE_FAILED_1").arg(m_path), true);
        emit sig_result(1);
    } else {
        const QString text =
            LangText(all ? "IDCS_SENSITIVITY_TEST_SUCCESS_1" : "IDCS_SENSITIVITY_TEST_FAILED_1");
        AppContext::Instance()->logMessage(text.arg(received), !all);
        emit sig_result(all ? 0 : 1);
    }
    m_finished = true;
}
