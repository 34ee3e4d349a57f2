// Caller ID as seen from outside the program: the real `ringlark` runs on its own, its COM1 a
// pseudo-terminal whose other end this benchmark holds. For each call the report is written
// whole but for its last line end; then the last two bytes go out, and the time until the report
// is in record 5 of acsetup.bin on disk is taken: an inotify watch on the folder wakes the
// benchmark at each write, and record 5 is read then. The floor is a trivial forwarder, a
// process that reads another pseudo-terminal and writes what it got at the same place of a file
// in a folder watched the same way. The calls alternate between the two, each line silent for
// the same time before each of its calls (a call of the program ends after ten seconds of
// silence), the other's call halfway between, so that both wake from the same idle.
// OUTSIDE_BENCH_CALLS (8 each) and OUTSIDE_BENCH_IDLE_MS (10500) change the run.
#include "BenchSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;
constexpr off_t RecordFive = 400;

QByteArray report(int i)
{
    return QStringLiteral("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 55512%1\r\nNAME = CALLER %2\r\n")
        .arg(10000 + i)
        .arg(i)
        .toLatin1();
}

// One side under measure: the modem it reads, the file whose record 5 it writes, and an inotify
// watch on that file's folder (writes in place and replacements alike wake it).
struct Side {
    const char *name;
    int master = -1, slave = -1;
    char device[256] = {};
    QTemporaryDir dir;
    QString file;
    int watch = -1;
    std::vector<double> ms;

    Side(const char *n, const QString &fileName) : name(n), file(dir.filePath(fileName))
    {
        openpty(&master, &slave, device, nullptr, nullptr);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE);
    }
    ~Side()
    {
        ::close(watch);
        ::close(master);
        ::close(slave);
    }
    bool recordHolds(const QByteArray &marker) const
    {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        char buf[100];
        const ssize_t n = ::pread(fd, buf, sizeof buf, RecordFive);
        ::close(fd);
        return n > 0 && QByteArray(buf, int(n)).contains(marker);
    }
    // Events so far are not this call's.
    void forgetEvents() const
    {
        alignas(inotify_event) char buf[4096];
        while (::read(watch, buf, sizeof buf) > 0) {
        }
    }
    // Woken by each write in the folder, record 5 read: the time from `sent` to the marker in it.
    double waitForMarker(const QByteArray &marker, Clk::time_point sent) const
    {
        const auto giveUp = sent + std::chrono::seconds(3);
        for (;;) {
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clk::now()).count());
            if (left <= 0)
                return -1;
            pollfd p{watch, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                continue;
            forgetEvents();
            if (recordHolds(marker))
                return std::chrono::duration<double, std::milli>(Clk::now() - sent).count();
        }
    }
    // One call: all but the last line end, a pause, then the last two bytes; the time to record 5.
    void placeCall(int i)
    {
        const QByteArray r = report(i);
        writeAll(master, r.left(r.size() - 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        forgetEvents();
        const Clk::time_point sent = Clk::now();
        writeAll(master, r.right(2));
        const double m = waitForMarker("CALLER " + QByteArray::number(i) + "\r\n", sent);
        if (m >= 0)
            ms.push_back(m);
    }
    void print(int calls) const
    {
        std::printf("  %-34s median %.3f ms   min %.3f ms   p95 %.3f ms   max %.3f ms   (%zu of %d calls)\n", name,
                    percentile(ms, 0.5), percentile(ms, 0), percentile(ms, 0.95), percentile(ms, 1), ms.size(), calls);
    }
};

// The floor: reads the terminal and writes the report at record 5 once its last line has ended.
[[noreturn]] void forwarder(const char *slavePath, const QByteArray &file)
{
    const int tty = ::open(slavePath, O_RDWR | O_NOCTTY);
    termios raw{}; // as a serial port is opened: bytes as they come, CR untranslated
    tcgetattr(tty, &raw);
    cfmakeraw(&raw);
    tcsetattr(tty, TCSANOW, &raw);
    const int out = ::open(file.constData(), O_WRONLY | O_CREAT, 0644);
    QByteArray buffer;
    char chunk[256];
    for (;;) {
        const ssize_t n = ::read(tty, chunk, sizeof chunk);
        if (n <= 0)
            _exit(0);
        buffer.append(chunk, int(n));
        const qsizetype name = buffer.lastIndexOf("NAME");
        if (name >= 0 && buffer.indexOf("\r\n", name) >= 0) {
            const QByteArray record = ("\r\n" + buffer + "\r\n").left(100).leftJustified(100, ' ');
            (void)::pwrite(out, record.constData(), 100, RecordFive);
            buffer.clear();
        }
    }
}

int fromEnvironment(const char *name, int fallback)
{
    const int v = qEnvironmentVariableIntValue(name);
    return v > 0 ? v : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int calls = fromEnvironment("OUTSIDE_BENCH_CALLS", 8);
    const int idleMs = fromEnvironment("OUTSIDE_BENCH_IDLE_MS", 10500);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlark");
    if (!QFile::exists(program)) {
        std::printf("no program at %s\n", qPrintable(program));
        return 0;
    }
    const QByteArray loadBefore = loadAverage();

    Side floor("trivial forwarder (the floor)", QStringLiteral("record5.bin"));
    const pid_t child = fork();
    if (child == 0)
        forwarder(floor.device, QFile::encodeName(floor.file));

    Side ours("ringlark", QStringLiteral("acsetup.bin"));
    layOutProgramFolder(ours.dir.path(), program, QString::fromLocal8Bit(ours.device));
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(ours.dir.filePath(QStringLiteral("ringlark")), {});
    p.waitForStarted();
    answerCommands(ours.master, 1500); // start-up: the caller-ID command

    std::printf("record 5 on disk, from the last byte written to the pseudo-terminal (outside the program, "
                "an inotify watch):\n");
    std::printf("  %d calls each, alternating; each line silent %.1f s before each of its calls, the other's "
                "call halfway (about %d s)\n",
                calls, idleMs / 1000.0, calls * idleMs / 1000);
    std::fflush(stdout);
    answerCommands(ours.master, idleMs / 2);
    for (int i = 0; i < calls; ++i) {
        floor.placeCall(i);
        answerCommands(ours.master, idleMs / 2);
        ours.placeCall(i);
        answerCommands(ours.master, idleMs / 2); // the call ends after ten seconds of silence
    }
    p.terminate();
    if (!p.waitForFinished(3000))
        p.kill();
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);

    floor.print(calls);
    ours.print(calls);
    if (!floor.ms.empty() && !ours.ms.empty())
        std::printf("  ringlark / floor (medians): %.2f\n", percentile(ours.ms, 0.5) / percentile(floor.ms, 0.5));
    std::printf("  load average before: %s; after: %s\n", loadBefore.constData(), loadAverage().constData());
    return 0;
}
