#include "NcidRequests.h"

namespace Ncid {

namespace {

// The words of a request: blank-separated, a quoted one whole (quotes removed).
QStringList words(const QString &text)
{
    QStringList out;
    QString word;
    bool quoted = false, any = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c.isSpace() && !quoted) {
            if (any)
                out << word;
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        out << word;
    return out;
}

QByteArray response(const char *start, const char *label, const QStringList &lines)
{
    QByteArray out = QByteArray(start) + "\r\n";
    for (const QString &l : lines) {
        QString one = l;
        one.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += QByteArray(label) + one.toLatin1() + "\r\n";
    }
    return out + "411 End of response\r\n";
}

} // namespace

QString listRequest(const QString &list, const QString &action, const QString &entry, const QString &extra)
{
    auto quoted = [](QString text) { return QLatin1Char('"') + text.remove(QLatin1Char('"')) + QLatin1Char('"'); };
    return QStringLiteral("REQ: %1 %2 %3 %4").arg(list, action, quoted(entry), quoted(extra));
}

Request parseRequest(const QString &line)
{
    Request r;
    if (!line.startsWith(QLatin1String("REQ: ")))
        return r;
    const QString body = line.mid(5).trimmed();
    if (body.startsWith(QLatin1String("INFO "))) {
        const QStringList parts = body.mid(5).split(QStringLiteral("&&"));
        r.kind = Request::Kind::Info;
        r.number = parts.value(0).trimmed();
        r.name = parts.value(1).trimmed();
        r.line = parts.value(2).trimmed();
        return r;
    }
    const QStringList w = words(body);
    if (w.size() < 3 ||
        !(w[0] == QLatin1String("black") || w[0] == QLatin1String("white") || w[0] == QLatin1String("alias")))
        return r;
    r.kind = Request::Kind::List;
    r.list = w[0];
    r.action = w[1];
    r.entry = w[2];
    r.extra = w.value(3);
    if (r.list == QLatin1String("alias") && r.entry.contains(QLatin1String("&&"))) {
        const qsizetype cut = r.entry.indexOf(QLatin1String("&&"));
        r.aliasType = r.extra.section(QLatin1String("&&"), 0, 0).trimmed();
        r.extra = r.entry.mid(cut + 2);
        r.entry.truncate(cut);
    }
    return r;
}

QByteArray listResponse(const QStringList &lines)
{
    return response("402 Start of data showing status of handled request", "RESP: ", lines);
}

QByteArray infoResponse(const QStringList &lines)
{
    return response("403 Start of data defining permitted requests", "INFO: ", lines);
}

} // namespace Ncid
