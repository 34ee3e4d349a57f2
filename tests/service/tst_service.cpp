// The service as it runs under systemd: the real ringlarkd on a simulated modem, on a core
// application with no display and no platform plugin, its calls heard by NCID clients and its
// blocked list changed by one.
#include "BlockedFile.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "ModemSim.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

ModemSim::Call call(const QString &number, const QString &name, int ringsAfter,
                    const QString &time = QStringLiteral("1405"))
{
    ModemSim::Call c;
    c.report = ModemSim::report(QStringLiteral("1208"), time, number, name);
    c.ringsAfter = ringsAfter;
    c.ringGapMs = 20;
    return c;
}

// Lines from the socket until one holds `text` (or the deadline): all of them, that one included.
QByteArray linesUntil(QTcpSocket &socket, const QByteArray &text, int timeoutMs = 10000)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (!got.contains(text) && clock.elapsed() < timeoutMs) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(100) &&
            socket.state() != QAbstractSocket::ConnectedState)
            break;
        got += socket.readAll();
    }
    return got;
}

// Connects to the service; it listens once the modem has answered, which on a loaded machine
// may take a while. True once past the client's startup.
bool connectTo(QTcpSocket &client, const QHostAddress &address, quint16 port)
{
    QElapsedTimer waited;
    waited.start();
    while (client.state() != QAbstractSocket::ConnectedState && waited.elapsed() < 20000) {
        client.abort();
        client.connectToHost(address, port);
        if (!client.waitForConnected(200))
            QTest::qWait(50);
    }
    return linesUntil(client, "300 End of connection startup").contains("200 Server: Ringlark");
}

// A request's answer, as ncidd frames it.
QByteArray answered(const char *resp)
{
    return QByteArray("402 Start of data showing status of handled request\r\nRESP: ") + resp +
           "\r\n411 End of response\r\n";
}

// systemd's end of sd_notify(3): the datagram socket NOTIFY_SOCKET names, a path or, after '@',
// an abstract name.
class NotifySocket {
public:
    explicit NotifySocket(const QByteArray &name) : m_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        if (address.sun_path[0] == '@')
            address.sun_path[0] = '\0';
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address),
                         socklen_t(offsetof(sockaddr_un, sun_path) + size_t(name.size()))) == 0;
    }
    ~NotifySocket() { ::close(m_fd); }
    bool bound() const { return m_bound; }

    // The messages until one holds `text` (or the deadline), one a line.
    QByteArray until(const QByteArray &text, int timeoutMs = 10000)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (!got.contains(text) && clock.elapsed() < timeoutMs) {
            pollfd ready{m_fd, POLLIN, 0};
            char message[4096];
            if (::poll(&ready, 1, 100) > 0)
                got += QByteArray(message, int(std::max<ssize_t>(::recv(m_fd, message, sizeof message, 0), 0))) + '\n';
        }
        return got;
    }

private:
    int m_fd;
    bool m_bound = false;
};

} // namespace

class tst_Service : public QObject {
    Q_OBJECT
private slots:
    // What systemd hears of a service of Type=notify, on either kind of socket it names: ready
    // (with no modem, said so), the watchdog's keep-alive, a reload, the stop.
    void tellsSystemd_data()
    {
        QTest::addColumn<bool>("abstract");
        QTest::newRow("socket file") << false;
        QTest::newRow("abstract socket") << true;
    }
    void tellsSystemd()
    {
        QFETCH(bool, abstract);
        TestFolder folder;
        folder.copyProgramData();
        noOtherPorts(folder.path()); // the search finds no modem
        const QByteArray name =
            abstract ? "@ringlark-notify-" + QByteArray::number(::getpid()) : QFile::encodeName(folder.file("notify"));
        NotifySocket systemd(name);
        QVERIFY(systemd.bound());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("STATE_DIRECTORY");
        env.remove("WATCHDOG_PID");
        env.insert("NOTIFY_SOCKET", QString::fromLocal8Bit(name));
        env.insert("WATCHDOG_USEC", "400000");
        env.insert("QT_QPA_PLATFORM", "no-such-platform");
        QProcess service;
        service.setProcessEnvironment(env);
        service.setProcessChannelMode(QProcess::ForwardedChannels);
        service.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlarkd"),
                      {"--data", folder.path(), "--ncid-server", "127.0.0.1:" + QString::number(freePort())});
        QVERIFY(service.waitForStarted());

