#pragma once

#include <zaltlink.h>

#include <QString>

#include <functional>

class QWidget;

// What every 6C configuration step asks first: a 6C reader connected and idle. Otherwise the refusal
// is logged (IDCS_READ_NO_LINK) and nothing is sent.
bool Config6CReaderReady();
ZALT_HANDLE Config6CHandle();

// File dialogs of the configuration dialogs; replaceable so tests answer without a modal loop.
// save: a file to write (else an existing file to read). An empty answer means cancelled.
using Config6CFileAsker = std::function<QString(QWidget* parent, bool save, const QString& caption,
                                                const QString& dir, const QString& filter)>;
void SetConfig6CFileAsker(Config6CFileAsker asker);
QString AskConfig6CFile(QWidget* parent, bool save, const QString& caption, const QString& dir,
                        const QString& filter);
