#pragma once

#include <QLoggingCategory>
#include <QString>

// What the program did, for a user or a developer who wants to know afterwards: warnings and
// errors always, debug lines when asked for (QT_LOGGING_RULES="ringlark.*.debug=true", or
// --verbose). Each subsystem writes under its own category.
Q_DECLARE_LOGGING_CATEGORY(lcModem) // ringlark.modem: every line to and from the modem
Q_DECLARE_LOGGING_CATEGORY(lcCalls) // ringlark.calls: each call shown, refused, stored
Q_DECLARE_LOGGING_CATEGORY(lcVoice) // ringlark.voice: what was said
Q_DECLARE_LOGGING_CATEGORY(lcFiles) // ringlark.files: each data-file write and its result
Q_DECLARE_LOGGING_CATEGORY(lcUi)    // ringlark.ui: every message box, by its title

namespace ProgramLog {

// Sends the program's log where the user finds it: to the journal under the name "ringlark"
// when standard error already goes there (started from a desktop session under systemd), else
// to standard error, each line with its time. `verbose` switches every debug line on.
void install(bool verbose);

// A data file was written (or not): one line under ringlark.files, a warning when it failed.
void fileWritten(const QString &path, const QString &what, bool ok, const QString &error = QString());

// What the modem sent or was sent, a line at a time. `port` names it ("COM1"); `text` may hold
// several lines or a part of one: each line is logged once it is whole.
class LineLog {
public:
    explicit LineLog(QString arrow) : m_arrow(std::move(arrow)) {}
    void add(const QString &port, QStringView text);
    // What is left of an unfinished line (the port closes).
    void flush(const QString &port);

private:
    QString m_arrow;
    QString m_partial;
};

} // namespace ProgramLog
