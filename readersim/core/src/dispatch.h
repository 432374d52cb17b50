// Requests in, answers out: the 6C command set on top of ReaderModel.
#pragma once

#include "readersim/model.h"

#include <wire/frame.h>

namespace readersim {

// What a request asks of the link layer beyond its answer.
enum class Effect
{
    None,
    Hello,          // a session opens: report counter restarts, UDP peer registered
    Bye,            // the session ends (its inventory stops)
    StartInventory, // this link receives the reports from now on
    StopInventory,
    Reboot // answer first, then drop every link
};

uint8_t statusOf(Result r);

// Fills `answer` (seq and cmd of the request, status, payload). Returns the effect to carry out.
Effect dispatch(ReaderModel& model, const wire::Frame& request, wire::Frame& answer);

// Builds the unsolicited report frame for one read, reusing `out`'s payload storage.
void encodeReport(ReadType type, const Tag& tag, uint8_t antenna, uint32_t reportSeq, wire::Frame& out);

} // namespace readersim
