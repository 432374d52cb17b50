#pragma once

#include <QDialog>

#include <functional>

class ReaderCallRunner;
class ReaderDllGJB;

// What every GJB configuration step asks first: a GJB reader connected and idle. Otherwise the
// refusal is logged (IDCS_READ_NO_LINK) and nothing is sent.
bool GjbReaderReady();
ReaderDllGJB* GjbReader();

// A GJB settings dialog: each button checks the link, makes one driver call off the window's thread
// and logs one line, the success key or the failure key with the reader's error code.
class GjbSettingDlg : public QDialog
{
    Q_OBJECT

public:
    explicit GjbSettingDlg(QWidget* parent = nullptr);
    ~GjbSettingDlg() override;

protected:
    using Call = std::function<bool(ReaderDllGJB&)>;
    // `call` runs on a worker with values copied out of the widgets; `onOk` on this thread.
    // failIsError false: the failure line is a plain line, without the reader's error code.
    void Step(QWidget* button, Call call, const char* okKey, const char* failKey,
              std::function<void()> onOk = {}, bool failIsError = true);

private:
    ReaderCallRunner* m_runner;
};
