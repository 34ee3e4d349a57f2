#include "ModemSim.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

const QStringList ModemSim::DefaultCallerIdCommands = {
    QStringLiteral("AT+VCID=1"), QStringLiteral("AT#CID=1"),       QStringLiteral("AT#CC1"),
    QStringLiteral("AT#ID1"),    QStringLiteral("AT#CLS=8#CID=1"), QStringLiteral("AT%CCID=1"),
};

ModemSim::ModemSim(QObject *parent) : QObject(parent), m_stepTimer(new QTimer(this))
{
    m_stepTimer->setSingleShot(true);
    connect(m_stepTimer, &QTimer::timeout, this, &ModemSim::runNextStep);
}

ModemSim::~ModemSim()
{
    close();
}

bool ModemSim::open(QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        close();
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    // Raw from the start: a cooked terminal would echo our own reports back to us before the
    // program has opened (and configured) its side.
    m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slaveKeep < 0)
        return fail("open slave");
    termios t{};
    ::tcgetattr(m_slaveKeep, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slaveKeep, TCSANOW, &t);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &ModemSim::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &ModemSim::onWritable);
    return true;
}

void ModemSim::close()
{
    m_steps.clear();
    if (m_stepTimer)
        m_stepTimer->stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
    m_master = -1;
    m_slaveKeep = -1;
}

bool ModemSim::linkAs(const QString &programFolder, int comNumber, QString *error)
{
    const QString dir = QDir(programFolder).filePath(QStringLiteral("ports"));
    QDir().mkpath(dir);
    const QString link = QDir(dir).filePath(QStringLiteral("COM%1").arg(comNumber));
    QFile::remove(link);
    if (!QFile::link(m_slavePath, link)) {
        if (error)
            *error = QStringLiteral("cannot link %1 to %2").arg(link, m_slavePath);
        return false;
    }
    return true;
}

QList<ModemSim::Command> ModemSim::commands() const
{
    QMutexLocker lock(&m_logLock);
    return m_commands;
}

QByteArray ModemSim::received() const
{
    QMutexLocker lock(&m_logLock);
    return m_received;
}

QStringList ModemSim::commandTexts() const
{
    QMutexLocker lock(&m_logLock);
    QStringList l;
    for (const Command &c : m_commands)
        l << c.text;
    return l;
}

void ModemSim::clearLog()
{
    QMutexLocker lock(&m_logLock);
    m_commands.clear();
    m_received.clear();
}

bool ModemSim::waitForCommand(const QString &text, int timeoutMs, int from)
{
    auto seen = [&] { return commandTexts().mid(from).contains(text); };
    if (seen())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &ModemSim::commandReceived, &loop, [&] {
        if (seen())
            loop.quit();
    });
    timeout.start(timeoutMs);
    loop.exec();
    return seen();
}

bool ModemSim::waitForCallSent(int timeoutMs)
{
    if (!callInProgress())
        return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &ModemSim::callSent, &loop, &QEventLoop::quit);
    loop.exec();
    return !callInProgress();
}

void ModemSim::send(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    m_out += bytes;
    onWritable();
}

void ModemSim::onWritable()
{
    while (!m_out.isEmpty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
        if (n <= 0)
            break;
        m_out.remove(0, n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_out.isEmpty());
}

void ModemSim::onReadable()
{
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        const QByteArray bytes(buf, int(n));
        {
            QMutexLocker lock(&m_logLock);
            m_received += bytes;
        }
        if (m_echo && !m_silent)
            send(bytes); // a modem echoes each character as it arrives
        for (char c : bytes) {
            if (c == '\r') {
                const QString command = QString::fromLatin1(m_line).trimmed();
                m_line.clear();
                if (!command.isEmpty())
                    handleCommand(command);
            } else if (c != '\n') {
                m_line += c;
            }
        }
    }
}

void ModemSim::handleCommand(const QString &command)
{
    {
        QMutexLocker lock(&m_logLock);
        m_commands.append({QDateTime::currentDateTime(), command});
    }
    if (command == QLatin1String("ATA")) {
        // Answered: the line stops ringing and the rest of the call never comes.
        m_steps.clear();
        m_stepTimer->stop();
    }
    emit commandReceived(command);
    if (m_silent)
        return;
    const QByteArray reply = replyTo(command);
    if (reply.isEmpty())
        return;
    if (m_replyDelayMs > 0)
        QTimer::singleShot(m_replyDelayMs, this, [this, reply] { send(reply); });
    else
        send(reply);
}

