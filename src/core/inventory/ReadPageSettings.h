#pragma once
// What both inventory pages read from their profile group.
#include <QString>

// A timer of interval 0 fires on every pass of the event loop and would keep a core busy.
constexpr int kReadPageMinInterval = 100;

// A timer interval from the profile; 0 or missing gives kReadPageMinInterval.
int ReadPageInterval(const char* group, const char* key);

// The save file as the profile names it: a relative name lives beside the program.
QString ReadPageSaveFilePath(const char* group);
