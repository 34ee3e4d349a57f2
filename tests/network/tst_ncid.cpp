// Calls on the network: the NCID line formats, the server against hostile clients, the client
// against a server that goes away, a scripted server sending a real server's transcript to the
// whole program, and one program publishing its calls to another.
#include "AppState.h"
#include "AuxWindows.h"
#include "BlockCommand.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "MemoryLine.h"
#include "NcidCalls.h"
#include "NcidRequests.h"
#include "NcidRig.h"
#include "NcidServer.h"
#include "NetworkSettingsBox.h"
#include "Screening.h"
#include "ServiceOffer.h"
#include "SoundRecorder.h"
#include "SpeechOutput.h"
#include "TestSupport.h"
#include "TrayStatus.h"
#include "WrapButton.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <QTest>
#include <atomic>
#include <thread>

namespace {

// What a real ncidd 1.6 sends a client for one call: a ring, the report, two more rings, silence.
const QByteArray Transcript = "200 Server: ncidd (NCID) 1.6\r\n"
                              "210 API: 1.5 Feature Set 1 2 3 4 5\r\n"
                              "252 Call log empty\r\n"
                              "300 End of connection startup\r\n"
                              "CIDINFO: *LINE*POTS*RING*1*TIME*11:41:24*\r\n"
                              "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*\r\n"
                              "CIDINFO: *LINE*POTS*RING*2*TIME*11:41:25*\r\n"
                              "CIDINFO: *LINE*POTS*RING*3*TIME*11:41:25*\r\n"
                              "CIDINFO: *LINE*POTS*RING*0*TIME*11:41:36*\r\n";

const QByteArray JohnDoeRecord = "CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END";

QByteArray dots(const QByteArray &record)
{
    return record + QByteArray(80 - record.size(), '.');
}

// A voice that never finishes what it says: the program waits its longest for it.
struct EndlessVoice : SpeechOutput {
    EndlessVoice() { SpeechOutput::install(this); }
    ~EndlessVoice() override { SpeechOutput::install(nullptr); }
    bool say(const QString &text) override
    {
        said << text;
        return true;
    }
    bool speaking() const override { return true; }
    QStringList said;
};

} // namespace

