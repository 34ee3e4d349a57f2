#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <QTest>
#include <chrono>
#include <thread>
#include <unistd.h>

TestFolder::TestFolder()
{
    QVERIFY2(m_dir.isValid(), "no temporary folder");
}

QString TestFolder::file(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

QByteArray TestFolder::bytes(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void TestFolder::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

bool TestFolder::exists(const QString &name) const
{
    return QFile::exists(file(name));
}

void TestFolder::copyDefaults() const
{
    QFile::remove(file(QStringLiteral("desetup.bin")));
    QVERIFY(QFile::copy(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"), file(QStringLiteral("desetup.bin"))));
    QFile::setPermissions(file(QStringLiteral("desetup.bin")), QFile::ReadOwner | QFile::WriteOwner);
}

void TestFolder::copyProgramData() const
{
    copyDefaults();
    for (const char *name : {"ringlark.ico", "openport.ico", "RINGLARK.HLP"}) {
        const QString n = QLatin1String(name);
        QFile::copy(QStringLiteral(RINGLARK_DATA_DIR "/") + n, file(n));
    }
}

void TestFolder::writeSettings(const QMap<int, QString> &records) const
{
    QFile defaults(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"));
    QVERIFY(defaults.open(QIODevice::ReadOnly));
    QByteArray all = defaults.readAll();
    for (auto it = records.begin(); it != records.end(); ++it) {
        const qsizetype at = qsizetype(it.key() - 1) * 100;
        if (all.size() < at + 100)
            all.append(QByteArray(at + 100 - all.size(), ' '));
        all.replace(at, 100, settingsRecord(it.value()));
    }
    write(QStringLiteral("acsetup.bin"), all);
}

void TestFolder::writeModemSettings(QMap<int, QString> records) const
{
    records.insert(2, records.value(2, QStringLiteral("COM_Port = 1")));
    records.insert(4, records.value(4, QStringLiteral("Call_Id_AT_Command = AT+VCID=1")));
    writeSettings(records);
}

PortHolder::PortHolder(const QString &device)
{
    m_process.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlark-modemsim"), {QStringLiteral("--hold"), device});
    m_holding = m_process.waitForReadyRead(10000) && m_process.readAll().startsWith("holding");
}

PortHolder::~PortHolder()
{
    m_process.kill();
    m_process.waitForFinished();
}

QByteArray settingsRecord(const QString &text)
{
    QByteArray b = text.toLatin1().left(100);
    return b + QByteArray(100 - b.size(), ' ');
}

void pinLocale()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void layOutProgramFolder(const QString &folder, const QString &program, const QString &device)
{
    const QDir dir(folder);
    const QString bin = QFileInfo(program).absolutePath();
    for (const char *f : {"desetup.bin", "ringlark.ico", "openport.ico", "RINGLARK.HLP"})
        QFile::copy(bin + QLatin1Char('/') + QLatin1String(f), dir.filePath(QLatin1String(f)));
    QFile::copy(dir.filePath(QStringLiteral("desetup.bin")), dir.filePath(QStringLiteral("acsetup.bin")));
    QFile setup(dir.filePath(QStringLiteral("acsetup.bin")));
    setup.setPermissions(setup.permissions() | QFileDevice::WriteOwner);
    // No spoken words: they come after everything a benchmark measures.
    const QList<QPair<int, QByteArray>> records = {
        {2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}, {28, "Talking_Call = False"}};
    if (setup.open(QIODevice::ReadWrite)) {
        for (const auto &r : records) {
            setup.seek((r.first - 1) * 100);
            setup.write(r.second.leftJustified(100, ' '));
        }
        setup.close();
    }
    dir.mkpath(QStringLiteral("ports"));
    QFile::link(device, dir.filePath(QStringLiteral("ports/COM1")));
    // A copy of the program in the folder makes the folder its own: its files are kept there.
    QFile::copy(program, dir.filePath(QStringLiteral("ringlark")));
    QFile(dir.filePath(QStringLiteral("ringlark"))).setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner);
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void answerCommands(int fd, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    QByteArray line;
    while (std::chrono::steady_clock::now() < end) {
        char c;
        if (::read(fd, &c, 1) == 1) {
            line += c;
            if (c == '\r') {
                writeAll(fd, line + "\r\nOK\r\n");
                line.clear();
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
}

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1000.0 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1000.0;
}

QString linkByName(const QString &folder, int com, const QString &device)
{
    QDir(folder).mkpath(QStringLiteral("by-id"));
    const QString name = QDir(folder).filePath(QStringLiteral("by-id/modem-COM%1").arg(com));
    const QString port = QDir(folder).filePath(QStringLiteral("ports/COM%1").arg(com));
    QFile::remove(name);
    QFile::remove(port);
    QFile::link(device, name);
    QFile::link(name, port);
    return name;
}

void noOtherPorts(const QString &folder, const QList<int> &taken)
{
    QDir(folder).mkdir(QStringLiteral("ports"));
    for (int n = 1; n <= 16; ++n) {
        if (!taken.contains(n))
            QFile::link(QStringLiteral("/nonexistent/COM%1").arg(n),
                        QDir(folder).filePath(QStringLiteral("ports/COM%1").arg(n)));
    }
}

QByteArray readLines(QTcpSocket &socket, int lines)
{
    QByteArray got;
    QDeadlineTimer deadline(5000);
    while (got.count('\n') < lines && !deadline.hasExpired()) {
        QTest::qWait(5);
        got += socket.readAll();
    }
    return got;
}

QHostAddress networkAddress()
{
    for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a;
    }
    return QHostAddress();
}
