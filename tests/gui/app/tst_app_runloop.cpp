#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "TempAppDir.h"
#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"

#include <QApplication>
#include <QStyle>
#include <QtTest>

#include <thread>

// Stands in for the operation log.
class FakeOpList : public QObject
{
    Q_OBJECT

public:
    QList<QPair<QString, bool>> lines;
    bool allOnOwnThread = true;

public slots:
    void slot_showMsg(const QString& text, bool getErro)
    {
        if (QThread::currentThread() != thread()) {
            allOnOwnThread = false;
        }
        lines.append(qMakePair(text, getErro));
    }
};

class TstAppRunLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowForm();
    void logForwarding();
    void notificationsAfterTheWindowIsGone();
    void restartBuildsEverythingAgain();
};

void TstAppRunLoop::initTestCase()
{
    InitRivuletResources();
}

void TstAppRunLoop::mainWindowForm()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue("6C-DEBUG.ini", "MainWindow/WinTitle", "IDCS_SOME_TITLE_KEY");
    dir.startApp();
    {
        MainWindow window;
        QCOMPARE(window.size(), QSize(1024, 767));
        QCOMPARE(window.windowTitle(), LangText("IDCS_SOME_TITLE_KEY"));
        QCOMPARE(window.centralWidget()->styleSheet(),
                 QStringLiteral("background-color: rgb(240, 241, 243)"));
        QCOMPARE(window.opListContainer()->minimumHeight(), 200);
        QCOMPARE(window.opListContainer()->maximumHeight(), 200);
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(!window.GetRestartFlag());
        QVERIFY(AppContext::Instance()->HasListener());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Connection panel beside the work area, the log below both.
        QVERIFY(window.connetContainer()->geometry().right() < window.workContainer()->geometry().left());
        QVERIFY(window.opListContainer()->geometry().top() > window.workContainer()->geometry().bottom());
        QCOMPARE(window.opListContainer()->height(), 200);
        window.SetRestartFlag(true);
        QVERIFY(window.GetRestartFlag());
    }
    QVERIFY(!AppContext::Instance()->HasListener());

    dir.setProfileValue("6C-DEBUG.ini", "MainWindow/WinTitle", "");
    dir.stopApp();
    dir.startApp();
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QString());
    }
    dir.stopApp();
}

void TstAppRunLoop::logForwarding()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    LogCapture capture;
    FakeOpList opList;
    {
        AppContext::Instance()->logMessage(QStringLiteral("before the log exists"), false);
        MainWindow window;
        QObject::connect(&window, &MainWindow::sig_logLine, &opList, &FakeOpList::slot_showMsg);
        AppContext::Instance()->logMessage(QStringLiteral("connected"), false);
        AppContext::Instance()->logMessage(QStringLiteral("failed"), true);
        // Queued: nothing arrives until the event loop runs.
        QCOMPARE(opList.lines.size(), 0);
        QTRY_COMPARE(opList.lines.size(), 2);
        QCOMPARE(opList.lines[0], qMakePair(QStringLiteral("connected"), false));
        QCOMPARE(opList.lines[1], qMakePair(QStringLiteral("failed"), true));

        std::thread worker([] {
            for (int i = 0; i < 200; ++i) {
                AppContext::Instance()->logMessage(QStringLiteral("line %1").arg(i), i % 2 == 1);
            }
        });
        worker.join();
        QTRY_COMPARE(opList.lines.size(), 202);
        QVERIFY(opList.allOnOwnThread);
        QCOMPARE(opList.lines.last(), qMakePair(QStringLiteral("line 199"), true));
    }
    // The capture sees every line, including those no log panel received.
    QCOMPARE(capture.count(), 203);
    QVERIFY(capture.contains(QStringLiteral("before the log exists")));
    QVERIFY(capture.containsError(QStringLiteral("failed")));

    // With the window gone the line is dropped, not delivered late.
    AppContext::Instance()->logMessage(QStringLiteral("after"), false);
    QCoreApplication::processEvents();
    QCOMPARE(opList.lines.size(), 202);
    dir.stopApp();
}

