// A call log of 32,767 calls: loading it (compaction and reload into the list) and appending
// one call (the whole log is rewritten after each call). Figures only.
#include "AppState.h"
#include "CallLog.h"
#include "CallRecord.h"
#include "MsgBox.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace {

double medianOf(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

QByteArray logOf(int calls, int deletedRecord)
{
    QByteArray all;
    all.reserve(calls * 80);
    for (int n = 1; n <= calls; ++n) {
        const QString line = QStringLiteral("DT=3/21/2026TM=02:05 PMNM=CALLER %1NB=(555)-123-%2")
                                 .arg(n)
                                 .arg(n % 10000, 4, 10, QLatin1Char('0'));
        all += (n == deletedRecord ? CallRecord::deletionMarker(n) : CallRecord::build(n, line, 3)).toLatin1();
    }
    return all;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    MsgBoxScript boxes;
    const int calls = 32767;
    const int runs = 7;
    QList<double> compacting, unchanged, appending;
    for (int run = 0; run < runs; ++run) {
        TestFolder folder;
        folder.write("Array.bin", logOf(calls, 100)); // one deleted call: the file must be rewritten
        AppState state(folder.path());
        CallLog log(state);
        QElapsedTimer t;
        t.start();
        log.DisplayFinalList();
        compacting << double(t.nsecsElapsed()) / 1e6;

        AppState again(folder.path());
        CallLog second(again);
        t.restart();
        second.DisplayFinalList();
        unchanged << double(t.nsecsElapsed()) / 1e6;

        t.restart();
        second.AppendCallRecord(QStringLiteral("DT=3/21/2026TM=02:05 PMNM=NEW CALLERNB=(555)-123-4567"), 2);
        appending << double(t.nsecsElapsed()) / 1e6;
        if (again.calls.count() != calls)
            std::printf("unexpected: %d calls loaded\n", again.calls.count());
    }
    std::printf("call log of %d calls (%d KB), median of %d runs:\n", calls, calls * 80 / 1024, runs);
    std::printf("  load with one deleted call (compact, rewrite, reload, sort): %8.1f ms\n", medianOf(compacting));
    std::printf("  load of a compact log (nothing to rewrite):                  %8.1f ms\n", medianOf(unchanged));
    std::printf("  append one call (list row, sort, whole-file rewrite):        %8.1f ms\n", medianOf(appending));
    return 0;
}
