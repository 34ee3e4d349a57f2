#include "frmSetup.h"

#include "CallTexts.h"
#include "CallView.h"
#include "Clock.h"
#include "DataFiles.h"
#include "DesktopSettingsBox.h"
#include "MsgBox.h"
#include "NetworkSettingsBox.h"
#include "SetupGroup.h"
#include "UpDown.h"
#include "WindowColor.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

// Records 5 to 28 of acsetup.bin, from the dialog's pending values.
class frmSetup::Records : public SetupGroup {
public:
    Records(DataFiles &files, const SetupValues &values) : m_files(files), m_values(values) {}
    QString groupTitle() const override { return QStringLiteral("Configuration Setup"); }
    // No text is checked: an empty code is stored empty.
    bool check(QString *) const override { return true; }
    bool write(QString *file, QString *error) override
    {
        const Settings applied = m_values.appliedTo(m_files.settings);
        if (!m_files.setupFile.saveSetupDialog(applied, error)) {
            // The program goes on with the settings the file still holds.
            *file = m_files.setupFile.path();
            return false;
        }
        m_files.settings = applied;
        return true;
    }

private:
    DataFiles &m_files;
    const SetupValues &m_values;
};

frmSetup::frmSetup(DataFiles &files, CallView &view, QWidget *parent)
    : Form(parent), m_files(files), m_view(view), m_records(std::make_unique<Records>(files, m_values))
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Configuration Setup"));
    ui.build(this);
    m_groups = {m_records.get(), NetworkSettingsBox::addTo(this, files.folder()),
                new DesktopSettingsBox(files, ui, this)};
    bindOptions();
    connect(ui.cmdOkSetup, &QPushButton::clicked, this, &frmSetup::cmdOkSetup_Click);
    connect(ui.cmdDefaultSetup, &QPushButton::clicked, this, &frmSetup::cmdDefaultSetup_Click);
    Form_Load();
}

frmSetup::~frmSetup() = default;

void frmSetup::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}

void frmSetup::bindOptions()
{
    // Each option button only sets its group's pending value.
    auto bind = [this](QRadioButton *button, QString SetupValues::*member, const QString &value) {
        connect(button, &QRadioButton::toggled, this, [this, member, value](bool on) {
            if (on)
                m_values.*member = value;
        });
    };
    auto bindPair = [&](const YesNo &pair, QString SetupValues::*member) {
        bind(pair.yes, member, QStringLiteral("True"));
        bind(pair.no, member, QStringLiteral("False"));
    };
    bindPair(ui.OptCallerIdSound, &SetupValues::sound);
    bindPair(ui.OptPopUpWindow, &SetupValues::popUp);
    bindPair(ui.OptCallerIdMinimize, &SetupValues::minimize);
    bindPair(ui.OptCallForwarding, &SetupValues::forwarding);
    bindPair(ui.OptBlockPrivate, &SetupValues::privateCalls);
    bindPair(ui.OptBlockTelemarketers, &SetupValues::telemarketers);
    bindPair(ui.OptSelectedCalls, &SetupValues::selectedCalls);
    bindPair(ui.OptSendToPager, &SetupValues::pager);
    bind(ui.OptShortDate, &SetupValues::dateFormat, QStringLiteral("Short Date"));
    bind(ui.OptLongDate, &SetupValues::dateFormat, QStringLiteral("Long Date"));
    bind(ui.OptLongDate2, &SetupValues::dateFormat, QStringLiteral("Day with Long Date"));
    bind(ui.OptPCSystemDate, &SetupValues::dateValue, QStringLiteral("System Date"));
    bind(ui.OptCallerIdStringDate, &SetupValues::dateValue, QStringLiteral("Caller Id Date"));

    connect(ui.updToggleMinimizeTime, &UpDown::changed, this,
            [this](int v) { ui.lblMinimizeTime->setText(QString::number(v)); });
    connect(ui.updTogglePagerId, &UpDown::changed, this, [this](int v) { ui.lblPagerId->setText(QString::number(v)); });
}

