#include "DesktopSettingsBox.h"

#include "DataFiles.h"
#include "SetupControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QVBoxLayout>

namespace {

// The box layout that holds `widget`, searched from `layout` down; its place in it in `index`.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget, int *index)
{
    if (!layout)
        return nullptr;
    const int i = layout->indexOf(widget);
    if (i >= 0) {
        *index = i;
        return qobject_cast<QBoxLayout *>(layout);
    }
    for (int n = 0; n < layout->count(); ++n) {
        if (QBoxLayout *found = boxHolding(layout->itemAt(n)->layout(), widget, index))
            return found;
    }
    return nullptr;
}

} // namespace

DesktopSettingsBox::DesktopSettingsBox(DataFiles &files, const SetupControls &setup, QWidget *dialog)
    : QGroupBox(QStringLiteral("Desktop"), dialog), m_files(files)
{
    setObjectName(QStringLiteral("frameDesktop"));
    setToolTip(QStringLiteral("What the desktop shows and says of each call"));
    chkSpeakNames = new QCheckBox(QStringLiteral("Speak the caller's name"), this);
    chkSpeakNames->setObjectName(QStringLiteral("chkSpeakNames"));
    chkSpeakNames->setToolTip(QStringLiteral("After the Call type, say \"Call from\" and the caller's name"));
    chkNotifications = new QCheckBox(QStringLiteral("Desktop notifications"), this);
    chkNotifications->setObjectName(QStringLiteral("chkNotifications"));
    chkNotifications->setToolTip(QStringLiteral("Show each Call as a desktop notification, with Call back and Block"));
    auto *rows = new QVBoxLayout(this);
    rows->addWidget(chkSpeakNames);
    rows->addWidget(chkNotifications);

    m_shownSpeakNames = files.options.speakNames;
    m_shownNotifications = files.options.notifications;
    chkSpeakNames->setChecked(m_shownSpeakNames);
    chkNotifications->setChecked(m_shownNotifications);

    int at = -1;
    if (QBoxLayout *column = boxHolding(dialog->layout(), setup.frameDate, &at))
        column->insertWidget(at + 1, this);
}

bool DesktopSettingsBox::write(QString *path, QString *error)
{
    const bool speak = chkSpeakNames->isChecked();
    const bool notify = chkNotifications->isChecked();
    if (speak == m_shownSpeakNames && notify == m_shownNotifications)
        return true;
    // The file as it is, not the run's options: the command line's stay out of it.
    ProgramSettings file = ProgramSettings::load(m_files.folder());
    if (speak != m_shownSpeakNames)
        file.speakNames = speak;
    if (notify != m_shownNotifications)
        file.notifications = notify;
    if (!file.save(m_files.folder(), error)) {
        *path = m_files.file(ProgramSettings::fileName());
        return false;
    }
    m_files.options.speakNames = speak;
    m_files.options.notifications = notify;
    m_shownSpeakNames = speak;
    m_shownNotifications = notify;
    return true;
}
