#pragma once

#include "RuleSet.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The screening lists other programs keep: NCID's ncidd.blacklist, ncidd.whitelist and
// ncidd.alias, and contacts as phones and address books export them (vCard). Imported files are
// someone else's bytes: every size is bounded and nothing in them is trusted.
namespace ScreeningFiles {

enum class Kind { Blacklist, Whitelist, Alias, VCard };

// A file larger than this is not read; more entries than the other are not taken.
constexpr qsizetype MaxFileSize = 16 * 1024 * 1024;
constexpr qsizetype MaxEntries = 200000;
constexpr qsizetype MaxAliasLength = 50; // as NCID keeps them

struct Imported {
    Kind kind = Kind::Blacklist;
    QList<ScreeningRule> rules;
    QList<QPair<QString, QString>> aliases; // number, name
    QStringList warnings;                   // one line for each entry that was left out, and why
};

// Told by the content: a vCard, an alias file, or a list whose header says whitelist or
// blacklist. A list without a header is a whitelist when `fileName` says so, else a blacklist.
Kind kindOf(const QByteArray &content, const QString &fileName = QString());
QString kindName(Kind kind);

Imported parse(const QByteArray &content, Kind kind);
Imported parseList(const QByteArray &content, RuleAction action);
Imported parseAliases(const QByteArray &content);
Imported parseVCards(const QByteArray &content);

// Which field a list entry speaks of: a number when, past its anchors and stars, it holds digits
// and telephone punctuation only.
RuleField fieldOf(const QString &expression);

// The rules of one action as NCID's list file, and the aliases as its alias file. A regular
// expression cannot go into a list of simple expressions: it is written as a comment.
QByteArray writeList(const RuleSet &set, RuleAction action);
QByteArray writeAliases(const RuleSet &set);

} // namespace ScreeningFiles
