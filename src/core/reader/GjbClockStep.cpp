#include "core/reader/GjbClockStep.h"

#include "core/app/AppContext.h"
#include "core/reader/ReaderDllGJB.h"

#include <gjbzaltlink.h>

#include <cstring>

bool SetGjbSystemTime(ReaderDllGJB& reader, const QDateTime& local)
{
    const QByteArray text = local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    char buffer[20];
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, text.constData(), qMin<size_t>(size_t(text.size()), sizeof buffer - 1));
    return GJB_SetSysTime(reader.GetHandle(), buffer, 19) != 0;
}

void RunGjbClockStep(ReaderDllBase* reader)
{
    auto* gjb = dynamic_cast<ReaderDllGJB*>(reader);
    if (!gjb) {
        return;
    }
    if (!gjb->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return;
    }
    if (SetGjbSystemTime(*gjb, QDateTime::currentDateTime())) {
        LogKey("IDCS_UPDATE_TIME_SUCCESS");
    } else {
        LogKey("IDCS_UPDATE_TIME_FAILED", true);
    }
}
