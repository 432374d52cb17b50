#pragma once

#include "core/tagops/TagOpHex.h"

#include <cstdint>

// The library calls of one select, for whichever page sends it. Runs on a call runner's worker.
struct TagSelectCall
{
    TagOpHex::SelectParams params;
    bool keep = false;        // also store it in the reader, so it survives a restart
    bool storeFailed = false; // set by run(): the record was refused and no select was sent

    bool run(intptr_t handle);
};
