#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The requests an NCID client sends about the server's lists, as NCID's own client sends them,
// and the answers ncidd gives:
//   REQ: black add "5551234567" "a comment"     -> 402 ..., RESP: lines, 411 End of response
//   REQ: INFO 5551234567&&JOHN DOE&&POTS        -> 403 ..., INFO: lines, 411 End of response
namespace Ncid {

struct Request {
    enum class Kind { None, List, Info };
    Kind kind = Kind::None;
    QString list;   // "black", "white" or "alias"
    QString action; // "add", "remove", "modify"...
    QString entry;  // the number (or pattern) the request is about
    QString extra;  // a comment (black, white) or the alias
    // Of an alias as NCID's client sends it ("NUMBER&&ALIAS" "TYPE&&NAME"): its type ("NAMEDEP":
    // the name shown for a number); empty for the plain form ("NUMBER" "ALIAS").
    QString aliasType;
    // For INFO: the caller asked about.
    QString number, name, line;
};

// A list request as NCID's client writes it: REQ: LIST ACTION "ENTRY" "EXTRA" (a quote inside
// either is left out: NCID has no way to write one).
QString listRequest(const QString &list, const QString &action, const QString &entry, const QString &extra);

// A "REQ: " line other than those ncidd answers itself (RELOAD, UPDATE, REREAD, ACK, YO), or
// Kind::None.
Request parseRequest(const QString &line);

// The answer to a list request: "402 Start of data showing status of handled request", a RESP:
// line each, "411 End of response".
QByteArray listResponse(const QStringList &lines);
// The answer to INFO: "403 Start of data defining permitted requests", an INFO: line each, 411.
QByteArray infoResponse(const QStringList &lines);

} // namespace Ncid
