// Start-up: from process start to the main window drawn, resident memory after start, and the
// CPU the program uses while idle with the port open. Figures only.
//
//   bench_startup            runs 10 starts as child processes, then a 10-second idle run
#include "AppState.h"
#include "ModemSim.h"
#include "SoundOutput.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Milliseconds since this process was started by the kernel (10 ms resolution: clock ticks).
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &l : status.readAll().split('\n')) {
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

class FirstPaint : public QObject {
public:
    double atMs = -1;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (atMs < 0 && e->type() == QEvent::Paint)
            atMs = msSinceProcessStart();
        return QObject::eventFilter(o, e);
    }
};

int child(int argc, char *argv[], const QString &folder, int idleSeconds)
{
    const double atMain = msSinceProcessStart();
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);
    AppState state(folder);
    frmMain window(state);
    FirstPaint paint;
    window.installEventFilter(&paint);
    if (!window.Form_Load())
        return 2;
    QElapsedTimer settle;
    settle.start();
    while (paint.atMs < 0 && settle.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const long rss = rssKb();
    if (idleSeconds <= 0) {
        std::printf("%.1f %.1f %ld\n", atMain, paint.atMs, rss);
        return 0;
    }
    const double cpu0 = cpuMs();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    QApplication::exec();
    std::printf("%.1f %.1f %d\n", cpuMs() - cpu0, double(wall.elapsed()), state.MSComm1.PortOpen() ? 1 : 0);
    return 0;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QString::fromLocal8Bit(argv[2]), argc >= 4 ? std::atoi(argv[3]) : 0);

    QCoreApplication app(argc, argv);
    TestFolder folder;
    folder.copyProgramData();
    folder.writeSettings({{2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}});
    ModemSimThread modem;
    modem.linkAs(folder.path(), 1);

    auto run = [&](int idle) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {"--child", folder.path(), QString::number(idle)});
        p.waitForFinished(idle * 1000 + 30000);
        QFile::remove(folder.file("ringlark.lock"));
        return QString::fromLatin1(p.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
    };

    const int starts = 10;
    QList<double> toMain, toShown, rss;
    for (int i = 0; i < starts; ++i) {
        const QStringList f = run(0);
        toMain << f.value(0).toDouble();
        toShown << f.value(1).toDouble();
        rss << f.value(2).toDouble() / 1024.0;
    }
    std::printf("start-up over %d starts (platform %s, clock-tick resolution %ld Hz)\n", starts,
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "default" : qgetenv("QT_QPA_PLATFORM").constData(),
                sysconf(_SC_CLK_TCK));
    std::printf("  process start -> main():          median %6.1f ms  (min %.1f, max %.1f)\n", median(toMain),
                *std::min_element(toMain.begin(), toMain.end()), *std::max_element(toMain.begin(), toMain.end()));
    std::printf("  process start -> window drawn:    median %6.1f ms  (min %.1f, max %.1f)\n", median(toShown),
                *std::min_element(toShown.begin(), toShown.end()), *std::max_element(toShown.begin(), toShown.end()));
    std::printf("  resident memory after start:      median %6.1f MB\n", median(rss));

    const int idle = 10;
    const QStringList f = run(idle);
    const double cpu = f.value(0).toDouble(), wall = f.value(1).toDouble();
    std::printf("idle with the port open for %d s:  CPU %.1f ms (%.3f %% of one core), port open: %s\n", idle, cpu,
                wall > 0 ? 100.0 * cpu / wall : 0.0, f.value(2) == QLatin1String("1") ? "yes" : "no");
    std::printf("  modem received: %s\n", modem.received().replace('\r', "\\r").constData());

    // The sound devices are asked at every announcement, so that speakers plugged in later are used.
    QElapsedTimer ask;
    ask.start();
    int devices = 0;
    const int asks = 20;
    for (int i = 0; i < asks; ++i)
        devices = SoundOutput::current().waveOutGetNumDevs();
    std::printf("sound devices asked: %.3f ms per ask (%d found)\n", double(ask.nsecsElapsed()) / 1e6 / asks, devices);
    return 0;
}
