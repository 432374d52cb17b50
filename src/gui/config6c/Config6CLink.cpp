#include "gui/config6c/Config6CLink.h"

#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <QFileDialog>

namespace {
Config6CFileAsker g_fileAsker;
} // namespace

bool Config6CReaderReady()
{
    if (!CurrentReader()->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    return true;
}

ZALT_HANDLE Config6CHandle()
{
    return static_cast<ZALT_HANDLE>(CurrentReader()->GetHandle());
}

void SetConfig6CFileAsker(Config6CFileAsker asker)
{
    g_fileAsker = std::move(asker);
}

QString AskConfig6CFile(QWidget* parent, bool save, const QString& caption, const QString& dir,
                        const QString& filter)
{
    if (g_fileAsker) {
        return g_fileAsker(parent, save, caption, dir, filter);
    }
    return save ? QFileDialog::getSaveFileName(parent, caption, dir, filter)
                : QFileDialog::getOpenFileName(parent, caption, dir, filter);
}
