#include "ServiceHost.h"

#include "Clock.h"
#include "Log.h"
#include "NcidProtocol.h"
#include "ProgramFolder.h"
#include "ProgramSettings.h"
#include "Waits.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <utility>

namespace {

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

bool question(MsgStyle style)
{
    return style == MsgStyle::Question || style == MsgStyle::CriticalYesNo || style == MsgStyle::InfoYesNo;
}

} // namespace

ServiceHost::ServiceHost(const ServiceOptions &options, QObject *parent)
    : QObject(parent), m_options(options),
      m_state(options.dataFolder, findShippedFolder(QCoreApplication::applicationDirPath())),
      m_screening(m_state.folder()), m_port(m_state, m_state, m_state.tray, *this),
      m_core(m_state, *this, m_port, m_voice)
{
    installMessageBoxes(this);
    // What the desktop's tray would say (connected, the modem lost or held) is the service's state.
    connect(&m_state.tray, &TrayStatus::changed, this, [this] {
        qCInfo(lcCalls).noquote() << "state:" << oneLine(m_state.tray.tip());
        m_systemd.notify("STATUS=" + status().toUtf8());
    });
}

ServiceHost::~ServiceHost()
{
    Screening::install(nullptr);
    installMessageBoxes(nullptr);
}

void ServiceHost::loadSettings()
{
    const SetupFile::LoadOutcome loaded = m_state.setupFile.load(m_state.settings, [] {
        qCWarning(lcCalls, "the settings are not complete: the defaults serve until they are set");
    });
    if (!loaded.copyError.isEmpty())
        reportWriteFailure(m_state.setupFile.path(), loaded.copyError);
    ProgramSettings settings = ProgramSettings::load(m_state.folder());
    // The service publishes where its command line says and takes its calls from its own modem.
    settings.ncidServerEnabled = true;
    settings.ncidServerAddress = m_options.ncidAddress;
    settings.ncidServerPort = m_options.ncidPort;
    settings.ncidClientEnabled = false;
    m_state.options = settings;
    m_state.ModemConfigured = m_state.settings.comPortNumber() >= 1 && m_state.settings.hasCallerIdCommand();
}

bool ServiceHost::start()
{
    qCInfo(lcCalls).noquote() << "ringlarkd" << RINGLARK_VERSION << "on" << m_state.folder();
    loadSettings();
    m_screening.open();
    Screening::install(&m_screening);
    if (const QString problem = m_screening.problem(); !problem.isEmpty())
        MsgBox(problem, MsgStyle::Exclamation, QStringLiteral("Call Screening"));
    m_state.Timer1.off();
    m_state.flags.clear();
    m_state.tray.showConnected();
    m_port.ModemPortOpen();
    if (ProgramEnd::underway())
        return false;
    QString error;
    if (!m_core.network.start(&error)) {
        qCCritical(lcCalls).noquote() << "calls cannot be published to NCID clients:" << error;
        return false;
    }
    m_core.end.DisplayFinalList();
    m_state.MSComm1.setInputLen(0);
    m_systemd.ready(status());
    return true;
}

void ServiceHost::reload()
{
    // Not under a call: its refusal and its record were decided with the settings it began with.
    if (m_state.Timer1.Interval() != 0 || m_state.modemBusy()) {
        QTimer::singleShot(1000, this, &ServiceHost::reload);
        return;
    }
    m_systemd.reloading();
    loadSettings();
    m_screening.refresh();
    m_core.network.applyAccess();
    qCInfo(lcCalls, "settings and screening rules read again");
    m_port.ModemPortOpen();
    m_systemd.ready(status());
}

QString ServiceHost::status() const
{
    // The tray goes on showing the program's name when the search found no modem (the desktop's
    // box says so); `systemctl status` must not look as if calls were taken.
    if (!m_state.ModemConfigured && !m_state.ModemDetectionRunning)
        return NoModemStatus;
    return oneLine(m_state.tray.tip());
}

void ServiceHost::end()
{
    if (std::exchange(m_ending, true))
        return;
    m_systemd.stopping();
    // The call in progress is stored now, its report handled first; the pager is not dialled on
    // the way out.
    m_core.end.notifyPager = nullptr;
    if (m_state.Timer1.Interval() != 0 || !m_core.call.buffer.isEmpty()) {
        m_state.Timer1.off();
        m_core.reception.lineWentQuiet();
    }
    ProgramEnd::begin();
    if (m_state.MSComm1.PortOpen()) {
        m_core.modem.exchange().hangUpNow();
        m_state.MSComm1.setPortOpen(false);
    }
    m_state.Timer2.stop();
    qCInfo(lcCalls, "ended");
    emit ended();
}

void ServiceHost::showWindow()
{
    // Once a call: the reception shows a call a second time at once when the system's date is
    // used. The next call comes through the event loop.
    if (std::exchange(m_callerLogged, true))
        return;
    QTimer::singleShot(0, this, [this] { m_callerLogged = false; });
    qCInfo(lcCalls).noquote() << "caller:" << m_state.display.name() << m_state.display.number()
                              << oneLine(m_state.display.time());
}

void ServiceHost::runModemDetection()
{
    qCInfo(lcCalls, "no modem is configured: looking for one");
    ModemSearch search(m_state, m_state, m_state, *this);
    search.automaticSearch();
    if (m_state.ModemConfigured)
        qCInfo(lcCalls).noquote() << "modem found: COM" + QString::number(m_state.settings.comPortNumber())
                                  << m_state.settings.Modem_Name << m_state.settings.Call_Id_AT_Command;
}

void ServiceHost::showServiceState(ServicePair pair, bool serviceOn)
{
    qCDebug(lcCalls) << "service" << int(pair) << (serviceOn ? "on" : "off");
}

MsgAnswer ServiceHost::show(const MsgRecord &box)
{
    const MsgAnswer answer = safeAnswer(box.style);
    const QString text = oneLine(box.text);
    if (question(box.style)) {
        qCWarning(lcUi).noquote() << box.title + ":" << text << "- answered" << (answer == vbYes ? "Yes" : "No");
        return answer;
    }
    qCWarning(lcUi).noquote() << box.title + ":" << text;
    // What the user would have been told, the clients are told.
    Ncid::Call fields;
    const QDateTime now = Clock::current().now();
    fields.date = now.toString(QStringLiteral("MMddyyyy"));
    fields.time = now.toString(QStringLiteral("HHmm"));
    m_core.network.server().broadcast(Ncid::messageLine(box.title + QStringLiteral(": ") + text, fields));
    return answer;
}

void ServiceHost::addLine(const QString &line)
{
    qCInfo(lcModem).noquote() << "search:" << line;
}

void ServiceHost::setProgress(const QString &text)
{
    qCInfo(lcModem).noquote() << "search:" << text;
}

void ServiceHost::showProblem(const QString &reason)
{
    qCWarning(lcModem).noquote() << "search:" << reason;
}
