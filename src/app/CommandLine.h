#pragma once

#include "ProgramSettings.h"
#include "ScreeningCommand.h"

#include <QString>
#include <optional>

// What the command line asks of this run. The network and desktop options win over the
// program's settings file for the run only.
struct RunOptions {
    std::optional<QString> ncidServer; // "[ADDRESS:]PORT"
    std::optional<QString> ncidClient; // "HOST[:PORT]"
    bool speakNames = false;
    bool verbose = false;
    std::optional<QString> exportCalls; // a file, or "-" for standard output
    ScreeningRequest screening;         // changes or shows the screening rules, and ends

    // The settings of the file with this run's options laid over them.
    ProgramSettings applied(ProgramSettings file) const;
};

// The command line, read before the window system is asked for anything: --help and --version
// answer on a machine without a display. Returns the exit status when the program should end
// here (0 after --help or --version, 2 after an unknown option or a bad value), nothing when it
// should run with `options`.
std::optional<int> handleCommandLine(int argc, char *argv[], RunOptions *options);
