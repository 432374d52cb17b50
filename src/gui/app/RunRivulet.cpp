#include "gui/app/RunRivulet.h"

#include "core/app/AppSettings.h"
#include "core/app/RunSingletons.h"
#include "gui/app/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QStyleFactory>
#include <QThread>

static void InitRivuletResourcesImpl()
{
    Q_INIT_RESOURCE(rivulet);
}

void InitRivuletResources()
{
    InitRivuletResourcesImpl();
}

void ApplyLook(QApplication& app)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);
    QApplication::setQuitOnLastWindowClosed(true);

    // A missing style sheet leaves the plain look; nothing is carried over from the last run.
    QString styleSheet;
    QFile file(AppSettings::Instance()->GetStyleSheetPath());
    if (file.open(QIODevice::ReadOnly)) {
        styleSheet = QString::fromUtf8(file.readAll());
    }
    app.setStyleSheet(styleSheet);
}

void EndEventLoop()
{
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

int RunRivulet(QApplication& app, const std::function<void(MainWindow&)>& onWindowShown)
{
    int result = 0;
    bool restart = false;
    do {
        StartRunSingletons();
        ApplyLook(app);
        auto* window = new MainWindow;
        window->show();
        if (onWindowShown) {
            onWindowShown(*window);
        }
        result = app.exec();
        restart = window->GetRestartFlag();
        delete window;
        ShutdownRunSingletons();
    } while (restart);
    return result;
}