void TstAppRunLoop::notificationsAfterTheWindowIsGone()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    FakeOpList opList;
    auto* window = new MainWindow;
    QObject::connect(window, &MainWindow::sig_logLine, &opList, &FakeOpList::slot_showMsg);
    // Posted, then the window goes before the events are delivered.
    AppContext::Instance()->NotifyReaderState(2);
    AppContext::Instance()->RequestCutConnection();
    AppContext::Instance()->logMessage(QStringLiteral("late"), false);
    delete window;
    QVERIFY(!AppContext::Instance()->HasListener());
    AppContext::Instance()->NotifyReaderState(0);
    AppContext::Instance()->RequestCutConnection();
    // Closing still works; only the window's notification is dropped.
    AppContext::Instance()->disconnectReader();
    QCOMPARE(ReaderDriverHolder::Instance()->currentReader()->GetState(), 0);

    // Worker threads keep notifying while windows come and go. Paced: unpaced, every window would
    // first work through tens of thousands of log lines, and the test would take minutes.
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread worker([&stop, &sent] {
        while (!stop.load()) {
            AppContext::Instance()->NotifyReaderState(3);
            AppContext::Instance()->logMessage(QStringLiteral("busy"), false);
            ++sent;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    for (int i = 0; i < 20; ++i) {
        const int before = sent.load();
        auto* w = new MainWindow;
        QCoreApplication::processEvents();
        // Some notifications fall into this window's life.
        QTRY_VERIFY(sent.load() > before);
        delete w;
    }
    stop.store(true);
    worker.join();
    QCoreApplication::processEvents();
    dir.stopApp();
}

void TstAppRunLoop::restartBuildsEverythingAgain()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    AppSettings::SetAppDirOverride(dir.path());

    int runs = 0;
    QPointer<MainWindow> firstWindow;
    QStringList titles;
    QStringList profiles;
    QStringList styleSheets;
    QList<int> statesAtStart;
    QStringList addressesAtStart;
    QStringList fontFamilies;
    int pixelSize = 0;
    QString styleName;
    bool firstWindowGoneInSecondRun = false;
    bool registered = true;

    // Closing the main window asks first; answer yes in advance.
    QuestionAnswers answers;
    const int result = RunRivulet(*qApp, [&](MainWindow& window) {
        ++runs;
        titles.append(window.windowTitle());
        profiles.append(QFileInfo(AppSettings::Instance()->GetDeviceProfilePath()).fileName());
        styleSheets.append(qApp->styleSheet());
        registered = registered && AppContext::Instance()->HasListener();
        ReaderDllBase* reader = ReaderDriverHolder::Instance()->currentReader();
        statesAtStart.append(reader->GetState());
        addressesAtStart.append(reader->GetConnectParam().ipAddress);
        if (runs == 1) {
            firstWindow = &window;
            fontFamilies = QApplication::font().families();
            pixelSize = QApplication::font().pixelSize();
            // Leave traces the next run must not see.
            reader->SetTcpParam(QStringLiteral("127.0.0.5"), 4001);
            reader->SetState(2);
            QTimer::singleShot(0, &window, [&window, &dir, &answers] {
                AppSettings::Instance()->SetDllType(QStringLiteral("GJB"));
                dir.removeFile(QStringLiteral("skin/qss/stylesheet.css"));
                window.SetRestartFlag(true);
                answers.pushOk();
                QApplication::quit();
            });
        } else {
            firstWindowGoneInSecondRun = firstWindow.isNull();
            // Without a style sheet the style is not wrapped, so its name shows.
            styleName = QApplication::style()->name();
            // The last window closing ends the program.
            QTimer::singleShot(0, &window, [&window, &answers] {
                answers.pushOk();
                window.close();
            });
        }
    });

    QCOMPARE(result, 0);
    QCOMPARE(runs, 2);
    QVERIFY(firstWindowGoneInSecondRun);
    QVERIFY(registered);
    QCOMPARE(profiles, QStringList({"6C-DEBUG.ini", "GJB-DEBUG.ini"}));
    QCOMPARE(titles.size(), 2);
    QVERIFY(titles[0] != titles[1]);
    QCOMPARE(statesAtStart, QList<int>({0, 0}));
    QCOMPARE(addressesAtStart, QStringList({QString(), QString()}));
    QVERIFY(styleSheets[0].contains(QStringLiteral("QPushButton")));
    QCOMPARE(styleSheets[1], QString());
    QCOMPARE(fontFamilies.value(0), QStringLiteral("Microsoft YaHei"));
    QCOMPARE(fontFamilies.value(1), QStringLiteral("Noto Sans CJK SC"));
    QCOMPARE(pixelSize, 12);
    QCOMPARE(styleName.toLower(), QStringLiteral("fusion"));
    // The shutdown step left no window registered and no profile open.
    QVERIFY(!AppContext::Instance()->HasListener());
    QVERIFY(!DeviceProfile::Instance()->IsOpen());
    DeviceProfile::DestroyInstance();
    AppContext::DestroyInstance();
    AppSettings::SetAppDirOverride(QString());
}

QTEST_MAIN(TstAppRunLoop)
#include "tst_app_runloop.moc"
