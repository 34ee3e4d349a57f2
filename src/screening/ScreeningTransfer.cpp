#include "ScreeningTransfer.h"

#include "Screening.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ScreeningTransfer {

Imported importFile(Screening &screening, const QString &path)
{
    Imported in;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        in.error = QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString());
        return in;
    }
    // Read up to the limit whatever the file claims to be (a device or a pipe has no size).
    const QByteArray content = f.read(ScreeningFiles::MaxFileSize + 1);
    if (content.size() > ScreeningFiles::MaxFileSize) {
        in.error = QStringLiteral("%1 is larger than %2 MiB").arg(path).arg(ScreeningFiles::MaxFileSize >> 20);
        return in;
    }
    in.kind = ScreeningFiles::kindOf(content, QFileInfo(path).fileName());
    const ScreeningFiles::Imported parsed = ScreeningFiles::parse(content, in.kind);
    in.warnings = parsed.warnings;
    QString error;
    if (!screening.store().addAll(parsed.rules, parsed.aliases, &error)) {
        in.error = QStringLiteral("%1 could not be stored: %2").arg(path, error);
        return in;
    }
    in.stored = true;
    in.rules = parsed.rules.size();
    in.aliases = parsed.aliases.size();
    if (!screening.reload(&error))
        in.error = error;
    return in;
}

QString fileNameOf(ScreeningFiles::Kind kind)
{
    switch (kind) {
    case ScreeningFiles::Kind::Blacklist:
        return QStringLiteral("ncidd.blacklist");
    case ScreeningFiles::Kind::Whitelist:
        return QStringLiteral("ncidd.whitelist");
    case ScreeningFiles::Kind::Alias:
        return QStringLiteral("ncidd.alias");
    case ScreeningFiles::Kind::VCard:
        break;
    }
    return QStringLiteral("contacts.vcf");
}

bool exportFile(const RuleSet &set, ScreeningFiles::Kind kind, const QString &path, QString *error)
{
    if (kind == ScreeningFiles::Kind::VCard) {
        if (error)
            *error = QStringLiteral("contacts are read, not written");
        return false;
    }
    const QByteArray bytes =
        kind == ScreeningFiles::Kind::Alias
            ? ScreeningFiles::writeAliases(set)
            : ScreeningFiles::writeList(set, kind == ScreeningFiles::Kind::Whitelist ? RuleAction::Allow
                                                                                     : RuleAction::Block);
    QSaveFile file(path);
    // Not committed, the save file goes with its temporary copy: nothing half written is left.
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace ScreeningTransfer
