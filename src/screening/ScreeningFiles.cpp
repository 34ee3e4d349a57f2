#include "ScreeningFiles.h"

#include <QRegularExpression>
#include <algorithm>

namespace ScreeningFiles {

namespace {

// The words of a line as NCID reads them: runs of non-blank characters, or everything between
// double quotes; `comment` gets what follows an unquoted '#'.
QStringList wordsOf(const QString &line, QString *comment, bool equalsIsWord)
{
    QStringList words;
    qsizetype i = 0;
    while (i < line.size()) {
        const QChar c = line[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('"')) {
            const qsizetype end = line.indexOf(QLatin1Char('"'), i + 1);
            words << line.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? line.size() : end + 1;
        } else if (c == QLatin1Char('#')) {
            if (comment)
                *comment = line.mid(i);
            break;
        } else if (equalsIsWord && c == QLatin1Char('=')) {
            words << QStringLiteral("=");
            ++i;
        } else {
            qsizetype end = i;
            while (end < line.size() && !line[end].isSpace() && line[end] != QLatin1Char('"') &&
                   !(equalsIsWord && line[end] == QLatin1Char('=')))
                ++end;
            words << line.mid(i, end - i);
            i = end;
        }
    }
    return words;
}

QStringList linesOf(const QByteArray &content)
{
    return QString::fromUtf8(content).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

bool tooBig(const QByteArray &content, Imported *out)
{
    if (content.size() <= MaxFileSize)
        return false;
    out->warnings << QStringLiteral("the file is larger than %1 MiB: nothing was read").arg(MaxFileSize >> 20);
    return true;
}

bool full(Imported *out)
{
    if (out->rules.size() + out->aliases.size() < MaxEntries)
        return false;
    if (out->warnings.isEmpty() || !out->warnings.last().startsWith(QLatin1String("more than")))
        out->warnings << QStringLiteral("more than %1 entries: the rest was left out").arg(MaxEntries);
    return true;
}

// A written number with its punctuation dropped, so that it compares with the digits a line
// sends; brackets are kept, since they match the number as the program shows it.
QString numberPattern(const QString &expression)
{
    if (expression.startsWith(QLatin1Char('/')) || expression.contains(QLatin1Char('(')))
        return expression;
    QString p = expression;
    p.remove(QRegularExpression(QStringLiteral("[-. +]")));
    return p.isEmpty() ? expression : p;
}

QString quoted(const QString &word)
{
    // A list word holds no quote: the reading rules end a word there.
    const bool blank = std::any_of(word.begin(), word.end(), [](QChar c) { return c.isSpace(); });
    if (blank || word.startsWith(QLatin1Char('#')))
        return QLatin1Char('"') + word + QLatin1Char('"');
    return word;
}

// vCard 2.1's quoted-printable, as phones still write names that are not ASCII.
QByteArray quotedPrintable(const QByteArray &in)
{
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() + 0 && QByteArray("0123456789ABCDEFabcdef").contains(in[i + 1]) &&
            QByteArray("0123456789ABCDEFabcdef").contains(in[i + 2])) {
            out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += in[i];
        }
    }
    return out;
}

QString unescaped(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            out += (n == QLatin1Char('n') || n == QLatin1Char('N')) ? QLatin1Char(' ') : n;
        } else {
            out += value[i];
        }
    }
    // A name goes into NCID's files between quotes: it holds none.
    return out.remove(QLatin1Char('"')).simplified();
}

} // namespace

RuleField fieldOf(const QString &expression)
{
    QString rest = expression;
    if (rest.size() >= 2 && rest.startsWith(QLatin1Char('/')) && rest.endsWith(QLatin1Char('/'))) {
        // A regular expression of digits, classes and escapes is for numbers.
        static const QRegularExpression letters(QStringLiteral("(?<!\\\\)[A-Za-z]"));
        return letters.match(rest.mid(1, rest.size() - 2)).hasMatch() ? RuleField::Name : RuleField::Number;
    }
    rest.remove(QRegularExpression(QStringLiteral("^\\^?(1\\?)?")));
    static const QRegularExpression numberish(QStringLiteral("^[-0-9*() +.]*[0-9][-0-9*() +.]*$"));
    return numberish.match(rest).hasMatch() ? RuleField::Number : RuleField::Name;
}

