#include "NetworkSettingsBox.h"

#include "DataFiles.h"
#include "MsgBox.h"
#include "NcidProtocol.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

NetworkSettingsBox::NetworkSettingsBox(const QString &folder, QWidget *parent)
    : QGroupBox(QStringLiteral("Network"), parent), m_folder(folder)
{
    setObjectName(QStringLiteral("frameNetwork"));
    setToolTip(QStringLiteral("Calls on the network (NCID): for other screens, and for lines the modem does not see"));
    auto port = [this](const char *name) {
        auto *box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(1, 65535);
        return box;
    };
    auto text = [this](const char *name, const QString &placeholder) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setPlaceholderText(placeholder);
        return edit;
    };
    chkNcidServer = new QCheckBox(QStringLiteral("Publish calls to NCID clients"), this);
    chkNcidServer->setObjectName(QStringLiteral("chkNcidServer"));
    txtNcidServerAddress = text("txtNcidServerAddress", QStringLiteral("this computer only"));
    txtNcidServerAddress->setToolTip(
        QStringLiteral("Empty: only this computer. 0.0.0.0, or an address of this computer, for the network"));
    updNcidServerPort = port("updNcidServerPort");
    txtNcidLineName = text("txtNcidLineName", QStringLiteral("POTS"));
    txtNcidLineName->setToolTip(QStringLiteral("The modem's line as clients show it, to tell it from other lines"));
    txtNcidLineName->setMaxLength(MaxLineName);
    chkNcidClient = new QCheckBox(QStringLiteral("Take calls from an NCID server"), this);
    chkNcidClient->setObjectName(QStringLiteral("chkNcidClient"));
    chkNcidClient->setToolTip(QStringLiteral("Instead of the modem"));
    txtNcidClientHost = text("txtNcidClientHost", QStringLiteral("server host"));
    updNcidClientPort = port("updNcidClientPort");

    auto *grid = new QGridLayout(this);
    grid->addWidget(chkNcidServer, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Address"), this), 0, 1);
    grid->addWidget(txtNcidServerAddress, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port"), this), 0, 3);
    grid->addWidget(updNcidServerPort, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Line"), this), 0, 5);
    grid->addWidget(txtNcidLineName, 0, 6);
    grid->addWidget(chkNcidClient, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Host"), this), 1, 1);
    grid->addWidget(txtNcidClientHost, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Port"), this), 1, 3);
    grid->addWidget(updNcidClientPort, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Changes take effect when the program starts again."), this), 2, 0, 1, 7);

    const ProgramSettings p = ProgramSettings::load(m_folder);
    chkNcidServer->setChecked(p.ncidServerEnabled);
    txtNcidServerAddress->setText(p.ncidServerAddress);
    updNcidServerPort->setValue(p.ncidServerPort);
    txtNcidLineName->setText(p.ncidLineName);
    chkNcidClient->setChecked(p.ncidClientEnabled);
    txtNcidClientHost->setText(p.ncidClientHost);
    updNcidClientPort->setValue(p.ncidClientPort);
}

NetworkSettingsBox *NetworkSettingsBox::addTo(QWidget *dialog, const QString &folder)
{
    auto *box = new NetworkSettingsBox(folder, dialog);
    if (auto *layout = qobject_cast<QBoxLayout *>(dialog->layout()))
        layout->insertWidget(layout->count() - 1, box);
    return box;
}

bool NetworkSettingsBox::shown(ProgramSettings *base, QString *error) const
{
    const QString address = txtNcidServerAddress->text().trimmed();
    const QString host = txtNcidClientHost->text().trimmed();
    if (!address.isEmpty() && QHostAddress(address).isNull()) {
        *error = QStringLiteral("'%1' is not an address of this computer.").arg(address);
        return false;
    }
    const QString line = txtNcidLineName->text().trimmed();
    // A field of the protocol: no star, no blank (NCID's lists and aliases match it as a word).
    if (line.isEmpty() || line.contains(QLatin1Char('*')) || line.contains(QLatin1Char(' ')) ||
        Ncid::fieldText(line) != line) {
        *error = QStringLiteral("The line's name is one word, without a star (POTS, HOME, 1).");
        return false;
    }
    if (chkNcidClient->isChecked() && (host.isEmpty() || host.contains(QLatin1Char(' ')))) {
        *error = QStringLiteral("Please type the host of the NCID server.");
        return false;
    }
    base->ncidServerEnabled = chkNcidServer->isChecked();
    base->ncidServerAddress = address;
    base->ncidServerPort = quint16(updNcidServerPort->value());
    base->ncidLineName = line;
    base->ncidClientEnabled = chkNcidClient->isChecked();
    base->ncidClientHost = host;
    base->ncidClientPort = quint16(updNcidClientPort->value());
    return true;
}

bool NetworkSettingsBox::check(QString *error) const
{
    ProgramSettings scratch;
    return shown(&scratch, error);
}

bool NetworkSettingsBox::write(QString *file, QString *error)
{
    // Read again just before writing: other groups keep their settings in the same file.
    ProgramSettings p = ProgramSettings::load(m_folder);
    *file = QDir(m_folder).filePath(ProgramSettings::fileName());
    return shown(&p, error) && p.save(m_folder, error);
}

bool NetworkSettingsBox::save()
{
    QString error, file;
    if (!check(&error)) {
        MsgBox(crLines({QStringLiteral("The Network settings were not saved."), error}), MsgStyle::Information,
               groupTitle());
        return false;
    }
    if (!write(&file, &error)) {
        reportWriteFailure(file, error);
        return false;
    }
    return true;
}
