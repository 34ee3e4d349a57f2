#pragma once

#include "ProgramSettings.h"
#include "SetupGroup.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// The "Network" group of the Setup dialog: publish the calls to NCID clients (address and
// port), take the calls from an NCID server (host and port). Kept in the program's own settings
// file, never in the setup records; saved with the dialog's Apply, for the next start.
class NetworkSettingsBox : public QGroupBox, public SetupGroup {
    Q_OBJECT
public:
    static constexpr int MaxLineName = 20;
    NetworkSettingsBox(const QString &folder, QWidget *parent = nullptr);

    // Puts the group into the dialog above its buttons.
    static NetworkSettingsBox *addTo(QWidget *dialog, const QString &folder);

    // The settings as shown, laid over `base` (the file's other settings stay as they are).
    // False with the reason when what is typed is not an address, a host or a port.
    bool shown(ProgramSettings *base, QString *error) const;
    // Checks and writes the shown values on their own; what fails is told to the user.
    bool save();

    QString groupTitle() const override { return title(); }
    bool check(QString *error) const override;
    bool write(QString *file, QString *error) override;

    QCheckBox *chkNcidServer = nullptr;
    QLineEdit *txtNcidServerAddress = nullptr;
    QLineEdit *txtNcidLineName = nullptr;
    QSpinBox *updNcidServerPort = nullptr;
    QCheckBox *chkNcidClient = nullptr;
    QLineEdit *txtNcidClientHost = nullptr;
    QSpinBox *updNcidClientPort = nullptr;

private:
    QString m_folder;
};
