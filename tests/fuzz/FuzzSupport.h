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

#define FUZZ_CHECK(cond)                                                                            \
    do {                                                                                            \
        if (!(cond)) {                                                                              \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);       \
            std::abort();                                                                           \
        }                                                                                           \
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
        return new QApplication(argc, argv);
    }();
    // On a memory file system where there is one: the targets write and sync their files for
    // every input, and a disk would set the pace.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/ringlark-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + QStringLiteral("/ringlark-fuzz-XXXXXX"));
    Q_UNUSED(app);
    return dir.path();
}

inline QString file(const QString &name)
{
    return QDir(folder()).filePath(name);
}

inline void put(const QString &name, const QByteArray &bytes)
{
    QFile f(file(name));
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

inline QByteArray get(const QString &name)
{
    // One read of the file's size: the targets read their files after every step.
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QByteArray();
    QByteArray bytes(f.size(), Qt::Uninitialized);
    bytes.resize(qMax<qint64>(0, f.read(bytes.data(), bytes.size())));
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
