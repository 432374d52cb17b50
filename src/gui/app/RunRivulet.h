#pragma once

#include <functional>

class MainWindow;
class QApplication;

// Compiled-in images live in rivulet_gui, a static library: register them before use.
void InitRivuletResources();

// Applies the style sheet, font and style of the application.
void ApplyLook(QApplication& app);

// Builds the main window and runs the event loop, again while the window asks for a restart.
// onWindowShown is called once per run, after the window is shown (tests drive it from there).
int RunRivulet(QApplication& app, const std::function<void(MainWindow&)>& onWindowShown = {});
