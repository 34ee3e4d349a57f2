#pragma once

#include <functional>

class AppState;
class frmMain;

// The program's run from the command line to its exit. `loaded` runs once the main window has
// loaded, before events are handled (a test driver presses buttons from there).
int runProgram(int argc, char *argv[], const std::function<void(AppState &, frmMain &)> &loaded = {});
