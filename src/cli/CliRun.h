#pragma once

#include <QStringList>

// Runs rivulet-cli on its arguments (the program name first) and returns the exit status:
// 0 success, 1 the reader or the operation failed, 2 a usage error (nothing was sent).
int RunCli(const QStringList& arguments);
