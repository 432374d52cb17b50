#pragma once

#include <functional>

class MainWindow;
class QApplication;

// Compiled-in images live in rivulet_gui, a static library: register them before use.
void InitRivuletResources();

// Applies the style sheet, font and style of the application.
void ApplyLook(QApplication& app);

// Ends the running event loop, so the run loop goes on to restart or to end the program. Uses
// exit(), not quit(): quit() first closes the windows, and closing the main window asks the
// operator again. Without a running loop (a window driven by a test) there is nothing to end.
void EndEventLoop();

// Builds the main window and runs the event loop, again while the window asks for a restart.
// onWindowShown is called once per run, after the window is shown (tests drive it from there).
int RunRivulet(QApplication& app, const std::function<void(MainWindow&)>& onWindowShown = {});
