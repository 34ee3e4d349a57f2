#pragma once

#include <QString>
#include <QStringList>

class CallLogFile;

// Deleting calls from Array.bin takes two steps, so that a crash in between loses nothing
// that was meant to stay: each call's record is first marked deleted in place, and the next
// compaction (through the scratch file) drops the marked records and renumbers the rest.
// This is the first step: the calls are found by their call numbers, each at its own place first
// as CallLogFile::findRecord finds it, and marked in the order given. A number no record has is
// skipped. False, and the reason in `error`, when the log could not be read or at the first
// marker that could not be written; the calls marked before it stay marked.
bool markCallsDeleted(CallLogFile &file, const QStringList &callNumbers, QString *error);
