// The application's entry: single instance, skin, main window, message loop and clean-up.
#pragma once

namespace app {

// Runs the application with the command line `argc`/`argv` and returns the exit code: 0, also
// when another instance was already running. With "--version" it prints the version and
// returns 0 without opening a window.
int runApplication(int argc, char** argv);

// Loads the style sheet and the window icon into the running QApplication.
void applySkin();

} // namespace app
