// Calls on the network, measured.
//
// (a) Latency: from the last byte of the modem's report, written to the pseudo-terminal that is
//     the program's COM1, to the CID: line read by an NCID client on loopback (a plain blocking
//     socket on a thread of its own, or in this process while the program runs as its own).
//     First in this process through the program's own port, reception and server, on a fast
//     clock so that each call ends in milliseconds (many calls); then the real `ringlark`
//     --ncid-server, whose calls end after ten real seconds of silence (a few calls).
// (b) Idle: the real `ringlark` with 32 clients connected, for some seconds without a call: the
//     CPU time it uses and how often it wakes (context switches), read from /proc.
// Figures are printed; nothing passes or fails on them.
#include "AppState.h"
#include "BenchSupport.h"
#include "BlockedFile.h"
#include "Clock.h"
#include "IPortConnection.h"
#include "MsgBox.h"
#include "Services.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;

void print(const char *what, const std::vector<double> &v, int calls)
{
    std::printf("  %-44s median %.3f ms   min %.3f ms   p95 %.3f ms   (%zu of %d calls)\n", what, percentile(v, 0.5),
                percentile(v, 0), percentile(v, 0.95), v.size(), calls);
    std::fflush(stdout);
}

QByteArray report(int i)
{
    return QStringLiteral("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 55512%1\r\nNAME = CALLER %2\r\n")
        .arg(10000 + i % 89999)
        .arg(i)
        .toLatin1();
}

// One call: all but the last line end, a pause, then the last two bytes; the time to the CID line.
double placeCall(int modem, int client, QByteArray &got, int i)
{
    const QByteArray r = report(i);
    writeAll(modem, r.left(r.size() - 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Clk::time_point sent = Clk::now();
    writeAll(modem, r.right(2));
    if (!readUntil(client, got, "CID: ", 3000)) {
        if (qEnvironmentVariableIsSet("NCID_BENCH_DEBUG"))
            std::fprintf(stderr, "no CID line; got: %s\n", got.constData());
        return -1;
    }
    return std::chrono::duration<double, std::milli>(Clk::now() - sent).count();
}

class NoPort : public IPortConnection {
public:
    void ModemPortOpen() override {}
};

std::vector<double> inProcess(int calls)
{
    TestFolder folder;
    folder.copyProgramData();
    int master = -1, slave = -1;
    char name[256] = {};
    openpty(&master, &slave, name, nullptr, nullptr);
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    QFile::link(QString::fromLocal8Bit(name), folder.file(QStringLiteral("ports/COM1")));

    // Ten seconds of silence end a call in 100 ms.
    FastClock clock(100);
    ClockScope clockScope(&clock);
    MsgBoxScript boxes;
    AppState state(folder.path());
    state.setupFile.load(state.settings);
    state.settings.COM_Port = QStringLiteral("1");
    state.settings.Talking_Call = false;
    state.settings.PopUpWindow = false;
    state.settings.CallerIdMinimize = false;
    state.options.ncidServerEnabled = true;
    state.options.ncidServerAddress = QStringLiteral("127.0.0.1");
    state.options.ncidServerPort = 0;
    state.MSComm1.setCommPort(1);
    QString why;
    if (!state.MSComm1.setPortOpen(true, &why))
        std::printf("  the pseudo-terminal could not be opened: %s\n", qPrintable(why));
    FakeWindow window;
    NoPort port;
    Services services(state, window, port);
    services.network.start();
    const quint16 serverPort = services.network.server().port();

    std::vector<double> ms;
    std::thread client([&] {
        const int fd = connectTo(serverPort);
        QByteArray got;
        if (fd >= 0 && readUntil(fd, got, "300 End of connection startup", 3000)) {
            for (int i = 0; i < calls; ++i) {
                const double m = placeCall(master, fd, got, i);
                if (m >= 0)
                    ms.push_back(m);
                readUntil(fd, got, "*RING*0*", 3000); // the call has ended
            }
        }
        ::close(fd);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QCoreApplication::exec();
    client.join();
    state.MSComm1.setPortOpen(false);
    ::close(master);
    ::close(slave);
    return ms;
}

// The real program in a folder of its own, COM1 a pseudo-terminal, publishing on `port`.
struct RealProgram {
    // `service`: the service's binary, run on the same data folder instead of the program.
    RealProgram(const QString &program, quint16 port, const QString &service = QString())
    {
        openpty(&master, &slave, name, nullptr, nullptr);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        layOutProgramFolder(dir.path(), program, QString::fromLocal8Bit(name));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        const QStringList server = {QStringLiteral("--ncid-server"), QStringLiteral("127.0.0.1:%1").arg(port)};
        if (service.isEmpty())
            process.start(dir.filePath(QStringLiteral("ringlark")), server);
        else
            process.start(service, QStringList{QStringLiteral("--data"), dir.path()} + server);
        process.waitForStarted();
        answerCommands(1500);
    }
    ~RealProgram()
    {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        ::close(master);
        ::close(slave);
    }
    void answerCommands(int ms) { ::answerCommands(master, ms); }
    // User and system CPU time of the program so far (ms), and its context switches.
    void usage(double *cpuMs, long *switches) const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        *cpuMs = 0;
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray s = stat.readAll();
            const QList<QByteArray> f = s.mid(s.lastIndexOf(')') + 2).split(' ');
            if (f.size() > 13)
                *cpuMs = (f.at(11).toDouble() + f.at(12).toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
        }
        // Every thread of the program (Qt keeps a few of its own).
        *switches = 0;
        const QString tasks = QStringLiteral("/proc/%1/task").arg(process.processId());
        for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile status(tasks + QLatin1Char('/') + task + QStringLiteral("/status"));
            if (!status.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.contains("ctxt_switches"))
                    *switches += line.mid(line.indexOf(':') + 1).trimmed().toLong();
            }
        }
    }

    QTemporaryDir dir;
    int master = -1, slave = -1;
    char name[256] = {};
    QProcess process;
};

} // namespace