class tst_Ncid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_t = std::make_unique<TestScope>(50.0, QDateTime(QDate(2026, 12, 6), QTime(10, 0))); }
    void cleanup() { m_t.reset(); }

    void startupAndCall()
    {
        Program p(serverOn());
        p.log(); // no log yet
        QVERIFY(p.core->network.start());
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, p.core->network.server().port());
        QCOMPARE(readLines(s, 4), QByteArray("200 Server: Ringlark (NCID) " RINGLARK_VERSION "\r\n"
                                             "210 API: 1.5 Feature Set 1\r\n252 Call log empty\r\n"
                                             "300 End of connection startup\r\n"));
        // A keep-alive and a HELLO get no answer, and the client stays.
        s.write("\r\nHELLO: IDENT: client test 1\r\n");
        // The modem's call, as the reception gets it.
        p.core->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\n"
                                  "NAME = JOHN DOE\r\n");
        p.core->reception.receive("\r\nRING\r\n");
        p.state->Timer1.fire();
        // The clock's time of each ring, hh:mm:ss.
        QString sent = QString::fromLatin1(readLines(s, 4));
        sent.replace(QRegularExpression("TIME\\*\\d\\d:\\d\\d:\\d\\d\\*"), "TIME*hh:mm:ss*");
        QCOMPARE(sent, QStringLiteral("CIDINFO: *LINE*POTS*RING*1*TIME*hh:mm:ss*\r\n"
                                      "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*"
                                      "NAME*JOHN DOE*\r\n"
                                      "CIDINFO: *LINE*POTS*RING*2*TIME*hh:mm:ss*\r\n"
                                      "CIDINFO: *LINE*POTS*RING*0*TIME*hh:mm:ss*\r\n"));
        QCOMPARE(p.core->network.server().clientCount(), 1);
        // Withheld fields go out in the words ncidd uses; a blocked caller is hung up on.
        QVERIFY(p.core->blocked.append("(305)-555-0100", "MARY ROE"));
        const QByteArray withheld =
            "CID: *DATE*03212026*TIME*1406*LINE*POTS*NMBR*PRIVATE*MESG*NONE*NAME*OUT-OF-AREA*\r\n";
        const QByteArray blocked = "HUP: *DATE*03212026*TIME*1407*LINE*POTS*NMBR*3055550100*MESG*NONE*NAME*MARY*\r\n";
        p.core->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1406\r\nNMBR = P\r\nNAME = O\r\n");
        p.state->Timer1.fire();
        p.core->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1407\r\nNMBR = 3055550100\r\n"
                                  "NAME = MARY\r\n");
        p.state->Timer1.fire();
        const QByteArray live = readLines(s, 6);
        QVERIFY2(live.contains(withheld) && live.contains(blocked), live.constData());
        // The next client gets the stored calls as history, each as it went out live.
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, p.core->network.server().port());
        const QByteArray history = readLines(second, 7);
        QVERIFY2(history.contains("CIDLOG: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN "
                                  "DOE*\r\nCIDLOG" +
                                  withheld.mid(3) + "HUPLOG" + blocked.mid(3) + "250 End of call log\r\n300"),
                 history.constData());
        // A time of day the line garbled goes out as the clock's.
        for (const char *time : {"2575", "1a05", "14 0"}) {
            p.core->reception.receive(QByteArray("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = ") + time +
                                      "\r\nNMBR = 2125550199\r\nNAME = BAD CLOCK\r\n");
            p.state->Timer1.fire();
            const QString line = QString::fromLatin1(readLines(s, 3)).section("\r\n", 1, 1);
            QVERIFY2(QRegularExpression("^CID: \\*DATE\\*03212026\\*TIME\\*10\\d\\d\\*LINE").match(line).hasMatch(),
                     qPrintable(line));
        }
    }

    void transcripts_data()
    {
        // Lines as ncidd 1.6 sends them; each ringing ends as ncidd ends it. `calls`: what the log
        // holds afterwards, oldest first (name, number, rings); `refused`: lines of refused.txt.
        // `shownLines`: the line each notice names (none while only one line has been heard).
        columns<QByteArray, QStringList, int, QString, QStringList>("lines", "calls", "refused", "tip", "shownLines");
        const QByteArray john = "*DATE*12082026*TIME*0121*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*\r\n";
        const QByteArray mary = "*DATE*12082026*TIME*0121*LINE*VOIP*NMBR*3055550100*MESG*NONE*NAME*MARY ROE*\r\n";
        auto ring = [](const char *line, int n) {
            return QByteArray("CIDINFO: *LINE*") + line + "*RING*" + QByteArray::number(n) + "*TIME*01:21:30*\r\n";
        };
        const QString johnCall = "JOHN  DOE|(555)-123-4567|";
        const QString maryCall = "MARY  ROE|(305)-555-0100|";
        row("one line", ring("POTS", 1) + "CID: " + john + ring("POTS", 2) + ring("POTS", 0),
            QStringList{johnCall + "2"}, 0, TrayStatus::ConnectedTip, QStringList{""});
        // A landline and a VoIP line ringing at once: each call with its own rings, no third call.
        row("two lines interleaved",
            ring("POTS", 1) + "CID: " + john + "CID: " + mary + ring("POTS", 2) + ring("VOIP", -1) + ring("POTS", 3) +
                ring("POTS", 4) + ring("POTS", 0),
            QStringList{johnCall + "4", maryCall + "1"}, 0, TrayStatus::ConnectedTip, QStringList{"", "VOIP"});
        row("the other line first and last",
            "CID: " + mary + ring("POTS", 1) + "CID: " + john + ring("VOIP", 2) + ring("POTS", 2) + ring("VOIP", 0) +
                ring("POTS", 0),
            QStringList{maryCall + "2", johnCall + "2"}, 0, TrayStatus::ConnectedTip, QStringList{"", "POTS"});
        // The modem's name comes after its NO NAME: one call, with the name.
        row("name update",
            ring("POTS", 1) + "CID: " + QByteArray(john).replace("JOHN DOE", "NO NAME") + ring("POTS", 2) +
                "CID: " + john + ring("POTS", 0),
            QStringList{johnCall + "2"}, 0, TrayStatus::ConnectedTip, QStringList{"", ""});
        row("a phone gateway's call", "PID: " + john + ring("POTS", 0), QStringList{johnCall + "1"}, 0,
            TrayStatus::ConnectedTip, QStringList{""});
        // ncidd ends a gateway's call with a CIDINFO and an END line; an END line alone (neither
        // given up nor answered, or for a line without a call) ends nothing and is no call.
        auto end = [](const char *htype, const char *line, const char *caller) {
            return QByteArray("END: *HTYPE*") + htype +
                   "*DATE*12082026*TIME*0122*SCALL*12/08/2026 01:21:00*ECALL*"
                   "12/08/2026 01:22:00*CTYPE*IN*LINE*" +
                   line + "*" + caller + "\r\n";
        };
        row("a SIP gateway's call",
            "CID: " + mary + ring("VOIP", -1) + end("CANCEL", "VOIP", "NMBR*3055550100*NAME*MARY ROE*"),
            QStringList{maryCall + "1"}, 0, TrayStatus::ConnectedTip, QStringList{""});
        row("END lines end nothing",
            ring("POTS", 1) + "CID: " + john + end("-", "POTS", "NMBR*5551234567*NAME*JOHN DOE*") +
                end("BYE", "VOIP", "NMBR*P*NAME*O*") + ring("POTS", 2) + ring("POTS", 3) + ring("POTS", 0),
            QStringList{johnCall + "3"}, 0, TrayStatus::ConnectedTip, QStringList{""});
        row("call waiting", "WID: " + john, QStringList{johnCall + "1"}, 0, TrayStatus::ConnectedTip, QStringList{""});
        row("hung up on", ring("POTS", 1) + "HUP: " + john, QStringList{johnCall + "1"}, 1, TrayStatus::ConnectedTip,
            QStringList{""});
        row("blocked", "BLK: " + john, QStringList{johnCall + "1"}, 1, TrayStatus::ConnectedTip, QStringList{""});
        // What is neither a call nor a message is no call: history, outgoing calls, notices.
        row("history and others",
            "CIDLOG: " + john + "HUPLOG: " + mary + "OUT: " + john + "NOT: Door ***DATE*12082026*TIME*0121*\r\n",
            QStringList(), 0, TrayStatus::ConnectedTip, QStringList());
        row("message with its fields",
            QByteArray("MSG: Hello from the front door ***DATE*12082026*TIME*0121*NAME*NO NAME*NMBR*NO-NUMBER*"
                       "LINE*NO-LINE*MTYPE*IN*\r\n"),
            QStringList(), 0, QString("Hello from the front door"), QStringList());
    }
    void transcripts()
    {
        QFETCH(QByteArray, lines);
        ProgramSettings options = clientOf(1);
        Program p(options);
        p.state->tray.showConnected();
        QStringList shownLines;
        connect(&p.state->callEvents, &CallEvents::announced, this, [&](const CallNotice &n) { shownLines << n.line; });
        p.core->network.client().feed(lines);
        QTRY_COMPARE(p.core->network.client().pendingLines(), 0);
        QTest::qWait(20); // the held line's call is handed on from the event loop
        if (p.state->Timer1.isRunning())
            p.state->Timer1.fire();
        QTEST(p.calls(), "calls");
        const QByteArray refused = p.folder.bytes(RefusedCalls::fileName());
        QTEST(int(refused.count('\n')), "refused");
        QTEST(p.state->tray.tip(), "tip");
        QTEST(shownLines, "shownLines");
    }

    void gatewayCallsBesideTheModem_data()
    {
        // The program with its modem and a gateway feeding its server. Steps: "m" text from the
        // modem, "g" a line from the gateway, "quiet" the modem's line silent for ten seconds.
        // `calls`: the log afterwards (name, number, rings); `refused`: lines of refused.txt;
        // `modemLinesOut`: the server published something of the modem's line.
        columns<QStringList, QStringList, int, bool>("steps", "calls", "refused", "modemLinesOut");
        const QString mary = "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR3055550100...NAMEMARY ROE+++";
        const QString gaveUp = "CALLINFO: ###CANCEL...DATE12081406...CALLIN...LINEVOIP...NMBR3055550100..."
                               "NAMEMARY ROE+++";
        const QString answered = QString(gaveUp).replace("CANCEL", "BYE");
        const QString john = "m\r\nRING\r\n\r\nDATE = 1208\r\nTIME = 1405\r\nNMBR = 5551234567\r\n"
                             "NAME = JOHN DOE\r\n";
        const QString ring = "m\r\nRING\r\n";
        const QString johnCall = "JOHN  DOE|(555)-123-4567|";
        const QString maryCall = "MARY  ROE|(305)-555-0100|";
        row("a gateway's call", QStringList{"g" + mary, "g" + gaveUp}, QStringList{maryCall + "1"}, 0, false);
        // The modem's text waits while the gateway's call has the reception: one call each.
        row("the modem rings during it", QStringList{"g" + mary, john, ring, "g" + answered, ring, "quiet"},
            QStringList{maryCall + "1", johnCall + "3"}, 0, true);
        row("a gateway's call while the modem's rings", QStringList{john, "g" + mary, ring, "quiet", "g" + gaveUp},
            QStringList{johnCall + "2", maryCall + "1"}, 0, true);
        // Refused by the user's list: stored as such, and the modem is not answered for it.
        row("a blocked gateway caller", QStringList{"block", "g" + mary, "g" + gaveUp}, QStringList{maryCall + "1"}, 1,
            false);
    }

    void gatewayCallsBesideTheModem()
    {
        QFETCH(QStringList, steps);
        Program p(serverOn());
        MemoryLine modem;
        p.state->MSComm1.useDevice(&modem);
        QVERIFY(p.state->MSComm1.setPortOpen(true));
        QVERIFY(p.core->network.start());
        QTcpSocket gateway;
        gateway.connectToHost(QHostAddress::LocalHost, p.core->network.server().port());
        readLines(gateway, 3); // its startup
        QByteArray out;
        auto settle = [&] {
            // The queued hand-overs (the port's event, the gateway's lines one a turn) are done.
            for (int turn = 0; turn < 20; ++turn)
                QCoreApplication::processEvents();
            out += gateway.readAll();
        };
        for (const QString &step : steps) {
            if (step == "block") {
                QVERIFY(p.core->blocked.append("(305)-555-0100", "MARY ROE"));
            } else if (step == "quiet") {
                QVERIFY(p.state->Timer1.isRunning());
                p.state->Timer1.fire();
            } else if (step.startsWith('m')) {
                const QByteArray text = step.mid(1).replace("\\r\\n", "\r\n").toLatin1();
                modem.feed(text.constData(), text.size());
            } else {
                const qsizetype before = out.size();
                gateway.write(step.mid(1).toLatin1() + "\r\n");
                QTRY_VERIFY((out += gateway.readAll()).size() > before); // passed on to the clients
            }
            settle();
        }
        QTEST(p.calls(), "calls");
        QTEST(int(p.folder.bytes(RefusedCalls::fileName()).count('\n')), "refused");
        QTEST(out.contains("LINE*POTS"), "modemLinesOut");
        QVERIFY2(!modem.sent.contains("ATA"), modem.sent.constData());
        QVERIFY2(!out.contains("LINE*POTS*NMBR*3055550100"), out.constData()); // a gateway's call is not the modem's
    }

    void listRequests_data()
    {
        // A client's request, whether it comes from a client allowed to change the lists, the
        // answer's RESP:/INFO: lines; what the blocked list and the rules hold afterwards, the
        // name kept for 5551234567 and what the rules say of JOHN DOE calling from it. The rows
        // "NCID's client" are the lines its list menus send, byte for byte.
        columns<QString, bool, QStringList, bool, int, QString, int>("request", "mayChange", "answer", "blocked",
                                                                     "rules", "alias", "johnDoe");
        const int none = RuleVerdict::NoRule;
        row("block a number", "REQ: black add \"5551234567\" \"telemarketer\"", true,
            QStringList{"RESP: (555)-123-4567 added to the blocked list."}, true, 0, "", none);
        row("from a client not allowed", "REQ: black add \"5551234567\" \"\"", false,
            QStringList{"RESP: Not allowed from this client: the lists are not changed."}, false, 0, "", none);
        row("block a pattern", "REQ: black add \"^900\" \"premium\"", true,
            QStringList{"RESP: ^900 added to the block rules."}, false, 1, "", none);
        row("allow a number", "REQ: white add \"5551234567\" \"mum\"", true,
            QStringList{"RESP: 5551234567 added to the allow list."}, false, 1, "", int(RuleVerdict::Allowed));
        row("name a number", "REQ: alias add \"5551234567\" \"MUM\"", true,
            QStringList{"RESP: 5551234567 is now called MUM."}, false, 0, "MUM", none);
        row("unblock what is not there", "REQ: black remove \"5550000000\" \"\"", true,
            QStringList{"RESP: (555)-000-0000 is not on the blocked list."}, false, 0, "", none);
        row("an action not handled", "REQ: black modify \"5551234567\" \"x\"", true,
            QStringList{"RESP: Unable to handle black modify - Ignored."}, false, 0, "", none);
        row("what the lists hold", "REQ: INFO 3055550100&&MARY ROE&&POTS", true,
            QStringList{"INFO: alias NOALIAS NOALIAS", "INFO: black number"}, false, 0, "", none);
        row("what the lists hold, no line", "REQ: INFO 3055550100&&MARY ROE", true,
            QStringList{"INFO: alias NOALIAS", "INFO: black number"}, false, 0, "", none);
        row("NCID's client blocks a name", "REQ: black add \"JOHN DOE\" \"sales\"", true,
            QStringList{"RESP: JOHN DOE added to the block rules."}, false, 1, "", int(RuleVerdict::Blocked));
        row("NCID's client names a caller", "REQ: alias add \"5551234567&&MUM\" \"NAMEDEP&&JOHN DOE\"", true,
            QStringList{"RESP: 5551234567 is now called MUM."}, false, 0, "MUM", none);
        row("NCID's client renames one", "REQ: alias modify \"5551234567&&MOM\" \"NAMEDEP&&MUM\"", true,
            QStringList{"RESP: 5551234567 is now called MOM."}, false, 0, "MOM", none);
        row("NCID's client clears a name", "REQ: alias modify \"5551234567&&\" \"NAMEDEP&&MUM\"", true,
            QStringList{"RESP: 5551234567 has no name of its own now."}, false, 0, "", none);
        // An alias that replaces the number shown, or any name: not what a name here is.
        row("NCID's client, another alias", "REQ: alias add \"5551234567&&MUM\" \"NMBRONLY&&JOHN DOE\"", true,
            QStringList{"RESP: Unable to handle alias NMBRONLY - Ignored."}, false, 0, "", none);
    }

    void listRequests()
    {
        QFETCH(QString, request);
        QFETCH(bool, mayChange);
        QFETCH(QStringList, answer);
        Program p(serverOn());
        Screening screening(p.folder.path());
        QVERIFY(screening.open());
        const ScreeningScope installed(&screening);
        QVERIFY(p.core->blocked.append("(305)-555-0100", "MARY ROE"));
        const QByteArray reply = p.core->requests.answer(Ncid::parseRequest(request), mayChange);
        const QList<QByteArray> lines = reply.split('\n');
        QStringList body;
        for (const QByteArray &l : lines.mid(1, lines.size() - 3))
            body << QString::fromLatin1(l.trimmed());
        QCOMPARE(QString::fromLatin1(lines.value(0).trimmed()),
                 request.contains("INFO") ? "403 Start of data defining permitted requests"
                                          : "402 Start of data showing status of handled request");
        QCOMPARE(body, answer);
        QCOMPARE(QString::fromLatin1(lines.value(lines.size() - 2).trimmed()), "411 End of response");
        QTEST(screening.rules().aliasOf("5551234567"), "alias");
        QTEST(int(screening.rules().decide("5551234567", "(555)-123-4567", "JOHN DOE").kind), "johnDoe");
        QTEST(IsIncomingNumberBlocked(p.core->blocked, "5551234567"), "blocked");
        QTEST(int(screening.rules().rules().size()), "rules");
        // Over the wire as NCID's client sends it, from loopback.
        if (!mayChange)
            return;
        QVERIFY(p.core->network.start());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, p.core->network.server().port());
        readLines(client, 3);
        client.write("REQ: INFO 5551234567&&JOHN&&POTS\r\n");
        QVERIFY(readLines(client, 4).contains("411 End of response"));
    }

    void serviceOffer_data()
    {
        // What listens on the NCID port of this machine ("" nothing); the user's answer; whether
        // the calls are then taken from it, and the boxes shown over two tries.
        columns<QByteArray, int, bool, int>("greeting", "answer", "taken", "boxes");
        row("Ringlark's service, taken", QByteArray("200 Server: Ringlark (NCID) 1.0.0\r\n"), int(vbYes), true, 1);
        row("Ringlark's service, declined", QByteArray("200 Server: Ringlark (NCID) 1.0.0\r\n"), int(vbNo), false, 1);
        row("another NCID server", QByteArray("200 Server: ncidd (NCID) 1.6\r\n"), int(vbYes), false, 0);
        row("nothing listening", QByteArray(), int(vbYes), false, 0);
    }

    void serviceOffer()
    {
        QFETCH(QByteArray, greeting);
        QFETCH(int, answer);
        QFETCH(bool, taken);
        ProgramSettings options;
        Program p(options);
        // The service is another process: its greeting comes while this one waits.
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
        const quint16 port = listener.serverPort();
        if (greeting.isEmpty())
            listener.close();
        std::atomic<bool> stop = false;
        std::thread service;
        if (!greeting.isEmpty()) {
            const qintptr fd = listener.socketDescriptor();
            listener.setSocketDescriptor(-1);
            service = std::thread([fd, greeting, &stop] {
                QTcpServer inThread;
                inThread.setSocketDescriptor(fd);
                while (!stop) {
                    if (!inThread.waitForNewConnection(50))
                        continue;
                    QTcpSocket *s = inThread.nextPendingConnection();
                    s->write(greeting);
                    s->waitForBytesWritten(1000);
                    s->waitForDisconnected(1000);
                    delete s;
                }
            });
        }
        m_t->boxes.answer(MsgAnswer(answer));
        QCOMPARE(ServiceOffer::takeCallsFromService(*p.state, p.core->network, port), taken);
        QVERIFY(!ServiceOffer::takeCallsFromService(*p.state, p.core->network, port)); // asked once only
        stop = true;
        if (service.joinable())
            service.join();
        QTEST(int(m_t->boxes.shown.size()), "boxes");
        QCOMPARE(p.state->options.ncidClientEnabled, taken);
        const ProgramSettings saved = ProgramSettings::load(p.folder.path());
        QCOMPARE(saved.ncidClientEnabled, taken);
        QCOMPARE(saved.serviceOffered, m_t->boxes.shown.size() > 0);
    }

    void ncidOwnClient()
    {
        // NCID's text client on the program's server: it asks for no history, so it prints the
        // live call alone, once, and the message without its fields.
        const QString client = QStringLiteral(RINGLARK_NCID_PEER "/client/ncid.sh");
        const QString tclsh = QStandardPaths::findExecutable(QStringLiteral("tclsh"));
        if (tclsh.isEmpty() || !QFileInfo::exists(client))
            QSKIP("NCID's client (../shared/peers/ncid) or tclsh is not here");
        Program p(serverOn());
        p.core->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 3055550100\r\n"
                                  "NAME = MARY ROE\r\n");
        p.state->Timer1.fire(); // stored: the history holds it
        QVERIFY(p.core->network.start());
        QProcess ncid;
        ncid.start(tclsh, {client, "--no-gui", "127.0.0.1", QString::number(p.core->network.server().port())});
        QVERIFY(ncid.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(p.core->network.server().clientCount(), 1, 10000);
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += ncid.readAllStandardOutput()).contains("Server: Ringlark"), 10000);
        p.core->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1406\r\nNMBR = 5551234567\r\n"
                                  "NAME = JOHN DOE\r\n");
        p.state->Timer1.fire();
        QTcpSocket other;
        other.connectToHost(QHostAddress::LocalHost, p.core->network.server().port());
        QVERIFY(readLines(other, 4).size() > 0);
        other.write("MSG: Dinner is ready\r\n");
        QTRY_VERIFY_WITH_TIMEOUT((out += ncid.readAllStandardOutput()).contains("Dinner is ready"), 10000);
        ncid.kill();
        ncid.waitForFinished();
        QCOMPARE(out.count("JOHN DOE"), 1);
        QVERIFY2(out.contains("CID: 03/21/2026  14:06 POTS 555-123-4567 JOHN DOE"), out.constData());
        QVERIFY2(!out.contains("MARY ROE"), out.constData()); // no history printed as new calls
        QVERIFY2(!out.contains("***"), out.constData());
    }

    void programToProgram()
    {
        // One program publishes the modem's calls; another takes them and stores them alike.
        Program server(serverOn());
        QVERIFY(server.core->network.start());
        Program client(clientOf(server.core->network.server().port()));
        QVERIFY(client.core->network.start());
        QTRY_VERIFY(client.core->network.client().isConnected());
        QTRY_COMPARE(server.core->network.server().clientCount(), 1);
        QCOMPARE(client.state->tray.tip(), TrayStatus::ConnectedTip);
        // One call shown, one refused by the publisher's blocked list.
        QVERIFY(server.core->blocked.append("(305)-555-0100", "MARY ROE"));
        for (const char *report :
             {"NMBR = 5551234567\r\nNAME = JOHN DOE\r\n", "NMBR = 3055550100\r\nNAME = MARY\r\n"}) {
            server.core->reception.receive(QByteArray("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\n") + report);
            // A refused call is over at once; the other rings on.
            if (server.state->Timer1.isRunning()) {
                server.core->reception.receive("\r\nRING\r\n\r\nRING\r\n");
                server.state->Timer1.fire();
            }
            QTRY_COMPARE(client.log(), server.log());
        }
        QCOMPARE(client.log().size(), 160);
        QVERIFY(client.log().startsWith(dots(JohnDoeRecord)));
        QCOMPARE(client.state->display.number(), QStringLiteral("(555)-123-4567")); // the refused call not shown
        QCOMPARE(m_t->boxes.shown.size(), 0);
    }

    void transcriptFromScriptedServer()
    {
        // The whole program, taking its calls from a server that sends a real server's bytes. The
        // caller's name is said for as long as the program lets it: the call is announced for
        // longer than the end of a call waits. The server has sent the rings and the end of the
        // ringing by then; they must be heard while the caller is announced, not after it, when
        // the end of the call would have cut it in two.
        SoundRecorder sound;
        EndlessVoice voice;
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        TestFolder folder;
        folder.copyProgramData(); // no modem settings at all
        AppState state(folder.path());
        state.options = clientOf(peer.serverPort());
        state.options.speakNames = true;
        frmMain window(state);
        QVERIFY(window.Form_Load());
        QTRY_VERIFY(peer.hasPendingConnections());
        QTcpSocket *server = peer.nextPendingConnection();
        server->write(Transcript);
        QTRY_COMPARE(folder.bytes("Array.bin"), dots(JohnDoeRecord));
        QCOMPARE(state.display.number(), QStringLiteral("(555)-123-4567"));
        QCOMPARE(state.display.name(), QStringLiteral("JOHN  DOE"));
        QVERIFY(!sound.played.isEmpty()); // announced
        QCOMPARE(voice.said, QStringList({"Call from John Doe"}));
        QCOMPARE(state.tray.tip(), TrayStatus::ConnectedTip);
        // The modem was neither asked for nor opened; a service that needs it says so.
        QCOMPARE(m_t->boxes.shown.size(), 0);
        QVERIFY(!state.MSComm1.PortOpen());
        window.ui.cmdCallForwardingON->click();
        QCOMPARE(m_t->boxes.titles(), QStringList({"Modem Disconnected"}));
        // The server goes: said in the tray tip.
        server->abort();
        QTRY_COMPARE(state.tray.tip(), NcidCalls::DisconnectedTip);
    }

    void setupNetworkGroup()
    {
        TestFolder folder;
        folder.copyProgramData();
        folder.write(ProgramSettings::fileName(), "[desktop]\nspeakNames=true\n[ncid]\nlistenPort=4000\n");
        AppState state(folder.path());
        state.options = clientOf(1); // nothing listens there: the program waits for its server
        frmMain window(state);
        QVERIFY(window.Form_Load());
        const QByteArray setup = folder.bytes("acsetup.bin");
        window.ui.mnuSetup->trigger();
        frmSetup *w = window.windows().setupWindow();
        QVERIFY(w);
        auto *box = w->findChild<NetworkSettingsBox *>();
        QVERIFY(box);
        // The file's values, not this run's command line.
        QVERIFY(!box->chkNcidClient->isChecked());
        QCOMPARE(box->updNcidServerPort->value(), 4000);
        // Not an address: told, and nothing written.
        box->chkNcidServer->setChecked(true);
        box->txtNcidServerAddress->setText("my host");
        QVERIFY(!box->save());
        QCOMPARE(m_t->boxes.titles(), QStringList({"Network"}));
        box->txtNcidServerAddress->setText("0.0.0.0");
        box->txtNcidLineName->setText("MY LINE"); // a word of the protocol: no blank
        QVERIFY(!box->save());
        box->txtNcidLineName->setText("HOME");
        box->chkNcidClient->setChecked(true);
        box->txtNcidClientHost->setText("pbx.home");
        w->ui.cmdOkSetup->click();
        ProgramSettings expected;
        expected.speakNames = true; // another group's setting stays
        expected.ncidServerEnabled = true;
        expected.ncidServerAddress = "0.0.0.0";
        expected.ncidServerPort = 4000;
        expected.ncidLineName = "HOME";
        expected.ncidClientEnabled = true;
        expected.ncidClientHost = "pbx.home";
        QCOMPARE(ProgramSettings::load(folder.path()), expected);
        // The setup records keep their number and size, and nothing of the network.
        QCOMPARE(folder.bytes("acsetup.bin").size(), setup.size());
        QVERIFY(!folder.bytes("acsetup.bin").contains("pbx.home"));
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_Ncid)
#include "tst_ncid.moc"