void frmSetup::Form_Load()
{
    const QDate today = Clock::current().now().date();
    // The main window must not go to the tray under the user's hands.
    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());

    m_values = SetupValues::fromSettings(m_files.settings);
    showValues();
    ui.lblShortDate->setText(CallTexts::shortDate(today));
    ui.lblLongDate->setText(CallTexts::longDate(today));
    ui.lblLongDate2->setText(QLocale().toString(today, QStringLiteral("ddd")) + QLatin1Char(' ') +
                             CallTexts::longDate(today));
    // The stored text holds a carriage return; a label breaks its lines at a line feed.
    ui.lblModemInfo->setText(m_files.settings.Modem_Name + QLatin1Char('\n') + QStringLiteral(" is on COM Port ") +
                             m_files.settings.COM_Port);

    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.left() + (s.width() - frameGeometry().width()) / 2,
             s.top() + (s.height() - frameGeometry().height()) / 2);
    }
}

void frmSetup::showValues()
{
    // Selecting a button runs its handler, so the pending values follow what is shown.
    const SetupValues v = m_values;
    ui.OptCallerIdSound.select(v.sound);
    ui.OptPopUpWindow.select(v.popUp);
    ui.OptCallerIdMinimize.select(v.minimize);
    ui.OptCallForwarding.select(v.forwarding);
    ui.OptBlockPrivate.select(v.privateCalls);
    ui.OptBlockTelemarketers.select(v.telemarketers);
    ui.OptSelectedCalls.select(v.selectedCalls);
    ui.OptSendToPager.select(v.pager);
    if (v.dateFormat == QLatin1String("Short Date"))
        ui.OptShortDate->setChecked(true);
    else if (v.dateFormat == QLatin1String("Long Date"))
        ui.OptLongDate->setChecked(true);
    else if (v.dateFormat == QLatin1String("Day with Long Date"))
        ui.OptLongDate2->setChecked(true);
    (v.dateValue == QLatin1String("System Date") ? ui.OptPCSystemDate : ui.OptCallerIdStringDate)->setChecked(true);

    ui.lblMinimizeTime->setText(v.minimizeTime);
    ui.lblPagerId->setText(v.pagerId);
    ui.txtCallForwardingNumber->setText(v.forwardNumber);
    ui.txtCallForwardingPrefixOn->setText(v.forwardOnCode);
    ui.txtCallForwardingPrefixOff->setText(v.forwardOffCode);
    ui.txtBlockPrivateCallsPrefixOn->setText(v.privateBlockCode);
    ui.txtBlockPrivateCallsPrefixOff->setText(v.privateReleaseCode);
    ui.txtPagerNumber->setText(v.pagerNumber);
    ui.txtAreaCode->setText(v.areaCode);
}

void frmSetup::takeTexts()
{
    m_values.minimizeTime = ui.lblMinimizeTime->text();
    m_values.pagerId = ui.lblPagerId->text();
    m_values.forwardNumber = ui.txtCallForwardingNumber->text();
    m_values.forwardOnCode = ui.txtCallForwardingPrefixOn->text();
    m_values.forwardOffCode = ui.txtCallForwardingPrefixOff->text();
    m_values.privateBlockCode = ui.txtBlockPrivateCallsPrefixOn->text();
    m_values.privateReleaseCode = ui.txtBlockPrivateCallsPrefixOff->text();
    m_values.pagerNumber = ui.txtPagerNumber->text();
    m_values.areaCode = ui.txtAreaCode->text();
}

void frmSetup::cmdOkSetup_Click()
{
    takeTexts();
    // Whatever fails, the dialog stays open with the user's values, so nothing typed is lost.
    for (const SetupGroup *group : std::as_const(m_groups)) {
        QString error;
        if (!group->check(&error)) {
            MsgBox(crLines({QStringLiteral("The settings were not saved."), error}), MsgStyle::Information,
                   group->groupTitle());
            return;
        }
    }
    for (SetupGroup *group : std::as_const(m_groups)) {
        QString file, error;
        if (!group->write(&file, &error)) {
            reportWriteFailure(file, error);
            return;
        }
    }
    close();
}

void frmSetup::cmdDefaultSetup_Click()
{
    const QString question = crLines({QStringLiteral("Are you sure you want to Apply the Default Configuration?"),
                                      QStringLiteral("Default Configuration will override the current settings!")});
    // The question runs its own event loop: the main window may go to the tray meanwhile and
    // unload the dialog.
    const QPointer<frmSetup> alive(this);
    if (MsgBox(question, MsgStyle::Question, QStringLiteral("Defaut Configuration Confirmation!")) != vbYes || !alive)
        return;
    takeTexts();
    m_values.useDefaults();
    showValues();
}
