// Calls on the network against the real NCID server, ncidd 1.6, in one run.
//
// ncidd is built from the peer's sources (NCID_PEER, else ../shared/peers/ncid beside the
// project) in a temporary folder and run on a pseudo-terminal of its own as its modem; the real
// `ringlark --ncid-server` (the desktop program) and `ringlarkd` (the service) run on others. For
// each call the modem's report is written whole but for its last line end; then the last two
// bytes go out, and the time until the CID: line has come to a client connected on loopback is
// taken. The calls go to the servers in turn, each server's line silent for the same time before
// each of its calls (the program's call ends after ten seconds of silence), the others' calls
// evenly between.
//
// ncidd listens on every address of the machine: the benchmark, both servers and their clients
// run in a network namespace of their own, with loopback only. Without one (no privilege, no
// user namespaces) or without the peer, the benchmark says so and measures nothing.
// NCIDD_BENCH_CALLS (24) and NCIDD_BENCH_IDLE_MS (10500) change the run; figures are printed,
// nothing passes or fails on them.
#include "BenchSupport.h"
#include "NcidPeer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;
using namespace NcidPeer;

// One server under measure: its modem, its process and a client of it.
struct Server {
    const char *name;
    int master = -1, slave = -1;
    char device[256] = {};
    QProcess process;
    int client = -1;
    QByteArray got;     // what the client has read and not yet looked at
    QByteArray command; // what the modem has been sent since the last line end
    std::vector<double> ms;

    explicit Server(const char *n) : name(n)
    {
        openpty(&master, &slave, device, nullptr, nullptr);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Server()
    {
        if (client >= 0)
            ::close(client);
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        ::close(master);
        ::close(slave);
    }
    // The modem: every command echoed and answered OK.
    void answer()
    {
        char buf[512];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                command += buf[i];
                if (buf[i] == '\r') {
                    writeAll(master, command + "\r\nOK\r\n");
                    command.clear();
                }
            }
        }
    }
    void forget()
    {
        char buf[4096];
        while (::recv(client, buf, sizeof buf, MSG_DONTWAIT) > 0) {
        }
        got.clear();
    }
};

// Every modem answered for `ms`.
void answerFor(const std::vector<Server *> &servers, int ms)
{
    const auto end = Clk::now() + std::chrono::milliseconds(ms);
    std::vector<pollfd> p;
    for (Server *s : servers)
        p.push_back({s->master, POLLIN, 0});
    for (;;) {
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clk::now()).count());
        if (left <= 0)
            return;
        if (::poll(p.data(), nfds_t(p.size()), left) > 0) {
            for (Server *s : servers)
                s->answer();
        }
    }
}

QByteArray report(int i)
{
    return QStringLiteral("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 55512%1\r\nNAME = CALLER %2\r\n")
        .arg(10000 + i % 89999)
        .arg(i)
        .toLatin1();
}

