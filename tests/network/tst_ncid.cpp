// Calls on the network: the NCID line formats, the server against hostile clients, the client
// against a server that goes away, a scripted server sending a real server's transcript to the
// whole program, and one program publishing its calls to another.
#include "AppState.h"
#include "AuxWindows.h"
#include "NcidCalls.h"
#include "NcidClient.h"
#include "NcidServer.h"
#include "NetworkSettingsBox.h"
#include "Services.h"
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
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

class NoPort : public IPortConnection {
public:
    void ModemPortOpen() override {}
};

// A program's subsystems without a window: the settings, the call handling and the network.
struct Program {
    explicit Program(const ProgramSettings &options)
    {
        folder.copyProgramData();
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        state->settings.Talking_Call = false;
        state->settings.PopUpWindow = false;
        state->options = options;
        services = std::make_unique<Services>(*state, window, port);
    }
    QByteArray log() const { return folder.bytes(QStringLiteral("Array.bin")); }

    TestFolder folder;
    FakeWindow window;
    NoPort port;
    std::unique_ptr<AppState> state;
    std::unique_ptr<Services> services;
};

ProgramSettings serverOn(const QString &address = QStringLiteral("127.0.0.1"))
{
    ProgramSettings o;
    o.ncidServerEnabled = true;
    o.ncidServerAddress = address;
    o.ncidServerPort = 0; // any free port
    return o;
}

ProgramSettings clientOf(quint16 port)
{
    ProgramSettings o;
    o.ncidClientEnabled = true;
    o.ncidClientHost = QStringLiteral("127.0.0.1");
    o.ncidClientPort = port;
    return o;
}

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

QByteArray readLines(QTcpSocket &s, int lines)
{
    QByteArray got;
    QDeadlineTimer deadline(5000);
    // The server runs in this thread: its events must run while the client waits.
    while (got.count('\n') < lines && !deadline.hasExpired()) {
        QTest::qWait(5);
        got += s.readAll();
    }
    return got;
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

Q_DECLARE_METATYPE(Ncid::Kind)

class tst_Ncid : public QObject {
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

    void sentLines_data()
    {
        columns<QString, QString, QByteArray>("number", "name", "line");
        const QByteArray head = "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*";
        row("plain", "5551234567", "JOHN DOE", head + "5551234567*MESG*NONE*NAME*JOHN DOE*\r\n");
        // A star would end the field at the other end, a line end the line.
        row("star in the name", "5551234567", "A*B", head + "5551234567*MESG*NONE*NAME*A B*\r\n");
        row("star in the number", "555*NAME*X", "JOHN", head + "555 NAME X*MESG*NONE*NAME*JOHN*\r\n");
        row("line end in the name", "5551234567", "A\r\nCID: *NMBR*1*", head + "5551234567*MESG*NONE*NAME*A  CID:  NMBR 1*\r\n");
        row("nothing", "", "", head + "-*MESG*NONE*NAME*-*\r\n");
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

    void startupAndCall()
    {
        Program p(serverOn());
        p.log(); // no log yet
        QVERIFY(p.services->network.start());
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, p.services->network.server().port());
        QCOMPARE(readLines(s, 4), QByteArray("200 Server: Ringlark (NCID) " RINGLARK_VERSION "\r\n"
                                             "210 API: 1.5 Feature Set 1\r\n252 Call log empty\r\n"
                                             "300 End of connection startup\r\n"));
        // A keep-alive and a HELLO get no answer, and the client stays.
        s.write("\r\nHELLO: IDENT: client test 1\r\n");
        // The modem's call, as the reception gets it.
        p.services->reception.receive("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\n"
                                      "NAME = JOHN DOE\r\n");
        p.services->reception.receive("\r\nRING\r\n");
        p.state->Timer1.fire();
        // The clock's time of each ring, hh:mm:ss.
        QString sent = QString::fromLatin1(readLines(s, 4));
        sent.replace(QRegularExpression("TIME\\*\\d\\d:\\d\\d:\\d\\d\\*"), "TIME*hh:mm:ss*");
        QCOMPARE(sent, QStringLiteral("CIDINFO: *LINE*POTS*RING*1*TIME*hh:mm:ss*\r\n"
                                      "CID: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*"
                                      "NAME*JOHN DOE*\r\n"
                                      "CIDINFO: *LINE*POTS*RING*2*TIME*hh:mm:ss*\r\n"
                                      "CIDINFO: *LINE*POTS*RING*0*TIME*hh:mm:ss*\r\n"));
        QCOMPARE(p.services->network.server().clientCount(), 1);
        // The next client gets the stored call as history.
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, p.services->network.server().port());
        const QByteArray history = readLines(second, 5);
        QVERIFY2(history.contains("CIDLOG: *DATE*03212026*TIME*1405*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN "
                                  "DOE*\r\n250 End of call log\r\n300"),
                 history.constData());
    }

    void programToProgram()
    {
        // One program publishes the modem's calls; another takes them and stores them alike.
        Program server(serverOn());
        QVERIFY(server.services->network.start());
        Program client(clientOf(server.services->network.server().port()));
        QVERIFY(client.services->network.start());
        QTRY_VERIFY(client.services->network.client().isConnected());
        QTRY_COMPARE(server.services->network.server().clientCount(), 1);
        QCOMPARE(client.state->tray.tip(), TrayStatus::ConnectedTip);
        // One call shown, one refused by the publisher's blocked list.
        QVERIFY(server.services->blocked.append("(305)-555-0100", "MARY ROE"));
        for (const char *report :
             {"NMBR = 5551234567\r\nNAME = JOHN DOE\r\n", "NMBR = 3055550100\r\nNAME = MARY\r\n"}) {
            server.services->reception.receive(QByteArray("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\n") + report);
            // A refused call is over at once; the other rings on.
            if (server.state->Timer1.isRunning()) {
                server.services->reception.receive("\r\nRING\r\n\r\nRING\r\n");
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
        box->chkNcidClient->setChecked(true);
        box->txtNcidClientHost->setText("pbx.home");
        w->ui.cmdOkSetup->click();
        ProgramSettings expected;
        expected.speakNames = true; // another group's setting stays
        expected.ncidServerEnabled = true;
        expected.ncidServerAddress = "0.0.0.0";
        expected.ncidServerPort = 4000;
        expected.ncidClientEnabled = true;
        expected.ncidClientHost = "pbx.home";
        QCOMPARE(ProgramSettings::load(folder.path()), expected);
        // The setup records keep their number and size, and nothing of the network.
        QCOMPARE(folder.bytes("acsetup.bin").size(), setup.size());
        QVERIFY(!folder.bytes("acsetup.bin").contains("pbx.home"));
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
        QByteArray got;
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
        QCOMPARE(clients.back()->readAll(), QByteArray());
        QVERIFY(readLines(*clients.front(), 4).startsWith("200 "));
        // A place set free is taken again.
        clients.front()->abort();
        QTRY_COMPARE(server.clientCount(), NcidServer::MaxClients - 1);
        QTcpSocket again;
        again.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(readLines(again, 4).startsWith("200 "));
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

QTEST_MAIN(tst_Ncid)
#include "tst_ncid.moc"
