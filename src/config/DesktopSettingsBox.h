#pragma once

#include "SetupGroup.h"

#include "ProgramSettings.h"

#include <QGroupBox>
#include <vector>

class DataFiles;
class QCheckBox;
struct SetupControls;

// The Setup dialog's "Desktop" group: the caller's name said after the call class, and desktop
// notifications. Kept in the program's own settings file (ringlark.conf), never in acsetup.bin;
// saved with the dialog's Apply, as everything in it.
class DesktopSettingsBox : public QGroupBox, public SetupGroup {
    Q_OBJECT
public:
    // Puts itself under the dialog's date frame.
    DesktopSettingsBox(DataFiles &files, const SetupControls &setup, QWidget *dialog);

    QString groupTitle() const override { return title(); }
    bool check(QString *) const override { return true; } // switches only: nothing to get wrong
    // Writes what the user changed; the run takes it at once.
    bool write(QString *path, QString *error) override;

private:
    // A check box and the setting it shows. `shown` is its value when the dialog opened: a
    // value the user did not touch is not written, so that an option given on the command line
    // for one run does not become the setting.
    struct Switch {
        QCheckBox *box;
        bool ProgramSettings::*setting;
        bool shown;
    };

    DataFiles &m_files;
    std::vector<Switch> m_switches;
};
