#include "DesktopSettingsBox.h"

#include "DataFiles.h"
#include "SetupControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QVBoxLayout>
#include <algorithm>

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

// The group's switches, in the order shown: a new one is a row here (and its setting's row).
struct SwitchRow {
    const char *objectName;
    const char *caption;
    const char *toolTip;
    bool ProgramSettings::*setting;
};
const SwitchRow Switches[] = {
    {"chkSpeakNames", "Speak the caller's name", "After the Call type, say \"Call from\" and the caller's name",
     &ProgramSettings::speakNames},
    {"chkNotifications", "Desktop notifications", "Show each Call as a desktop notification, with Call back and Block",
     &ProgramSettings::notifications},
};

} // namespace

DesktopSettingsBox::DesktopSettingsBox(DataFiles &files, const SetupControls &setup, QWidget *dialog)
    : QGroupBox(QStringLiteral("Desktop"), dialog), m_files(files)
{
    setObjectName(QStringLiteral("frameDesktop"));
    setToolTip(QStringLiteral("What the desktop shows and says of each call"));
    auto *rows = new QVBoxLayout(this);
    for (const SwitchRow &row : Switches) {
        auto *box = new QCheckBox(QString::fromUtf8(row.caption), this);
        box->setObjectName(QString::fromLatin1(row.objectName));
        box->setToolTip(QString::fromUtf8(row.toolTip));
        const bool shown = files.options.*row.setting;
        box->setChecked(shown);
        rows->addWidget(box);
        m_switches.push_back({box, row.setting, shown});
    }

    int at = -1;
    if (QBoxLayout *column = boxHolding(dialog->layout(), setup.frameDate, &at))
        column->insertWidget(at + 1, this);
}

bool DesktopSettingsBox::write(QString *path, QString *error)
{
    const auto touched = [](const Switch &s) { return s.box->isChecked() != s.shown; };
    if (std::none_of(m_switches.begin(), m_switches.end(), touched))
        return true;
    // The file as it is, not the run's options: the command line's stay out of it.
    ProgramSettings file = ProgramSettings::load(m_files.folder());
    for (const Switch &s : m_switches) {
        if (touched(s))
            file.*s.setting = s.box->isChecked();
    }
    if (!file.save(m_files.folder(), error)) {
        *path = m_files.file(ProgramSettings::fileName());
        return false;
    }
    for (Switch &s : m_switches) {
        s.shown = s.box->isChecked();
        m_files.options.*s.setting = s.shown;
    }
    return true;
}
