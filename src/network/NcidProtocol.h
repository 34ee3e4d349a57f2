#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLoggingCategory>
#include <QString>

// Connects, drops and errors of the network side, for `--verbose` and QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)

// The NCID protocol: text lines ended by CR LF (LF alone is accepted), with fields written as
// *LABEL*value* pairs. Pure functions and a line reader: no socket, no window.
namespace Ncid {

constexpr quint16 DefaultPort = 3333;
// A line longer than this from the other side is not a line of the protocol: dropped.
constexpr int MaxLineBytes = 1024;
inline const QString DefaultLine = QStringLiteral("POTS");

// One call as the protocol carries it.
struct Call {
    QString date; // mmddyyyy
    QString time; // hhmm, 24-hour
    QString line = DefaultLine;
    QString number; // as received, "-" when there is none
    QString name;   // as received, "-" when there is none
    QString mesg = QStringLiteral("NONE");
    bool refused = false; // hung up on (HUP, HUPLOG, BLK)
};

// What ncidd sends for the withheld-field codes of a report: "PRIVATE" for P, "OUT-OF-AREA" for
// O, "ANONYMOUS" for A; anything else as it is. NCID's aliases, lists and output modules look
// for these words.
QString sentField(const QString &value);

// "CID: *DATE*...*NAME*...*" (also with the labels "CIDLOG:", "HUP:", "HUPLOG:").
QByteArray callLine(const QString &label, const Call &call);
// A message for every client, as ncidd relays one: the text, then its fields after " ***".
QByteArray messageLine(const QString &text, const Call &call);
// "CIDINFO: *LINE*POTS*RING*n*TIME*hh:mm:ss*"; ring 0 when the ringing has stopped.
QByteArray ringLine(const QString &line, int ring, const QString &time);
// A value as it may stand between two stars: no star, no line end, no control character.
QString fieldText(const QString &value);
// "mmddyyyy", as the DATE field carries a date (written by hand: a call's line waits for it).
QString dateField(const QDate &date);

// The lines a server sends when a client connects, up to the call log.
QByteArray greeting(const QString &serverName);
inline const QByteArray LogNotSent = QByteArrayLiteral("251 Call log not sent\r\n");
inline const QByteArray LogEmpty = QByteArrayLiteral("252 Call log empty\r\n");
inline const QByteArray LogEnd = QByteArrayLiteral("250 End of call log\r\n");
inline const QByteArray StartupEnd = QByteArrayLiteral("300 End of connection startup\r\n");
// To a client over the server's bound, before it is closed.
QByteArray tooManyClients(int clients, const QString &dateTime);
// To a client whose address the server does not serve, before it is closed.
QByteArray notAllowed(const QString &address, const QString &dateTime);

enum class Kind {
    Cid,     // a call
    CidInfo, // a ring, or the end of the ringing (RING 0, -1, -2)
    Hup,     // a call the server hung up on
    Blk,     // a call the server blocked (not answered, not hung up on)
    Pid,     // a call from a phone gateway (a smart phone's calls)
    Wid,     // call waiting: a caller while the line is in use
    CidLog,  // history sent at connect
    HupLog,
    Msg,    // a text message
    Hello,  // a client's HELLO: IDENT: or HELLO: CMD: line at connect
    Status, // a numbered server line (200, 210, 25x, 300)
    Other,  // anything else: ignored. So is END:, the end of a gateway's call: the CIDINFO sent
            // before it ends the ringing, and it names no call a client has not heard of.
};

struct Message {
    Kind kind = Kind::Other;
    Call call;    // Cid, Hup, CidLog, HupLog; the line of CidInfo
    int ring = 0; // CidInfo
    bool ringValid = false;
    int status = 0; // Status
    QString text;   // Msg and Status: the text after the label or number (of Msg, before its fields);
                    // Hello: what follows "HELLO: "
};
// A call line for the call in progress: a ring, a caller, or the end of the ringing.
inline bool isLive(Kind k)
{
    return k == Kind::Cid || k == Kind::Hup || k == Kind::Blk || k == Kind::Pid || k == Kind::Wid;
}

// One line, without its line end. Lines that are not of the protocol come back as Kind::Other.
Message parse(const QString &line);

// A gateway's line (a SIP or VoIP gateway, a phone's), as ncidd passes it on to its clients:
//   CALL: ###DATEmmddhhmm...CALLtype...LINEid...NMBRnumber...NAMEwords+++
// becomes "<type>: *DATE*...*NAME*...*" (CID for IN; HUP, BLK, PID, WID, OUT as they are), and
//   CALLINFO: ###CANCEL...DATE...SCALL...ECALL...CALLIN...LINEid...NMBR...NAME...+++ (or ###BYE...)
// the end of its ringing, "CIDINFO: *LINE*id*RING*-1*" (-2 for BYE), then the end of the call,
// "END: *HTYPE*CANCEL*DATE*...*NAME*...*" (a CALLINFO that is neither gives the END line alone).
// `now` gives the year, and the date and time where the gateway sent none; `line` stands for a
// gateway that names none. Empty for any other line.
QByteArray fromGateway(const QString &text, const QDateTime &now, const QString &line);

// Cuts what a peer sends into lines. A line that grows past the bound before its line end is
// dropped whole (up to its line end), and counted.
class LineReader {
public:
    explicit LineReader(int maxLine = MaxLineBytes) : m_max(maxLine) {}
    // The lines completed by these bytes, line ends removed, bytes as Latin-1 characters.
    QList<QString> feed(const QByteArray &bytes);
    // Bytes of a line not ended yet.
    qsizetype pending() const { return m_partial.size(); }
    int dropped() const { return m_dropped; }
    void reset()
    {
        m_partial.clear();
        m_skipping = false;
    }

private:
    int m_max;
    QByteArray m_partial;
    bool m_skipping = false;
    int m_dropped = 0;
};

} // namespace Ncid
