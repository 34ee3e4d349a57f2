#pragma once

#include <optional>

// The command line, read before the window system is asked for anything: --help and --version
// answer on a machine without a display. Returns the exit status when the program should end
// here (0 after --help or --version, 2 after an unknown option), nothing when it should run.
std::optional<int> handleCommandLine(int argc, char *argv[]);