// The program idle with 32 clients connected, for some seconds without a call: CPU and wake-ups.
void idleWithClients(const RealProgram &real, quint16 port, const char *what)
{
    std::vector<int> clients;
    for (int i = 0; i < 32; ++i) {
        const int fd = connectTo(port);
        QByteArray got;
        if (fd >= 0 && readUntil(fd, got, "300 End of connection startup", 5000))
            clients.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int seconds = 10;
    double cpu0 = 0, cpu1 = 0;
    long sw0 = 0, sw1 = 0;
    real.usage(&cpu0, &sw0);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    real.usage(&cpu1, &sw1);
    std::printf("%s idle with %zu clients connected, %d s:\n", what, clients.size(), seconds);
    // /proc counts CPU in clock ticks (10 ms): 0 means less than one tick.
    std::printf("  CPU %.1f ms (%.3f %% of one core), %ld context switches in all its threads (%.1f a second)\n",
                cpu1 - cpu0, (cpu1 - cpu0) / (seconds * 10.0), sw1 - sw0, double(sw1 - sw0) / seconds);
    for (int fd : clients)
        ::close(fd);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    pinLocale();
    const int calls =
        qEnvironmentVariableIntValue("NCID_BENCH_CALLS") > 0 ? qEnvironmentVariableIntValue("NCID_BENCH_CALLS") : 300;
    std::printf("NCID: last byte of the modem's report on the pseudo-terminal to the CID: line at a client on "
                "loopback:\n");
    print("in this process (fast clock, calls end at once)", inProcess(calls), calls);

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlark");
    if (!QFile::exists(program)) {
        std::printf("no program at %s\n", qPrintable(program));
        return 0;
    }
    const quint16 port = 23000 + quint16(getpid() % 20000);
    RealProgram real(program, port);

    // (a) the real program: each call ends after ten seconds of silence.
    const int realCalls = 6;
    std::vector<double> ms;
    {
        const int fd = connectTo(port);
        QByteArray got;
        if (fd >= 0 && readUntil(fd, got, "300 End of connection startup", 5000)) {
            for (int i = 0; i < realCalls; ++i) {
                const double m = placeCall(real.master, fd, got, i);
                if (m >= 0)
                    ms.push_back(m);
                real.answerCommands(10500);
            }
        }
        ::close(fd);
    }
    print("ringlark --ncid-server (its own process)", ms, realCalls);
    // The client above has gone before the 32 come (else the last would be one too many).
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // (b) idle with 32 clients, the program and then the service.
    idleWithClients(real, port, "ringlark --ncid-server");
    const QString service = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlarkd");
    if (QFile::exists(service)) {
        const quint16 servicePort = port + 1;
        RealProgram daemon(program, servicePort, service);
        idleWithClients(daemon, servicePort, "ringlarkd");
    }
    return 0;
}