Kind kindOf(const QByteArray &content, const QString &fileName)
{
    const QByteArray head = content.left(64 * 1024);
    if (head.contains("BEGIN:VCARD") || head.contains("begin:vcard") || head.contains("BEGIN:vcard"))
        return Kind::VCard;
    bool aliases = false;
    for (const QString &line : linesOf(head)) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('#'))) {
            if (t.contains(QLatin1String("whitelist"), Qt::CaseInsensitive))
                return Kind::Whitelist;
            if (t.contains(QLatin1String("blacklist"), Qt::CaseInsensitive))
                return Kind::Blacklist;
            continue;
        }
        if (t.startsWith(QLatin1String("alias ")) || t.startsWith(QLatin1String("alias\t")))
            aliases = true;
    }
    if (aliases || fileName.endsWith(QLatin1String(".alias"), Qt::CaseInsensitive))
        return Kind::Alias;
    if (fileName.contains(QLatin1String("white"), Qt::CaseInsensitive) ||
        fileName.contains(QLatin1String("allow"), Qt::CaseInsensitive))
        return Kind::Whitelist;
    return Kind::Blacklist;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Blacklist:
        return QStringLiteral("block list");
    case Kind::Whitelist:
        return QStringLiteral("allow list");
    case Kind::Alias:
        return QStringLiteral("alias file");
    case Kind::VCard:
        return QStringLiteral("contacts");
    }
    return QString();
}

Imported parse(const QByteArray &content, Kind kind)
{
    switch (kind) {
    case Kind::Blacklist:
        return parseList(content, RuleAction::Block);
    case Kind::Whitelist:
        return parseList(content, RuleAction::Allow);
    case Kind::Alias:
        return parseAliases(content);
    case Kind::VCard:
        return parseVCards(content);
    }
    return Imported();
}

Imported parseList(const QByteArray &content, RuleAction action)
{
    Imported out;
    out.kind = action == RuleAction::Allow ? Kind::Whitelist : Kind::Blacklist;
    if (tooBig(content, &out))
        return out;
    int lineNumber = 0;
    for (const QString &line : linesOf(content)) {
        ++lineNumber;
        QString comment;
        const QStringList words = wordsOf(line, &comment, false);
        if (words.isEmpty())
            continue;
        ScreeningRule base;
        base.action = action;
        if (comment.startsWith(QLatin1String("#=")))
            base.name = comment.mid(2).trimmed().left(MaxAliasLength).trimmed();
        else
            base.comment = comment.mid(1).trimmed();
        for (const QString &word : words) {
            if (full(&out))
                return out;
            ScreeningRule r = base;
            r.field = fieldOf(word);
            r.pattern = r.field == RuleField::Number ? numberPattern(word) : word;
            const CompiledPattern p = ScreenPattern::compile(r.pattern, r.field);
            if (p.kind == CompiledPattern::Invalid) {
                out.warnings
                    << QStringLiteral("line %1: %2 left out: %3").arg(lineNumber).arg(word.left(40), p.warning);
                continue;
            }
            out.rules << r;
        }
    }
    return out;
}

Imported parseAliases(const QByteArray &content)
{
    Imported out;
    out.kind = Kind::Alias;
    if (tooBig(content, &out))
        return out;
    int lineNumber = 0;
    for (const QString &line : linesOf(content)) {
        ++lineNumber;
        QStringList w = wordsOf(line, nullptr, true);
        if (w.isEmpty() || w.first() != QLatin1String("alias"))
            continue;
        if (full(&out))
            return out;
        w.removeFirst();
        QString keyword;
        if (!w.isEmpty() && (w.first() == QLatin1String("NMBR") || w.first() == QLatin1String("NAME") ||
                             w.first() == QLatin1String("LINE")))
            keyword = w.takeFirst();
        // FROM = TO [if DEPEND]
        const bool shaped = w.size() >= 3 && w[1] == QLatin1String("=") &&
                            (w.size() == 3 || (w.size() == 5 && w[3] == QLatin1String("if")));
        if (!shaped) {
            out.warnings << QStringLiteral("line %1: not an alias line this program reads").arg(lineNumber);
            continue;
        }
        const QString to = w[2].left(MaxAliasLength);
        const QString depend = w.size() == 5 ? w[4] : QString();
        // The program names callers by their number: a name given for a number is taken, a
        // changed number or line label is not.
        QString number;
        if (keyword == QLatin1String("NAME") && !depend.isEmpty())
            number = depend;
        else if (keyword.isEmpty() && depend.isEmpty() && fieldOf(w[0]) == RuleField::Number)
            number = w[0];
        QString digits = RuleSet::digitsOf(number);
        if (number.contains(QLatin1Char('*')) || number.contains(QLatin1Char('/')))
            digits.clear();
        if (digits.isEmpty() || to.isEmpty()) {
            out.warnings << QStringLiteral("line %1: only names for a whole number are taken").arg(lineNumber);
            continue;
        }
        out.aliases << qMakePair(digits, to);
    }
    return out;
}

