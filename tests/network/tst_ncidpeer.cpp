// The program among NCID's own: the real ncidd 1.6, fed by a scripted SIP gateway with two lines'
// calls, serves the program's client and NCID's own client; then the program's server takes
// ncidd's place for the same gateway and clients, and must give them what ncidd gave. Links the
// call core alone.
//
// ncidd listens on every address of the machine: the whole test runs in a network namespace of
// its own, with loopback only. Where none can be had, or ncidd cannot be built here, or tclsh or
// NCID's client is missing, the test says so and skips.
#include "CallExport.h"
#include "NcidPeer.h"
#include "NcidRig.h"
#include "NcidServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// A SIP gateway's lines in the forms ncidd reads (ncidd.c, formatCID and CALLINFO), two lines
// interleaved: a landline and a VoIP call ring at once; the landline's caller gives up; another
// landline call rings while the VoIP call is answered; the gateway hangs up on a VoIP caller
// while that landline call still rings; the landline's caller gives up.
const QStringList Script = {
    "CALL: ###DATE12081405...CALLIN...LINEPOTS...NMBR5551234567...NAMEJOHN DOE+++",
    "CALL: ###DATE12081405...CALLIN...LINEVOIP...NMBR3055550100...NAMEMARY ROE+++",
    "CALLINFO: ###CANCEL...DATE12081406...SCALL12/08/2026 14:05:02...ECALL12/08/2026 14:06:10...CALLIN...LINEPOTS..."
    "NMBR5551234567...NAMEJOHN DOE+++",
    "CALL: ###DATE12081407...CALLIN...LINEPOTS...NMBR2125550199...NAMEACME CORP+++",
    "CALLINFO: ###BYE...DATE12081409...SCALL12/08/2026 14:05:03...ECALL12/08/2026 14:09:40...CALLIN...LINEVOIP..."
    "NMBR3055550100...NAMEMARY ROE+++",
    "CALL: ###DATE12081408...CALLHUP...LINEVOIP...NMBR8005550111...NAMETELEMARKETER+++",
    "CALLINFO: ###CANCEL...DATE12081408...SCALL12/08/2026 14:07:01...ECALL12/08/2026 14:08:30...CALLIN...LINEPOTS..."
    "NMBR2125550199...NAMEACME CORP+++",
};

// What each side made of the script.
struct Heard {
    QStringList sent;        // what the server sent its clients for it (the gateway is one of them)
    QStringList ncidRead;    // the call lines NCID's client read
    QStringList ncidPrinted; // the calls it printed
    QStringList calls;       // the calls the program's client stored: name|number|rings
    QStringList shownLines;  // the line each of their notices named
    int refused = 0;         // lines of its refused calls' file
};

