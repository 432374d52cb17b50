#pragma once

#include "core/reader/ReaderCallRunner.h"

class QWidget;

// A page's reader call off the user-interface thread: the page shows a busy cursor and the
// action's button stays disabled until done has run. False, with the reading-in-progress line in
// the log, when another call or a continuous read holds the reader.
bool RunReaderCall(ReaderCallRunner* runner, QWidget* page, QWidget* button, ReaderCallRunner::Call call,
                   ReaderCallRunner::Done done);
