#pragma once

#include "Clock.h"
#include "IMainWindow.h"
#include "MsgBox.h"
#include "Waits.h"

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>

// What a test function that runs the program needs: the program's clock running `factor`
// times faster than real time (ten-second timers pass in milliseconds), and message boxes
// recorded and answered instead of shown.
struct TestScope {
    explicit TestScope(double factor, const QDateTime &start = QDateTime::currentDateTime()) : clock(factor, start)
    {
        Clock::install(&clock);
        ProgramEnd::reset(); // an earlier test may have ended its program
    }
    ~TestScope() { Clock::install(nullptr); }
    TestScope(const TestScope &) = delete;
    TestScope &operator=(const TestScope &) = delete;

    FastClock clock;
    MsgBoxScript boxes;
};

// A throw-away program folder.
class TestFolder {
public:
    TestFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const;
    QByteArray bytes(const QString &name) const;
    void write(const QString &name, const QByteArray &bytes) const;
    bool exists(const QString &name) const;
    // The installed defaults beside the program.
    void copyDefaults() const;
    // acsetup.bin = desetup.bin with the given records replaced (record number -> text).
    void writeSettings(const QMap<int, QString> &records) const;
    // The same for a modem on COM1 that takes AT+VCID=1, unless `records` say otherwise.
    void writeModemSettings(QMap<int, QString> records = {}) const;
    // The program's data files (defaults, icons, help), as an installation has them.
    void copyProgramData() const;

private:
    QTemporaryDir m_dir;
};

// One settings record as stored (100 bytes, space-padded).
QByteArray settingsRecord(const QString &text);

// Links COM n of a program folder to a device through a name of the folder's own (as
// /dev/serial/by-id names a USB modem) and returns that name. A test that unplugs its modem
// removes the name with it: the terminal's number may be given to another test's modem at once,
// and the program, waiting for its modem to come back, must not take that one for it.
QString linkByName(const QString &folder, int com, const QString &device);

// Every COM number of the folder but those given names a device that is not there: a search
// asks no port of the machine itself.
void noOtherPorts(const QString &folder, const QList<int> &taken = {});

// A folder made the program's own for a run from outside (benchmarks): a copy of `program` and
// its shipped files, settings for a modem on COM1 that takes AT+VCID=1 and speaks no words, and
// COM1 linked to `device`.
void layOutProgramFolder(const QString &folder, const QString &program, const QString &device);

// Writes all of `bytes` to a non-blocking descriptor (the modem's end of a pseudo-terminal).
void writeAll(int fd, const QByteArray &bytes);
// As a modem does, answers every command read from `fd` with its echo and OK, for `ms`.
void answerCommands(int fd, int ms);

class QTcpSocket;
// What `socket` receives until it has `lines` line ends or 5 s passed; the events of this thread
// (a server in the same test) run while it waits.
QByteArray readLines(QTcpSocket &socket, int lines);
class QHostAddress;
// An IPv4 address of this machine other than loopback (null when it has none): a client that
// connects from it is one of the network's, not of this computer.
QHostAddress networkAddress();

// CPU time (user and system) this process has used so far, in milliseconds (benchmarks).
double cpuMs();

// Dates and day names are locale-dependent: every test runs in US English.
void pinLocale();

// The columns of a table: their types in order, then their names.
template <typename... Types> void columns(const auto &...names)
{
    (QTest::addColumn<Types>(names), ...);
}

// One table row, kept on one line (a chain of texts would get a line for each).
inline void row(const char *tag, const auto &...values)
{
    (QTest::newRow(tag) << ... << values);
}

// Another process holding a device open (the simulated modem's --hold), for as long as it lives.
class PortHolder {
public:
    explicit PortHolder(const QString &device);
    ~PortHolder();
    bool holding() const { return m_holding; }

private:
    QProcess m_process;
    bool m_holding = false;
};

// Stands in for the main window where a test runs the subsystems without it.
class FakeWindow : public IMainWindow {
public:
    void popUp() override { calls << QStringLiteral("popUp"); }
    void showWindow() override { calls << QStringLiteral("show"); }
    void minimise() override { calls << QStringLiteral("minimise"); }
    void unloadBlockedWindow() override { calls << QStringLiteral("unloadBlocked"); }
    void showServiceState(ServicePair pair, bool on) override
    {
        calls << QStringLiteral("service:%1:%2").arg(int(pair)).arg(int(on));
    }
    void runModemDetection() override
    {
        calls << QStringLiteral("detect");
        if (onDetect)
            onDetect();
    }
    QStringList calls;
    std::function<void()> onDetect;
};

// Makes every file write beyond `bytes` fail as on a full disk, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a short write instead of a killed test
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
