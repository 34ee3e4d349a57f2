#include "ServiceOffer.h"

#include "DataFiles.h"
#include "Log.h"
#include "MsgBox.h"
#include "NcidCalls.h"

#include <QElapsedTimer>
#include <QTcpSocket>

namespace ServiceOffer {

bool ringlarkListensOn(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    if (!probe.waitForConnected(300))
        return false;
    // Its first line comes at once; nothing else on the port is asked to wait for long.
    QElapsedTimer clock;
    clock.start();
    while (!probe.canReadLine() && clock.elapsed() < 500 && probe.waitForReadyRead(int(500 - clock.elapsed()))) {
    }
    const QByteArray greeting = probe.readLine();
    probe.abort();
    return greeting.startsWith("200 Server: Ringlark");
}

bool takeCallsFromService(DataFiles &files, NcidCalls &network, quint16 port)
{
    if (files.options.serviceOffered || files.callsFromServer() || !ringlarkListensOn(port))
        return false;
    const bool take = MsgBox(crLines({QStringLiteral("Ringlark's service has the modem on this machine."),
                                      QStringLiteral("Do you want to take the calls from it instead?")}),
                             MsgStyle::InfoYesNo, QStringLiteral("Ringlark Service")) == vbYes;
    // Asked once: the file keeps the answer, not what the command line laid over it.
    ProgramSettings saved = ProgramSettings::load(files.folder());
    saved.serviceOffered = files.options.serviceOffered = true;
    if (take) {
        saved.ncidClientEnabled = true;
        saved.ncidClientHost = QStringLiteral("127.0.0.1");
        saved.ncidClientPort = port;
    }
    QString error;
    if (!saved.save(files.folder(), &error))
        reportWriteFailure(files.file(ProgramSettings::fileName()), error);
    qCInfo(lcCalls, "Ringlark's service holds the modem: calls %s", take ? "taken from it" : "not taken from it");
    if (take)
        network.takeCallsFrom(QStringLiteral("127.0.0.1"), port);
    return take;
}

} // namespace ServiceOffer
