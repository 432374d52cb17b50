#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MainWindow;
class QApplication;

// Compiled-in images live in rivulet_core, a static library: register them before use.
void InitRivuletResources();

// The directory given by --app-dir DIR (or --app-dir=DIR), else RIVULET_APP_DIR, else empty.
QString ResolveAppDirOverride(const QStringList& arguments);

// One run's shared objects: paths, profile, language and driver, built from the settings files.
void StartRunSingletons();
// Releases them again: language, profile, reader connection, driver, then the singletons.
void ShutdownRunSingletons();

// Applies the style sheet, font and style of the application.
void ApplyLook(QApplication& app);

// Builds the main window and runs the event loop, again while the window asks for a restart.
// onWindowShown is called once per run, after the window is shown (tests drive it from there).
int RunRivulet(QApplication& app, const std::function<void(MainWindow&)>& onWindowShown = {});
