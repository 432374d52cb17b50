#pragma once

#include <QDateTime>

class ReaderDllBase;
class ReaderDllGJB;

// The connection panel's last step after a reader connected: a GJB reader's clock is set to the
// computer's local time. Nothing happens for another driver; otherwise one line is logged.
void RunGjbClockStep(ReaderDllBase* reader);

// The call itself: `local` as "yyyy-MM-dd hh:mm:ss" to GJB_SetSysTime.
bool SetGjbSystemTime(ReaderDllGJB& reader, const QDateTime& local);
