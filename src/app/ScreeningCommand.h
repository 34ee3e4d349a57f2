#pragma once

#include <QString>
#include <QStringList>

// The screening options of the command line: they change or show the rules in the data folder
// and end, without a window or the modem. A program that runs sees a change at its next call.
struct ScreeningRequest {
    QStringList allow, block, unrule, aliases, imports; // in the order given within each kind
    QString comment;                                    // for the rules and aliases added
    bool listRules = false;
    int allowOnly = -1; // 1 or 0: switch "allow only the allow list" on or off; -1 leaves it
    bool check = false;
    QString checkNumber, checkName;
    bool any() const
    {
        return !allow.isEmpty() || !block.isEmpty() || !unrule.isEmpty() || !aliases.isEmpty() || !imports.isEmpty() ||
               listRules || check || allowOnly >= 0;
    }
};

// Does what `request` asks in the data folder: changes first (imports, allow, block, aliases,
// removals), then the listing and the check. Prints to standard output; the exit status is 0,
// or 1 after a "ringlark: ..." line on standard error for each change that failed. Needs a
// QCoreApplication (the data folder is found through it).
int screeningCommand(const ScreeningRequest &request);
