#pragma once

#include "SetupGroup.h"

#include <QGroupBox>

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

    QCheckBox *chkSpeakNames = nullptr;
    QCheckBox *chkNotifications = nullptr;

    QString groupTitle() const override { return title(); }
    bool check(QString *) const override { return true; } // two switches: nothing to get wrong
    // Writes what the user changed; the run takes it at once.
    bool write(QString *path, QString *error) override;

private:
    DataFiles &m_files;
    // As shown when the dialog opened: a value the user did not touch is not written, so that
    // an option given on the command line for one run does not become the setting.
    bool m_shownSpeakNames = false;
    bool m_shownNotifications = true;
};