QByteArray ModemSim::replyTo(const QString &c) const
{
    // Exactly the commands of the table, as the program writes them; anything else is refused.
    if (m_errorFor.contains(c))
        return "\r\nERROR\r\n";
    if (m_callerIdCommands.contains(c))
        return "\r\nOK\r\n";
    if (c.startsWith(QLatin1String("ATDT")) && c.endsWith(QLatin1Char(';')))
        return "\r\nOK\r\n";
    if (c == QLatin1String("ATA"))
        return QByteArray();
    if (c == QLatin1String("ATH") || c == QLatin1String("AT"))
        return "\r\nOK\r\n";
    for (int k = 1; k <= 10; ++k) {
        if (c == QLatin1String("ATI") + QString::number(k))
            return "\r\n" + m_identification.toLatin1() + " (I" + QByteArray::number(k) + ")\r\n\r\nOK\r\n";
    }
    return "\r\nERROR\r\n";
}

QByteArray ModemSim::report(const QString &mmdd, const QString &hhmm, const QString &number, const QString &name)
{
    return QStringLiteral("\r\nDATE = %1\r\nTIME = %2\r\nNMBR = %3\r\nNAME = %4\r\n")
        .arg(mmdd, hhmm, number, name)
        .toLatin1();
}

void ModemSim::placeCall(const Call &call)
{
    const QByteArray ring = "\r\nRING\r\n";
    for (int i = 0; i < call.ringsBefore; ++i)
        m_steps.append({i == 0 ? 0 : call.ringGapMs, ring});
    if (!call.report.isEmpty()) {
        const int size = call.chunkSize > 0 ? call.chunkSize : int(call.report.size());
        for (int pos = 0; pos < call.report.size(); pos += size)
            m_steps.append({pos == 0 ? call.ringGapMs / 2 : call.chunkGapMs, call.report.mid(pos, size)});
    }
    for (int i = 0; i < call.ringsAfter; ++i)
        m_steps.append({call.ringGapMs, ring});
    if (!m_stepTimer->isActive())
        m_stepTimer->start(m_steps.isEmpty() ? 0 : m_steps.first().delayMs);
}

void ModemSim::runNextStep()
{
    if (m_steps.isEmpty())
        return;
    send(m_steps.takeFirst().bytes);
    if (m_steps.isEmpty()) {
        emit callSent();
        return;
    }
    m_stepTimer->start(m_steps.first().delayMs);
}

ModemSimThread::ModemSimThread(QObject *parent) : QObject(parent), m_thread(new QThread(this))
{
    m_thread->setObjectName(QStringLiteral("modem"));
    m_thread->start();
    m_sim = new ModemSim;
    m_sim->moveToThread(m_thread);
    run([this](ModemSim &sim) {
        m_open = sim.open();
        m_device = sim.devicePath();
    });
}

ModemSimThread::~ModemSimThread()
{
    run([](ModemSim &sim) { sim.close(); });
    QMetaObject::invokeMethod(
        m_sim, [this] { delete m_sim; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void ModemSimThread::run(const std::function<void(ModemSim &)> &f)
{
    QMetaObject::invokeMethod(
        m_sim, [this, &f] { f(*m_sim); }, Qt::BlockingQueuedConnection);
}

void ModemSimThread::clearLog()
{
    m_sim->clearLog();
}

bool ModemSimThread::linkAs(const QString &programFolder, int comNumber)
{
    bool ok = false;
    run([&](ModemSim &sim) { ok = sim.linkAs(programFolder, comNumber); });
    return ok;
}

void ModemSimThread::placeCall(const ModemSim::Call &call)
{
    run([&](ModemSim &sim) { sim.placeCall(call); });
}

void ModemSimThread::send(const QByteArray &bytes)
{
    run([&](ModemSim &sim) { sim.send(bytes); });
}

void ModemSimThread::close()
{
    run([](ModemSim &sim) { sim.close(); });
}

bool ModemSimThread::waitForCommand(const QString &text, int timeoutMs, int from)
{
    auto seen = [&] { return m_sim->commandTexts().mid(from).contains(text); };
    if (seen())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_sim, &ModemSim::commandReceived, &loop, [&] {
        if (seen())
            loop.quit();
    });
    timeout.start(timeoutMs);
    if (!seen())
        loop.exec();
    return seen();
}

bool ModemSimThread::waitForCallSent(int timeoutMs)
{
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(m_sim, &ModemSim::callSent, &loop, &QEventLoop::quit);
    bool busy = true;
    run([&](ModemSim &sim) { busy = sim.callInProgress(); });
    if (busy)
        loop.exec();
    run([&](ModemSim &sim) { busy = sim.callInProgress(); });
    return !busy;
}
