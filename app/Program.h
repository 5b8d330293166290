#pragma once

#include <functional>

namespace app {

// Creates the seven start-up windows through the application object, in their
// fixed order, and wires them to each other; the first, the background stage,
// becomes the main window.
// `created`, when given, hears each window's class name once it exists (the
// start-up benchmark times them).
void CreateStartupWindows(const std::function<void(const char* window)>& created = nullptr);

// Start-up: creates the seven windows, picks the mode from the command line and
// runs it. Every path returns 0; errors are shown with the error report.
int RunProgram();

}  // namespace app
