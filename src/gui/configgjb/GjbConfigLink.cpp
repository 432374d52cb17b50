#include "gui/configgjb/GjbConfigLink.h"

#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/reader/ReaderCallUi.h"

ReaderDllGJB* GjbReader()
{
    return dynamic_cast<ReaderDllGJB*>(CurrentReader());
}

bool GjbReaderReady()
{
    ReaderDllGJB* reader = GjbReader();
    if (!reader || !reader->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    return true;
}

GjbSettingDlg::GjbSettingDlg(QWidget* parent) : QDialog(parent), m_runner(new ReaderCallRunner(this)) {}

GjbSettingDlg::~GjbSettingDlg() = default;

void GjbSettingDlg::Step(QWidget* button, Call call, const char* okKey, const char* failKey,
                         std::function<void()> onOk, bool failIsError)
{
    if (!GjbReaderReady()) {
        return;
    }
    ReaderDllGJB* reader = GjbReader();
    RunReaderCall(
        m_runner, this, button, [reader, call = std::move(call)] { return call(*reader); },
        [okKey, failKey, onOk = std::move(onOk), failIsError](const ReaderCallResult& r) {
            if (!r.ok) {
                if (failIsError) {
                    LogFailure(failKey, r.errorCode);
                } else {
                    LogKey(failKey);
                }
                return;
            }
            if (onOk) {
                onOk();
            }
            LogKey(okKey);
        });
}
