#pragma once

#include <QString>

// `ringlark --export-calls FILE`: the stored calls as CSV into FILE ("-": standard output),
// without a window or the modem. The exit status: 0, or 1 after a one-line "ringlark: ..." on
// standard error. Needs a QCoreApplication (the data folder is found through it).
int exportCallsCommand(const QString &target);
