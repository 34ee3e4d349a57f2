// The service as it runs under systemd: the real ringlarkd on a simulated modem, on a core
// application with no display and no platform plugin, its calls heard by an NCID client.
#include "BlockedFile.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "ModemSim.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

ModemSim::Call call(const QString &number, const QString &name, int ringsAfter)
{
    ModemSim::Call c;
    c.report = ModemSim::report(QStringLiteral("1208"), QStringLiteral("1405"), number, name);
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

} // namespace

class tst_Service : public QObject {
    Q_OBJECT
private slots:
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

        const quint16 port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "NOTIFY_SOCKET", "STATE_DIRECTORY"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "no-such-platform"); // nothing may need one
        QProcess service;
        service.setProcessEnvironment(env);
        service.setProcessChannelMode(QProcess::ForwardedChannels);
        service.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlarkd"),
                      {"--data", folder.path(), "--ncid-server", "127.0.0.1:" + QString::number(port)});
        QVERIFY(service.waitForStarted());
        QVERIFY(modem.waitForCommand("AT+VCID=1", 5000));

        QTcpSocket client;
        // It listens once the modem has answered: on a loaded machine that may take a while.
        QElapsedTimer waited;
        waited.start();
        while (client.state() != QAbstractSocket::ConnectedState && waited.elapsed() < 20000) {
            client.abort();
            client.connectToHost(QHostAddress::LocalHost, port);
            if (!client.waitForConnected(200))
                QTest::qWait(50);
        }
        QCOMPARE(client.state(), QAbstractSocket::ConnectedState);
        QVERIFY(linesUntil(client, "300 End of connection startup").contains("200 Server: Ringlark"));

        // A blocked caller is answered and hung up on at once, and the clients hear of it so.
        const int before = int(modem.commandTexts().size());
        modem.placeCall(call("3055550100", "MARY ROE", 0));
        QVERIFY(linesUntil(client, "HUP: ").contains("NMBR*3055550100*"));
        QVERIFY(modem.waitForCommand("ATH", 5000, before));

        // A caller still ringing when the service is stopped is stored before it ends.
        modem.placeCall(call("5551234567", "JOHN DOE", 1));
        QVERIFY(linesUntil(client, "NAME*JOHN DOE*").contains("CID: "));
        QVERIFY(modem.waitForCallSent(5000));
        service.terminate();
        QVERIFY(service.waitForFinished(5000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);

        const QByteArray log = folder.bytes("Array.bin");
        QCOMPARE(log.size(), 2 * CallRecord::Length);
        QVERIFY2(log.contains("NM=MARY  ROENB=(305)-555-0100"), log.constData());
        QVERIFY2(log.contains("NM=JOHN  DOENB=(555)-123-4567RG=2"), log.constData());
        QVERIFY(folder.bytes(RefusedCalls::fileName()).contains("MARY"));
    }
};

QTEST_GUILESS_MAIN(tst_Service)
#include "tst_service.moc"