        QByteArray got = systemd.until("READY=1");
        QVERIFY2(got.contains("READY=1\nSTATUS=No modem found: no calls are taken"), got.constData());
        got = systemd.until("WATCHDOG=1", 2000);
        QVERIFY2(got.contains("WATCHDOG=1"), got.constData());
        ::kill(pid_t(service.processId()), SIGHUP);
        got = systemd.until("READY=1");
        QVERIFY2(got.contains("RELOADING=1\nMONOTONIC_USEC=") && got.contains("READY=1"), got.constData());
        service.terminate();
        got = systemd.until("STOPPING=1");
        QVERIFY2(got.contains("STOPPING=1"), got.constData());
        QVERIFY(service.waitForFinished(5000));
        QCOMPARE(service.exitCode(), 0);
    }

    void callsScreenedStoredAndStoppedCleanly()
    {
        TestFolder folder;
        folder.copyProgramData();
        folder.writeModemSettings();
        BlockedFile blocked(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        QVERIFY(blocked.append("(305)-555-0100", "MARY ROE"));
        ModemSimThread modem; // answers while this thread waits on the client's socket
        QVERIFY(modem.isOpen());
        QVERIFY(modem.linkAs(folder.path(), 1));

        // The service serves this machine alone, from loopback and from its network address;
        // the lists change from loopback only.
        const QHostAddress own = networkAddress();
        folder.write("ringlark.conf", "[ncid]\nclientsFrom=" + own.toString().toLatin1() + "\n");
        const quint16 port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "NOTIFY_SOCKET", "STATE_DIRECTORY"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "no-such-platform"); // nothing may need one
        QProcess service;
        service.setProcessEnvironment(env);
        service.setProcessChannelMode(QProcess::ForwardedOutputChannel); // its log is read below
        const QString listen = (own.isNull() ? "127.0.0.1:" : "0.0.0.0:") + QString::number(port);
        service.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlarkd"),
                      {"--data", folder.path(), "--ncid-server", listen});
        QVERIFY(service.waitForStarted());
        QVERIFY(modem.waitForCommand("AT+VCID=1", 5000));
        QTcpSocket client;
        QVERIFY(connectTo(client, QHostAddress::LocalHost, port));

        // Blocked from a client: answered as ncidd answers, and the caller's next call refused,
        // hung up on at once, and the clients hear of it so.
        client.write("REQ: black add \"5551230000\" \"SALES DESK\"\r\n");
        QByteArray got = linesUntil(client, "411 End of response");
        QVERIFY2(got.contains(answered("(555)-123-0000 added to the blocked list.")), got.constData());
        int before = int(modem.commandTexts().size());
        modem.placeCall(call("5551230000", "SALES DESK", 0));
        QVERIFY(linesUntil(client, "HUP: ").contains("NMBR*5551230000*"));
        QVERIFY(modem.waitForCommand("ATH", 5000, before));
        // The next call once this one is over (the modem armed again), as clients hear it: a
        // caller cannot ring in the milliseconds the drop takes.
        QVERIFY(linesUntil(client, "*RING*0*").contains("*RING*0*"));
        // So is a caller the blocked list held before the start.
        before = int(modem.commandTexts().size());
        modem.placeCall(call("3055550100", "MARY ROE", 0));
        got = linesUntil(client, "HUP: ");
        QVERIFY2(got.contains("NMBR*3055550100*"), (got + service.readAllStandardError()).constData());
        QVERIFY(modem.waitForCommand("ATH", 5000, before));
        QVERIFY(linesUntil(client, "*RING*0*").contains("*RING*0*"));

        // A client of the network that listsFrom does not name is refused the change.
        QTcpSocket lan;
        if (!own.isNull()) {
            QVERIFY(connectTo(lan, own, port));
            lan.write("REQ: black add \"5551234567\" \"JOHN DOE\"\r\n");
            got = linesUntil(lan, "411 End of response");
            QVERIFY2(got.contains(answered("Not allowed from this client: the lists are not changed.")),
                     got.constData());
            // SIGHUP reads clientsFrom again: a client it no longer names is told and let go.
            folder.write("ringlark.conf", "[ncid]\nclientsFrom=198.51.100.0/24\n");
            before = int(modem.commandTexts().size());
            ::kill(pid_t(service.processId()), SIGHUP);
            got = linesUntil(lan, "not allowed to connect");
            QVERIFY2(got.startsWith("MSG: Client " + own.toString().toLatin1() + " not allowed to connect "),
                     got.constData());
            QTRY_COMPARE(lan.state(), QAbstractSocket::UnconnectedState);
            // The re-read arms the modem again; the next call comes after that.
            QVERIFY(modem.waitForCommand("AT+VCID=1", 5000, before));
        }

        // The next call goes through and ends when the line has been quiet for a while; the same
        // caller's next one, still ringing when the service is stopped, is stored before it ends.
        modem.placeCall(call("5551234567", "JOHN DOE", 0, "1530"));
        QVERIFY(linesUntil(client, "NAME*JOHN DOE*").contains("CID: "));
        QVERIFY(linesUntil(client, "*RING*0*", 15000).contains("*RING*0*"));
        modem.placeCall(call("5551234567", "JOHN DOE", 1, "1530"));
        QVERIFY(linesUntil(client, "NAME*JOHN DOE*").contains("CID: "));
        QVERIFY(modem.waitForCallSent(5000));
        service.terminate();
        QVERIFY(service.waitForFinished(5000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
        // The log names the caller of each call, with that call's time, a caller calling again too.
        const QByteArray said = service.readAllStandardError();
        QByteArrayList callers;
        for (const QByteArray &line : said.split('\n'))
            if (line.contains("caller: "))
                callers << line.mid(line.indexOf("caller: "));
        QVERIFY2(callers.size() == 2 && callers[0] == callers[1] &&
                     callers[0].startsWith("caller: JOHN  DOE (555)-123-4567 ") && callers[0].endsWith(" 03:30 PM"),
                 said.constData());

        const QByteArray log = folder.bytes("Array.bin");
        QCOMPARE(log.size(), 4 * CallRecord::Length);
        QVERIFY2(log.contains("NM=SALES  DESKNB=(555)-123-0000"), log.constData());
        QVERIFY2(log.contains("NM=MARY  ROENB=(305)-555-0100"), log.constData());
        QVERIFY2(log.contains("NM=JOHN  DOENB=(555)-123-4567RG=1"), log.constData());
        QVERIFY2(log.contains("NM=JOHN  DOENB=(555)-123-4567RG=2"), log.constData());
        const QByteArray refused = folder.bytes(RefusedCalls::fileName());
        QVERIFY2(refused.contains("SALES") && refused.contains("MARY") && !refused.contains("JOHN"),
                 refused.constData());
        if (own.isNull())
            QSKIP("this machine has no address but loopback: no client of the network was tried");
    }
};

QTEST_GUILESS_MAIN(tst_Service)
#include "tst_service.moc"
