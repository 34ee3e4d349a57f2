// CPU used while a service waits 12 seconds for a modem that never answers "OK": the wait must
// sleep in the event loop, not spin. Real time, real pseudo-terminal.
#include "AppState.h"
#include "ModemExchange.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1000.0 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1000.0;
}
} // namespace

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
    ModemExchange exchange(state);
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
    return 0;
}
