#pragma once

// What every fuzz target needs: one application object for the whole run, a scratch program
// folder, and a stop at the first broken invariant. A broken invariant aborts, so that libFuzzer
// keeps the input and the corpus replay under CTest fails on it.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

namespace fuzz {

// The program folder of the target, created once; the target lays its files anew every run.
inline QString folder()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The local time without a look at the zone file at every reading of the clock.
        if (qEnvironmentVariableIsEmpty("TZ"))
            qputenv("TZ", "UTC");
        return new QApplication(argc, argv);
    }();
    // On a memory file system where there is one: the targets write and sync their files for
    // every input, and a disk would set the pace.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/ringlark-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/ringlark-fuzz-XXXXXX"));
    Q_UNUSED(app);
    return dir.path();
}

inline QString file(const QString &name)
{
    return QDir(folder()).filePath(name);
}

// Straight system calls: the targets read their files after every step, and the file classes'
// checks would set the pace under the sanitizers.
inline void put(const QString &name, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(file(name)).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
    ::close(fd);
}

inline QByteArray get(const QString &name)
{
    const int fd = ::open(QFile::encodeName(file(name)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    struct stat st;
    QByteArray bytes(::fstat(fd, &st) == 0 ? qsizetype(st.st_size) : 0, Qt::Uninitialized);
    const ssize_t n = ::read(fd, bytes.data(), size_t(bytes.size()));
    bytes.resize(n > 0 ? qsizetype(n) : 0);
    ::close(fd);
    return bytes;
}

// The named files only, where a target knows what it and the program write.
inline void remove(std::initializer_list<const char *> names)
{
    for (const char *n : names)
        QFile::remove(file(QString::fromLatin1(n)));
}

inline void removeAll()
{
    QDir d(folder());
    for (const QString &n : d.entryList(QDir::Files | QDir::Hidden))
        d.remove(n);
}

} // namespace fuzz
