// The call log. A log of 32,767 calls: loading it (compaction and reload into the list) and
// appending one call. A log of 64 MB (about 840,000 calls, far beyond what the format was made
// for): the time from start-up to the first new call on disk, and the peak memory meanwhile,
// each run in a process of its own so that the peak is that of the log alone. Figures only.
#include "AppState.h"
#include "CallDeletion.h"
#include "CallLog.h"
#include "CallRecord.h"
#include "MsgBox.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

namespace {

const QString NewCall = QStringLiteral("DT=3/21/2026TM=02:05 PMNM=NEW CALLERNB=(555)-123-4567");

double medianOf(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

QByteArray logOf(int calls, int deletedRecord)
{
    QByteArray all;
    all.reserve(qsizetype(calls) * 80);
    for (int n = 1; n <= calls; ++n) {
        const QString line = QStringLiteral("DT=3/21/2026TM=02:05 PMNM=CALLER %1NB=(555)-123-%2")
                                 .arg(n)
                                 .arg(n % 10000, 4, 10, QLatin1Char('0'));
        all += (n == deletedRecord ? CallRecord::deletionMarker(n) : CallRecord::build(n, line, 3)).toLatin1();
    }
    return all;
}

// The process's peak resident memory so far, in KB.
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The child's part: start-up's load of the log in `folder`, then one call stored.
int storeFirstCall(const QString &folder)
{
    MsgBoxScript boxes;
    const long before = peakKb();
    AppState state(folder);
    CallLog log(state, state.calls);
    QElapsedTimer t;
    t.start();
    log.DisplayFinalList();
    const double loaded = double(t.nsecsElapsed()) / 1e6;
    const bool stored = log.AppendCallRecord(NewCall, 2);
    const double first = double(t.nsecsElapsed()) / 1e6;
    const long atCall = peakKb();
    const int number = state.calls.count();
    const bool onDisk =
        CallRecord::fields(CallLogFile::readRecord(log.file().path(), number)).name == QLatin1String("NEW CALLER");
    // The user deletes that call in the Calls Log: marked, then the whole log tidied up.
    t.restart();
    QString error;
    const bool deleted = markCallsDeleted(log.file(), {QString::number(number)}, &error);
    log.DisplayFinalList();
    const double deleting = double(t.nsecsElapsed()) / 1e6;
    std::printf("%.1f %.1f %ld %ld %d %d %.1f %ld\n", loaded, first, before, atCall, int(stored && onDisk && deleted),
                int(boxes.shown.size()), deleting, peakKb());
    return 0;
}

void hugeLog(const QString &self)
{
    const int runs = 3;
    const int calls = 64 * 1024 * 1024 / 80;
    TestFolder folder;
    const QByteArray all = logOf(calls, 0);
    QList<double> loading, first, deleting;
    long startKb = 0, peak = 0, peakDeleting = 0;
    for (int run = 0; run < runs; ++run) {
        folder.write("Array.bin", all); // the log as it was before each run's call
        QProcess child;
        child.start(self, {QStringLiteral("--store-first-call"), folder.path()});
        if (!child.waitForFinished(600000)) {
            std::printf("  run %d did not finish\n", run + 1);
            return;
        }
        const QStringList f = QString::fromLatin1(child.readAllStandardOutput()).simplified().split(' ');
        if (f.size() != 8) {
            std::printf("  run %d: unexpected output\n", run + 1);
            return;
        }
        loading << f[0].toDouble();
        first << f[1].toDouble();
        deleting << f[6].toDouble();
        startKb = f[2].toLong();
        peak = std::max(peak, f[3].toLong());
        peakDeleting = std::max(peakDeleting, f[7].toLong());
        // The new call was stored and deleted again: the log is as it was, to the byte.
        if (f[4] != "1" || f[5] != "0" || folder.bytes("Array.bin") != all)
            std::printf("  run %d: unexpected result (stored and deleted: %s, %s boxes)\n", run + 1, qPrintable(f[4]),
                        qPrintable(f[5]));
    }
    std::printf("call log of 64 MB (%d calls), median of %d runs, each in a process of its own:\n", calls, runs);
    std::printf("  start-up load (DisplayFinalList):                            %8.1f ms\n", medianOf(loading));
    std::printf("  time to the first stored call (load + AppendCallRecord):     %8.1f ms\n", medianOf(first));
    std::printf("  peak resident memory to the first stored call (%ld MB at start): %5ld MB\n", startKb / 1024,
                peak / 1024);
    std::printf("  deleting that call (mark, then compact and reload):          %8.1f ms\n", medianOf(deleting));
    std::printf("  peak resident memory up to the end of the deletion:          %8ld MB\n", peakDeleting / 1024);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--store-first-call") == 0)
        return storeFirstCall(QString::fromLocal8Bit(argv[2]));
    MsgBoxScript boxes;
    const int calls = 32767;
    const int runs = 7;
    QList<double> compacting, unchanged, appending;
    for (int run = 0; run < runs; ++run) {
        TestFolder folder;
        folder.write("Array.bin", logOf(calls, 100)); // one deleted call: the file must be rewritten
        AppState state(folder.path());
        CallLog log(state, state.calls);
        QElapsedTimer t;
        t.start();
        log.DisplayFinalList();
        compacting << double(t.nsecsElapsed()) / 1e6;

        AppState again(folder.path());
        CallLog second(again, again.calls);
        t.restart();
        second.DisplayFinalList();
        unchanged << double(t.nsecsElapsed()) / 1e6;

        t.restart();
        second.AppendCallRecord(NewCall, 2);
        appending << double(t.nsecsElapsed()) / 1e6;
        if (again.calls.count() != calls)
            std::printf("unexpected: %d calls loaded\n", again.calls.count());
    }
    std::printf("call log of %d calls (%d KB), median of %d runs:\n", calls, calls * 80 / 1024, runs);
    std::printf("  load with one deleted call (compact, rewrite, reload, sort): %8.1f ms\n", medianOf(compacting));
    std::printf("  load of a compact log (nothing to rewrite):                  %8.1f ms\n", medianOf(unchanged));
    std::printf("  append one call (list row, sort, store):                     %8.1f ms\n", medianOf(appending));
    std::printf("  peak resident memory of the process:                         %8ld MB\n", peakKb() / 1024);
    std::fflush(stdout);
    hugeLog(QCoreApplication::applicationFilePath());
    return 0;
}
