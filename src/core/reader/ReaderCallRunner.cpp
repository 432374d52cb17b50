#include "core/reader/ReaderCallRunner.h"

#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderErrors.h"

#include <QThread>

ReaderCallRunner::ReaderCallRunner(QObject* parent) : QObject(parent) {}

ReaderCallRunner::~ReaderCallRunner()
{
    if (m_thread) {
        // Bounded by the call's own timeout: the library never waits longer.
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        m_driver->SetBusy(false);
    }
}

bool ReaderCallRunner::run(Call call, Done done)
{
    ReaderDllBase* driver = CurrentReader();
    if (m_thread || driver->IsBusy()) {
        return false;
    }
    m_driver = driver;
    m_driver->SetBusy(true);
    m_done = std::move(done);
    m_result = ReaderCallResult();
    m_thread = QThread::create([this, driver, call = std::move(call)] {
        ReaderCallResult r;
        r.ok = call();
        r.errorCode = r.ok ? 0 : driver->GetErrorCode();
        m_result = r;
    });
    // Queued to this object's thread; the result was written before the thread finished.
    connect(m_thread, &QThread::finished, this, &ReaderCallRunner::finish, Qt::QueuedConnection);
    emit sig_busyChanged(true);
    m_thread->start();
    return true;
}

void ReaderCallRunner::finish()
{
    if (!m_thread) {
        return;
    }
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_driver->SetBusy(false);
    const ReaderCallResult result = m_result;
    Done done = std::move(m_done);
    m_done = nullptr;
    emit sig_busyChanged(false);
    if (done) {
        done(result);
    }
    if (!result.ok && ReaderError::MeansLinkGone(result.errorCode)) {
        AppContext::Instance()->ReaderLinkLost();
    }
}