Imported parseVCards(const QByteArray &content)
{
    Imported out;
    out.kind = Kind::VCard;
    if (tooBig(content, &out))
        return out;
    // Folded lines first: a line that begins with a blank goes on the line before; a
    // quoted-printable line that ends in '=' goes on in the next.
    QList<QByteArray> lines;
    for (const QByteArray &raw : content.split('\n')) {
        QByteArray l = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (!lines.isEmpty() && (l.startsWith(' ') || l.startsWith('\t')))
            lines.last() += l.mid(1);
        else if (!lines.isEmpty() && lines.last().endsWith('=') && lines.last().toUpper().contains("QUOTED-PRINTABLE"))
            lines.last() = lines.last().chopped(1) + l;
        else
            lines << l;
    }
    QString name;
    QStringList numbers;
    bool inCard = false;
    int card = 0;
    for (const QByteArray &l : std::as_const(lines)) {
        const qsizetype colon = l.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray head = l.left(colon).toUpper();
        QByteArray value = l.mid(colon + 1);
        QList<QByteArray> params = head.split(';');
        QByteArray property = params.takeFirst();
        if (const qsizetype dot = property.lastIndexOf('.'); dot >= 0)
            property = property.mid(dot + 1); // "item1.TEL"
        if (property == "BEGIN" && value.trimmed().toUpper() == "VCARD") {
            inCard = true;
            ++card;
            name.clear();
            numbers.clear();
            continue;
        }
        if (!inCard)
            continue;
        if (params.contains("ENCODING=QUOTED-PRINTABLE") || params.contains("QUOTED-PRINTABLE"))
            value = quotedPrintable(value);
        if (property == "FN") {
            name = unescaped(QString::fromUtf8(value));
        } else if (property == "N" && name.isEmpty()) {
            // Family;Given;Middle;Prefix;Suffix, where a card has no FN.
            const QStringList parts = QString::fromUtf8(value).split(QLatin1Char(';'));
            name = unescaped(QStringList({parts.value(1), parts.value(0)}).join(QLatin1Char(' ')));
        } else if (property == "TEL") {
            numbers << QString::fromUtf8(value);
        } else if (property == "END" && value.trimmed().toUpper() == "VCARD") {
            inCard = false;
            const QString shown = name.left(MaxAliasLength).trimmed();
            for (const QString &n : std::as_const(numbers)) {
                if (full(&out))
                    return out;
                const QString digits = RuleSet::digitsOf(n);
                if (digits.isEmpty() || digits.size() > 20) {
                    out.warnings << QStringLiteral("card %1: the number %2 left out").arg(card).arg(n.left(30));
                    continue;
                }
                ScreeningRule r;
                r.action = RuleAction::Allow;
                r.field = RuleField::Number;
                // A North American number with its 1 is the same caller without it.
                r.pattern = digits.size() == 11 && digits.startsWith(QLatin1Char('1'))
                                ? QStringLiteral("^1?") + digits.mid(1)
                                : QLatin1Char('^') + digits;
                r.comment = shown.isEmpty() ? QStringLiteral("contact") : QStringLiteral("contact: ") + shown;
                out.rules << r;
                if (!shown.isEmpty())
                    out.aliases << qMakePair(digits, shown);
            }
        }
    }
    return out;
}

QByteArray writeList(const RuleSet &set, RuleAction action)
{
    QString text = action == RuleAction::Allow ? QStringLiteral("# ncidd.hangup whitelist file\n")
                                               : QStringLiteral("# ncidd.hangup blacklist file\n");
    text += QStringLiteral("# Written by Ringlark Talking Caller ID (simple expressions)\n\n");
    for (const ScreeningRule &r : set.rules()) {
        if (r.action != action)
            continue;
        if (r.pattern.startsWith(QLatin1Char('/'))) {
            text += QStringLiteral("# not a simple expression: ") + QString(r.pattern).replace(QLatin1Char('\n'), ' ') +
                    QLatin1Char('\n');
            continue;
        }
        QString line = quoted(r.pattern);
        if (!r.name.isEmpty())
            line += QStringLiteral("    #= ") + r.name;
        else if (!r.comment.isEmpty())
            line += QStringLiteral("    # ") + r.comment;
        text += line.replace(QLatin1Char('\n'), QLatin1Char(' ')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray writeAliases(const RuleSet &set)
{
    QString text = QStringLiteral("# NCID - Network CallerID Server Alias File\n"
                                  "# Written by Ringlark Talking Caller ID\n\n");
    QStringList numbers = set.aliases().keys();
    numbers.sort();
    for (const QString &n : std::as_const(numbers)) {
        const QString name = QString(set.aliases().value(n)).remove(QLatin1Char('"')).replace(QLatin1Char('\n'), ' ');
        text += QStringLiteral("alias NAME * = \"%1\" if %2\n").arg(name, n);
    }
    return text.toUtf8();
}

} // namespace ScreeningFiles
