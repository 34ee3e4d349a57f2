// Caller ID as seen from outside the program: the real `ringlark` runs on its own, its COM1 a
// pseudo-terminal whose other end this benchmark holds. For each call the report is written
// whole but for its last line end; then the last two bytes go out, and the time until the report
// is in record 5 of acsetup.bin on disk is taken. The floor is a trivial forwarder, a process that
// reads the same pseudo-terminal and writes what it got at the same place of a file, measured
// the same way, with the same ten seconds of silence between calls (a call ends after them), so
// that both wake from the same idle: 8 calls each, about three minutes in all.
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
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clk = std::chrono::steady_clock;
constexpr off_t RecordFive = 400;

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Polls the file's record 5 for the marker; microseconds apart, so the poll is not the figure.
double waitForMarker(const QString &path, const QByteArray &marker, Clk::time_point sent)
{
    const QByteArray name = QFile::encodeName(path);
    char buf[100];
    const auto give_up = sent + std::chrono::seconds(3);
    while (Clk::now() < give_up) {
        const int fd = ::open(name.constData(), O_RDONLY);
        if (fd >= 0) {
            const ssize_t n = ::pread(fd, buf, sizeof buf, RecordFive);
            ::close(fd);
            if (n > 0 && QByteArray(buf, int(n)).contains(marker))
                return std::chrono::duration<double, std::milli>(Clk::now() - sent).count();
        }
    }
    return -1;
}

QByteArray report(int i)
{
    return QStringLiteral("\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 55512%1\r\nNAME = CALLER %2\r\n")
        .arg(10000 + i)
        .arg(i)
        .toLatin1();
}

// One call: all but the last line end, a pause, then the last two bytes; the time to record 5.
double placeCall(int master, const QString &file, int i)
{
    const QByteArray r = report(i);
    writeAll(master, r.left(r.size() - 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Clk::time_point sent = Clk::now();
    writeAll(master, r.right(2));
    return waitForMarker(file, "CALLER " + QByteArray::number(i) + "\r\n", sent);
}

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

void print(const char *what, const std::vector<double> &v, int calls)
{
    std::printf("  %-34s median %.3f ms   min %.3f ms   max %.3f ms   (%zu of %d calls)\n", what, median(v),
                v.empty() ? 0 : *std::min_element(v.begin(), v.end()),
                v.empty() ? 0 : *std::max_element(v.begin(), v.end()), v.size(), calls);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int calls = 8;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/ringlark");
    if (!QFile::exists(program)) {
        std::printf("no program at %s\n", qPrintable(program));
        return 0;
    }

    // The floor first.
    std::vector<double> floorMs;
    {
        int master = -1, slave = -1;
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("record5.bin"));
        const pid_t child = fork();
        if (child == 0)
            forwarder(name, QFile::encodeName(file));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (int i = 0; i < calls; ++i) {
            const double ms = placeCall(master, file, i);
            if (ms >= 0)
                floorMs.push_back(ms);
            // The same silence between calls as the program gets: both wake from the same idle.
            std::this_thread::sleep_for(std::chrono::milliseconds(10500));
        }
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        ::close(master);
        ::close(slave);
    }

    // The program.
    std::vector<double> programMs;
    {
        int master = -1, slave = -1;
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        QTemporaryDir dir;
        layOutProgramFolder(dir.path(), program, QString::fromLocal8Bit(name));
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(dir.filePath(QStringLiteral("ringlark")), {});
        p.waitForStarted();
        answerCommands(master, 1500); // start-up: the caller-ID command
        const QString file = dir.filePath(QStringLiteral("acsetup.bin"));
        for (int i = 0; i < calls; ++i) {
            const double ms = placeCall(master, file, i);
            if (ms >= 0)
                programMs.push_back(ms);
            answerCommands(master, 10500); // the call ends after ten seconds of silence
        }
        p.terminate();
        if (!p.waitForFinished(3000))
            p.kill();
        ::close(master);
        ::close(slave);
    }

    std::printf("record 5 on disk, from the last byte written to the pseudo-terminal (outside the program):\n");
    print("trivial forwarder (the floor)", floorMs, calls);
    print("ringlark", programMs, calls);
    if (!floorMs.empty() && !programMs.empty())
        std::printf("  ringlark / floor: %.2f\n", median(programMs) / median(floorMs));
    return 0;
}
