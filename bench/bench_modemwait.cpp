// CPU used while a service waits 12 seconds for a modem that never answers "OK", and through
// the longest service, call forwarding on, against a modem slow to answer: the waits must sleep
// in the event loop, not spin. Real time, real pseudo-terminal.
#include "AppState.h"
#include "ModemExchange.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "PortConnection.h"
#include "TestSupport.h"
#include "clsModemFunctions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    MsgBoxScript boxes;
    TestFolder folder;
    folder.writeSettings({{2, "COM_Port = 1"}});
    ModemSimThread modem;
    modem.linkAs(folder.path(), 1);
    modem.run([](ModemSim &sim) { sim.setSilent(true); }); // no echo, no OK: the whole wait runs
    AppState state(folder.path());
    state.setupFile.load(state.settings);
    state.MSComm1.setCommPort(1);
    ModemExchange exchange(state.MSComm1);
    if (!exchange.TakeModemPort())
        return 1;
    const double cpu0 = cpuMs();
    QElapsedTimer wall;
    wall.start();
    exchange.SendModemCommand(QStringLiteral("ATDT5550100;"));
    const bool timedOut = exchange.AwaitModemReply(12);
    const double cpu = cpuMs() - cpu0;
    std::printf("silent modem: echo wait and a 12-second reply wait (timed out: %s)\n", timedOut ? "yes" : "no");
    std::printf("  wall %.0f ms, CPU %.1f ms (%.3f %% of one core)\n", double(wall.elapsed()), cpu,
                100.0 * cpu / double(wall.elapsed()));

    // Call forwarding on: the code is taken after 10 s (of a 12 s wait), the user's box, the
    // 2 s pause, the hang-up confirmed after 8 s (of a 9 s wait).
    modem.run([](ModemSim &sim) {
        sim.setSilent(false);
        QObject::connect(&sim, &ModemSim::commandReceived, &sim,
                         [&sim](const QString &c) { sim.setReplyDelayMs(c == QLatin1String("ATH") ? 8000 : 10000); });
    });
    state.settings.CallForwarding = true;
    state.settings.ForwardNumber = QStringLiteral("5550100");
    FakeWindow window;
    PortConnection port(state, state, state.tray, window);
    clsModemFunctions services(state, state, state.tray, port, &window);
    boxes.answer(vbYes);
    const double cpu1 = cpuMs();
    wall.restart();
    services.CallForwardON();
    const double cpuForward = cpuMs() - cpu1;
    std::printf("call forwarding on, slow modem: %s\n",
                modem.commandTexts().join(QLatin1Char(' ')).toLatin1().constData());
    std::printf("  wall %.0f ms, CPU %.1f ms (%.3f %% of one core), status %s\n", double(wall.elapsed()), cpuForward,
                100.0 * cpuForward / double(wall.elapsed()), state.settings.CallForwardStatus ? "on" : "off");
    return 0;
}
