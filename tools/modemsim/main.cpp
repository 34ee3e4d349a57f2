// ringlark-modemsim: a simulated voice modem on a pseudo-terminal.
//
//   ringlark-modemsim [--link FOLDER] [--com N] [--call-after S] [--call-every S]
//                     [--no-echo] [--silent] [--error COMMAND]...
//   ringlark-modemsim --hold DEVICE      open a serial device and keep it (a busy port)
//
// Commands read from standard input while it runs:
//   call NUMBER [NAME...]   rings, the caller-ID report, two more rings
//   ring                    one ring
//   raw TEXT                TEXT followed by CR LF
//   quit
#include "ModemSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

ModemSim::Call demoCall(const QString &number, const QString &name)
{
    const QDateTime now = QDateTime::currentDateTime();
    ModemSim::Call call;
    call.report =
        ModemSim::report(now.toString(QStringLiteral("MMdd")), now.toString(QStringLiteral("HHmm")), number, name);
    call.ringsBefore = 1;
    call.ringsAfter = 2;
    call.ringGapMs = 3000; // a ring every few seconds, the report in the first silence
    return call;
}

int hold(const QString &device)
{
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite)) {
        out() << "cannot open " << device << ": " << port.errorString() << Qt::endl;
        return 1;
    }
    out() << "holding " << device << Qt::endl;
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Simulated voice modem for Ringlark Talking Caller ID"));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("link"), QStringLiteral("Program folder whose ports/COMn is linked to the modem."),
         QStringLiteral("folder")},
        {QStringLiteral("com"), QStringLiteral("COM number of the link (default 1)."), QStringLiteral("n"),
         QStringLiteral("1")},
        {QStringLiteral("call-after"), QStringLiteral("Place a call S seconds after the caller-ID command."),
         QStringLiteral("s")},
        {QStringLiteral("call-every"), QStringLiteral("Then place a call every S seconds."), QStringLiteral("s")},
        {QStringLiteral("no-echo"), QStringLiteral("Do not echo commands.")},
        {QStringLiteral("silent"), QStringLiteral("Answer nothing at all.")},
        {QStringLiteral("error"), QStringLiteral("Answer ERROR to this command."), QStringLiteral("command")},
        {QStringLiteral("hold"), QStringLiteral("Open DEVICE as a serial port and keep it open."),
         QStringLiteral("device")},
    });
    p.process(app);
    if (p.isSet(QStringLiteral("hold")))
        return hold(p.value(QStringLiteral("hold")));

    ModemSim modem;
    QString error;
    if (!modem.open(&error)) {
        out() << "modemsim: " << error << Qt::endl;
        return 1;
    }
    modem.setEcho(!p.isSet(QStringLiteral("no-echo")));
    modem.setSilent(p.isSet(QStringLiteral("silent")));
    modem.setErrorFor(p.values(QStringLiteral("error")));
    if (p.isSet(QStringLiteral("link"))) {
        const int com = p.value(QStringLiteral("com")).toInt();
        if (!modem.linkAs(p.value(QStringLiteral("link")), com, &error)) {
            out() << "modemsim: " << error << Qt::endl;
            return 1;
        }
        out() << "modem on " << modem.devicePath() << ", linked as COM" << com << Qt::endl;
    } else {
        out() << "modem on " << modem.devicePath() << Qt::endl;
    }

    const int callAfter = p.value(QStringLiteral("call-after")).toInt();
    const int callEvery = p.value(QStringLiteral("call-every")).toInt();
    QTimer every;
    QObject::connect(&every, &QTimer::timeout, &modem,
                     [&] { modem.placeCall(demoCall(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE"))); });
    bool demoStarted = false;
    QObject::connect(&modem, &ModemSim::commandReceived, &modem, [&](const QString &command) {
        out() << QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) << "  " << command << Qt::endl;
        if (!demoStarted && callAfter > 0 && ModemSim::DefaultCallerIdCommands.contains(command)) {
            demoStarted = true;
            QTimer::singleShot(callAfter * 1000, &modem, [&] {
                modem.placeCall(demoCall(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE")));
                if (callEvery > 0)
                    every.start(callEvery * 1000);
            });
        }
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &modem, [&] {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf - 1);
        if (n <= 0) {
            input.setEnabled(false); // standard input closed: keep running on the options alone
            return;
        }
        for (const QString &line : QString::fromLocal8Bit(buf, int(n)).split(QLatin1Char('\n'))) {
            const QString l = line.trimmed();
            if (l == QLatin1String("quit")) {
                QCoreApplication::quit();
            } else if (l == QLatin1String("ring")) {
                modem.send("\r\nRING\r\n");
            } else if (l.startsWith(QLatin1String("raw "))) {
                modem.send(l.mid(4).toLatin1() + "\r\n");
            } else if (l.startsWith(QLatin1String("call "))) {
                const QStringList parts = l.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                modem.placeCall(demoCall(parts.value(0), parts.mid(1).join(QLatin1Char(' '))));
            } else if (!l.isEmpty()) {
                out() << "commands: call NUMBER [NAME], ring, raw TEXT, quit" << Qt::endl;
            }
        }
    });
    return QCoreApplication::exec();
}
