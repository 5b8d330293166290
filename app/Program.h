#pragma once

namespace app {

// Creates the seven start-up windows through the application object, in their
// fixed order; the first, the background stage, becomes the main window.
void CreateStartupWindows();

// Start-up: creates the seven windows, picks the mode from the command line and
// runs it. Every path returns 0; errors are shown with the error report.
int RunProgram();

}  // namespace app
