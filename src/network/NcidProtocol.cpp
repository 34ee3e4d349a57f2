#include "NcidProtocol.h"

#include <QHash>
#include <optional>
#include <utility>

Q_LOGGING_CATEGORY(lcNetwork, "ringlark.network", QtWarningMsg)

namespace Ncid {

namespace {

// A star would end the field early and a line end would end the line: a name that holds one
// must not make up fields or lines of its own at the other end. Such a character goes as a blank.
bool breaksField(QChar c)
{
    return c == QLatin1Char('*') || c.unicode() < 32 || c.unicode() == 127;
}

QString plainText(const QString &value)
{
    QString v;
    v.reserve(value.size());
    for (QChar c : value) {
        if (breaksField(c))
            v += QLatin1Char(' ');
        else
            v += c;
    }
    return v;
}

} // namespace

QString fieldText(const QString &value)
{
    const QString v = plainText(value).trimmed();
    return v.isEmpty() ? QStringLiteral("-") : v;
}

namespace {

// fieldText(value), in Latin-1, onto the end of `out` without a copy of its own.
void appendField(QByteArray &out, const QString &value)
{
    // Trimmed as QString::trimmed does, a replaced character counting as a blank.
    const auto blank = [](QChar c) { return c.isSpace() || breaksField(c); };
    qsizetype first = 0, last = value.size();
    while (first < last && blank(value.at(first)))
        ++first;
    while (last > first && blank(value.at(last - 1)))
        --last;
    if (first == last) {
        out += '-';
        return;
    }
    for (qsizetype i = first; i < last; ++i) {
        const QChar c = value.at(i);
        out += breaksField(c) ? ' ' : c.unicode() < 256 ? char(c.unicode()) : '?';
    }
}

} // namespace

QString dateField(const QDate &date)
{
    if (!date.isValid() || date.year() < 0 || date.year() > 9999)
        return QString();
    const int digits[] = {date.month() / 10,  date.month() % 10,      date.day() / 10,       date.day() % 10,
                          date.year() / 1000, date.year() / 100 % 10, date.year() / 10 % 10, date.year() % 10};
    QString text(8, Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        text[i] = QLatin1Char(char('0' + digits[i]));
    return text;
}

QByteArray callLine(const QString &label, const Call &call)
{
    // Put together piece by piece: a call's line is written while the reader waits for it.
    QByteArray text = label.toLatin1();
    text.reserve(160);
    const std::pair<const char *, const QString *> fields[] = {{": *DATE*", &call.date}, {"*TIME*", &call.time},
                                                               {"*LINE*", &call.line},   {"*NMBR*", &call.number},
                                                               {"*MESG*", &call.mesg},   {"*NAME*", &call.name}};
    for (const auto &[key, value] : fields) {
        text += key;
        appendField(text, *value);
    }
    text += "*\r\n";
    return text;
}

QString sentField(const QString &value)
{
    if (value == QLatin1String("P"))
        return QStringLiteral("PRIVATE");
    if (value == QLatin1String("O"))
        return QStringLiteral("OUT-OF-AREA");
    if (value == QLatin1String("A"))
        return QStringLiteral("ANONYMOUS");
    return value;
}

QByteArray messageLine(const QString &text, const Call &call)
{
    auto or_ = [](const QString &v, const char *none) { return v.isEmpty() ? QString::fromLatin1(none) : v; };
    return QStringLiteral("MSG: %1 ***DATE*%2*TIME*%3*NAME*%4*NMBR*%5*LINE*%6*MTYPE*-*\r\n")
        .arg(fieldText(text), fieldText(call.date), fieldText(call.time), fieldText(or_(call.name, "NO NAME")),
             fieldText(or_(call.number, "NO-NUMBER")), fieldText(or_(call.line, "NO-LINE")))
        .toLatin1();
}

QByteArray tooManyClients(int clients, const QString &dateTime)
{
    return QStringLiteral("MSG: Too many clients connected (%1) %2\r\n").arg(clients).arg(dateTime).toLatin1();
}

QByteArray notAllowed(const QString &address, const QString &dateTime)
{
    return QStringLiteral("MSG: Client %1 not allowed to connect %2\r\n").arg(address, dateTime).toLatin1();
}

QByteArray ringLine(const QString &line, int ring, const QString &time)
{
    return QStringLiteral("CIDINFO: *LINE*%1*RING*%2*TIME*%3*\r\n")
        .arg(fieldText(line))
        .arg(ring)
        .arg(fieldText(time))
        .toLatin1();
}

QByteArray greeting(const QString &serverName)
{
    // Feature set 1 ("modem and device support") is the only one this server has.
    return QByteArrayLiteral("200 ") + fieldText(serverName).toLatin1() +
           QByteArrayLiteral("\r\n210 API: 1.5 Feature Set 1\r\n");
}

namespace {

// The *LABEL*value* pairs after the line's label. The name is the last field of a call line;
// a star inside it (servers pass names on as they get them) is kept as part of the name. A
// message's fields put the name in the middle: there it ends at its star.
void readFields(const QString &rest, Message &m, bool nameIsLast = true)
{
    const QString t = rest.trimmed();
    if (!t.startsWith(QLatin1Char('*')))
        return;
    const QStringList parts = t.mid(1).split(QLatin1Char('*'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &label = parts.at(i);
        QString value = parts.at(i + 1);
        if (label == QLatin1String("NAME") && nameIsLast) {
            // Everything up to the final star.
            QStringList tail = parts.mid(i + 1);
            if (tail.size() > 1 && tail.constLast().isEmpty())
                tail.removeLast();
            value = tail.join(QLatin1Char('*'));
            m.call.name = value;
            break;
        }
        if (label == QLatin1String("NAME"))
            m.call.name = value;
        else if (label == QLatin1String("DATE"))
            m.call.date = value;
        else if (label == QLatin1String("TIME"))
            m.call.time = value;
        else if (label == QLatin1String("LINE"))
            m.call.line = value;
        else if (label == QLatin1String("NMBR"))
            m.call.number = value;
        else if (label == QLatin1String("MESG"))
            m.call.mesg = value;
        else if (label == QLatin1String("RING"))
            m.ring = value.toInt(&m.ringValid);
    }
}

} // namespace

Message parse(const QString &line)
{
    Message m;
    m.call.line.clear();
    m.call.mesg.clear();
    if (line.size() >= 3 && line.at(0).isDigit() && line.at(1).isDigit() && line.at(2).isDigit() &&
        (line.size() == 3 || line.at(3) == QLatin1Char(' '))) {
        m.kind = Kind::Status;
        m.status = line.left(3).toInt();
        m.text = line.mid(4);
        return m;
    }
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return m;
    const QString label = line.left(colon);
    const QString rest = line.mid(colon + 1);
    static const struct {
        const char *label;
        Kind kind;
    } Labels[] = {{"CID", Kind::Cid}, {"CIDINFO", Kind::CidInfo}, {"HUP", Kind::Hup},       {"BLK", Kind::Blk},
                  {"PID", Kind::Pid}, {"WID", Kind::Wid},         {"CIDLOG", Kind::CidLog}, {"HUPLOG", Kind::HupLog},
                  {"MSG", Kind::Msg}, {"HELLO", Kind::Hello}};
    for (const auto &l : Labels) {
        if (label == QLatin1String(l.label))
            m.kind = l.kind;
    }
    if (m.kind == Kind::Hello) {
        m.text = rest.trimmed();
        return m;
    }
    if (m.kind == Kind::Msg) {
        // The text is what comes before the fields ncidd adds (" ***", or " ###" as a client
        // sends them); the fields are read, not shown.
        qsizetype fields = rest.indexOf(QLatin1String(" ***"));
        if (fields < 0)
            fields = rest.indexOf(QLatin1String(" ###"));
        m.text = rest.left(fields).trimmed();
        if (fields >= 0)
            readFields(rest.mid(fields + 4).prepend(QLatin1Char('*')), m, false);
        return m;
    }
    if (m.kind == Kind::Other)
        return m;
    readFields(rest, m);
    m.call.refused = m.kind == Kind::Hup || m.kind == Kind::HupLog || m.kind == Kind::Blk;
    // A call line without a number is no call; a ring line without a count is no ring.
    if ((m.kind == Kind::CidInfo && !m.ringValid) || (m.kind != Kind::CidInfo && m.call.number.isEmpty()))
        m.kind = Kind::Other;
    return m;
}

namespace {

// A gateway's line cut into its "...LABELvalue..." parts: each label's value as sent (trimmed),
// the first of a label kept, as ncidd reads the first; "CANCEL" and "BYE" stand alone, under
// HTYPE. None when the line is not of the gateway form.
std::optional<QHash<QString, QString>> gatewayFields(const QString &text)
{
    QString body = text.mid(text.indexOf(QLatin1Char(':')) + 1).trimmed();
    if (!body.startsWith(QLatin1String("###")))
        return std::nullopt;
    body = body.mid(3);
    const qsizetype end = body.indexOf(QLatin1String("+++"));
    if (end >= 0)
        body.truncate(end);
    static const QStringList Labels = {QStringLiteral("SCALL"), QStringLiteral("ECALL"), QStringLiteral("DATE"),
                                       QStringLiteral("CALL"),  QStringLiteral("LINE"),  QStringLiteral("NMBR"),
                                       QStringLiteral("NAME")};
    QHash<QString, QString> fields;
    for (const QString &part : body.split(QLatin1String("..."))) {
        if (part == QLatin1String("CANCEL") || part == QLatin1String("BYE")) {
            if (!fields.contains(QStringLiteral("HTYPE")))
                fields.insert(QStringLiteral("HTYPE"), part);
            continue;
        }
        for (const QString &label : Labels) {
            if (part.startsWith(label)) {
                if (!fields.contains(label))
                    fields.insert(label, part.mid(label.size()).trimmed());
                break;
            }
        }
    }
    return fields;
}

// The end of a gateway's call as ncidd sends it to every client, its fields as the gateway sent
// them ("-" for one it did not send):
//   END: *HTYPE*CANCEL*DATE*mmddyyyy*TIME*hhmm*SCALL*...*ECALL*...*CTYPE*IN*LINE*...*NMBR*...*NAME*...*
// NMBR and NAME keep a withheld P or O, as ncidd keeps them here. The line is the one its CIDINFO
// names (the server's own for a gateway that names none), so that a client can pair the two.
QByteArray endLine(const QHash<QString, QString> &f, const QString &line, const QDateTime &now)
{
    auto sent = [&f](const char *label) {
        const auto it = f.constFind(QLatin1String(label));
        return it == f.cend() ? QStringLiteral("-") : plainText(*it);
    };
    const QString date = f.value(QStringLiteral("DATE"));
    const bool dated = date.size() >= 8; // mmddhhmm
    return QStringLiteral("END: *HTYPE*%1*DATE*%2*TIME*%3*SCALL*%4*ECALL*%5*CTYPE*%6*LINE*%7*NMBR*%8*NAME*%9*\r\n")
        .arg(sent("HTYPE"),
             dated ? plainText(date.left(4)) + now.toString(QStringLiteral("yyyy")) : QStringLiteral("-"),
             dated ? plainText(date.mid(4, 4)) : QStringLiteral("-"), sent("SCALL"), sent("ECALL"), sent("CALL"),
             fieldText(line), sent("NMBR"), sent("NAME"))
        .toLatin1();
}

} // namespace

QByteArray fromGateway(const QString &text, const QDateTime &now, const QString &line)
{
    const bool isCall = text.startsWith(QLatin1String("CALL: "));
    const bool isInfo = text.startsWith(QLatin1String("CALLINFO: "));
    if (!isCall && !isInfo)
        return {};
    const std::optional<QHash<QString, QString>> fields = gatewayFields(text);
    if (!fields)
        return {};
    const QHash<QString, QString> &f = *fields;
    Call call;
    call.line = f.value(QStringLiteral("LINE"));
    if (call.line.isEmpty())
        call.line = line;
    if (isInfo) {
        // The end of the call's ringing (-1: the caller gave up, -2: it was answered), then the
        // end of the call itself, which ncidd sends for every CALLINFO.
        const QString htype = f.value(QStringLiteral("HTYPE"));
        QByteArray out;
        if (!htype.isEmpty())
            out = ringLine(call.line, htype == QLatin1String("CANCEL") ? -1 : -2,
                           now.toString(QStringLiteral("HH:mm:ss")));
        return out + endLine(f, call.line, now);
    }
    static const QStringList Types = {QStringLiteral("IN"),  QStringLiteral("OUT"), QStringLiteral("HUP"),
                                      QStringLiteral("BLK"), QStringLiteral("PID"), QStringLiteral("WID")};
    const QString type = f.value(QStringLiteral("CALL"), QStringLiteral("IN"));
    if (!f.contains(QStringLiteral("NMBR")) || !Types.contains(type))
        return {};
    const QString date = f.value(QStringLiteral("DATE"));
    if (date.size() >= 8) {
        call.date = date.left(4) + now.toString(QStringLiteral("yyyy"));
        call.time = date.mid(4, 4);
    } else {
        call.date = now.toString(QStringLiteral("MMddyyyy"));
        call.time = now.toString(QStringLiteral("HHmm"));
    }
    // Where ncidd 1.6 reads these fields differently, the server keeps what the gateway said:
    // ncidd takes a value of one character for none (its check looks one character too far,
    // so a withheld P comes out as NO-NUMBER), cuts a number at its first dot and a name at its
    // first plus, and sends nothing for a call without a NAME field.
    const QString number = f.value(QStringLiteral("NMBR")), name = f.value(QStringLiteral("NAME"));
    call.number = number.isEmpty() ? QStringLiteral("NO-NUMBER") : sentField(number);
    call.name = name.isEmpty() ? QStringLiteral("NO NAME") : sentField(name);
    return callLine(type == QLatin1String("IN") ? QStringLiteral("CID") : type, call);
}

QList<QString> LineReader::feed(const QByteArray &bytes)
{
    QList<QString> lines;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        const qsizetype end = lf < 0 ? bytes.size() : lf;
        if (!m_skipping) {
            // One byte more than the bound for the CR of a CR LF.
            if (m_partial.size() + (end - from) > m_max + 1) {
                // Too long to be a line: dropped whole, to its line end.
                m_partial.clear();
                m_skipping = true;
                ++m_dropped;
            } else {
                m_partial.append(bytes.constData() + from, end - from);
            }
        }
        if (lf < 0)
            break;
        if (m_partial.endsWith('\r'))
            m_partial.chop(1);
        if (m_partial.size() > m_max)
            ++m_dropped;
        else if (!m_skipping)
            lines.append(QString::fromLatin1(m_partial));
        m_partial.clear();
        m_skipping = false;
        from = lf + 1;
    }
    return lines;
}

} // namespace Ncid