// Runs the event loop until `done` holds, waking at each `signal` of `sender`; false after `ms`.
template <typename Object, typename Signal>
bool waitUntil(Object *sender, Signal signal, const std::function<bool()> &done, int ms = 10000)
{
    QSignalSpy spy(sender, signal);
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        spy.wait(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

// The next line `socket` receives, without its line end; empty when none came in time.
QString nextLine(QTcpSocket &socket)
{
    if (!waitUntil(
            &socket, &QIODevice::readyRead, [&socket] { return socket.canReadLine(); }, 5000))
        return QString();
    return QString::fromLatin1(socket.readLine()).trimmed();
}

// The time a server sent a CIDINFO line is its own clock's.
QString withoutRingTime(QString line)
{
    static const QRegularExpression time(QStringLiteral("\\*TIME\\*\\d\\d:\\d\\d:\\d\\d\\*"));
    return line.replace(time, QStringLiteral("*TIME*hh:mm:ss*"));
}

} // namespace

class tst_NcidPeer : public QObject {
    Q_OBJECT
public:
    explicit tst_NcidPeer(const QString &noNetwork) : m_noNetwork(noNetwork) {}

private slots:
    void initTestCase()
    {
        pinLocale();
        if (!m_noNetwork.isEmpty())
            QSKIP(
                qPrintable("ncidd listens on every address: no network of its own to run it in (" + m_noNetwork + ")"));
        m_tclsh = QStandardPaths::findExecutable(QStringLiteral("tclsh"));
        if (!QFileInfo::exists(ncidClient()))
            QSKIP(qPrintable("no NCID client at " + ncidClient()));
        if (m_tclsh.isEmpty())
            QSKIP("no tclsh here to run NCID's client");
        if (QStandardPaths::findExecutable(QStringLiteral("make")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("cc")).isEmpty())
            QSKIP("no make and C compiler here to build ncidd");
        QVERIFY(m_work.isValid());
        QString why;
        m_ncidd = NcidPeer::buildNcidd(m_work.path(), &why);
        if (m_ncidd.isEmpty())
            QSKIP(qPrintable("ncidd could not be built: " + why));
    }
    void init() { m_t = std::make_unique<TestScope>(50.0); }
    void cleanup() { m_t.reset(); }

    void gatewayThroughNcidd()
    {
        // Any port of this network is free; the first free one loopback gives.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QProcess ncidd;
        ncidd.setProcessChannelMode(QProcess::MergedChannels);
        ncidd.setStandardOutputFile(m_work.filePath(QStringLiteral("ncidd.out")));
        ncidd.start(m_ncidd, NcidPeer::nciddArguments(m_work.path(), port, QString()));
        const auto stop = qScopeGuard([&ncidd] {
            ncidd.terminate();
            if (!ncidd.waitForFinished(3000))
                ncidd.kill();
        });
        QVERIFY2(ncidd.waitForStarted(5000), qPrintable(ncidd.errorString()));
        auto listening = [port] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            return s.waitForConnected(1000); // on loopback: at once, either way
        };
        auto said = [this] {
            QFile f(m_work.filePath(QStringLiteral("ncidd.out")));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(nothing)");
        };
        QTRY_VERIFY2_WITH_TIMEOUT(listening(), said().constData(), 5000);
        runScript(port, m_fromNcidd);
        if (QTest::currentTestFailed())
            return;
        checkCalls(m_fromNcidd);
    }

    void gatewayThroughOwnServer()
    {
        // The program's server with the same gateway and clients gives them what ncidd gave: the
        // same call lines, CIDINFO and END lines byte for byte. Left out: the server's greeting
        // (its name and version, its feature sets) and the time in each CIDINFO line, which is
        // the moment each server sent it by its own clock.
        if (m_fromNcidd.sent.isEmpty())
            QSKIP("nothing from ncidd to compare with");
        Program server(serverOn());
        QVERIFY(server.core->network.start());
        Heard heard;
        runScript(server.core->network.server().port(), heard);
        if (QTest::currentTestFailed())
            return;
        checkCalls(heard);
        QCOMPARE(heard.sent, m_fromNcidd.sent);
        QCOMPARE(heard.ncidRead, m_fromNcidd.ncidRead);
    }

private:
    static QString ncidClient() { return NcidPeer::sources() + QStringLiteral("/client/ncid.sh"); }

    // The program's client and NCID's client on the server at `port`, both past their startup,
    // then the gateway's script, one line at a time; what each of them made of it.
    void runScript(quint16 port, Heard &heard)
    {
        Program client(clientOf(port));
        bool started = false;
        connect(&client.core->network.client(), &NcidClient::message, this, [&started](const Ncid::Message &m) {
            started = started || (m.kind == Ncid::Kind::Status && m.status == 300);
        });
        connect(&client.state->callEvents, &CallEvents::announced, this,
                [&heard](const CallNotice &n) { heard.shownLines << n.line; });
        QVERIFY(client.core->network.start());
        QVERIFY2(waitUntil(&client.core->network.client(), &NcidClient::message, [&started] { return started; }),
                 "the program's client had no startup");

        // Its verbose level 5 shows every line it reads ("Assigned type N for <line>").
        QProcess ncid;
        ncid.start(m_tclsh, {ncidClient(), "--no-gui", "-v", "5", "127.0.0.1", QString::number(port)});
        QByteArray out;
        auto saw = [&ncid, &out](const QByteArray &text, int times) {
            return waitUntil(&ncid, &QProcess::readyReadStandardOutput, [&] {
                out += ncid.readAllStandardOutput();
                return out.count(text) >= times;
            });
        };
        QVERIFY2(saw("300 End of connection startup", 1), out.constData());

        QTcpSocket gateway;
        gateway.connectToHost(QHostAddress::LocalHost, port);
        for (QString line; !line.startsWith(QLatin1String("300 "));) {
            line = nextLine(gateway);
            QVERIFY2(!line.isEmpty(), "the gateway had no startup");
        }
        for (const QString &line : Script) {
            gateway.write(line.toLatin1() + "\r\n");
            gateway.flush();
            // ncidd takes the first line of each read of a socket and drops the rest: a gateway
            // sends its next line once the last one has been passed on (a CALL line as one line,
            // a CALLINFO line ends with an END line).
            const bool info = line.startsWith(QLatin1String("CALLINFO:"));
            QString passed;
            do {
                passed = nextLine(gateway);
                QVERIFY2(!passed.isEmpty(), qPrintable("nothing passed on for " + line));
                heard.sent << withoutRingTime(passed);
            } while (info && !passed.startsWith(QLatin1String("END: ")));
        }
        // All of it heard: NCID's client read the last END line, the program's client stored each call.
        const int ends = int(Script.filter(QRegularExpression(QStringLiteral("^CALLINFO:"))).size());
        QVERIFY2(saw("for END: ", ends), out.constData());
        QTRY_COMPARE_WITH_TIMEOUT(client.state->calls.records().size(), 4, 10000);
        QTRY_COMPARE(client.core->network.client().pendingLines(), 0);
        ncid.kill();
        ncid.waitForFinished();
        out += ncid.readAllStandardOutput();

        static const QRegularExpression read(QStringLiteral("^Assigned type \\d+ for ([A-Z]+: .*)$"));
        static const QRegularExpression printed(QStringLiteral("^[A-Z]+: \\d\\d/\\d\\d/\\d{4} "));
        for (const QString &l : QString::fromLatin1(out).split(QLatin1Char('\n'))) {
            if (const QRegularExpressionMatch m = read.match(l); m.hasMatch())
                heard.ncidRead << withoutRingTime(m.captured(1));
            else if (printed.match(l).hasMatch())
                heard.ncidPrinted << l;
        }
        heard.calls = client.calls();
        heard.refused = int(client.folder.bytes(RefusedCalls::fileName()).count('\n'));
    }

    // Each call once, as the gateway sent it, wherever the two lines' calls interleaved.
    static void checkCalls(const Heard &heard)
    {
        QCOMPARE(heard.ncidPrinted, QStringList({"CID: 12/08/2026  14:05 POTS 555-123-4567 JOHN DOE",
                                                 "CID: 12/08/2026  14:05 VOIP 305-555-0100 MARY ROE",
                                                 "CID: 12/08/2026  14:07 POTS 212-555-0199 ACME CORP",
                                                 "HUP: 12/08/2026  14:08 VOIP 800-555-0111 TELEMARKETER"}));
        // Stored in the order they ended; a call's line is named once a second line has been heard.
        QCOMPARE(heard.calls, QStringList({"JOHN  DOE|(555)-123-4567|1", "MARY  ROE|(305)-555-0100|1",
                                           "ACME  CORP|(212)-555-0199|1", "TELEMARKETER|(800)-555-0111|1"}));
        QCOMPARE(heard.shownLines, QStringList({"", "VOIP", "POTS", "VOIP"}));
        QCOMPARE(heard.refused, 1); // the call the gateway hung up on
    }

    QString m_noNetwork;
    QString m_tclsh;
    QTemporaryDir m_work;
    QString m_ncidd;
    Heard m_fromNcidd;
    std::unique_ptr<TestScope> m_t;
};

int main(int argc, char *argv[])
{
    // Before Qt starts a thread.
    QString noNetwork;
    if (!NcidPeer::enterPrivateNetwork(&noNetwork) && noNetwork.isEmpty())
        noNetwork = QStringLiteral("unknown reason");
    QCoreApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    tst_NcidPeer test(noNetwork);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ncidpeer.moc"
