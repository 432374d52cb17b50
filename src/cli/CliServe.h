#pragma once

struct CliRequest;

// The wireless server without a window: readers connect to --listen, every read of every reader
// becomes a row, until Ctrl-C.
int RunServe(const CliRequest& r);
