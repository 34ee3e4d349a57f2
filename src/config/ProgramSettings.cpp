#include "ProgramSettings.h"

#include "FileReplace.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <variant>

namespace {

using Member = std::variant<bool ProgramSettings::*, QString ProgramSettings::*, quint16 ProgramSettings::*>;
using Value = std::variant<bool, QString, quint16>;

struct Setting {
    const char *key;
    Member member;
    Value fallback;
};

// Every setting of the file: a new one is a row here and its member.
const Setting Table[] = {
    {"ncid/publish", &ProgramSettings::ncidServerEnabled, false},
    {"ncid/listenAddress", &ProgramSettings::ncidServerAddress, QString()},
    {"ncid/listenPort", &ProgramSettings::ncidServerPort, ProgramSettings::NcidDefaultPort},
    {"ncid/lineName", &ProgramSettings::ncidLineName, QStringLiteral("POTS")},
    {"ncid/listsFrom", &ProgramSettings::ncidListsFrom, QString()},
    {"ncid/clientsFrom", &ProgramSettings::ncidClientsFrom, QString()},
    {"ncid/takeCalls", &ProgramSettings::ncidClientEnabled, false},
    {"ncid/serverHost", &ProgramSettings::ncidClientHost, QString()},
    {"ncid/serverPort", &ProgramSettings::ncidClientPort, ProgramSettings::NcidDefaultPort},
    {"desktop/speakNames", &ProgramSettings::speakNames, false},
    {"desktop/notifications", &ProgramSettings::notifications, true},
    {"desktop/serviceOffered", &ProgramSettings::serviceOffered, false},
};

quint16 portValue(const QVariant &v, quint16 fallback)
{
    bool ok = false;
    const uint n = v.toUInt(&ok);
    return ok && n > 0 && n <= 65535 ? quint16(n) : fallback;
}

bool boolValue(const QVariant &v, bool fallback)
{
    if (!v.isValid())
        return fallback;
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    return fallback;
}

// The value of `setting` in the file, or its default when the file has none that fits.
void read(ProgramSettings &p, const Setting &setting, const QVariant &v)
{
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(p.*member)>;
            const T fallback = std::get<T>(setting.fallback);
            if constexpr (std::is_same_v<T, bool>)
                p.*member = boolValue(v, fallback);
            else if constexpr (std::is_same_v<T, quint16>)
                p.*member = portValue(v, fallback);
            else if (v.typeId() == QMetaType::QStringList) // commas not quoted: a list to QSettings
                p.*member = v.toStringList().join(QStringLiteral(", ")).trimmed();
            else
                p.*member = v.isValid() ? v.toString().trimmed() : fallback;
        },
        setting.member);
}

QVariant written(const ProgramSettings &p, const Setting &setting)
{
    // Written as the plain types QSettings writes as text (a quint16 would become a serialised
    // variant).
    return std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(p.*member)>;
            if constexpr (std::is_same_v<T, quint16>)
                return QVariant(int(p.*member));
            else
                return QVariant(p.*member);
        },
        setting.member);
}

// A file too long to be ours is set aside before anything reads it: QSettings reads a file
// whole, on load and again on every save. False when it is still there (no copy could be made).
bool setAsideIfOversized(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= ProgramSettings::MaxFileSize)
        return true;
    QString error;
    const QString copy = keepDamagedCopy(path, &error);
    if (copy.isEmpty()) {
        qCWarning(lcFiles).noquote() << path << "is" << info.size() << "bytes long and not read; no copy:" << error;
        return false;
    }
    if (!QFile::remove(path)) {
        qCWarning(lcFiles).noquote() << path << "is" << info.size() << "bytes long and not read; kept as" << copy;
        return false;
    }
    qCWarning(lcFiles).noquote() << path << "is" << info.size() << "bytes long and not read; kept as" << copy;
    reportDamagedFile(path, copy);
    return true;
}

} // namespace

ProgramSettings::ProgramSettings()
{
    for (const Setting &setting : Table)
        read(*this, setting, QVariant());
}

ProgramSettings ProgramSettings::load(const QString &folder)
{
    ProgramSettings p;
    const QString path = QDir(folder).filePath(fileName());
    if (!QFileInfo(path).isFile() || !setAsideIfOversized(path) || !QFileInfo(path).isFile())
        return p;
    const QSettings s(path, QSettings::IniFormat);
    for (const Setting &setting : Table)
        read(p, setting, s.value(QLatin1String(setting.key)));
    return p;
}

bool ProgramSettings::save(const QString &folder, QString *error) const
{
    const QString path = QDir(folder).filePath(fileName());
    auto fail = [&](const QString &reason) {
        ProgramLog::fileWritten(path, QString(), false, reason);
        if (error)
            *error = reason;
        return false;
    };
    // The file is merged into, so it is read first: never one that is not ours.
    if (!setAsideIfOversized(path))
        return fail(QStringLiteral("the file is too long to be a settings file"));
    {
        // A damaged file was read as defaults; it is written anew rather than left in the way.
        const QSettings old(path, QSettings::IniFormat);
        old.allKeys(); // the file is parsed on first use; its status is known only then
        if (old.status() == QSettings::FormatError)
            QFile::remove(path);
    }
    QSettings s(path, QSettings::IniFormat);
    for (const Setting &setting : Table)
        s.setValue(QLatin1String(setting.key), written(*this, setting));
    s.sync();
    const QString reason = s.status() == QSettings::NoError       ? QString()
                           : s.status() == QSettings::AccessError ? QStringLiteral("the file could not be written")
                                                                  : QStringLiteral("the file is damaged");
    if (!reason.isEmpty())
        return fail(reason);
    ProgramLog::fileWritten(path, QString(), true);
    if (error)
        error->clear();
    return true;
}

bool parseHostPort(const QString &text, QString *host, quint16 *port, quint16 defaultPort, bool hostRequired)
{
    const QString t = text.trimmed();
    QString h;
    QString p;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        h = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        p = rest.mid(1);
        if (rest.isEmpty())
            p.clear();
    } else if (t.count(QLatin1Char(':')) > 1) {
        h = t; // a bare IPv6 address, no port
    } else {
        const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            h = t.left(colon);
            p = t.mid(colon + 1);
        } else if (hostRequired) {
            h = t;
        } else {
            p = t; // "PORT" alone
        }
    }
    quint16 number = defaultPort;
    if (!p.isEmpty() || (!hostRequired && h.isEmpty())) {
        bool ok = false;
        const uint v = p.toUInt(&ok);
        if (!ok || v == 0 || v > 65535)
            return false;
        number = quint16(v);
    }
    if (hostRequired && h.isEmpty())
        return false;
    if (h.contains(QLatin1Char(' ')))
        return false;
    *host = h;
    *port = number;
    return true;
}
