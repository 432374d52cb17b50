#include "gui/reader/ReaderCallUi.h"

#include "core/app/AppContext.h"

#include <QPointer>
#include <QWidget>

bool RunReaderCall(ReaderCallRunner* runner, QWidget* page, QWidget* button, ReaderCallRunner::Call call,
                   ReaderCallRunner::Done done)
{
    if (RefuseWhileReading()) {
        return false;
    }
    QPointer<QWidget> pagePtr(page);
    QPointer<QWidget> buttonPtr(button);
    const bool buttonWasEnabled = button && button->isEnabled();
    auto restore = [pagePtr, buttonPtr, buttonWasEnabled, done = std::move(done)](const ReaderCallResult& r) {
        if (pagePtr) {
            pagePtr->unsetCursor();
        }
        if (buttonPtr && buttonWasEnabled) {
            buttonPtr->setEnabled(true);
        }
        if (done) {
            done(r);
        }
    };
    if (!runner->run(std::move(call), std::move(restore))) {
        LogKey("IDCS_READING_CARD");
        return false;
    }
    if (page) {
        page->setCursor(Qt::BusyCursor);
    }
    if (button) {
        button->setEnabled(false);
    }
    return true;
}
