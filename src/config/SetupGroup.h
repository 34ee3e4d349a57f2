#pragma once

#include <QString>

// One group of the Setup dialog as its Apply sees it: the setup records, Network, Desktop. Apply
// checks every group, then saves every group, and closes the dialog only when all succeeded; so
// that a value that fails its check leaves every file as it was and the dialog open with what
// the user typed.
class SetupGroup {
public:
    virtual ~SetupGroup() = default;
    // The group's name, as the user sees it (the title of the box that tells what is wrong).
    virtual QString groupTitle() const = 0;
    // False, with what is wrong in the user's words, when what is shown cannot be kept.
    virtual bool check(QString *error) const = 0;
    // Writes what is shown and makes it the run's where it takes effect at once. False with the
    // file and the reason when it could not be written.
    virtual bool write(QString *file, QString *error) = 0;
};
