// A modem's device gone and back, as a USB modem unplugged and plugged in again: the CPU used
// while it is gone (its return is learnt from file notifications, never polled) and the time
// from its return to the caller-ID command on the port. Real time, real pseudo-terminals.
//
// Two kinds of return: a new ports/COMn link (a terminal of another number), and the device
// node back in its own folder under the name the link already points to.
#include "AppState.h"
#include "ModemSim.h"
#include "PortConnection.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    MsgBoxScript boxes;
    TestFolder folder;
    folder.writeSettings({{2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}});
    // COM1 links to a name in a folder of our own, which links to the terminal: the "device node".
    const QString devFolder = folder.file("dev");
    QDir().mkpath(devFolder);
    const QString node = devFolder + "/ttyModem";
    QDir().mkpath(folder.file("ports"));
    QFile::link(node, folder.file("ports/COM1"));

    auto modem = std::make_unique<ModemSimThread>();
    QFile::link(modem->devicePath(), node);
    AppState state(folder.path());
    state.setupFile.load(state.settings);
    state.ModemConfigured = true;
    FakeWindow window;
    PortConnection port(state, state, state.tray, window);
    port.ModemPortOpen();
    if (!state.MSComm1.PortOpen()) {
        std::printf("the port did not open\n");
        return 1;
    }
    QSignalSpy lost(&state.MSComm1, &MSComm::deviceLost);

    const int rounds = 5;
    const int goneMs = 3000;
    // For comparison: the same time with the modem there and the port open, idle.
    const double idle0 = cpuMs();
    QElapsedTimer idleWall;
    idleWall.start();
    idle(2 * rounds * goneMs);
    const double idleCpu = cpuMs() - idle0;
    std::printf("device there, port open, idle: CPU %.1f ms in %lld ms wall (%.4f %% of one core)\n", idleCpu,
                qlonglong(idleWall.elapsed()), 100.0 * idleCpu / double(idleWall.elapsed()));

    QList<double> returnMs[2];
    double goneCpu = 0;
    double goneWall = 0;
    for (int round = 0; round < 2 * rounds; ++round) {
        const bool byLink = round % 2 == 0;
        modem->close();
        QFile::remove(node);
        if (!lost.wait(5000)) {
            std::printf("the loss was not seen\n");
            return 1;
        }
        const double cpu0 = cpuMs();
        QElapsedTimer wall;
        wall.start();
        idle(goneMs);
        goneCpu += cpuMs() - cpu0;
        goneWall += double(wall.elapsed());

        modem = std::make_unique<ModemSimThread>();
        const QDateTime back = QDateTime::currentDateTime();
        if (byLink) {
            modem->linkAs(folder.path(), 1); // replaces the link: a new name for COM1
        } else {
            QFile::link(modem->devicePath(), node);
        }
        if (!modem->waitForCommand("AT+VCID=1", 10000)) {
            std::printf("the caller-ID command never came (round %d)\n", round);
            return 1;
        }
        returnMs[byLink ? 0 : 1] << double(back.msecsTo(modem->sim()->commands().first().time));
        // The usual chain again for the next round: COM1 -> node -> terminal.
        QFile::remove(folder.file("ports/COM1"));
        QFile::link(node, folder.file("ports/COM1"));
        QFile::remove(node);
        QFile::link(modem->devicePath(), node);
    }
    std::printf("device gone: %d times %d ms, CPU %.1f ms in %.0f ms wall (%.4f %% of one core)\n", 2 * rounds, goneMs,
                goneCpu, goneWall, 100.0 * goneCpu / goneWall);
    const char *kinds[2] = {"a new ports/COMn link", "the device node back in its folder"};
    for (int k = 0; k < 2; ++k) {
        QList<double> &ms = returnMs[k];
        std::sort(ms.begin(), ms.end());
        std::printf("return to caller-ID command, %s: median %.0f ms, min %.0f, max %.0f (%lld returns)\n", kinds[k],
                    ms[ms.size() / 2], ms.first(), ms.last(), qlonglong(ms.size()));
    }
    return 0;
}