// One call: all but the last line end, a pause, then the last two bytes; the time to the CID line.
void placeCall(Server &s, int i)
{
    s.forget();
    const QByteArray r = report(i);
    writeAll(s.master, r.left(r.size() - 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Clk::time_point sent = Clk::now();
    writeAll(s.master, r.right(2));
    if (readUntil(s.client, s.got, "CID: ", 3000))
        s.ms.push_back(std::chrono::duration<double, std::milli>(Clk::now() - sent).count());
    else if (qEnvironmentVariableIsSet("NCID_BENCH_DEBUG"))
        std::fprintf(stderr, "%s: no CID line; got: %s\n", s.name, s.got.constData());
}

void print(const Server &s, int calls)
{
    std::printf("  %-28s median %.3f ms   min %.3f ms   p95 %.3f ms   (%zu of %d calls)\n", s.name,
                percentile(s.ms, 0.5), percentile(s.ms, 0), percentile(s.ms, 0.95), s.ms.size(), calls);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before any thread: a namespace is the calling thread's, and a user namespace wants one thread.
    QString why;
    const bool privateNetwork = enterPrivateNetwork(&why);
    QCoreApplication app(argc, argv);
    std::printf("NCID against ncidd 1.6: last byte of the modem's report to the CID: line at a client on loopback:\n");
    if (!privateNetwork) {
        std::printf("  skipped: %s\n", qPrintable(why));
        return 0;
    }
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlark");
    if (!QFile::exists(program)) {
        std::printf("  skipped: no program at %s\n", qPrintable(program));
        return 0;
    }
    QTemporaryDir work;
    const QString ncidd = buildNcidd(work.path(), &why);
    if (ncidd.isEmpty()) {
        std::printf("  skipped: ncidd could not be built: %s\n", qPrintable(why));
        return 0;
    }
    const int calls =
        qEnvironmentVariableIntValue("NCIDD_BENCH_CALLS") > 0 ? qEnvironmentVariableIntValue("NCIDD_BENCH_CALLS") : 24;
    const int idleMs = qEnvironmentVariableIntValue("NCIDD_BENCH_IDLE_MS") > 0
                           ? qEnvironmentVariableIntValue("NCIDD_BENCH_IDLE_MS")
                           : 10500;
    const QByteArray loadBefore = loadAverage();

    Server peer("ncidd 1.6");
    // Its messages to nowhere.
    peer.process.setStandardOutputFile(QProcess::nullDevice());
    peer.process.setStandardErrorFile(QProcess::nullDevice());
    peer.process.start(ncidd, nciddArguments(work.path(), 3333, QString::fromLocal8Bit(peer.device)));

    QTemporaryDir folder, serviceFolder; // outlive the programs, which keep their lock files there
    Server ours("ringlark --ncid-server");
    layOutProgramFolder(folder.path(), program, QString::fromLocal8Bit(ours.device));
    ours.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    ours.process.setProcessEnvironment(env);
    ours.process.start(folder.filePath(QStringLiteral("ringlark")),
                       {QStringLiteral("--ncid-server"), QStringLiteral("127.0.0.1:3334")});
    Server service("ringlarkd");
    layOutProgramFolder(serviceFolder.path(), program, QString::fromLocal8Bit(service.device));
    if (!qEnvironmentVariableIsSet("NCID_BENCH_DEBUG")) // its log goes to the journal; here nowhere
        service.process.setStandardErrorFile(QProcess::nullDevice());
    service.process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlarkd"),
                          {QStringLiteral("--data"), serviceFolder.path(), QStringLiteral("--ncid-server"),
                           QStringLiteral("127.0.0.1:3335")});
    const std::vector<Server *> servers{&peer, &ours, &service};
    for (Server *s : servers)
        s->process.waitForStarted();
    answerFor(servers, 3000); // start-up: each sets up its modem
    if (qEnvironmentVariableIsSet("NCID_BENCH_DEBUG"))
        std::fprintf(stderr, "ncidd pid %lld, ringlark pid %lld, ringlarkd pid %lld\n", peer.process.processId(),
                     ours.process.processId(), service.process.processId());

    for (size_t i = 0; i < servers.size(); ++i) {
        Server *s = servers[i];
        s->client = connectTo(quint16(3333 + i));
        if (s->client < 0 || !readUntil(s->client, s->got, "300 End of connection startup", 5000)) {
            std::printf("  skipped: %s does not serve NCID clients\n", s->name);
            return 0;
        }
    }
    std::printf("  %d calls each, in turn; each line silent %.1f s before each of its calls, the others' calls "
                "between (about %d s)\n",
                calls, idleMs / 1000.0, calls * idleMs / 1000);
    std::fflush(stdout);
    const int between = idleMs / int(servers.size());
    answerFor(servers, between);
    for (int i = 0; i < calls; ++i) {
        for (Server *s : servers) {
            placeCall(*s, i);
            answerFor(servers, between);
        }
    }
    for (Server *s : servers)
        print(*s, calls);
    for (Server *s : {&ours, &service}) {
        if (!peer.ms.empty() && !s->ms.empty())
            std::printf("  %s / ncidd (medians): %.2f\n", s->name, percentile(s->ms, 0.5) / percentile(peer.ms, 0.5));
    }
    std::printf("  load average before: %s; after: %s\n", loadBefore.constData(), loadAverage().constData());
    return 0;
}
