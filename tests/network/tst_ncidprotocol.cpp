// The NCID protocol alone: its lines, the server's limits and the client's reconnection. Links
// the network library and runs without any platform plugin.
#include "Log.h"
#include "NcidClient.h"
#include "NcidServer.h"
#include "TestSupport.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A client that never reads: a plain socket with the smallest receive buffer.
int deafClient(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int small = 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 ? fd : -1;
}

} // namespace

Q_DECLARE_METATYPE(Ncid::Kind)

class tst_NcidProtocol : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_t = std::make_unique<TestScope>(50.0, QDateTime(QDate(2026, 12, 6), QTime(10, 0))); }
    void cleanup() { m_t.reset(); }

    void lines_data()
    {
        columns<QString, Ncid::Kind, QString, QString, int>("line", "kind", "number", "name", "ring");
        using K = Ncid::Kind;
        row("call", "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*", K::Cid,
            "5551234567", "JOHN DOE", 0);
        row("star in the name", "CID: *DATE*03212026*TIME*1405*NMBR*555*NAME*A*B*", K::Cid, "555", "A*B", 0);
        row("refused call", "HUP: *DATE*03212026*TIME*1405*NMBR*O*MESG*NONE*NAME*O*", K::Hup, "O", "O", 0);
        row("history", "CIDLOG: *DATE*03212026*TIME*1405*NMBR*-*MESG*NONE*NAME*-*", K::CidLog, "-", "-", 0);
        row("ringing stopped", "CIDINFO: *LINE*POTS*RING*0*TIME*11:41:36*", K::CidInfo, "", "", 0);
        row("answered elsewhere", "CIDINFO: *LINE*POTS*RING*-2*TIME*11:41:36*", K::CidInfo, "", "", -2);
        // The end of a gateway's call names a caller, but is no call: its CIDINFO ended the ringing.
        row("end of a gateway's call",
            "END: *HTYPE*CANCEL*DATE*12082026*TIME*1406*SCALL*-*ECALL*-*CTYPE*IN*LINE*VOIP*NMBR*5551234567*NAME*JOHN*",
            K::Other, "", "", 0);
        row("status", "300 End of connection startup", K::Status, "", "", 0);
        row("message", "MSG: Dinner is ready", K::Msg, "", "", 0);
        // Malformed: no number, no ring count, no fields, unknown label, no label.
        row("call without number", "CID: *DATE*03212026*NAME*JOHN*", K::Other, "", "JOHN", 0);
        row("ring without count", "CIDINFO: *LINE*POTS*RING*x*", K::Other, "", "", 0);
        row("label only", "CID:", K::Other, "", "", 0);
        row("unknown label", "XYZ: *NMBR*1*", K::Other, "", "", 0);
        row("no label", "*NMBR*1*NAME*", K::Other, "", "", 0);
    }

    void lines()
    {
        QFETCH(QString, line);
        const Ncid::Message m = Ncid::parse(line);
        QTEST(m.kind, "kind");
        QTEST(m.call.number, "number");
        QTEST(m.call.name, "name");
        QTEST(m.ring, "ring");
    }

    void dateFields_data()
    {
        columns<QDate, QString>("date", "field");
        row("a date", QDate(2026, 3, 21), "03212026");
        row("December's last", QDate(2026, 12, 31), "12312026");
        row("a year of three digits", QDate(999, 1, 5), "01050999");
        row("no date", QDate(), "");
    }
    void dateFields()
    {
        QFETCH(QDate, date);
        QTEST(Ncid::dateField(date), "field");
    }

    void sentLines_data()
    {
        columns<QString, QString, QByteArray>("number", "name", "line");
        const QByteArray head = "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*";
        row("plain", "5551234567", "JOHN DOE", head + "5551234567*MESG*NONE*NAME*JOHN DOE*\r\n");
        // A star would end the field at the other end, a line end the line.
        row("star in the name", "5551234567", "A*B", head + "5551234567*MESG*NONE*NAME*A B*\r\n");
        row("star in the number", "555*NAME*X", "JOHN", head + "555 NAME X*MESG*NONE*NAME*JOHN*\r\n");
        row("line end in the name", "5551234567", "A\r\nCID: *NMBR*1*",
            head + "5551234567*MESG*NONE*NAME*A  CID:  NMBR 1*\r\n");
        row("nothing", "", "", head + "-*MESG*NONE*NAME*-*\r\n");
        row("blanks and stars at the ends", " 5551234567\t", "  *JOHN*  ",
            head + "5551234567*MESG*NONE*NAME*JOHN*\r\n");
        row("only blanks and stars", "*", " * ", head + "-*MESG*NONE*NAME*-*\r\n");
        row("a tab inside, beyond Latin-1", "5551234567", QString::fromUtf8("ZO\u00cb\tJ\u03a9"),
            head + "5551234567*MESG*NONE*NAME*ZO\xcb J?*\r\n");
    }

    void sentLines()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        Ncid::Call call;
        call.date = "03212026";
        call.time = "1405";
        call.number = number;
        call.name = name;
        QTEST(Ncid::callLine("CID", call), "line");
    }

    void gateway_data()
    {
        // A gateway's lines and what the server passes on (none: not passed on).
        columns<QString, QByteArray>("line", "passed");
        const QByteArray tail = "*MESG*NONE*NAME*JOHN DOE*\r\n";
        row("a call", "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR5551234567...NAMEJOHN DOE+++",
            "CID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*5551234567" + tail);
        row("no date, no line", "CALL: ###DATE...CALLIN...LINE...NMBR5551234567...NAMEJOHN DOE+++",
            "CID: *DATE*12062026*TIME*1000*LINE*POTS*NMBR*5551234567" + tail);
        row("hung up on", "CALL: ###DATE12081405...CALLHUP...LINEVOIP...NMBR5551234567...NAMEJOHN DOE+++",
            "HUP: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*5551234567" + tail);
        row("withheld", "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBRP...NAMEO+++",
            QByteArray("CID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*PRIVATE*MESG*NONE*NAME*OUT-OF-AREA*\r\n"));
        row("no name", "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR5551234567...NAME+++",
            QByteArray("CID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*5551234567*MESG*NONE*NAME*NO NAME*\r\n"));
        // Where ncidd 1.6 falls short the gateway's words are kept: it drops a call without a NAME
        // field, cuts a number at a dot and a name at a plus, and reads a withheld P or O as none.
        row("no name field", "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR5551234567+++",
            QByteArray("CID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*5551234567*MESG*NONE*NAME*NO NAME*\r\n"));
        row("dot in the number, plus in the name",
            "CALL: ###DATE12081405...CALLWID...LINEVOIP...NMBR555.1234...NAMEA+B+++",
            QByteArray("WID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*555.1234*MESG*NONE*NAME*A+B*\r\n"));
        // The end of the ringing, then the end of the call with the gateway's fields as ncidd 1.6
        // sends them: the withheld P and O as they came, "-" for a field not sent, an empty one empty.
        row("caller gave up",
            "CALLINFO: ###CANCEL...DATE12081406...SCALL12/08/2026 14:05:00...ECALL12/08/2026 "
            "14:05:20...CALLIN...LINEVOIP...NMBR5551234567...NAMEJOHN DOE+++",
            QByteArray("CIDINFO: *LINE*VOIP*RING*-1*TIME*10:00:00*\r\nEND: *HTYPE*CANCEL*DATE*12082026*TIME*1406*"
                       "SCALL*12/08/2026 14:05:00*ECALL*12/08/2026 14:05:20*CTYPE*IN*LINE*VOIP*NMBR*5551234567*"
                       "NAME*JOHN DOE*\r\n"));
        row("answered, withheld", "CALLINFO: ###BYE...DATE12081407...CALLIN...LINEVOIP...NMBRP...NAMEO+++",
            QByteArray("CIDINFO: *LINE*VOIP*RING*-2*TIME*10:00:00*\r\nEND: *HTYPE*BYE*DATE*12082026*TIME*1407*SCALL*-*"
                       "ECALL*-*CTYPE*IN*LINE*VOIP*NMBR*P*NAME*O*\r\n"));
        row("neither gave up nor answered", "CALLINFO: ###DATE12081407...LINEPOTS...NMBR...NAME+++",
            QByteArray("END: *HTYPE*-*DATE*12082026*TIME*1407*SCALL*-*ECALL*-*CTYPE*-*LINE*POTS*NMBR**NAME**\r\n"));
        // Where ncidd says "-" for a gateway that names no line, the server names its own, as its
        // CIDINFO does; a star in a field must not make up a field of its own.
        row("end without a date or a line", "CALLINFO: ###CANCEL...CALLIN...NMBR555...NAMEA*B+++",
            QByteArray("CIDINFO: *LINE*POTS*RING*-1*TIME*10:00:00*\r\nEND: *HTYPE*CANCEL*DATE*-*TIME*-*SCALL*-*"
                       "ECALL*-*CTYPE*IN*LINE*POTS*NMBR*555*NAME*A B*\r\n"));
        row("unknown type", "CALL: ###DATE12081405...CALLXYZ...NMBR5551234567...NAMEJOHN+++", QByteArray());
        row("no number field", "CALL: ###DATE12081405...CALLIN...NAMEJOHN+++", QByteArray());
        row("not the gateway form", "CALL: *DATE*12082026*NMBR*5551234567*", QByteArray());
        row("a client's call line", "CID: *DATE*12082026*NMBR*5551234567*", QByteArray());
    }
    void gateway()
    {
        QFETCH(QString, line);
        QTEST(Ncid::fromGateway(line, QDateTime(QDate(2026, 12, 6), QTime(10, 0)), Ncid::DefaultLine), "passed");
    }

    void lineReader()
    {
        Ncid::LineReader reader(16);
        // CR LF and LF alone end lines; a line over the bound goes whole, to its line end.
        QCOMPARE(reader.feed("A\r\nB\nC"), QList<QString>({"A", "B"}));
        QCOMPARE(reader.feed(QByteArray(20, 'x') + "y"), QList<QString>());
        QCOMPARE(reader.dropped(), 1);
        QCOMPARE(reader.feed("z\nD\n"), QList<QString>({"D"}));
        QCOMPARE(reader.feed(QByteArray(16, 'e') + "\n"), QList<QString>({QString(16, 'e')}));
        // Byte by byte as one read.
        QList<QString> got;
        for (char c : QByteArray("F\r\n"))
            got += reader.feed(QByteArray(1, c));
        QCOMPARE(got, QList<QString>({"F"}));
    }

    void defaultListenAddress()
    {
        // Without an address only this computer may listen in.
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        QVERIFY(!server.addresses().isEmpty());
        for (const QHostAddress &a : server.addresses())
            QVERIFY2(a.isLoopback(), qPrintable(a.toString()));
        QVERIFY(!server.listen(QStringLiteral("my.host"), 0));
    }

    void startup_data()
    {
        // What a client says at connect, and what it gets up to the end of the startup.
        columns<QByteArray, QByteArray>("hello", "log");
        const QByteArray history =
            "CIDLOG: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*\r\n"
            "HUPLOG: *DATE*03212026*TIME*1406*LINE*POTS*NMBR*PRIVATE*MESG*NONE*NAME*PRIVATE*\r\n"
            "250 End of call log\r\n";
        row("nothing", QByteArray(), history);
        row("its name", QByteArray("HELLO: IDENT: client ncid 1.6\r\n"), history);
        // NCID's own text client: the history is not sent, or it would print it as new calls.
        row("no log", QByteArray("HELLO: IDENT: client ncid 1.6\r\nHELLO: CMD: no_log\r\n"),
            QByteArray("251 Call log not sent\r\n"));
        row("a message ends the hello", QByteArray("MSG: hi\r\nHELLO: CMD: no_log\r\n"), history);
    }
    void startup()
    {
        QFETCH(QByteArray, hello);
        NcidServer server;
        server.callLog = [] {
            Ncid::Call shown{"03212026", "1405", "POTS", "5551234567", "JOHN DOE"};
            Ncid::Call refused{"03212026", "1406", "POTS", "PRIVATE", "PRIVATE"};
            refused.refused = true;
            return QList<Ncid::Call>{shown, refused};
        };
        QVERIFY(server.listen(QString(), 0));
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(s.waitForConnected(5000));
        s.write(hello);
        s.flush();
        QByteArray got = readLines(s, 3);
        QTRY_VERIFY((got += s.readAll()).contains(Ncid::StartupEnd));
        QFETCH(QByteArray, log);
        QVERIFY2(got.contains("210 API: 1.5 Feature Set 1\r\n" + log + Ncid::StartupEnd), got.constData());
        server.broadcast("CIDINFO: *LINE*POTS*RING*1*TIME*00:00:00*\r\n");
        QVERIFY(readLines(s, 1).startsWith("CIDINFO:"));
    }

    void messagesAndGatewaysToEveryClient()
    {
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        QSignalSpy shown(&server, &NcidServer::messageReceived);
        QTcpSocket from, to;
        for (QTcpSocket *s : {&from, &to}) {
            s->connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(readLines(*s, 4).endsWith(Ncid::StartupEnd));
        }
        // As ncidd relays it: the text, then its fields, to the sender too.
        from.write("MSG: Dinner is ready\r\n");
        const QByteArray relayed = "MSG: Dinner is ready ***DATE*12062026*TIME*1000*NAME*NO NAME*NMBR*NO-NUMBER*"
                                   "LINE*NO-LINE*MTYPE*-*\r\n";
        QCOMPARE(readLines(to, 1), relayed);
        QCOMPARE(readLines(from, 1), relayed);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toString(), QStringLiteral("Dinner is ready"));
        // A gateway's call goes to every client as a call line.
        from.write("CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR5551234567...NAMEJOHN DOE+++\r\n");
        QVERIFY(readLines(to, 1).startsWith("CID: *DATE*12082026*TIME*1405*LINE*VOIP*NMBR*5551234567*"));
        // And what a client takes from it is the text alone.
        QCOMPARE(Ncid::parse(QString::fromLatin1(relayed.chopped(2))).text, QStringLiteral("Dinner is ready"));
    }

    void verboseShowsTheNetwork()
    {
        // --verbose: connects, and every line each way.
        static QStringList logged;
        logged.clear();
        ProgramLog::install(true);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { logged << m; });
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        NcidClient client;
        QList<Ncid::Kind> heard;
        connect(&client, &NcidClient::message, this, [&](const Ncid::Message &m) { heard << m.kind; });
        client.connectTo(QStringLiteral("127.0.0.1"), server.port());
        QTRY_COMPARE(heard.size(), 4);
        server.broadcast("MSG: hi\r\n");
        QTRY_COMPARE(heard.size(), 5);
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
        const QString all = logged.join('\n');
        for (const char *line : {"NCID server listening on 127.0.0.1", "connected to the NCID server 127.0.0.1:",
                                 "300 End of connection startup", "to 1 clients: MSG: hi", "from 127.0.0.1:"})
            QVERIFY2(all.contains(QLatin1String(line)), qPrintable(line + QStringLiteral(" not in:\n") + all));
    }

    void clientNeverReads()
    {
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        const int deaf = deafClient(server.port());
        QVERIFY(deaf >= 0);
        QTcpSocket reader;
        reader.connectToHost(QHostAddress::LocalHost, server.port());
        QTRY_COMPARE(server.clientCount(), 2);
        // Both past their startup (the deaf one connected first): calls go to them from here on.
        QByteArray got = readLines(reader, 4);
        QVERIFY(got.endsWith(Ncid::StartupEnd));
        got.clear();
        const QByteArray line = Ncid::ringLine(Ncid::DefaultLine, 1, "00:00:00");
        int sent = 0;
        // The deaf client is dropped once its queue is full; the reading one gets every line.
        for (; sent < 20000 && server.clientCount() == 2; ++sent) {
            server.broadcast(line);
            QCoreApplication::processEvents();
            got += reader.readAll();
        }
        QCOMPARE(server.clientCount(), 1);
        QVERIFY2(sent * line.size() > NcidServer::MaxQueuedBytes, qPrintable(QString::number(sent)));
        QTRY_COMPARE((got += reader.readAll()).count(line), qsizetype(sent));
        ::close(deaf);
    }

    void clientInput_data()
    {
        columns<QByteArray, bool>("bytes", "dropped");
        row("keep-alive and hello", QByteArray("\r\n\nHELLO: CMD: no_log\r\n"), false);
        row("a line at the bound", QByteArray(Ncid::MaxLineBytes, 'x') + "\r\n", false);
        row("flood without a line end", QByteArray(100000, 'x'), true);
        row("just over the bound", QByteArray(Ncid::MaxLineBytes + 1, 'x') + "\r\n", true);
    }

    void clientInput()
    {
        QFETCH(QByteArray, bytes);
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        readLines(s, 4);
        s.write(bytes);
        s.flush();
        QTest::qWait(100);
        QTEST(s.state() != QAbstractSocket::ConnectedState, "dropped");
        QCOMPARE(server.clientCount(), s.state() == QAbstractSocket::ConnectedState ? 1 : 0);
        QCOMPARE(s.readAll(), QByteArray()); // nothing a client sends is answered
    }

    void thirtyThirdClient()
    {
        NcidServer server;
        QVERIFY(server.listen(QString(), 0));
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < NcidServer::MaxClients + 1; ++i) {
            clients.push_back(std::make_unique<QTcpSocket>());
            clients.back()->connectToHost(QHostAddress::LocalHost, server.port());
            QTRY_VERIFY(clients.back()->state() == QAbstractSocket::ConnectedState ||
                        clients.back()->state() == QAbstractSocket::UnconnectedState);
            QTest::qWait(2);
        }
        QTRY_COMPARE(server.clientCount(), NcidServer::MaxClients);
        QTRY_COMPARE(clients.back()->state(), QAbstractSocket::UnconnectedState);
        // Told why, in the words ncidd uses, before it is closed.
        QVERIFY(clients.back()->readAll().startsWith("MSG: Too many clients connected (32) 12/06/2026 "));
        QVERIFY(readLines(*clients.front(), 4).startsWith("200 "));
        // A place set free is taken again.
        clients.front()->abort();
        QTRY_COMPARE(server.clientCount(), NcidServer::MaxClients - 1);
        QTcpSocket again;
        again.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(readLines(again, 4).startsWith("200 "));
    }

    void clientAddresses_data()
    {
        // The same list as ncid/clientsFrom and as ncid/listsFrom, and a client's address: may it
        // connect, may it change the lists. Empty, clientsFrom lets anyone in; listsFrom no one
        // but this computer.
        columns<QString, QString, bool, bool>("setting", "peer", "connects", "changesLists");
        row("an address", "192.168.1.20", "192.168.1.20", true, true);
        row("a network", "10.0.0.5 192.168.1.0/24", "192.168.1.77", true, true);
        row("not allowed", "10.0.0.5, 192.168.1.0/24", "192.168.2.1", false, false);
        row("IPv4-mapped IPv6", "192.168.1.0/24", "::ffff:192.168.1.77", true, true);
        row("IPv6 network", "fd00::/8", "fd12::5", true, true);
        row("an empty list", "", "192.168.2.1", true, false);
        row("loopback always", "192.168.1.0/24", "127.0.0.1", true, true);
        row("loopback mapped", "192.168.1.0/24", "::ffff:127.0.0.1", true, true);
        row("nothing readable", "192.168.1.0/33 my-laptop", "192.168.1.5", false, false);
    }
    void clientAddresses()
    {
        QFETCH(QString, setting);
        QFETCH(QString, peer);
        NcidServer server;
        server.setClientsFrom(setting);
        server.setListsFrom(setting);
        QTEST(server.mayConnect(QHostAddress(peer)), "connects");
        QTEST(server.mayChangeLists(QHostAddress(peer)), "changesLists");
    }

    void clientNotServed()
    {
        // A client from an address the server does not serve: one line saying why, then closed,
        // and the log says so. The client must come from an address other than loopback.
        const QHostAddress own = networkAddress();
        if (own.isNull())
            QSKIP("this machine has no IPv4 address but loopback");
        static QStringList logged;
        logged.clear();
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { logged << m; });
        QLoggingCategory::setFilterRules(QStringLiteral("ringlark.network.info=true"));
        NcidServer server;
        QVERIFY(server.listen(own.toString(), 0));
        server.setClientsFrom(own.toString());
        QTcpSocket served;
        served.connectToHost(own, server.port());
        QVERIFY(readLines(served, 4).endsWith(Ncid::StartupEnd));
        // The list no longer names it: told, and closed.
        server.setClientsFrom(QStringLiteral("198.51.100.0/24"));
        QTRY_COMPARE(served.state(), QAbstractSocket::UnconnectedState);
        const QByteArray told = "MSG: Client " + own.toString().toLatin1() + " not allowed to connect 12/06/2026 ";
        QVERIFY2(served.readAll().startsWith(told), told.constData());
        QCOMPARE(server.clientCount(), 0);
        QTcpSocket refused;
        refused.connectToHost(own, server.port());
        QTRY_COMPARE(refused.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(refused.readAll().startsWith(told));
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(logged.filter("not in ncid/clientsFrom").size(), 2);
        QCOMPARE(server.clientCount(), 0);
    }

    void serverGoneAndBack()
    {
        auto server = std::make_unique<NcidServer>();
        QVERIFY(server->listen(QString(), 0));
        const quint16 port = server->port();
        NcidClient client;
        QList<bool> states;
        QList<Ncid::Kind> heard;
        connect(&client, &NcidClient::connectedChanged, this, [&](bool on) { states << on; });
        connect(&client, &NcidClient::message, this, [&](const Ncid::Message &m) { heard << m.kind; });
        client.connectTo(QStringLiteral("127.0.0.1"), port);
        QTRY_VERIFY(client.isConnected());
        // It goes in the middle of a line: that half line is not the start of the next server's.
        server->broadcast("MSG: going\r\nCID: *DATE*0321");
        QTRY_VERIFY(heard.contains(Ncid::Kind::Msg));
        server.reset();
        // Gone: tries again after 1, 2, 4, 8, 10, 10 seconds, each on the timer.
        for (int delay : {1000, 2000, 4000, 8000, 10000, 10000}) {
            QTRY_COMPARE(client.retryTimer().Interval(), delay);
            client.retryTimer().fire();
            QCOMPARE(client.retryTimer().Interval(), 0);
        }
        QTRY_COMPARE(client.retryTimer().Interval(), 10000);
        // Back: found at the next try, and the delay starts again from one second.
        server = std::make_unique<NcidServer>();
        QVERIFY(server->listen(QStringLiteral("127.0.0.1"), port));
        heard.clear();
        client.retryTimer().fire();
        QTRY_VERIFY(client.isConnected());
        QCOMPARE(states, QList<bool>({true, false, true}));
        // The greeting's four lines, the first of them whole.
        QTRY_COMPARE(heard.size(), 4);
        QCOMPARE(heard.first(), Ncid::Kind::Status);
        server.reset();
        QTRY_COMPARE(client.retryTimer().Interval(), 1000);
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_GUILESS_MAIN(tst_NcidProtocol)
#include "tst_ncidprotocol.moc"
