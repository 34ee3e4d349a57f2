#include "Log.h"

#include <QDateTime>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcModem, "ringlark.modem", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCalls, "ringlark.calls", QtWarningMsg)
Q_LOGGING_CATEGORY(lcVoice, "ringlark.voice", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "ringlark.files", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "ringlark.ui", QtWarningMsg)

namespace {

bool g_toJournal = false;

#ifdef Q_OS_UNIX
// A program started from the desktop of a systemd session has its standard error connected to
// the journal, named in JOURNAL_STREAM ("device:inode") by systemd, or only by the socket's far
// end where a launcher connected it. Lines written there carry the launcher's name for the
// program; through syslog they carry "ringlark", so that `journalctl --user -t ringlark` finds them.
bool stderrIsJournal()
{
    struct stat st {};
    if (::fstat(STDERR_FILENO, &st) != 0 || !S_ISSOCK(st.st_mode))
        return false;
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    if (stream == QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)))
        return true;
    sockaddr_un peer{};
    socklen_t length = sizeof peer;
    return ::getpeername(STDERR_FILENO, reinterpret_cast<sockaddr *>(&peer), &length) == 0 &&
           peer.sun_family == AF_UNIX && qstrcmp(peer.sun_path, "/run/systemd/journal/stdout") == 0;
}

int syslogPriority(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return LOG_DEBUG;
    case QtInfoMsg:
        return LOG_INFO;
    case QtWarningMsg:
        return LOG_WARNING;
    case QtCriticalMsg:
        return LOG_CRIT;
    case QtFatalMsg:
        return LOG_ALERT;
    }
    return LOG_NOTICE;
}
#endif

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString category = context.category && qstrcmp(context.category, "default") != 0
                                 ? QString::fromLatin1(context.category) + QStringLiteral(": ")
                                 : QString();
#ifdef Q_OS_UNIX
    if (g_toJournal) {
        ::syslog(syslogPriority(type), "%s", qPrintable(category + message));
        return;
    }
#endif
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + category + message;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

namespace ProgramLog {

void install(bool verbose)
{
    // Connects, drops and retries are told at info, every line at debug: both are shown.
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("ringlark.*.debug=true\nringlark.*.info=true"));
#ifdef Q_OS_UNIX
    g_toJournal = stderrIsJournal();
    if (g_toJournal)
        ::openlog("ringlark", LOG_PID, LOG_USER);
#endif
    qInstallMessageHandler(handler);
}

void fileWritten(const QString &path, const QString &what, bool ok, const QString &error)
{
    const QString subject = what.isEmpty() ? path : path + QLatin1Char(' ') + what;
    if (ok)
        qCDebug(lcFiles).noquote() << subject << "written";
    else
        qCWarning(lcFiles).noquote() << subject << "not written:" << error;
}

void LineLog::add(const QString &port, QStringView text)
{
    if (!lcModem().isDebugEnabled())
        return;
    m_partial += text;
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_partial.size(); ++i) {
        const QChar c = m_partial.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        if (i > start)
            qCDebug(lcModem).noquote() << port << m_arrow << m_partial.mid(start, i - start);
        start = i + 1;
    }
    m_partial.remove(0, start);
    // A modem that never ends its line is still heard, a screenful at a time.
    if (m_partial.size() > 256)
        flush(port);
}

void LineLog::flush(const QString &port)
{
    if (!m_partial.isEmpty())
        qCDebug(lcModem).noquote() << port << m_arrow << m_partial;
    m_partial.clear();
}

} // namespace ProgramLog
