// Tag access for readersim's LLRP endpoint (llrp_server.cpp).
#pragma once

#include "readersim/model.h"

#include "llrp/parameters.h"

namespace readersim {

// Whether the tag's memory, as LLRP numbers its banks' bits (the EPC bank starts with CRC and PC, the
// reserved bank holds the kill, then the access password), satisfies the target.
bool targetMatches(const llrp::C1G2TargetTag& target, const Tag& t);

// Carries out one OpSpec on the tag at tagIndex, seen on `antenna`, and gives its result.
llrp::OpSpecResult runLlrpOp(ReaderModel& model, const llrp::OpSpec& op, uint32_t tagIndex, int antenna);

} // namespace readersim
