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
    static QTemporaryDir dir;
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
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void removeAll()
{
    QDir d(folder());
    for (const QString &n : d.entryList(QDir::Files | QDir::Hidden))
        d.remove(n);
}

} // namespace fuzz
